// SPDX-License-Identifier: MIT
#pragma once
// The card board and the deal: 45 cards on a 9 x 5 grid, 22 pairs of faces
// and one odd card, which is the penalty card or a face without a partner.

#include "Random.h"
#include "Types.h"
// std
#include <array>
#include <cstdint>
#include <optional>

struct TCard {
    int32_t Picture = 0; // 0 the back (never dealt), 1 the penalty picture, 2.. faces
    bool Opened = false; // shows its face; clicks on it are ignored
    TRect Rect;          // its place on the board image
    bool operator==(const TCard&) const = default;
};

namespace Board {
constexpr int32_t Cols = 9;
constexpr int32_t Rows = 5;
constexpr int32_t CardCount = Cols * Rows;
constexpr int32_t Pairs = 22;
constexpr int32_t PitchX = 106, PitchY = 85; // cell pitch
constexpr int32_t GapX = 6, GapY = 5;        // gap before a card in its cell
constexpr int32_t CardW = 100, CardH = 80;
constexpr int32_t BackPicture = 0;
constexpr int32_t PenaltyPicture = 1;
// The fewest pictures a deal can be made from: back, penalty, 22 faces.
constexpr int32_t MinPictures = 24;

// The rectangle of the card in cell (col, row).
constexpr TRect CellRect(int32_t col, int32_t row)
{
    return {col * PitchX + GapX, row * PitchY + GapY, (col + 1) * PitchX, (row + 1) * PitchY};
}

// The cell under board pixel (x, y), or nothing for the gaps and margins.
struct TCell {
    int32_t Col, Row;
};
std::optional<TCell> CellAt(int32_t x, int32_t y);
} // namespace Board

// Cards numbered 1 to 45.
using TCardArray = TOneBased<TCard, Board::CardCount>;

// Card numbers by [column][row].
using TGrid = std::array<std::array<int32_t, Board::Rows>, Board::Cols>;

// Puts 22 pairs of random faces and the odd card onto cards 1 to 45, all face
// down, in card order (pairs side by side). pictureCount is the highest
// picture index in the strip and must be at least 23.
void DealFaces(TCardArray& cards, TRandom& random, int32_t pictureCount);

// Two shuffle passes over the card records, then lays cards 1 to 45 onto the
// grid row by row and gives each its rectangle.
void ShuffleCards(TCardArray& cards, TGrid& grid, TRandom& random);
