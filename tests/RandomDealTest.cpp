// SPDX-License-Identifier: MIT
// The generator, the deal and the board geometry.

#include "Main/Deal.h"
#include "Main/Random.h"
#include "TestSupport.h"
// gtest
#include <gtest/gtest.h>
// std
#include <map>
#include <set>

using namespace Test;

namespace {

struct TDeal {
    TCardArray Cards;
    TGrid Grid{};
};

TDeal MakeDeal(uint32_t seed, int32_t pictureCount)
{
    TRandom random(seed);
    TDeal deal;
    DealFaces(deal.Cards, random, pictureCount);
    ShuffleCards(deal.Cards, deal.Grid, random);
    return deal;
}

// The pictures of cards 1 to 45 (index 0 unused) after a deal from `seed`,
// worked out here from the rules of the deal, not with the game's code.
std::vector<int32_t> DealByTheRules(uint32_t seed, int32_t pictureCount)
{
    const auto random = [&seed](int32_t n) {
        seed = seed * 134775813u + 1u;
        return int32_t((uint64_t(seed) * uint64_t(n)) >> 32);
    };
    std::vector<int32_t> faces(size_t(pictureCount) + 1, 0);
    for (int32_t i = 1; i <= pictureCount - 1; ++i)
        faces[size_t(i)] = i + 1;
    for (int32_t j = 1; j <= pictureCount - 1; ++j) {
        const int32_t k = random(pictureCount - 1) + 1;
        if (k != j)
            std::swap(faces[size_t(j)], faces[size_t(k)]);
    }
    const int32_t r = random(3);
    if (pictureCount == 23 || r == 1)
        faces[23] = 1;
    std::vector<int32_t> cards(46, 0);
    for (int32_t k = 1; k <= 45; ++k)
        cards[size_t(k)] = faces[size_t((k - 1) / 2 + 1)];
    for (int pass = 0; pass < 2; ++pass)
        for (int32_t i = 1; i <= 45; ++i) {
            const int32_t j = random(45) + 1;
            if (j != i)
                std::swap(cards[size_t(i)], cards[size_t(j)]);
        }
    return cards;
}

std::vector<int32_t> DealtPictures(const TForm1& form)
{
    std::vector<int32_t> cards(46, 0);
    for (int32_t n = 1; n <= 45; ++n)
        cards[size_t(n)] = form.Cards[n].Picture;
    return cards;
}

// Pictures on the board and how often each lies there.
std::map<int32_t, int> Census(const TDeal& deal)
{
    std::map<int32_t, int> count;
    for (int32_t n = 1; n <= Board::CardCount; ++n)
        ++count[deal.Cards[n].Picture];
    return count;
}

} // namespace

TEST(Random, FollowsTheLinearCongruentialFormula)
{
    // Computed here independently: seed' = seed * 134775813 + 1 mod 2^32,
    // result = (seed' * n) >> 32.
    uint64_t seed = 12345;
    TRandom random(12345);
    for (int32_t n : {1, 2, 3, 22, 45, 100, 1000, 65536, 2147483647}) {
        seed = (seed * 134775813ull + 1ull) & 0xFFFFFFFFull;
        const auto expected = static_cast<int32_t>((seed * static_cast<uint64_t>(n)) >> 32);
        EXPECT_EQ(random.Random(n), expected) << "n=" << n;
        EXPECT_EQ(random.Seed, static_cast<uint32_t>(seed));
    }
}

TEST(Random, KnownValuesForSeedZero)
{
    // Written out by hand: 0 -> 1 -> 134775814 -> ...
    TRandom random(0);
    EXPECT_EQ(random.Random(100), 0); // (1 * 100) >> 32
    EXPECT_EQ(random.Seed, 1u);
    EXPECT_EQ(random.Random(1 << 30), 33693953); // 134775814 * 2^30 >> 32
    EXPECT_EQ(random.Seed, 134775814u);
}

TEST(Random, StaysWithinRangeAndIsRoughlyUniform)
{
    TRandom random(42);
    std::array<int, 45> hits{};
    for (int i = 0; i < 45000; ++i) {
        const int32_t v = random.Random(45);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 45);
        ++hits[static_cast<size_t>(v)];
    }
    for (int h : hits)
        EXPECT_NEAR(h, 1000, 150);
}

TEST(Deal, TwentyFourPicturesAlwaysGivePenaltyAndAllFacesAsPairs)
{
    for (uint32_t seed = 0; seed < 300; ++seed) {
        const auto census = Census(MakeDeal(seed * 7919u, 23));
        ASSERT_EQ(census.count(Board::BackPicture), 0u) << "seed " << seed;
        ASSERT_EQ(census.at(Board::PenaltyPicture), 1) << "seed " << seed;
        for (int32_t face = 2; face <= 23; ++face)
            ASSERT_EQ(census.at(face), 2) << "face " << face << " seed " << seed;
    }
}

TEST(Deal, MoreFacesGivePenaltyInAboutAThirdAndOtherwiseALoneFace)
{
    for (int32_t pictureCount : {24, 31}) {
        int penaltyDeals = 0;
        const int deals = 3000;
        for (int seed = 0; seed < deals; ++seed) {
            const auto census =
                Census(MakeDeal(static_cast<uint32_t>(seed) * 2654435761u, pictureCount));
            ASSERT_EQ(census.count(Board::BackPicture), 0u);
            int pairs = 0, singles = 0;
            for (auto [picture, count] : census) {
                ASSERT_GE(picture, 1);
                ASSERT_LE(picture, pictureCount);
                ASSERT_TRUE(count == 1 || count == 2) << picture;
                if (count == 2) {
                    ASSERT_NE(picture, Board::PenaltyPicture);
                    ++pairs;
                } else {
                    ++singles;
                }
            }
            ASSERT_EQ(pairs, 22);
            ASSERT_EQ(singles, 1);
            penaltyDeals += census.count(Board::PenaltyPicture) ? 1 : 0;
        }
        EXPECT_NEAR(penaltyDeals, deals / 3, deals / 20) << "pictureCount " << pictureCount;
    }
}

TEST(Deal, EveryFaceOfALargeStripGetsDealt)
{
    // The face shuffle draws from the whole range, so no face is left out.
    std::set<int32_t> seen;
    for (uint32_t seed = 1; seed < 200; ++seed)
        for (const auto& [picture, count] : Census(MakeDeal(seed, 31)))
            seen.insert(picture);
    for (int32_t p = 1; p <= 31; ++p)
        EXPECT_TRUE(seen.count(p)) << p;
}

TEST(Deal, GridAndRectanglesAfterAnyDeal)
{
    for (uint32_t seed : {0u, 1u, 99u, 0xFFFFFFFFu}) {
        const TDeal deal = MakeDeal(seed, 31);
        for (int32_t row = 0; row < Board::Rows; ++row)
            for (int32_t col = 0; col < Board::Cols; ++col) {
                const int32_t n = row * 9 + col + 1;
                EXPECT_EQ(deal.Grid[size_t(col)][size_t(row)], n);
                const TRect expected{col * 106 + 6, row * 85 + 5, (col + 1) * 106, (row + 1) * 85};
                EXPECT_EQ(deal.Cards[n].Rect, expected) << "card " << n;
                EXPECT_EQ(deal.Cards[n].Rect.Width(), 100);
                EXPECT_EQ(deal.Cards[n].Rect.Height(), 80);
                EXPECT_FALSE(deal.Cards[n].Opened);
            }
        EXPECT_EQ(deal.Cards[45].Rect, (TRect{854, 345, 954, 425}));
        EXPECT_EQ(deal.Cards[1].Rect, (TRect{6, 5, 106, 85}));
    }
}

TEST(Deal, SeedFixesTheDeal)
{
    const TDeal a = MakeDeal(2024, 31), b = MakeDeal(2024, 31), c = MakeDeal(2025, 31);
    EXPECT_EQ(a.Cards, b.Cards);
    EXPECT_NE(a.Cards, c.Cards);
}

TEST(Deal, DrawsInTheStatedOrder)
{
    // A deal of a 24-picture strip uses 22 + 1 + 90 draws; the generator
    // afterwards stands where 113 plain draws leave it.
    TRandom dealt(77), counted(77);
    TDeal deal;
    DealFaces(deal.Cards, dealt, 23);
    ShuffleCards(deal.Cards, deal.Grid, dealt);
    for (int i = 0; i < 22 + 1 + 90; ++i)
        counted.Random(2);
    EXPECT_EQ(dealt.Seed, counted.Seed);
}

TEST(Deal, PinnedDealForSeedOne)
{
    // The face list of a 24-picture strip, seed 1, replayed by hand from the
    // generator: before the shuffle cards 2k-1 and 2k hold entry k.
    TRandom random(1);
    std::vector<int32_t> faces(24, 0);
    for (int i = 1; i <= 22; ++i)
        faces[size_t(i)] = i + 1;
    TRandom replay(1);
    for (int j = 1; j <= 22; ++j) {
        const int k = replay.Random(22) + 1;
        std::swap(faces[size_t(j)], faces[size_t(k)]);
    }
    TCardArray cards;
    DealFaces(cards, random, 23);
    for (int k = 1; k <= 44; ++k)
        EXPECT_EQ(cards[k].Picture, faces[size_t((k - 1) / 2 + 1)]) << k;
    EXPECT_EQ(cards[45].Picture, Board::PenaltyPicture);
}

TEST(Board, CellAtRefusesGapsAndMargins)
{
    struct TCase {
        int x, y;
        bool hit;
        int col, row;
    };
    const TCase cases[] = {
        {0, 0, false, 0, 0},     {5, 40, false, 0, 0},    {6, 5, true, 0, 0},
        {105, 84, true, 0, 0},   {106, 50, false, 0, 0},  {111, 50, false, 0, 0},
        {112, 50, true, 1, 0},   {50, 85, false, 0, 0},   {50, 89, false, 0, 0},
        {50, 90, true, 0, 1},    {953, 424, true, 8, 4},  {954, 424, false, 0, 0},
        {959, 429, false, 0, 0}, {960, 100, false, 0, 0}, {100, 430, false, 0, 0},
        {860, 350, true, 8, 4},  {-1, 10, false, 0, 0},
    };
    for (const TCase& c : cases) {
        const auto cell = Board::CellAt(c.x, c.y);
        EXPECT_EQ(cell.has_value(), c.hit) << c.x << "," << c.y;
        if (cell && c.hit) {
            EXPECT_EQ(cell->Col, c.col) << c.x << "," << c.y;
            EXPECT_EQ(cell->Row, c.row) << c.x << "," << c.y;
        }
    }
}

// The main window deals exactly as the rules say, card for card.
class WindowDeal : public GameTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(WindowDeal, FollowsTheRulesCardForCard)
{
    Deal(GetParam());
    EXPECT_EQ(DealtPictures(Main()), DealByTheRules(GetParam(), 31));
}

INSTANTIATE_TEST_SUITE_P(Seeds, WindowDeal, ::testing::Values(0u, 1u, 4242u, 0xFFFFFFFFu));

TEST(Seeding, FirstDealIsSeededFromTheTimeOfDay)
{
    TScratchDir dir;
    WriteStrip(32);
    TTestClock clock;
    for (QTime t : {QTime(12, 34, 56, 789), QTime(23, 59, 59, 999), QTime(12, 34, 56, 789)}) {
        clock.UtcTime = t;
        const TWindows w;
        const auto seed =
            uint32_t(((t.hour() * 60 + t.minute()) * 60 + t.second()) * 1000 + t.msec());
        EXPECT_EQ(DealtPictures(*w.Main), DealByTheRules(seed, 31)) << t.toString().toStdString();
    }
}
