// SPDX-License-Identifier: MIT
// The tick count and today's date.

#include "Clock.h"
// Qt
#include <QDate>
#include <QElapsedTimer>
// gtest
#include <gtest/gtest.h>

TEST(Platform, TickCountIsMonotonicMillisecondsFromProgramStart)
{
    const int32_t a = Platform::TickCount();
    EXPECT_GE(a, 0);
    EXPECT_LT(a, 60 * 1000); // counted from this test process's start
    QElapsedTimer wall;
    wall.start();
    Platform::Sleep(30);
    const int32_t b = Platform::TickCount();
    EXPECT_GE(b - a, 30);
    EXPECT_LE(b - a, wall.elapsed() + 1);
}

TEST(Platform, LocalDateIsYearMonthDayWithTheLocaleSeparator)
{
    const QString sep = Platform::DateSeparator();
    ASSERT_EQ(sep.size(), 1);
    const QDate today = QDate::currentDate();
    const QString text = Platform::LocalDateText();
    EXPECT_EQ(text, today.toString(QStringLiteral("yyyy")) + sep +
                        today.toString(QStringLiteral("MM")) + sep +
                        today.toString(QStringLiteral("dd")));
    EXPECT_EQ(text.size(), 10);
}
