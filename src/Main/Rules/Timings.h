// SPDX-License-Identifier: MIT
#pragma once
// The timing of a turn, in milliseconds.

// std
#include <cstdint>

namespace Turn {
// The penalty card's face shows this long before the pause begins.
constexpr int32_t PenaltyFaceMs = 300;
// The pause that the penalty card freezes play for; the penalty window's bar
// drains over it.
constexpr int32_t PenaltyPauseMs = 2000;
// Two different faces show this long before they turn back.
constexpr int32_t MismatchMs = 400;
// The exit command puts the end of a running pause this far in the past.
constexpr int32_t PauseEndedByExitMs = -100;
} // namespace Turn
