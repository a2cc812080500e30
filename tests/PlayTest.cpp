// SPDX-License-Identifier: MIT
// Playing on the real main window: turning, matching, the penalty pause and
// the clock, with a seeded deal and a clock the test drives; the deal the
// main window makes.

#include "TestSupport.h"
#include "Random.h"
// Qt
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
// gtest
#include <gtest/gtest.h>

using namespace Test;

namespace {

// The pictures of cards 1 to 45 (index 0 unused) after a deal from `seed`,
// worked out here from the rules of the deal, not with the game's code.
std::vector<int32_t> DealByTheRules(uint32_t seed, int32_t pictureCount)
{
    const auto random = [&seed](int32_t n) {
        seed = seed * 134775813u + 1u;
        return int32_t((uint64_t(seed) * uint64_t(n)) >> 32);
    };
    std::vector<int32_t> faces(size_t(pictureCount) + 1, 0);
    for (int32_t i = 1; i <= pictureCount - 1; ++i)
        faces[size_t(i)] = i + 1;
    for (int32_t j = 1; j <= pictureCount - 1; ++j) {
        const int32_t k = random(pictureCount - 1) + 1;
        if (k != j)
            std::swap(faces[size_t(j)], faces[size_t(k)]);
    }
    const int32_t r = random(3);
    if (pictureCount == 23 || r == 1)
        faces[23] = 1;
    std::vector<int32_t> cards(46, 0);
    for (int32_t k = 1; k <= 45; ++k)
        cards[size_t(k)] = faces[size_t((k - 1) / 2 + 1)];
    for (int pass = 0; pass < 2; ++pass)
        for (int32_t i = 1; i <= 45; ++i) {
            const int32_t j = random(45) + 1;
            if (j != i)
                std::swap(cards[size_t(i)], cards[size_t(j)]);
        }
    return cards;
}

std::vector<int32_t> DealtPictures(const TForm1& form)
{
    std::vector<int32_t> cards(46, 0);
    for (int32_t n = 1; n <= 45; ++n)
        cards[size_t(n)] = form.Cards[n].Picture;
    return cards;
}

class Play : public GameTest {};

TEST_F(Play, FirstAcceptedClickStartsTheClock)
{
    EXPECT_FALSE(Main().ClockStarted);
    Clock.Advance(5000);
    const auto [a, b] = SomeMismatch();
    Click(a);
    EXPECT_TRUE(Main().ClockStarted);
    EXPECT_EQ(Main().StartTick, Clock.Now);
    EXPECT_TRUE(Main().Timer1->isActive());
    EXPECT_EQ(Main().FirstCard, a);
    EXPECT_EQ(Shown(a), Main().Cards[a].Picture);
    // A later click does not restart it.
    const int32_t start = Main().StartTick;
    Clock.Advance(1000);
    Click(b);
    EXPECT_EQ(Main().StartTick, start);
}

TEST_F(Play, PenaltyCardAsFirstClickStartsTheClockToo)
{
    DealWithPenalty(true);
    const int32_t p = PenaltyCard();
    const int32_t clickTick = Clock.Now;
    EndPauseAfter();
    Click(p);
    EXPECT_TRUE(Main().ClockStarted);
    EXPECT_EQ(Main().StartTick, clickTick);
    EXPECT_TRUE(Main().Timer1->isActive());
}

TEST_F(Play, ClicksInGapsMarginsOrDuringAPenaltyChangeNothing)
{
    for (QPoint p : {QPoint(3, 40), QPoint(50, 2), QPoint(108, 40), QPoint(50, 87),
                     QPoint(955, 200), QPoint(959, 429), QPoint(500, 427)})
        ClickAt(p);
    EXPECT_FALSE(Main().ClockStarted);
    EXPECT_EQ(Main().FirstCard, -1);
    for (int32_t n = 1; n <= 45; ++n)
        EXPECT_EQ(Shown(n), 0);

    // While the penalty window is up, board clicks are refused.
    W->Stop->show();
    const auto [a, b] = SomeMismatch();
    Click(a);
    EXPECT_FALSE(Main().ClockStarted);
    EXPECT_EQ(Main().FirstCard, -1);
    EXPECT_EQ(Shown(a), 0);
}

TEST_F(Play, EveryMouseButtonTurnsCards)
{
    const auto [a, b] = SomePair(0);
    const auto [c, d] = SomePair(1);
    Click(a, Qt::RightButton);
    Click(b, Qt::MiddleButton);
    EXPECT_EQ(Main().PairsFound, 1);
    // The second press of a double click counts as a click of its own.
    QTest::mouseDClick(Main().ImgArea, Qt::LeftButton, {}, Centre(c));
    EXPECT_EQ(Main().FirstCard, c);
    Click(d, Qt::RightButton);
    EXPECT_EQ(Main().PairsFound, 2);
}

TEST_F(Play, ClicksOnTheFirstCardOrAMatchedCardChangeNothing)
{
    const auto [a, b] = SomePair(0);
    const auto [c, d] = SomePair(1);
    Click(c);
    Click(c); // a card can never match itself
    EXPECT_EQ(Main().FirstCard, c);
    EXPECT_EQ(Main().PairsFound, 0);
    EXPECT_TRUE(Clock.Sleeps.empty());
    Click(d);
    EXPECT_EQ(Main().PairsFound, 1);

    Click(c);
    Click(d);
    EXPECT_EQ(Main().FirstCard, -1);
    EXPECT_EQ(Main().PairsFound, 1);
    Click(a);
    Click(d); // a matched card as second card is ignored too
    EXPECT_EQ(Main().FirstCard, a);
    Click(b);
    EXPECT_EQ(Main().PairsFound, 2);
    EXPECT_TRUE(Clock.Sleeps.empty());
}

TEST_F(Play, MatchStaysUpAndMismatchTurnsBackAfterAPause)
{
    const auto [a, b] = SomePair(0);
    Click(b); // whichever card of a pair comes first
    Click(a);
    EXPECT_TRUE(Main().Cards[a].Opened);
    EXPECT_TRUE(Main().Cards[b].Opened);
    EXPECT_EQ(Main().PairsFound, 1);
    EXPECT_EQ(Shown(a), Main().Cards[a].Picture);
    EXPECT_EQ(Shown(b), Main().Cards[b].Picture);

    const auto [c, d] = SomeMismatch();
    std::vector<int> facesDuringPause;
    // The second face reaches the screen before the pause, not after it.
    Main().show();
    QCoreApplication::processEvents();
    TPaintCounter paints(Main().ImgArea);
    int paintsBeforePause = 0;
    Clock.OnSleep = [&](int) {
        facesDuringPause = {Shown(c), Shown(d)};
        paintsBeforePause = paints.Count;
    };
    Click(c);
    const int paintsAfterFirst = paints.Count;
    Click(d);
    EXPECT_GT(paintsBeforePause, paintsAfterFirst);
    EXPECT_EQ(Clock.Sleeps, std::vector<int>{400});
    EXPECT_EQ(facesDuringPause,
              (std::vector<int>{Main().Cards[c].Picture, Main().Cards[d].Picture}));
    EXPECT_EQ(Shown(c), 0);
    EXPECT_EQ(Shown(d), 0);
    EXPECT_FALSE(Main().Cards[c].Opened);
    EXPECT_FALSE(Main().Cards[d].Opened);
    EXPECT_EQ(Main().FirstCard, -1);
    EXPECT_EQ(Main().PairsFound, 1);
    // The matched pair is still up after a full redraw.
    Main().DrawBoard();
    EXPECT_EQ(Shown(a), Main().Cards[a].Picture);
}

TEST_F(Play, ClickDuringTheMismatchDisplayStartsTheNextTurn)
{
    const auto [c, d] = SomeMismatch();
    const int32_t e = SomePair(3).first;
    Clock.OnSleep = [&](int) {
        // Queued while the thread sleeps; handled once the pair has turned back.
        QCoreApplication::postEvent(Main().ImgArea,
                                    new QMouseEvent(QEvent::MouseButtonPress, QPointF(Centre(e)),
                                                    QPointF(Centre(e)), Qt::LeftButton,
                                                    Qt::LeftButton, Qt::NoModifier));
    };
    Click(c);
    Click(d);
    EXPECT_EQ(Main().FirstCard, -1);
    QCoreApplication::processEvents();
    EXPECT_EQ(Main().FirstCard, e);
    EXPECT_EQ(Shown(c), 0);
    EXPECT_EQ(Shown(d), 0);
    EXPECT_EQ(Shown(e), Main().Cards[e].Picture);
}

TEST_F(Play, PenaltyAsFirstCardPausesAndTurnsBack)
{
    DealWithPenalty(true);
    const int32_t p = PenaltyCard();
    bool windowUp = false;
    int faceDuringSleep = -1;
    Main().show();
    QCoreApplication::processEvents();
    TPaintCounter paints(Main().ImgArea);
    int paintsBeforeSleep = 0;
    Clock.OnSleep = [&](int) {
        faceDuringSleep = Shown(p);
        paintsBeforeSleep = paints.Count;
    };
    DuringPause([&] {
        windowUp = W->Stop->isVisible();
        Clock.Advance(2000);
    });
    const int32_t before = Clock.Now;
    Click(p);
    EXPECT_EQ(Clock.Sleeps, std::vector<int>{300});
    EXPECT_EQ(faceDuringSleep, Board::PenaltyPicture);
    EXPECT_GT(paintsBeforeSleep, 0); // shown on screen before the sleep
    EXPECT_TRUE(windowUp);
    EXPECT_FALSE(W->Stop->isVisible());
    EXPECT_EQ(Main().PenaltyEndTick, before + 300 + 2000);
    EXPECT_EQ(Shown(p), 0);
    EXPECT_FALSE(Main().Cards[p].Opened);
    EXPECT_EQ(Main().FirstCard, -1);
    // The penalty card can be hit again, and costs another pause.
    EndPauseAfter();
    Click(p);
    EXPECT_EQ(Clock.Sleeps, (std::vector<int>{300, 300}));
}

TEST_F(Play, PenaltyAsSecondCardTurnsTheFirstBackAndCountsNoPair)
{
    DealWithPenalty(true);
    const auto [a, b] = SomePair(0);
    Click(a);
    Click(b);
    const auto [c, d] = SomePair(0);
    Click(c);
    EndPauseAfter();
    Click(PenaltyCard());
    EXPECT_EQ(Main().PairsFound, 1);
    EXPECT_EQ(Main().FirstCard, -1);
    EXPECT_FALSE(Main().Cards[c].Opened);
    EXPECT_EQ(Shown(c), 0);
    EXPECT_EQ(Shown(PenaltyCard()), 0);
    EXPECT_EQ(Shown(a), Main().Cards[a].Picture); // the matched pair stays
    // c's partner does not match a card that went back.
    Click(d);
    EXPECT_EQ(Main().FirstCard, d);
    EXPECT_EQ(Main().PairsFound, 1);
}

TEST_F(Play, ClickQueuedDuringThePenaltyFaceMeetsThePenaltyWindow)
{
    // Handled after the 300 ms sleep, while the penalty window is up: refused.
    DealWithPenalty(true);
    const int32_t other = SomePair(0).first;
    Clock.OnSleep = [&](int) {
        QCoreApplication::postEvent(
            Main().ImgArea, new QMouseEvent(QEvent::MouseButtonPress, QPointF(Centre(other)),
                                            QPointF(Centre(other)), Qt::LeftButton, Qt::LeftButton,
                                            Qt::NoModifier));
        QTimer::singleShot(0, Main().ImgArea, [this] { Clock.Advance(2000); });
    };
    Click(PenaltyCard());
    QCoreApplication::processEvents();
    EXPECT_EQ(Main().FirstCard, -1);
    EXPECT_EQ(Shown(other), 0);
}

TEST_F(Play, PenaltyBarStartsFullFallsEachTickAndShowsNegativeAsEmpty)
{
    DealWithPenalty(true);
    std::vector<int> bar;
    const auto tick = [&](int ms) {
        Clock.Advance(ms);
        Main().Timer1Timer();
        bar.push_back(W->Stop->Bar->value());
    };
    DuringPause([&] {
        bar.push_back(W->Stop->Bar->value());
        tick(200);
        tick(200);
        tick(1605); // just past the end: a slightly negative position
    });
    Click(PenaltyCard());
    EXPECT_EQ(bar, (std::vector<int>{2000, 1800, 1600, 0}));
    EXPECT_EQ(W->Stop->Bar->minimum(), 0);
    EXPECT_EQ(W->Stop->Bar->maximum(), 2000);
    // The clock label kept counting through the pause.
    EXPECT_EQ(Main().LblTime->text(), QStringLiteral("TIME= 00:02"));

    // The next pause starts full again.
    bar.clear();
    DuringPause([&] {
        bar.push_back(W->Stop->Bar->value());
        Clock.Advance(2000);
    });
    Click(PenaltyCard());
    EXPECT_EQ(bar, std::vector<int>{2000});
}

TEST_F(Play, GameAndPenaltyPauseRunAcrossTheWrapOfTheTickCount)
{
    // After 24.8 days of uptime the tick count passes INT32_MAX and goes on
    // from INT32_MIN: the pause still lasts two seconds and times stay right.
    DealWithPenalty(true);
    Clock.Now = INT32_MAX - 500;
    const auto [a, b] = SomePair(0);
    Click(a);
    Click(b);
    bool upMidPause = false;
    int barMidPause = -1;
    DuringPause([&] {
        Clock.Advance(1000); // past the wrap
        Main().Timer1Timer();
        upMidPause = W->Stop->isVisible();
        barMidPause = W->Stop->Bar->value();
        DuringPause([&] { Clock.Advance(1000); });
    });
    Click(PenaltyCard());
    EXPECT_TRUE(upMidPause);
    EXPECT_EQ(barMidPause, 1000);
    EXPECT_EQ(Main().LblTime->text(), QStringLiteral("TIME= 00:01")); // 1300 ms
    EXPECT_FALSE(W->Stop->isVisible());
    for (int i = 1; i < 22; ++i) {
        const auto [c, d] = SomePair(0);
        Click(c);
        if (i == 21)
            QTimer::singleShot(0, Main().ImgArea, [this] { W->Rank->hide(); });
        Click(d);
    }
    EXPECT_EQ(Main().ElapsedMs, 300 + 2000);
    EXPECT_LT(Clock.Now, 0); // the counter did wrap during the game
}

TEST_F(Play, RestartDuringAPenaltyLeavesTheWindowUpWithAFrozenBar)
{
    DealWithPenalty(true);
    const int32_t p = PenaltyCard();
    const auto [a, b] = SomePair(0);
    Click(a);
    bool upAfterRestart = false;
    bool timerAfterRestart = true;
    DuringPause([&] {
        Clock.Advance(400);
        Main().Timer1Timer();
        ClickCaption(Caption::ReStart);
        upAfterRestart = W->Stop->isVisible();
        timerAfterRestart = Main().Timer1->isActive();
        Clock.Advance(1600);
    });
    Click(p);
    EXPECT_TRUE(upAfterRestart);
    EXPECT_FALSE(timerAfterRestart);
    EXPECT_EQ(W->Stop->Bar->value(), 1600); // frozen at the last tick before the restart
    EXPECT_FALSE(W->Stop->isVisible());
    // The new board is untouched: all face down, no turn open, clock waiting.
    EXPECT_EQ(Main().FirstCard, -1);
    EXPECT_FALSE(Main().ClockStarted);
    EXPECT_EQ(Main().LblTime->text(), QStringLiteral("TIME= 00:00"));
    for (int32_t n = 1; n <= 45; ++n) {
        EXPECT_FALSE(Main().Cards[n].Opened);
        EXPECT_EQ(Shown(n), 0) << n;
    }
}

TEST_F(Play, ExitDuringAPenaltyHidesTheWindowAtOnceAndLeavesTheBoard)
{
    DealWithPenalty(true);
    Main().show();
    const int32_t p = PenaltyCard();
    const auto [a, b] = SomePair(0);
    Click(a);
    bool hiddenAtOnce = false;
    int32_t plannedEnd = 0;
    DuringPause([&] {
        plannedEnd = Main().PenaltyEndTick;
        ClickCaption(Caption::Exit);
        hiddenAtOnce = !W->Stop->isVisible();
    });
    Click(p);
    EXPECT_TRUE(hiddenAtOnce);
    EXPECT_TRUE(Main().Closing);
    EXPECT_FALSE(Main().isVisible());
    EXPECT_TRUE(Platform::TerminateRequested());
    // The board stays as drawn: the penalty face and the first card are up.
    EXPECT_EQ(Shown(p), Board::PenaltyPicture);
    EXPECT_EQ(Shown(a), Main().Cards[a].Picture);
    EXPECT_EQ(Main().FirstCard, a);
    // The pause ended without the clock reaching its end.
    EXPECT_LT(Clock.Now, plannedEnd);
}

TEST_F(Play, PenaltyPauseEndsOnTimeWithoutAnyInput)
{
    // On the real clock, with the clock timer stopped by a restart: only the
    // wait's own wake-up can end the pause on time.
    Platform::SetClock(nullptr);
    DealWithPenalty(true);
    QTimer::singleShot(400, Main().ImgArea, [this] { Main().BtnReStartClick(); });
    // An event long after the pause's end, in case nothing else wakes it.
    QTimer::singleShot(6000, Main().ImgArea, [] {});
    QElapsedTimer wall;
    wall.start();
    Click(PenaltyCard());
    EXPECT_GE(wall.elapsed(), 2290);
    EXPECT_LT(wall.elapsed(), 2700);
    EXPECT_FALSE(W->Stop->isVisible());
}

TEST_F(Play, ExitDuringAPenaltyEndsTheRunningProgram)
{
    // The same, inside the program's own message loop and on the real clock.
    Platform::SetClock(nullptr);
    DealWithPenalty(true);
    Main().show();
    QTimer::singleShot(0, Main().ImgArea, [this] { Click(PenaltyCard()); });
    QTimer::singleShot(900, Main().ImgArea, [this] { Main().BtnExitClick(); });
    QElapsedTimer wall;
    wall.start();
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_LT(wall.elapsed(), 2000); // the pause was cut short
    EXPECT_FALSE(W->Stop->isVisible());
    EXPECT_EQ(Shown(PenaltyCard()), Board::PenaltyPicture);
}

TEST_F(Play, TwentySecondPairEndsTheGameAndDealsAFreshBoard)
{
    Clock.Advance(1000);
    int rankingShown = 0;
    bool boardFinishedMeanwhile = false;
    FinishGame(33000, [&] {
        rankingShown += W->Rank->isVisible() ? 1 : 0;
        // The finished board stays visible behind the ranking window.
        boardFinishedMeanwhile = true;
        for (int32_t n = 1; n <= 45; ++n)
            boardFinishedMeanwhile &=
                (Shown(n) != 0) == (CardsWith(Main().Cards[n].Picture).size() == 2);
        EXPECT_FALSE(Main().Timer1->isActive());
        EXPECT_EQ(Main().ElapsedMs, 33000);
        W->Rank->hide();
    });
    EXPECT_EQ(rankingShown, 1);
    EXPECT_TRUE(boardFinishedMeanwhile);
    EXPECT_EQ(Main().ElapsedMs, 33000);
    EXPECT_FALSE(Main().Timer1->isActive());
    EXPECT_FALSE(Main().ClockStarted);
    EXPECT_EQ(Main().FirstCard, -1);
    EXPECT_EQ(Main().PairsFound, 0);
    EXPECT_EQ(Main().LblTime->text(), QStringLiteral("TIME= 00:00"));
    for (int32_t n = 1; n <= 45; ++n) {
        EXPECT_FALSE(Main().Cards[n].Opened);
        EXPECT_EQ(Shown(n), 0);
    }
    // The next click starts a new clock.
    Clock.Advance(700);
    Click(SomePair(0).first);
    EXPECT_TRUE(Main().ClockStarted);
    EXPECT_EQ(Main().StartTick, Clock.Now);
}

TEST_F(Play, ClockLabelKeepsItsLastTickWhenTheGameEnds)
{
    DealWithPenalty(false);
    QString shownAtEnd;
    for (int i = 0; i < 22; ++i) {
        const auto [a, b] = SomePair(0);
        Click(a);
        if (i == 0) {
            Clock.Advance(61999);
            Main().Timer1Timer();
            Clock.Advance(20000);
        }
        if (i == 21)
            QTimer::singleShot(0, Main().ImgArea, [&] {
                shownAtEnd = Main().LblTime->text();
                W->Rank->hide();
            });
        Click(b);
    }
    EXPECT_EQ(Main().ElapsedMs, 81999);
    EXPECT_EQ(shownAtEnd, QStringLiteral("TIME= 01:01"));
}

TEST_F(Play, LoneFaceNeverMatches)
{
    DealWithPenalty(false);
    int32_t lone = 0;
    for (int32_t n = 1; n <= 45; ++n)
        if (CardsWith(Main().Cards[n].Picture).size() == 1)
            lone = n;
    ASSERT_NE(lone, 0);
    const auto [a, b] = SomePair(0);
    Click(lone);
    Click(a);
    EXPECT_EQ(Clock.Sleeps, std::vector<int>{400});
    EXPECT_EQ(Main().PairsFound, 0);
}

// The main window deals exactly as the rules say, card for card.
class WindowDeal : public GameTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(WindowDeal, FollowsTheRulesCardForCard)
{
    Deal(GetParam());
    EXPECT_EQ(DealtPictures(Main()), DealByTheRules(GetParam(), 31));
}

INSTANTIATE_TEST_SUITE_P(Seeds, WindowDeal, ::testing::Values(0u, 1u, 4242u, 0xFFFFFFFFu));

TEST(Seeding, FirstDealIsSeededFromTheTimeOfDay)
{
    TScratchDir dir;
    WriteStrip(32);
    TTestClock clock;
    for (QTime t : {QTime(12, 34, 56, 789), QTime(23, 59, 59, 999), QTime(12, 34, 56, 789)}) {
        clock.UtcTime = t;
        const TWindows w;
        const auto seed =
            uint32_t(((t.hour() * 60 + t.minute()) * 60 + t.second()) * 1000 + t.msec());
        EXPECT_EQ(DealtPictures(*w.Main), DealByTheRules(seed, 31)) << t.toString().toStdString();
    }
}

} // namespace
