// SPDX-License-Identifier: MIT
// The top-ten table: where a new time goes, and how the rows below move.

#include "RankTable.h"
// gtest
#include <gtest/gtest.h>
// std
#include <initializer_list>

namespace {
TRanking WithTimes(std::initializer_list<int32_t> times)
{
    TRanking table;
    int32_t i = 1;
    for (int32_t t : times)
        table[i++].Time = t;
    return table;
}
} // namespace

TEST(RankTable, NewTimeFindsItsRow)
{
    const TRanking full = WithTimes({10, 20, 20, 30, 40, 50, 60, 70, 80, 90});
    EXPECT_EQ(FindRankRow(TRanking{}, 12345), 1);
    EXPECT_EQ(FindRankRow(full, 5), 1);
    EXPECT_EQ(FindRankRow(full, 15), 2);
    EXPECT_EQ(FindRankRow(full, 20), 4); // ties go behind the earlier results
    EXPECT_EQ(FindRankRow(full, 89), 10);
    EXPECT_EQ(FindRankRow(full, 90), 11);
    EXPECT_EQ(FindRankRow(full, 1000), 11);
}

TEST(RankTable, SearchStopsAtTheFirstEmptyRow)
{
    // Rows after an empty row are never looked at, even a slower one.
    const TRanking gap = WithTimes({10, 20, 0, 500, 600});
    EXPECT_EQ(FindRankRow(gap, 100), 3);
    EXPECT_EQ(FindRankRow(gap, 15), 2);
    const TRanking nine = WithTimes({1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(FindRankRow(nine, 1000), 10);
}

TEST(RankTable, TimesCompareAsSignedNumbers)
{
    // A negative time from a damaged file counts as faster than any result.
    const TRanking table = WithTimes({-1, 50});
    EXPECT_EQ(FindRankRow(table, 30), 2);
    EXPECT_EQ(FindRankRow(table, -5), 1);
}

TEST(RankTable, InsertShiftsTheRowsBelowDown)
{
    TRanking before;
    for (int32_t i = 1; i <= RankRows; ++i)
        before[i] = {i * 10, "n" + QByteArray::number(i), "d" + QByteArray::number(i)};
    const TRankEntry entry{35, "new", "today"};
    // The rows above stay, the rows below move down one and the old row 10 is
    // gone; row 11 is past the table and changes nothing.
    for (int32_t at : {4, 1, 10, 11}) {
        TRanking table = before;
        InsertRankRow(table, at, entry);
        for (int32_t i = 1; i <= RankRows; ++i)
            EXPECT_EQ(table[i], i < at    ? before[i]
                                : i == at ? entry
                                          : before[i - 1])
                << "at " << at << ", row " << i;
    }
}
