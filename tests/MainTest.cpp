// SPDX-License-Identifier: MIT
// Start-up, the first deal on screen, the window fit, restart and exit, the
// LED sign on the main window, and the penalty and ranking windows going and
// coming back with the minimised game.

#include "TestSupport.h"
#include "AboutText.h"
#include "TimeFormat.h"
#include "Timings.h"
// Qt
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
// gtest
#include <gtest/gtest.h>
// POSIX
#include <sys/stat.h>

using namespace Test;

namespace {

const QColor Red(255, 0, 0);

// Each start in a scratch directory of its own, the current directory.
class Startup : public ::testing::Test {
protected:
    TScratchDir Dir;
};

void ExpectAllBacksOnRed(TForm1& form)
{
    for (int32_t n = 1; n <= 45; ++n)
        EXPECT_EQ(ShownPicture(form, n), 0) << "card " << n;
    const QImage& canvas = form.ImgArea->Canvas();
    EXPECT_EQ(canvas.size(), QSize(960, 430));
    // The gaps and margins around the card field, and each card's corners.
    for (QPoint p : {QPoint(0, 0), QPoint(5, 50), QPoint(50, 4), QPoint(106, 50), QPoint(954, 424),
                     QPoint(959, 429), QPoint(500, 425), QPoint(500, 85)})
        EXPECT_EQ(canvas.pixelColor(p), Red) << p.x() << "," << p.y();
    EXPECT_TRUE(Near(canvas.pixelColor(856, 347), PictureColour(0)));
    EXPECT_TRUE(Near(canvas.pixelColor(950, 421), PictureColour(0)));
}

} // namespace

TEST_F(Startup, DealsAndShowsFortyFiveBacksOnRed)
{
    WriteStrip(32);
    TMessageRecorder messages;
    TWindows w;
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_FALSE(Platform::TerminateRequested());
    EXPECT_EQ(w.Main->PictureCount, 31);
    EXPECT_EQ(w.Main->windowTitle(), QStringLiteral("ぬぺぬぺ衰弱"));
    EXPECT_TRUE(w.Main->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.Main->palette().color(QPalette::Window), QColor(178, 167, 255));
    EXPECT_EQ(w.Main->LblTime->text(), QStringLiteral("TIME= 00:00"));
    EXPECT_EQ(w.Main->FirstCard, -1);
    EXPECT_FALSE(w.Main->ClockStarted);
    EXPECT_FALSE(w.Main->Timer1->isActive());
    EXPECT_EQ(w.Main->Timer1->interval(), 200);
    EXPECT_EQ(w.Main->Cards[45].Rect, (TRect{854, 345, 954, 425}));
    EXPECT_TRUE(w.Main->AppDir.endsWith(QDir::separator()));
    EXPECT_FALSE(w.Main->AppDir.endsWith(QString(QDir::separator()) + QDir::separator()));
    ExpectAllBacksOnRed(*w.Main);
}

TEST_F(Startup, WindowFitsTheBoardAndClampsToASmallScreen)
{
    WriteStrip(24);
    TWindows w;
    w.Main->FitWindow(QSize(1920, 1080));
    // The client area inside a 2-pixel frame.
    EXPECT_EQ(w.Main->size(), QSize(970, 476));
    EXPECT_EQ(w.Main->ClientArea->geometry(), QRect(2, 2, 966, 472));
    EXPECT_EQ(w.Main->ScrollArea->geometry(), QRect(0, 37, 966, 435));
    EXPECT_EQ(w.Main->ImgArea->size(), QSize(960, 430));
    w.Main->show();
    EXPECT_FALSE(w.Main->ScrollArea->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(w.Main->ScrollArea->verticalScrollBar()->isVisible());

    w.Main->FitWindow(QSize(800, 400));
    EXPECT_EQ(w.Main->ClientArea->size(), QSize(800, 400));
    EXPECT_EQ(w.Main->ScrollArea->geometry(), QRect(0, 37, 800, 363));
    EXPECT_EQ(w.Main->ImgArea->size(), QSize(960, 430));
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.Main->ScrollArea->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(w.Main->ScrollArea->verticalScrollBar()->isVisible());
    // The board drawn after the fit still has its full size.
    w.Main->DrawBoard();
    ExpectAllBacksOnRed(*w.Main);
}

namespace {
void ExpectMissingPictureMessageAndNoDeal()
{
    TMessageRecorder messages;
    TWindows w;
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text, QStringLiteral("画像ファイル「Img.Dat」がありません。"));
    EXPECT_EQ(messages.Messages[0].Caption, QStringLiteral("ぬぺぬぺ衰弱"));
    EXPECT_TRUE(Platform::TerminateRequested());
    EXPECT_EQ(w.Main->PictureCount, 0);
    for (int32_t n = 1; n <= 45; ++n)
        EXPECT_EQ(w.Main->Cards[n].Picture, 0);
    EXPECT_EQ(w.Main->ImgArea->size(), QSize(472, 173)); // never fitted nor drawn
    EXPECT_TRUE(w.Main->AppDir.isEmpty());
    // The LED sign is filled and started only once the pictures are there.
    EXPECT_TRUE(w.Main->LightStr1->ShowStrings().isEmpty());
    EXPECT_FALSE(w.Main->LightStr1->ShowActive());
}
} // namespace

TEST_F(Startup, MissingPictureFileGivesOneMessageAndNoDeal)
{
    ExpectMissingPictureMessageAndNoDeal();
}

TEST_F(Startup, MissingPictureFileEndsTheMessageLoop)
{
    TMessageRecorder messages;
    TWindows w;
    // The program's loop ends by itself.
    EXPECT_EQ(RunMessageLoop(5000), 1);
    EXPECT_FALSE(w.Main->isVisible());
}

TEST_F(Startup, DirectoryNamedLikeThePictureFileCountsAsMissing)
{
    QDir().mkdir(QStringLiteral("Img.Dat"));
    ExpectMissingPictureMessageAndNoDeal();
}

TEST_F(Startup, PictureFileBesideTheExecutableOnlyIsNotFound)
{
    // Img.Dat is looked for in the current directory, not beside the program.
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/Img.Dat");
    ASSERT_FALSE(QFile::exists(beside));
    WriteJpeg(beside, MakeStrip(24));
    TMessageRecorder messages;
    TWindows w;
    QFile::remove(beside);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Text, QStringLiteral("画像ファイル「Img.Dat」がありません。"));
}

// Each bad picture file runs in a process of its own, so that the
// termination request of one case cannot hide a missing one in the next.
class BadPictureFile : public Startup, public ::testing::WithParamInterface<const char*> {};

TEST_P(BadPictureFile, GivesOneMessageAndNoDeal)
{
    const std::string name = GetParam();
    if (name == "NotJpeg") {
        WriteBytes(QStringLiteral("Img.Dat"), "GIF89a nonsense");
    } else if (name == "Narrow") {
        WriteStrip(23, 99);
    } else if (name == "Low") {
        WriteStrip(24, 0, 79);
    } else if (name == "Truncated") {
        WriteStrip(24);
        QFile f(QStringLiteral("Img.Dat"));
        f.open(QIODevice::ReadWrite);
        f.resize(f.size() - 200);
    } else if (name == "Huge") {
        WriteHugeStrip(QStringLiteral("Img.Dat"));
    } else if (name == "TwoChannels") {
        WriteJpeg(QStringLiteral("Img.Dat"), MakeStrip(24), {.TwoChannels = true});
    } else if (name == "Fifo") {
        ::mkfifo("Img.Dat", 0666); // there, but no picture: not "missing"
    }
    TMessageRecorder messages;
    TWindows w;
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0].Icon, Platform::TMsgIcon::Error);
    EXPECT_EQ(messages.Messages[0].Caption, QStringLiteral("ぬぺぬぺ衰弱"));
    EXPECT_TRUE(messages.Messages[0].Text.contains(QStringLiteral("「Img.Dat」")));
    EXPECT_TRUE(Platform::TerminateRequested());
    EXPECT_EQ(w.Main->PictureCount, 0);
    EXPECT_EQ(w.Main->Cards[45].Picture, 0);
}

INSTANTIATE_TEST_SUITE_P(Startup, BadPictureFile,
                         ::testing::Values("NotJpeg", "Narrow", "Low", "Truncated", "Huge",
                                           "TwoChannels", "Fifo"));

TEST_F(Startup, WideAndTallStripsShowWholeCellsAndTheTopEightyRows)
{
    QImage strip = MakeStrip(24, 50, 120);
    for (int y = 80; y < 120; ++y)
        for (int x = 0; x < strip.width(); ++x)
            strip.setPixelColor(x, y, Qt::white);
    WriteJpeg(QStringLiteral("Img.Dat"), strip);
    TWindows w;
    EXPECT_EQ(w.Main->PictureCount, 23);
    EXPECT_EQ(w.Main->SourceRects.size(), 24u);
    // Each card's bottom row is the strip's row 79, and the row below is red.
    for (int32_t n = 1; n <= 45; ++n) {
        const TRect& r = w.Main->Cards[n].Rect;
        const QImage& c = w.Main->ImgArea->Canvas();
        EXPECT_TRUE(Near(c.pixelColor(r.Left + 50, r.Bottom - 3), PictureColour(0))) << n;
        EXPECT_EQ(c.pixelColor(r.Left + 50, r.Bottom), QColor(255, 0, 0)) << n;
    }
}

TEST_F(Startup, RestartMidGameShowsBacksAndAZeroClock)
{
    WriteStrip(32);
    TWindows w;
    TForm1& f = *w.Main;
    // A game in progress: a few cards face up and the clock running.
    f.ClockStarted = true;
    f.Timer1->start();
    f.Cards[3].Opened = true;
    f.Cards[7].Opened = true;
    f.FirstCard = 7;
    f.PairsFound = 5;
    f.DrawBoard();
    f.LblTime->setText(QStringLiteral("TIME= 03:12"));
    ASSERT_NE(ShownPicture(f, 3), 0);

    f.BtnReStartClick();
    EXPECT_EQ(f.LblTime->text(), QStringLiteral("TIME= 00:00"));
    EXPECT_FALSE(f.ClockStarted);
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(f.FirstCard, -1);
    EXPECT_EQ(f.PairsFound, 0);
    for (int32_t n = 1; n <= 45; ++n)
        EXPECT_FALSE(f.Cards[n].Opened);
    ExpectAllBacksOnRed(f);
}

TEST_F(Startup, ExitClosesTheWindowAndEndsTheProgram)
{
    WriteStrip(24);
    TWindows w;
    w.Main->show();
    EXPECT_FALSE(Platform::TerminateRequested());
    w.Main->BtnExitClick();
    EXPECT_TRUE(w.Main->Closing);
    EXPECT_FALSE(w.Main->isVisible());
    EXPECT_FALSE(w.Stop->isVisible());
    EXPECT_TRUE(Platform::TerminateRequested());
}

TEST_F(Startup, PenaltyWindowLayout)
{
    WriteStrip(24);
    TWindows w;
    TForm2& f = *w.Stop;
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.size(), QSize(319, 238));
    EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
    // The picture: 320 x 240 in 256 colours, shown unscaled from the corner.
    const QImage picture(QStringLiteral(":/penalty.bmp"));
    EXPECT_EQ(picture.size(), QSize(320, 240));
    EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_EQ(f.Image1->geometry(), QRect(0, 0, 319, 238));
    EXPECT_EQ(f.Image1->pixmap().size(), QSize(320, 240));
    // "ペナルティ" in the metric-compatible gothic: 57 x 13 at (8, 6), sized
    // to its text once the window is on screen.
    EXPECT_EQ(f.Label1->text(), QStringLiteral("ペナルティ"));
    f.ShowPenalty();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QCoreApplication::processEvents();
    EXPECT_EQ(f.Label1->geometry(), QRect(8, 6, 57, 13));
    EXPECT_EQ(f.Bar->geometry(), QRect(72, 4, 233, 16));
    EXPECT_EQ(f.Bar->value(), 2000);
}

TEST_F(Startup, PenaltyAndRankingWindowsBelongToTheMainWindow)
{
    // Only the main window has a task-bar entry, under the game's title.
    WriteStrip(24);
    TWindows w;
    EXPECT_EQ(w.Main->windowType(), Qt::Window);
    // Tied to the main window by the time they are first shown.
    w.Stop->ShowPenalty();
    w.Rank->ShowRanking(0);
    for (QWidget* f : {static_cast<QWidget*>(w.Stop.get()), static_cast<QWidget*>(w.Rank.get())}) {
        EXPECT_EQ(f->windowType(), Qt::Tool);
        ASSERT_NE(f->windowHandle(), nullptr);
        EXPECT_EQ(f->windowHandle()->transientParent(), w.Main->windowHandle());
        EXPECT_EQ(f->windowTitle(), QStringLiteral("ぬぺぬぺ衰弱"));
        EXPECT_TRUE(f->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(f->windowFlags() & Qt::WindowStaysOnTopHint);
    }
    EXPECT_TRUE(w.Stop->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(w.Stop->testAttribute(Qt::WA_ShowWithoutActivating));
}

// ---- the sign on the main window ---------------------------------------------

namespace {

// Yellow headers, white names, lime for the rest.
const QColor Y(255, 255, 0), W(255, 255, 255), L(0, 255, 0);
const QColor ExpectedColours[33] = {Y, L, W, L, W, L, W, L, W, Y, L, L, L, L, Y, L, L,
                                    L, L, L, W, L, L, W, L, L, W, L, L, L, L, L, L};

class AboutSign : public Test::GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        // The test moves the sign itself; the timer must not add ticks, not
        // even while the window is being shown.
        Sign().SetShowInterval(100'000'000);
        Main().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Main()));
    }
    TLightStr& Sign() { return *Main().LightStr1; }
};

TEST_F(AboutSign, CarriesTheAboutTextLineByLineAndRuns)
{
    EXPECT_EQ(Sign().ShowStrings(), AboutLines());
    EXPECT_EQ(Sign().ShowCount(), 0); // appended, never assigned as a whole
    EXPECT_TRUE(Sign().ShowActive());
    EXPECT_EQ(Sign().geometry(), QRect(512, 2, 300, 33));
    EXPECT_EQ(Sign().DarkColor(), QColor(0, 128, 128));
    EXPECT_EQ(Sign().BackColor(), QColor(128, 0, 0));
}

TEST_F(AboutSign, EveryLineEntersInItsColourAndLine31WrapsToLine0)
{
    std::vector<std::pair<int32_t, QColor>> loaded;
    const TLineNextEvent windowHandler = Sign().OnLineNext;
    Sign().OnLineNext = [&](TLightStr* sender, int32_t index) {
        windowHandler(sender, index);
        loaded.emplace_back(index, sender->LightColor());
    };
    bool yellowAndLimeTogether = false;
    for (int tick = 0; tick < 100'000 && loaded.size() < 33; ++tick) {
        Sign().TickNow();
        // While line 1 enters, line 0's dots are still on the display.
        if (loaded.size() == 2) {
            const QImage& dots = Sign().DotImage();
            bool yellow = false, lime = false;
            for (int y = 0; y < dots.height(); ++y)
                for (int x = 0; x < dots.width(); ++x) {
                    yellow |= dots.pixelColor(x, y) == QColor(255, 255, 0);
                    lime |= dots.pixelColor(x, y) == QColor(0, 255, 0);
                }
            yellowAndLimeTogether |= yellow && lime;
        }
    }
    ASSERT_EQ(loaded.size(), 33u);
    for (int32_t i = 0; i < 33; ++i) {
        EXPECT_EQ(loaded[size_t(i)].first, i % 32);
        EXPECT_EQ(loaded[size_t(i)].second, ExpectedColours[i % 32]) << "line " << i;
    }
    EXPECT_TRUE(yellowAndLimeTogether);
}

TEST_F(AboutSign, MinimiseAndRestoreResumeWithTheNextColumn)
{
    // A sign that is never stopped, fed the same way, shows what the
    // window's sign must show.
    TLightStr reference;
    reference.setFont(Sign().font());
    reference.resize(300, 33);
    reference.SetDarkColor(Sign().DarkColor());
    reference.SetBackColor(Sign().BackColor());
    reference.OnLineNext = [](TLightStr* s, int32_t i) { s->SetLightColor(AboutLineColour(i)); };
    reference.SetShowInterval(100'000'000);
    reference.ShowStrings() = AboutLines();
    reference.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&reference));
    reference.ShowStart();
    for (int i = 0; i < 240; ++i) {
        Sign().TickNow();
        reference.TickNow();
    }
    ClickCaption(Caption::Min);
    EXPECT_TRUE(Main().isMinimized());
    EXPECT_FALSE(Sign().ShowActive());
    const QImage stopped = Sign().DotImage();
    Sign().TickNow();
    EXPECT_EQ(Sign().DotImage(), stopped);

    Main().showNormal();
    EXPECT_TRUE(Sign().ShowActive());
    for (int i = 0; i < 400; ++i) {
        Sign().TickNow();
        reference.TickNow();
        ASSERT_EQ(Sign().DotImage(), reference.DotImage()) << "tick " << i;
    }
}

} // namespace

namespace {
// Wayland reports no restore, and a window manager may refuse to minimise:
// the window that the button sent away goes on with its sign once it is the
// active window again, or takes a click.
class SignBack : public AboutSign, public ::testing::WithParamInterface<bool> {};
TEST_P(SignBack, WithoutARestore)
{
    ClickCaption(Caption::Min);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(Sign().ShowActive());
    if (GetParam()) {
        Main().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Main()));
    } else {
        ClickAt({2, 2}); // a gap between the cards
    }
    EXPECT_TRUE(Sign().ShowActive());
}
INSTANTIATE_TEST_SUITE_P(AboutSign, SignBack, ::testing::Values(true, false));
} // namespace

namespace {
// The penalty and ranking windows go away with the minimised game, whatever
// the window manager does, and the restore brings back what the game still
// shows: not a penalty window whose pause ran out meanwhile; the ranking
// window with the name typed so far, its end-of-game wait still running.
enum TOpens { RankButton, RankAtGameEnd, Penalty };
struct TAwayCase : TNamedCase {
    TOpens Opens;
    bool PauseEndsAway;
};
class GoesWithTheGame : public GameTest, public ::testing::WithParamInterface<TAwayCase> {};

TEST_P(GoesWithTheGame, AndComesBackAsTheGameShowsIt)
{
    const TAwayCase& c = GetParam();
    Main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Main()));
    TToolWindow* window =
        c.Opens == Penalty ? static_cast<TToolWindow*>(W->Stop.get()) : W->Rank.get();
    bool ran = false;
    const auto whileShown = [&] {
        if (c.Opens == RankAtGameEnd)
            TypeText(W->Rank->Edit, QStringLiteral("ABC"));
        ClickCaption(Caption::Min);
        EXPECT_TRUE(window->Shown() && !window->isVisible());
        EXPECT_EQ(Main().RankWaiting, c.Opens == RankAtGameEnd);
        if (!c.PauseEndsAway)
            Main().showNormal();
        EXPECT_EQ(window->isVisible(), !c.PauseEndsAway);
        EXPECT_TRUE(c.Opens != RankAtGameEnd || W->Rank->Edit->text() == QStringLiteral("ABC"));
        Main().RankWaiting = false; // the wait ends here
        Clock.Advance(Turn::PenaltyPauseMs);
        ran = true;
    };
    if (c.Opens == RankButton) {
        ClickCaption(Caption::Rank);
        whileShown();
    } else if (c.Opens == RankAtGameEnd) {
        FinishGame(61000, whileShown);
    } else {
        DealWithPenalty(true);
        DuringPause(whileShown);
        Click(PenaltyCard());
    }
    ASSERT_TRUE(ran);
    Main().showNormal();
    EXPECT_EQ(window->isVisible(), c.Opens != Penalty);
}
INSTANTIATE_TEST_SUITE_P(Cases, GoesWithTheGame,
                         ::testing::Values(TAwayCase{"RankingFromItsButton", RankButton, false},
                                           TAwayCase{"RankingWaitingForAName", RankAtGameEnd,
                                                     false},
                                           TAwayCase{"PenaltyPause", Penalty, false},
                                           TAwayCase{"PenaltyPauseEndsMeanwhile", Penalty, true}),
                         CaseName);
} // namespace
