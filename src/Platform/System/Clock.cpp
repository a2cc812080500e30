// SPDX-License-Identifier: MIT
#include "Clock.h"

// Qt
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QThread>

namespace Platform {

namespace {

class TRealClock final : public TClock {
public:
    TRealClock() { Started.start(); }
    // The low 32 bits of the count, as the system's counter keeps them.
    int32_t Tick() override
    {
        return static_cast<int32_t>(static_cast<uint32_t>(Started.elapsed() & 0xFFFFFFFF));
    }
    void Sleep(int ms) override { QThread::msleep(static_cast<unsigned long>(ms)); }

private:
    QElapsedTimer Started;
};

TRealClock& RealClock()
{
    static TRealClock clock;
    return clock;
}
// Started with the program, so that ticks count from process start.
[[maybe_unused]] const bool ClockStartedAtLoad = (RealClock(), true);

TClock* CurrentClock = nullptr;
TClock& Clock()
{
    return CurrentClock ? *CurrentClock : RealClock();
}

} // namespace

QTime TClock::UtcTimeOfDay()
{
    return QDateTime::currentDateTimeUtc().time();
}

void SetClock(TClock* clock)
{
    CurrentClock = clock;
}
int32_t TickCount()
{
    return Clock().Tick();
}
void Sleep(int ms)
{
    Clock().Sleep(ms);
}
QTime UtcTimeOfDay()
{
    return Clock().UtcTimeOfDay();
}

QString DateSeparator()
{
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (QChar c : format)
        if (!c.isLetter() && !c.isSpace() && c != u'\'')
            return QString(c);
    return QStringLiteral("/");
}

QString LocalDateText()
{
    const QDate d = QDate::currentDate();
    const QString sep = DateSeparator();
    return QStringLiteral("%1%2%3%4%5")
        .arg(d.year(), 4, 10, QChar(u'0'))
        .arg(sep)
        .arg(d.month(), 2, 10, QChar(u'0'))
        .arg(sep)
        .arg(d.day(), 2, 10, QChar(u'0'));
}

} // namespace Platform
