// SPDX-License-Identifier: MIT
// The deal and the board geometry.

#include "Deal.h"
#include "Random.h"
// gtest
#include <gtest/gtest.h>
// std
#include <map>
#include <set>

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

// Pictures on the board and how often each lies there.
std::map<int32_t, int> Census(const TDeal& deal)
{
    std::map<int32_t, int> count;
    for (int32_t n = 1; n <= Board::CardCount; ++n)
        ++count[deal.Cards[n].Picture];
    return count;
}

} // namespace

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
