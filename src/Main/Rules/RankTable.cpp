// SPDX-License-Identifier: MIT
#include "RankTable.h"

int32_t FindRankRow(const TRanking& ranking, int32_t time)
{
    for (int32_t i = 1; i <= RankRows; ++i)
        if (ranking[i].Time == 0 || ranking[i].Time > time)
            return i;
    return RankMissed;
}

void InsertRankRow(TRanking& ranking, int32_t row, const TRankEntry& entry)
{
    // A time that did not make the table changes nothing.
    if (row < 1 || row > RankRows)
        return;
    for (int32_t j = RankRows; j > row; --j)
        ranking[j] = ranking[j - 1];
    ranking[row] = entry;
}

void ClearRankTimes(TRanking& ranking)
{
    for (int32_t i = 1; i <= RankRows; ++i)
        ranking[i].Time = 0;
}
