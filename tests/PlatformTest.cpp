// SPDX-License-Identifier: MIT
// What the game expects of the operating system layer.

#include "TestSupport.h"
// Qt
#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
// gtest
#include <gtest/gtest.h>
// POSIX
#include <sys/resource.h>

using namespace Test;

namespace {

// An object whose event handler fails.
class TThrowingObject : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("ファイルへのアクセスが拒否されました");
        return QObject::event(e);
    }
};

double ProcessCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

} // namespace

TEST(Platform, ErrorEscapingAnEventHandlerIsShownAndTheProgramGoesOn)
{
    TMessageRecorder messages;
    TThrowingObject target;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&target, &event);
    // A posted event goes the same way from the message loop.
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.Messages.size(), 2u);
    for (const auto& m : messages.Messages) {
        EXPECT_EQ(m.Caption, QStringLiteral("ぬぺぬぺ衰弱"));
        EXPECT_EQ(m.Text, QStringLiteral("ファイルへのアクセスが拒否されました"));
        EXPECT_EQ(m.Icon, Platform::TMsgIcon::Error);
    }
}

TEST(Platform, EndingWaitsUntilTheRunningHandlerAndItsBoxesAreDone)
{
    // The end asked for inside a handler (an exit while the ranking window
    // waits, say) must not cut short an error box that handler shows later.
    Platform::ClearTerminateRequest();
    qint64 boxOpenMs = -1;
    QTimer::singleShot(0, [&] {
        Platform::Terminate();
        QTimer::singleShot(150, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        QElapsedTimer open;
        open.start();
        Platform::ShowMessage(QStringLiteral("ディスクがいっぱいです"), Platform::TMsgIcon::Error);
        boxOpenMs = open.elapsed();
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0); // and the end still comes
    EXPECT_GE(boxOpenMs, 150);
}

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

TEST(Platform, WaitUntilSleepsUntilItsConditionHolds)
{
    // Woken by its own time limit: 300 ms of waiting costs almost no
    // processor time (a polling loop would use all of it).
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = ProcessCpuMs();
    const int32_t end = Platform::TickCount() + 300;
    Platform::WaitUntil([&] { return Platform::TickCount() >= end; },
                        [&] { return end - Platform::TickCount(); });
    EXPECT_GE(wall.elapsed(), 299);
    EXPECT_LT(wall.elapsed(), 1500);
    EXPECT_LT(ProcessCpuMs() - cpuBefore, 60.0);

    // Ended by an event as soon as the condition holds, with no time limit.
    bool done = false;
    QTimer::singleShot(50, [&] { done = true; });
    wall.restart();
    Platform::WaitUntil([&] { return done; });
    EXPECT_TRUE(done);
    EXPECT_LT(wall.elapsed(), 1000);

    // A condition that already holds returns at once.
    int tests = 0;
    Platform::WaitUntil([&] { return ++tests > 0; });
    EXPECT_EQ(tests, 1);
}

TEST(Platform, CodePageTextIsShiftJisAsWindowsWritesIt)
{
    EXPECT_EQ(Platform::ToCodePage(QStringLiteral("ぬぺAB")), QByteArray("\x82\xca\x82\xd8"
                                                                         "AB"));
    // Windows' extensions to the code page, such as the circled digits.
    EXPECT_EQ(Platform::ToCodePage(QStringLiteral("①")), QByteArray("\x87\x40"));
    EXPECT_EQ(Platform::FromCodePage(QByteArray("\x82\xca\x82\xd8")), QStringLiteral("ぬぺ"));
    EXPECT_TRUE(Platform::CodePageCanEncode(QStringLiteral("ぬぺぬぺ衰弱 NUPE")));
    EXPECT_FALSE(Platform::CodePageCanEncode(QStringLiteral("😀")));
    EXPECT_FALSE(Platform::CodePageCanEncode(QStringLiteral("한")));
    // Any bytes decode to something, never an error.
    for (int b = 0; b < 256; ++b) {
        const QString s = Platform::FromCodePage(QByteArray(1, char(b)) + QByteArray(1, '\xff'));
        EXPECT_FALSE(s.isNull()) << b;
    }
}

// Characters that input methods on Linux type where Windows' code page has
// look-alikes of its own: accepted, and written as Windows writes them.
struct TLookAlike {
    char16_t Typed;
    const char* Bytes;
    char16_t Windows;
};
void PrintTo(const TLookAlike& c, std::ostream* os)
{
    *os << "U+" << std::hex << std::uppercase << int(c.Typed);
}
class CodePageLookAlike : public ::testing::TestWithParam<TLookAlike> {};

TEST_P(CodePageLookAlike, IsWrittenAsWindowsWritesIt)
{
    const QString typed(QChar(GetParam().Typed)), windows(QChar(GetParam().Windows));
    EXPECT_TRUE(Platform::CodePageCanEncode(typed));
    EXPECT_EQ(Platform::ToCodePage(typed), QByteArray(GetParam().Bytes));
    EXPECT_EQ(Platform::ToCodePage(windows), QByteArray(GetParam().Bytes));
    EXPECT_EQ(Platform::FromCodePage(GetParam().Bytes), windows);
}

INSTANTIATE_TEST_SUITE_P(Platform, CodePageLookAlike,
                         ::testing::Values(TLookAlike{u'\u301C', "\x81\x60", u'\uFF5E'},
                                           TLookAlike{u'\u2212', "\x81\x7C", u'\uFF0D'},
                                           TLookAlike{u'\u2016', "\x81\x61", u'\u2225'},
                                           TLookAlike{u'\u00A2', "\x81\x91", u'\uFFE0'},
                                           TLookAlike{u'\u00A3', "\x81\x92", u'\uFFE1'},
                                           TLookAlike{u'\u00AC', "\x81\xCA", u'\uFFE2'},
                                           TLookAlike{u'\u2014', "\x81\x5C", u'\u2015'}));

TEST(Platform, ExeDirEndsInExactlyOneSeparator)
{
    TScratchDir elsewhere; // the current directory is not the executable's
    const QString dir = Platform::ExeDir();
    EXPECT_EQ(dir,
              QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QDir::separator());
    EXPECT_NE(QDir(dir), QDir::current());
    EXPECT_TRUE(dir.endsWith(QDir::separator()));
    EXPECT_FALSE(dir.endsWith(QString(2, QDir::separator())));
    EXPECT_TRUE(
        QFileInfo(dir + QFileInfo(QCoreApplication::applicationFilePath()).fileName()).isFile());
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

// X11 wherever an X server is reachable, Wayland only without one, and a
// platform the player named is left alone.
TEST(Platform, PlatformPluginChoice)
{
    using TSetting = Platform::TPlatformSetting;
    const std::pair<TSetting, QByteArray> cases[] = {
        {{"", ":0", "wayland-0"}, "xcb;wayland"}, {{"", ":0", ""}, "xcb"},
        {{"", "", "wayland-0"}, "wayland"},       {{"", "", ""}, ""},
        {{"wayland", ":0", "wayland-0"}, ""},     {{"", ":0", "wayland-0", true}, ""}};
    for (const auto& [setting, expected] : cases)
        EXPECT_EQ(Platform::PreferredPlatform(setting), expected)
            << setting.QpaPlatform.data() << setting.Display.data() << setting.PlatformArgument;
}

// Whole scale factors: down below .75, up from .75, never below 1; screen
// names and entries that are no number stay as the desktop wrote them.
TEST(Platform, ScaleFactorsAreMadeWhole)
{
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"1.74;1.75;2.5;0.5", "1;2;2;1"},
        {"eDP-1=1.75;HDMI-1=1.5;", "eDP-1=2;HDMI-1=1;"},
        {"DP-2=big", "DP-2=big"}};
    for (const auto& [given, whole] : cases)
        EXPECT_EQ(Platform::WholeScaleFactors(given), whole) << given.data();
}
