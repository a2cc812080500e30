// SPDX-License-Identifier: MIT
#include "Deal.h"

// std
#include <cassert>
#include <utility>
#include <vector>

namespace Board {
std::optional<TCell> CellAt(int32_t x, int32_t y)
{
    if (x < 0 || y < 0 || x % PitchX < GapX || y % PitchY < GapY)
        return std::nullopt;
    const TCell cell{x / PitchX, y / PitchY};
    if (cell.Col >= Cols || cell.Row >= Rows)
        return std::nullopt;
    return cell;
}
} // namespace Board

void DealFaces(TCardArray& cards, TRandom& random, int32_t pictureCount)
{
    assert(pictureCount >= Board::MinPictures - 1);
    // Entries 1 .. pictureCount - 1 hold each face 2 .. pictureCount once; the
    // last holds none (with 22 faces it is the odd card's, Pairs + 1).
    std::vector<int32_t> faces(static_cast<size_t>(pictureCount), 0);
    auto face = [&faces](int32_t i) -> int32_t& { return faces.at(static_cast<size_t>(i - 1)); };
    for (int32_t i = 1; i <= pictureCount - 1; ++i)
        face(i) = i + 1;
    for (int32_t j = 1; j <= pictureCount - 1; ++j) {
        const int32_t k = random.Random(pictureCount - 1) + 1;
        if (k != j)
            std::swap(face(j), face(k));
    }
    // The odd card: with exactly 22 faces it must be the penalty card; with
    // more, one deal in three. The draw is made in every deal.
    const int32_t r = random.Random(3);
    if (pictureCount == Board::MinPictures - 1 || r == 1)
        face(Board::Pairs + 1) = Board::PenaltyPicture;
    for (int32_t k = 1; k <= Board::CardCount; ++k) {
        cards[k].Opened = false;
        cards[k].Picture = face((k - 1) / 2 + 1);
    }
}

void ShuffleCards(TCardArray& cards, TGrid& grid, TRandom& random)
{
    for (int pass = 0; pass < 2; ++pass)
        for (int32_t i = 1; i <= Board::CardCount; ++i) {
            const int32_t j = random.Random(Board::CardCount) + 1;
            if (j != i)
                std::swap(cards[i], cards[j]);
        }
    int32_t n = 0;
    for (int32_t row = 0; row < Board::Rows; ++row)
        for (int32_t col = 0; col < Board::Cols; ++col) {
            ++n;
            grid[static_cast<size_t>(col)][static_cast<size_t>(row)] = n;
            cards[n].Rect = Board::CellRect(col, row);
        }
}
