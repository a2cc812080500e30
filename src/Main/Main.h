// SPDX-License-Identifier: MIT
#pragma once
// The main window: caption strip with the clock, and the card board below it.
// It owns the whole game state.

#include "BoardImage.h"
#include "Deal.h"
#include "DrawnButton.h"
#include "ImageList.h"
#include "RankFile.h"
#include "LightStr.h"
// Qt
#include <QImage>
#include <QPoint>
#include <QWidget>
// std
#include <cstdint>
#include <memory>
#include <vector>

class QLabel;
class QMouseEvent;
class QScrollArea;
class QTimer;
class TClientArea;

// The main window's fit to its board: the client area reaches this far past
// the last card's right and bottom edges (the board's scroll area with its
// frame, and the caption strip above it).
namespace Fit {
constexpr int32_t PastRight = 12;
constexpr int32_t PastBottom = 47;
} // namespace Fit

// The pixel height of the clock's font, which its label is fitted to.
constexpr int ClockFontPx = 19;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- the game (Turn.cpp) ----
    // Deals a new game and resets the turn and the clock; does not draw.
    void NewGame();
    // Permutes the card records and lays them onto the grid.
    void ShuffleCards();
    // Redraws the whole board from Cards.
    void DrawBoard();
    // Plays one click on the cell (col, row).
    void OpenCard(int32_t Col, int32_t Row);
    // Called on every match, before the pair is counted.
    void PairMatched(int32_t First, int32_t Second);
    // Board mouse press, in board image pixels.
    void ImgAreaMouseDown(Qt::MouseButton Button, int X, int Y);
    // The clock's tick: the time, and the penalty bar while it shows.
    void Timer1Timer();
    void BtnReStartClick();

    // ---- the ranking (RankUpdate.cpp) ----
    // The ranking update at the end of a game: places ElapsedMs in the top
    // ten, lets the player name it in the ranking window, then saves it.
    void EnterRanking();
    // Where "Rank.Dat" is read and saved: beside the executable in a game
    // folder of its own, otherwise in the player's data folder (RankPlace.h).
    QString RankPath() const;
    void BtnRankClick();

    // ---- the window (Main.cpp) ----
    // Sizes the window and the board to the last card, within `screen`.
    void FitWindow(QSize screen);
    void BtnExitClick();
    // Runs when the minimised application is restored.
    void ApplicationRestore();
    // The LED sign's next line is about to enter: gives it its colour.
    void LightStr1LineNext(TLightStr* Sender, int32_t Index);

    // ---- the caption strip (CaptionStrip.cpp) ----
    void BtnMinClick();
    // Sender is the main window itself (its client area),
    // the clock label or the LED sign; X and Y are in the sender's client
    // coordinates. Only the main window itself can hit a caption button.
    void ImgTopMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                         int X, int Y);
    void ImgTopMouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    void ImgTopMouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                       int Y);
    // Draws caption button i normal or pressed, on screen at once.
    void DrawCaptionButton(int32_t i, bool Normal);
    // The paint handler of the client area: the four buttons, normal.
    void FormPaint();

    // Controls. The client area lies inside a 2-pixel frame; every other
    // control is its child, placed in client coordinates.
    TClientArea* ClientArea = nullptr;
    QScrollArea* ScrollArea = nullptr;
    TBoardImage* ImgArea = nullptr;
    QTimer* Timer1 = nullptr;
    QLabel* LblTime = nullptr;
    // The LED sign that loops the about-text.
    TLightStr* LightStr1 = nullptr;
    // The caption-button images, 33 x 33: 2b normal and 2b + 1 pressed.
    std::unique_ptr<TImageList> ImageList2;
    // The four caption buttons, drawn on the client area.
    TDrawnButtons CaptionButtons;
    // The caption button held down, or -1.
    int32_t PressedButton() const { return CaptionButtons.Held(); }

    // Game state.
    TCardArray Cards;
    TGrid Grid{};
    std::vector<TRect> SourceRects;
    QImage CardImages;
    int32_t FirstCard = 0;
    int32_t FirstPicture = 0;
    int32_t PairsFound = 0;
    bool Dragging = false;
    // The pointer at the start of a drag or at its last step, in screen
    // (device) pixels.
    QPoint DragOrigin;
    QString AppDir;
    bool ClockStarted = false;
    int32_t ElapsedMs = 0;
    int32_t StartTick = 0;
    int32_t PenaltyEndTick = 0;
    bool Closing = false;
    int32_t HintButton = 0;
    int32_t PictureCount = 0;
    bool RankWaiting = false;
    // The end of a game is saving its result (and may wait for another
    // copy's lock meanwhile).
    bool RankSaving = false;
    TRanking Ranking;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    bool LoadPictures();
    void DrawCard(int32_t n, int32_t picture);
    // Shows card n on screen at once, before the program pauses.
    void RepaintCardNow(int32_t n);
    void SetClockText(int32_t ms);
    // The window shows it is on screen (a click on it; its activation where
    // no restore is reported): brings back the penalty and ranking windows
    // that went with it and restarts the sign that the minimise button
    // stopped.
    void BackInSight();
    // Reads the ranking file; a missing or foreign file is an empty table.
    void ReadRanking(Platform::TFileAccess access = Platform::TFileAccess::Read);

    // The caption strip's helpers (CaptionStrip.cpp).
    friend class TClientArea;
    // Hands a mouse event of the client area, the clock or the LED sign to
    // the strip's handlers, as an event of `sender`; `receiver` is the widget
    // whose coordinates it carries.
    void CaptionMouseEvent(QObject* sender, QWidget* receiver, QMouseEvent* event);
    int32_t CaptionButtonOf(QObject* sender, int x, int y) const;
    void RunCaptionButton(int32_t b);
    void SetHintsEnabled(bool on);
    // The screen position of the pointer for the event being handled.
    QPoint CursorPos() const;

    bool Centred = false;
    // The minimise button sent the window away and it is not back yet.
    bool MinimisedByButton = false;
    QPoint EventCursorPos;
    // The same pointer in screen (device) pixels, and the buttons held.
    QPoint EventCursorPixel;
    Qt::MouseButtons EventButtons;
    // Where a drag has moved the window so far, in screen pixels.
    QPoint DragWindowPos;
    // A drag that the compositor is to take over once the pointer moves with
    // the button held.
    bool HandOverDrag = false;
    // The compositor was asked to move the window since the last press.
    bool SystemMoveAsked = false;
    QString HintText;
};

extern TForm1* Form1;
