// SPDX-License-Identifier: MIT
#include "TimeFormat.h"

// std
#include <cstdlib>

namespace {
constexpr int32_t HourMs = 3600 * 1000;

// At least two digits, with the sign in front of the padding ("-05").
QString TwoDigits(int32_t v)
{
    const QString digits = QStringLiteral("%1").arg(std::abs(int64_t(v)), 2, 10, QChar(u'0'));
    return v < 0 ? u'-' + digits : digits;
}
} // namespace

QString FormatClockTime(int32_t ms)
{
    // A game of an hour or more shows the ceiling rather than dropping the hours.
    if (ms >= HourMs)
        return QStringLiteral("59:59");
    const int32_t seconds = ms / 1000;
    return TwoDigits(seconds / 60) + u':' + TwoDigits(seconds % 60);
}

QString FormatRankTime(int32_t ms)
{
    if (ms >= HourMs)
        return QStringLiteral("59:59.99");
    const int32_t seconds = ms / 1000;
    return TwoDigits(seconds / 60) + u':' + TwoDigits(seconds % 60) + u'.' +
           QString::number((ms % 1000) / 100);
}
