// SPDX-License-Identifier: MIT
// The caption strip on the real main window: the four drawn buttons, their
// hints, and dragging the window by the strip and the clock.

#include "TestSupport.h"
#include "Desktop.h"
// Qt
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QWindow>
// gtest
#include <gtest/gtest.h>

using namespace Test;

namespace {

TEST(CaptionHitRule, ButtonsAndTheRowBelowThemAreHits)
{
    struct TCase {
        int X, Y, Button;
    };
    for (const TCase c : {TCase{19, 10, -1},
                          {20, 2, 0},
                          {52, 34, 0},
                          {53, 10, 1},
                          {86, 35, 2},
                          {151, 35, 3},
                          {152, 10, -1},
                          {20, 1, -1},
                          {100, 36, -1}})
        EXPECT_EQ(Caption::ButtonAt(c.X, c.Y), c.Button) << c.X << "," << c.Y;
}

// Where a mouse event lands: the strip itself, the clock or the LED sign.
enum TTarget { OnStrip, OnClock, OnSign };

class Strip : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        Main().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Main()));
    }

    QWidget* Client() { return Main().ClientArea; }
    QWidget* Label() { return Main().LblTime; }
    QWidget* Sign() { return Main().LightStr1; }
    QWidget* Target(TTarget t) { return t == OnStrip ? Client() : t == OnClock ? Label() : Sign(); }

    // What the window shows on screen in button b's square.
    QImage ShownButton(int32_t b)
    {
        return OnScreen(&Main(), Caption::ButtonRect(b).translated(2, 2));
    }
    QImage ButtonImage(int32_t image)
    {
        return Main().ImageList2->Image(image).toImage().convertToFormat(QImage::Format_RGB32);
    }

    // Which caption actions have run since the game was started by a click.
    struct TActions {
        bool Exit, ReStart, Rank, Min;
        bool operator==(const TActions&) const = default;
    };
    void StartGame() { Click(SomePair(0).first); }
    TActions Ran()
    {
        return {Main().Closing, !Main().ClockStarted, W->Rank->isVisible(), Main().isMinimized()};
    }
};

struct TPressCase : TNamedCase {
    TTarget Target;  // where the press goes
    QPoint Press;    // in the receiver's coordinates
    QPoint Release;  // in client coordinates
    int32_t Pressed; // PressedButton after the press
    bool Drags;      // Dragging after the press
    int32_t Action;  // the button whose action runs, or -1
};

class StripPress : public Strip, public ::testing::WithParamInterface<TPressCase> {};

TEST_P(StripPress, ReleaseRunsThePressedButtonOnlyOverTheButtons)
{
    const TPressCase& c = GetParam();
    StartGame();
    QTest::mousePress(Target(c.Target), Qt::LeftButton, {}, c.Press);
    EXPECT_EQ(Main().PressedButton(), c.Pressed);
    EXPECT_EQ(Main().Dragging, c.Drags);
    QTest::mouseRelease(Client(), Qt::LeftButton, {}, c.Release);
    EXPECT_FALSE(Main().Dragging);
    EXPECT_EQ(Main().PressedButton(), -1);
    const TActions expected{c.Action == Caption::Exit, c.Action == Caption::ReStart,
                            c.Action == Caption::Rank, c.Action == Caption::Min};
    EXPECT_EQ(Ran(), expected);
    // Released, every button shows its normal image again.
    if (!Main().Closing && !Main().isMinimized()) {
        for (int32_t b = 0; b < 4; ++b)
            EXPECT_EQ(ShownButton(b), ButtonImage(2 * b)) << b;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StripPress,
    ::testing::Values(
        TPressCase{
            "ExitReleasedOverRanking", OnStrip, {30, 10}, {100, 10}, 0, false, Caption::Exit},
        TPressCase{"RestartReleasedOffTheButtons", OnStrip, {60, 10}, {300, 10}, 1, false, -1},
        TPressCase{"RankingOnTheRowBelow", OnStrip, {90, 35}, {90, 35}, 2, false, Caption::Rank},
        TPressCase{"MinimiseReleasedOverExit", OnStrip, {140, 20}, {21, 3}, 3, false, Caption::Min},
        TPressCase{"RightOfMinimiseDrags", OnStrip, {152, 10}, {60, 10}, -1, true, -1},
        TPressCase{"ClockInsideTheButtonBoxDrags", OnClock, {30, 10}, {60, 10}, -1, true, -1},
        TPressCase{"SignInsideTheButtonBoxDrags", OnSign, {30, 10}, {60, 10}, -1, true, -1}),
    CaseName);

TEST_F(Strip, OnlyTheLeftButtonPressesButAnyReleaseCompletes)
{
    StartGame();
    QTest::mousePress(Client(), Qt::RightButton, {}, {300, 20});
    QTest::mousePress(Client(), Qt::MiddleButton, {}, {60, 10});
    EXPECT_FALSE(Main().Dragging);
    EXPECT_EQ(Main().PressedButton(), -1);
    QTest::mouseRelease(Client(), Qt::MiddleButton, {}, {60, 10});
    QTest::mouseRelease(Client(), Qt::RightButton, {}, {300, 20});
    EXPECT_EQ(Ran(), (TActions{false, false, false, false}));

    QTest::mousePress(Client(), Qt::LeftButton, {}, {300, 20});
    QTest::mouseRelease(Client(), Qt::RightButton, {}, {300, 20});
    EXPECT_FALSE(Main().Dragging);

    QTest::mousePress(Client(), Qt::LeftButton, {}, {90, 10});
    QTest::mouseRelease(Client(), Qt::RightButton, {}, {90, 10});
    EXPECT_EQ(Ran(), (TActions{false, false, true, false}));
}

TEST_F(Strip, HeldButtonShowsPressedUntilARepaintAndStillActs)
{
    StartGame();
    for (int32_t b = 0; b < 4; ++b)
        EXPECT_EQ(ShownButton(b), ButtonImage(2 * b)) << b;
    QTest::mousePress(Client(), Qt::LeftButton, {}, {60, 10});
    EXPECT_EQ(ShownButton(1), ButtonImage(3));
    Client()->repaint();
    EXPECT_EQ(ShownButton(1), ButtonImage(2));
    QTest::mouseRelease(Client(), Qt::LeftButton, {}, {60, 10});
    EXPECT_EQ(Ran(), (TActions{false, true, false, false}));
}

TEST_F(Strip, HintFollowsThePointerAndGoesOffTheButtons)
{
    struct TStep {
        TTarget On;
        QPoint At;
        int32_t Button;
        const char* Hint;
    };
    for (const TStep s : {TStep{OnStrip, {30, 10}, 0, "終了"},
                          {OnStrip, {45, 30}, 0, "終了"},
                          {OnStrip, {60, 10}, 1, "再スタート"},
                          {OnStrip, {100, 35}, 2, "ランキング"},
                          {OnStrip, {300, 10}, -1, ""},
                          {OnStrip, {140, 10}, 3, "最小化"},
                          {OnClock, {5, 5}, -1, ""},
                          {OnStrip, {30, 10}, 0, "終了"},
                          {OnSign, {30, 10}, -1, ""}}) {
        QTest::mouseMove(Target(s.On), s.At);
        EXPECT_EQ(Main().HintButton, s.Button) << s.At.x();
        EXPECT_EQ(Client()->toolTip(), QString::fromUtf8(s.Hint)) << s.At.x();
    }
}

TEST_F(Strip, ClockIsAsWideAsItsTextOnceOnScreen)
{
    QCoreApplication::processEvents();
    const int text = Label()->fontMetrics().horizontalAdvance(QStringLiteral("TIME= 00:00"));
    EXPECT_EQ(Label()->geometry(), QRect(224, 8, text, 19));
}

TEST_F(Strip, FrameTakesNoMouseInput)
{
    for (QPoint p : {QPoint(1, 10), QPoint(25, 1), QPoint(969, 200)}) {
        QTest::mousePress(&Main(), Qt::LeftButton, {}, p);
        EXPECT_FALSE(Main().Dragging);
        EXPECT_EQ(Main().PressedButton(), -1);
        QTest::mouseRelease(&Main(), Qt::LeftButton, {}, p);
    }
}

TEST_F(Strip, DragMovesTheWindowByThePointersTravel)
{
    const QPoint start = Main().pos();
    const QPoint grip = Label()->mapToGlobal(QPoint(10, 10));
    QTest::mousePress(Label(), Qt::LeftButton, {}, {10, 10});
    // Positions are taken on the screen: the window moves under the pointer.
    for (const QPoint travel : {QPoint(40, -15), QPoint(-300, 25), QPoint(-2000, -900)}) {
        const QPoint to = grip + travel;
        QTest::mouseMove(Label(), Label()->mapFromGlobal(to));
        EXPECT_EQ(Main().pos(), start + travel);
    }
    QTest::mouseRelease(Label(), Qt::LeftButton, {}, Label()->mapFromGlobal(grip));
    EXPECT_FALSE(Main().Dragging);
}

// Where a compositor moves the window: it is asked only once the pointer moves
// with the button held, never for a bare click, and a release that reaches
// the game after the ask cancels a move the compositor may be about to start.
struct THandOverCase : TNamedCase {
    bool Moves, Held, Takes; // a move, with the button held; the compositor takes it
    int Asks, Cancels;
    QPoint Travel; // what the game moved the window by itself
};
class StripHandOver : public Strip, public ::testing::WithParamInterface<THandOverCase> {
protected:
    void TearDown() override { Platform::SetCompositorStandIn({}); }
};

TEST_P(StripHandOver, OnlyAMoveWithTheButtonHeldIsHandedOver)
{
    const THandOverCase& c = GetParam();
    int asks = 0, cancels = 0;
    Platform::SetCompositorStandIn(
        {[&](QWidget*) { return ++asks, c.Takes; }, [&](QWidget*) { ++cancels; }});
    const QPoint start = Main().pos();
    // As the window system sends them, at screen points on the LED sign.
    QWindow* w = Main().windowHandle();
    const QPointF press = Sign()->mapToGlobal(QPointF(10, 10));
    const QPointF to = c.Moves ? press + QPointF(30, 20) : press;
    const auto send = [w](QPointF at, Qt::MouseButtons held, Qt::MouseButton b, QEvent::Type t) {
        qt_handleMouseEvent(w, w->mapFromGlobal(at), at, held, b, t, {}, 0);
    };
    send(press, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
    if (c.Moves)
        send(to, c.Held ? Qt::LeftButton : Qt::NoButton, Qt::NoButton, QEvent::MouseMove);
    EXPECT_EQ(asks, c.Asks);
    send(to, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
    EXPECT_EQ(cancels, c.Cancels);
    EXPECT_EQ(Main().pos() - start, c.Travel);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StripHandOver,
    ::testing::Values(THandOverCase{"BareClick", false, false, true, 0, 0, {}},
                      THandOverCase{"MoveWithTheButtonHeld", true, true, true, 1, 1, {}},
                      THandOverCase{
                          "MoveAfterItsReleaseWentElsewhere", true, false, true, 0, 0, {}},
                      THandOverCase{"CompositorRefuses", true, true, false, 1, 0, {30, 20}}),
    CaseName);

} // namespace
