// SPDX-License-Identifier: MIT
#pragma once
// The game's clock: the millisecond tick count, the blocking sleep, the time
// of day that seeds the deals, and today's date for the ranking. Tests put a
// clock of their own in place of the real one.

// Qt
#include <QString>
#include <QTime>
// std
#include <cstdint>

namespace Platform {

// Where the tick count and the blocking sleep come from. The real clock is
// monotonic and counts from process start; like the system's millisecond
// counter it wraps after 2^32 ms, passing from INT32_MAX to INT32_MIN after
// 24.8 days. Tests install a clock they drive by hand.
class TClock {
public:
    virtual ~TClock() = default;
    virtual int32_t Tick() = 0;
    virtual void Sleep(int ms) = 0;
    // The current time of day, UTC.
    virtual QTime UtcTimeOfDay();
};

// Installs a clock for the tests; nullptr restores the real one.
void SetClock(TClock* clock);

// Milliseconds since the program started (32 bits, signed, wrapping).
int32_t TickCount();

// The milliseconds from tick count `earlier` to `later`, right across the
// counter's wrap for spans shorter than 24.8 days. Tick counts are compared
// only through it: `TickDiff(now, end) >= 0` says that `end` has come.
constexpr int32_t TickDiff(int32_t later, int32_t earlier)
{
    return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}
// The tick count `ms` milliseconds after `tick` (before it, for negative `ms`).
constexpr int32_t TickAdd(int32_t tick, int32_t ms)
{
    return static_cast<int32_t>(static_cast<uint32_t>(tick) + static_cast<uint32_t>(ms));
}
// Blocks the GUI thread: nothing is painted or handled meanwhile.
void Sleep(int ms);
// The current time of day, UTC, from the installed clock.
QTime UtcTimeOfDay();

// ---- dates ---------------------------------------------------------------

// Today's local date as "YYYY/MM/DD", with the locale's date separator.
QString LocalDateText();
// The date separator of the user's locale ("/" when it names none).
QString DateSeparator();

} // namespace Platform
