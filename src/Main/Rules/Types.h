// SPDX-License-Identifier: MIT
#pragma once
// Small value types shared by the board, the picture strip and the ranking.

// std
#include <array>
#include <cstddef>
#include <cstdint>

// A rectangle in board pixels; Right and Bottom are exclusive.
struct TRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

// An array indexed 1 to N, as the game numbers its cards and ranking rows.
template <typename T, int32_t N> class TOneBased {
public:
    static constexpr int32_t Count = N;
    T& operator[](int32_t n) { return Items.at(static_cast<size_t>(n - 1)); }
    const T& operator[](int32_t n) const { return Items.at(static_cast<size_t>(n - 1)); }
    bool operator==(const TOneBased&) const = default;

private:
    std::array<T, N> Items{};
};
