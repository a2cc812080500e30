// SPDX-License-Identifier: MIT
// The main window's game: the deal, the board, a turn with its penalty
// pause, and the running clock.
#include "Main.h"

#include "Look.h"
#include "Timings.h"
#include "TimeFormat.h"
#include "Clock.h"
#include "Platform.h"
#include "Rank.h"
#include "StopForm.h"
// Qt
#include <QLabel>
#include <QTimer>

namespace {
const QString ClockPrefix = QStringLiteral("TIME= ");
} // namespace

// ---- the deal and the board -----------------------------------------------

void TForm1::SetClockText(int32_t ms)
{
    LblTime->setText(ClockPrefix + FormatClockTime(ms));
    Look::FitToText(LblTime, ClockFontPx);
}

void TForm1::NewGame()
{
    SetClockText(0);
    DealFaces(Cards, GameRandom(), PictureCount);
    ClearRankTimes(Ranking);
    ClockStarted = false;
    Timer1->stop();
    FirstCard = -1;
    PairsFound = 0;
    ShuffleCards();
}

void TForm1::ShuffleCards()
{
    ::ShuffleCards(Cards, Grid, GameRandom());
}

void TForm1::BtnReStartClick()
{
    // Cleared again by NewGame: harmless, and kept as the restart has always done it.
    FirstCard = -1;
    NewGame();
    DrawBoard();
}

void TForm1::DrawBoard()
{
    ImgArea->update();
    ImgArea->FillRect({0, 0, ImgArea->width(), ImgArea->height()}, BoardColour);
    for (int32_t n = 1; n <= Board::CardCount; ++n)
        DrawCard(n, Cards[n].Opened ? Cards[n].Picture : Board::BackPicture);
}

void TForm1::DrawCard(int32_t n, int32_t picture)
{
    ImgArea->CopyRect(Cards[n].Rect, CardImages, SourceRects.at(static_cast<size_t>(picture)));
}

void TForm1::RepaintCardNow(int32_t n)
{
    const TRect& r = Cards[n].Rect;
    ImgArea->repaint(r.Left, r.Top, r.Width(), r.Height());
}

// ---- turning cards --------------------------------------------------------

void TForm1::ImgAreaMouseDown(Qt::MouseButton, int X, int Y)
{
    // Also while they are away with the minimised game.
    if (Form3 && Form3->Shown())
        return;
    if (Form2 && Form2->Shown())
        return;
    if (RankSaving)
        return;
    const auto cell = Board::CellAt(X, Y);
    if (!cell)
        return;
    if (!ClockStarted) {
        ClockStarted = true;
        StartTick = Platform::TickCount();
        Timer1->start();
    }
    OpenCard(cell->Col, cell->Row);
}

void TForm1::OpenCard(int32_t Col, int32_t Row)
{
    const int32_t n = Grid[static_cast<size_t>(Col)][static_cast<size_t>(Row)];
    if (Cards[n].Opened)
        return;

    if (Cards[n].Picture == Board::PenaltyPicture) {
        DrawCard(n, Board::PenaltyPicture);
        RepaintCardNow(n);
        Platform::Sleep(Turn::PenaltyFaceMs);
        PenaltyEndTick = Platform::TickAdd(Platform::TickCount(), Turn::PenaltyPauseMs);
        Form2->SetBarPosition(Turn::PenaltyPauseMs);
        Form2->ShowPenalty();
        // Sleeps until the next event; the exit command moves the end time
        // into the past, and a timer wakes the wait when it is due.
        Platform::WaitUntil(
            [this] { return Platform::TickDiff(Platform::TickCount(), PenaltyEndTick) >= 0; },
            [this] { return Platform::TickDiff(PenaltyEndTick, Platform::TickCount()); });
        Form2->hide();
        if (Closing)
            return;
        DrawCard(n, Board::BackPicture);
        if (FirstCard != -1) {
            Cards[FirstCard].Opened = false;
            DrawCard(FirstCard, Board::BackPicture);
            FirstCard = -1;
        }
        return;
    }

    if (FirstCard == -1) {
        FirstCard = n;
        FirstPicture = Cards[n].Picture;
        DrawCard(n, Cards[n].Picture);
        RepaintCardNow(n);
        Cards[n].Opened = true;
        return;
    }

    DrawCard(n, Cards[n].Picture);
    RepaintCardNow(n);
    if (Cards[n].Picture == FirstPicture) {
        PairMatched(FirstCard, n);
        ++PairsFound;
        Cards[n].Opened = true;
        if (PairsFound >= Board::Pairs) {
            ElapsedMs = Platform::TickDiff(Platform::TickCount(), StartTick);
            Timer1->stop();
            EnterRanking();
            NewGame();
            DrawBoard();
        }
    } else {
        Platform::Sleep(Turn::MismatchMs);
        Cards[FirstCard].Opened = false;
        DrawCard(FirstCard, Board::BackPicture);
        DrawCard(n, Board::BackPicture);
    }
    FirstCard = -1;
}

// Empty on purpose: every matched pair passes here, the place for a pair's own effect.
void TForm1::PairMatched(int32_t, int32_t) {}

// ---- the clock --------------------------------------------------------------

void TForm1::Timer1Timer()
{
    SetClockText(Platform::TickDiff(Platform::TickCount(), StartTick));
    if (Form2 && Form2->Shown())
        Form2->SetBarPosition(Platform::TickDiff(PenaltyEndTick, Platform::TickCount()));
}
