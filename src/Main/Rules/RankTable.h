// SPDX-License-Identifier: MIT
#pragma once
// The top-ten ranking table and where a new time goes in it.

#include "Types.h"
// Qt
#include <QByteArray>
// std
#include <cstdint>

// One ranking row. Time 0 marks an empty row; Name and Date are byte
// strings in the Japanese code page.
struct TRankEntry {
    int32_t Time = 0;
    QByteArray Name;
    QByteArray Date;
    bool operator==(const TRankEntry&) const = default;
};

constexpr int32_t RankRows = 10;
// The row FindRankRow gives a time that does not make the table.
constexpr int32_t RankMissed = RankRows + 1;
// Rows 1 to 10, row 1 the best.
using TRanking = TOneBased<TRankEntry, RankRows>;

// The row (1 to 10) a new time belongs in: the first empty row or the first
// row with a slower time; a tie goes behind the earlier results. RankMissed
// when the time does not make the table.
int32_t FindRankRow(const TRanking& ranking, int32_t time);

// Moves rows `row` to 9 one place down (row 10 falls off) and puts `entry`
// into row `row`. A row outside 1 to 10 (RankMissed) changes nothing.
void InsertRankRow(TRanking& ranking, int32_t row, const TRankEntry& entry);

// Empties every row (Time 0); the texts stay as they were.
void ClearRankTimes(TRanking& ranking);
