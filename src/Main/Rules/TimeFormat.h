// SPDX-License-Identifier: MIT
#pragma once
// Time texts of the clock label and the ranking.

// Qt
#include <QString>
// std
#include <cstdint>

// "mm:ss" of a running game. From 60 minutes on it stays at "59:59".
QString FormatClockTime(int32_t ms);

// "mm:ss.t" of a ranking row. From 60 minutes on it shows "59:59.99".
QString FormatRankTime(int32_t ms);
