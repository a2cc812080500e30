// SPDX-License-Identifier: MIT
// The clock and ranking time texts.

#include "TimeFormat.h"
// gtest
#include <gtest/gtest.h>

TEST(TimeFormat, ClockTimeTruncatesToWholeSeconds)
{
    const std::pair<int32_t, const char*> cases[] = {
        {0, "00:00"},     {999, "00:00"},    {59999, "00:59"},   {60000, "01:00"},
        {61999, "01:01"}, {600000, "10:00"}, {3599999, "59:59"},
    };
    for (auto [ms, text] : cases)
        EXPECT_EQ(FormatClockTime(ms), QString::fromLatin1(text)) << ms;
}

TEST(TimeFormat, ClockTimeOfAnHourOrMoreStaysAtTheCeiling)
{
    // Never a time with the hours dropped (61 minutes must not read 01:00).
    for (int32_t ms : {3600000, 3660000, 7200000, 86400000, 2147483647})
        EXPECT_EQ(FormatClockTime(ms), QStringLiteral("59:59")) << ms;
}

TEST(TimeFormat, RankTimeShowsTenths)
{
    const std::pair<int32_t, const char*> cases[] = {
        {83456, "01:23.4"}, {5099, "00:05.0"}, {3599999, "59:59.9"},
        {0, "00:00.0"},     {100, "00:00.1"},
    };
    for (auto [ms, text] : cases)
        EXPECT_EQ(FormatRankTime(ms), QString::fromLatin1(text)) << ms;
}

TEST(TimeFormat, RankTimeOfAnHourOrMoreStaysAtTheCeiling)
{
    for (int32_t ms : {3600000, 3605000, 2147483647})
        EXPECT_EQ(FormatRankTime(ms), QStringLiteral("59:59.99")) << ms;
}

TEST(TimeFormat, NegativeTimesKeepTheirSignInFrontOfThePadding)
{
    // Only a foreign ranking file holds them; they still read as numbers.
    EXPECT_EQ(FormatRankTime(-5000), QStringLiteral("00:-05.0"));
    EXPECT_EQ(FormatRankTime(-61000), QStringLiteral("-01:-01.0"));
    EXPECT_EQ(FormatClockTime(-61000), QStringLiteral("-01:-01"));
}
