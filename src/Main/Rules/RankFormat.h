// SPDX-License-Identifier: MIT
#pragma once
// The bytes of the ranking file "Rank.Dat": the mark 1010, then for each of
// the ten rows its time, its name and its date. Every integer is 32 bits,
// little-endian; a text is its length, then one integer per byte.

#include "RankTable.h"
// Qt
#include <QByteArray>
// std
#include <cstdint>

// The first integer of every ranking file.
constexpr int32_t RankFileMark = 1010;

// Reads a ranking from the file's bytes into `ranking`. Returns false, the
// table untouched, when they do not start with the file mark. Throws
// Platform::TInOutError (EndOfFile) when they end before row 10 does; the rows read
// before that keep what the bytes gave. Whatever follows row 10 is ignored.
bool ParseRanking(const QByteArray& bytes, TRanking& ranking);

// The file's bytes for all ten rows.
QByteArray EncodeRanking(const TRanking& ranking);
