// SPDX-License-Identifier: MIT
// The application and its message loop: errors that escape a handler, the
// end of the program, waiting, and the executable's directory.

#include "TestSupport.h"
#include "RankFile.h"
// Qt
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
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
    QObject scope;
    QTimer::singleShot(0, &scope, [&] {
        Platform::Terminate();
        QTimer::singleShot(150, &scope, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        QElapsedTimer open;
        open.start();
        Platform::ShowMessage(QStringLiteral("ディスクがいっぱいです"), Platform::TMsgIcon::Error);
        boxOpenMs = open.elapsed();
    });
    EXPECT_EQ(RunMessageLoop(5000), 0); // and the end still comes
    EXPECT_GE(boxOpenMs, 150);
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
    QObject scope;
    QTimer::singleShot(50, &scope, [&] { done = true; });
    wall.restart();
    Platform::WaitUntil([&] { return done; });
    EXPECT_TRUE(done);
    EXPECT_LT(wall.elapsed(), 1000);

    // A condition that already holds returns at once.
    int tests = 0;
    Platform::WaitUntil([&] { return ++tests > 0; });
    EXPECT_EQ(tests, 1);
}

// The ranking file's errors, as the player sees them: one error box each, with
// the game's caption and the error's text.
TEST(RankFile, ErrorsReachTheErrorBox)
{
    ::Test::TScratchDir dir;
    WriteBytes(QStringLiteral("cut.dat"), Hex("F2 03 00 00  01 00")); // the mark, half a time
    ASSERT_TRUE(QDir().mkdir(RankFileName));
    // Long names make the table far bigger than the file-size limit, so the
    // first write comes back short and the next one fails.
    TRanking big;
    for (int32_t i = 1; i <= RankRows; ++i)
        big[i] = {i * 1000, QByteArray(2000, char(0x82)), "2024/01/01"};
    const auto halfway = [&] {
        const TFileSizeLimit limit(4096, true); // SIGXFSZ kills: the save guards itself
        SaveRanking(QStringLiteral("big.dat"), big);
    };
    const std::pair<std::function<void()>, QString> cases[] = {
        {[] {
             TRanking t;
             LoadRanking(QStringLiteral("cut.dat"), t);
         },
         QStringLiteral("ファイルの末尾以降を読み込みました")},
        {[] { SaveRanking(QStringLiteral("/dev/full"), TRanking{}); },
         QStringLiteral("I/O エラー (6)")},
        {[] { SaveRanking(RankFileName, TRanking{}); },
         QStringLiteral("ファイルへのアクセスが拒否されました")},
        {halfway, QStringLiteral("ディスクがいっぱいです")}};
    TMessageRecorder recorder;
    for (const auto& [action, text] : cases) {
        recorder.Messages.clear();
        Platform::Guarded(action);
        ASSERT_EQ(recorder.Messages.size(), 1u) << text.toStdString();
        EXPECT_EQ(recorder.Messages[0].Caption, QStringLiteral("ぬぺぬぺ衰弱"));
        EXPECT_EQ(recorder.Messages[0].Text, text);
        EXPECT_EQ(recorder.Messages[0].Icon, Platform::TMsgIcon::Error);
    }
}

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
