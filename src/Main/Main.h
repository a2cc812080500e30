// SPDX-License-Identifier: MIT
#pragma once
// The main window: caption strip with the clock, and the card board below it.
// It owns the whole game state.

#include "Main/Deal.h"
#include "Main/ImageList.h"
#include "Main/RankFile.h"
#include "LightStr/LightStr.h"
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
class QPainter;
class QScrollArea;
class QTimer;
class TClientArea;

// The board image: shows an off-screen bitmap that all board drawing goes to.
class TBoardImage : public QWidget {
    Q_OBJECT
public:
    explicit TBoardImage(QWidget* parent = nullptr);

    // The bitmap; created at the control's size by the first drawing.
    QImage& Canvas();
    // Copies a rectangle of `source` onto the bitmap at the same size and
    // marks it for repainting.
    void CopyRect(const TRect& dest, const QImage& source, const TRect& sourceRect);
    // Fills a rectangle of the bitmap and marks it for repainting.
    void FillRect(const TRect& dest, QRgb colour);

signals:
    void MouseDown(Qt::MouseButton button, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage Bitmap;
};

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

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
    // The ranking update at the end of a game: places ElapsedMs in the top
    // ten, lets the player name it in the ranking window, then saves it.
    void EnterRanking();
    // Sizes the window and the board to the last card, within `screen`.
    void FitWindow(QSize screen);
    // Where "Rank.Dat" is read and saved: beside the executable, or in the
    // player's data folder when the executable's folder cannot be written.
    QString RankPath() const;

    // Caption commands.
    void BtnExitClick();
    void BtnReStartClick();
    void BtnRankClick();
    void BtnMinClick();
    // Runs when the minimised application is restored.
    void ApplicationRestore();
    // The LED sign's next line is about to enter: gives it its colour.
    void LightStr1LineNext(TLightStr* Sender, int32_t Index);

    // The caption strip. Sender is the main window itself (its client area),
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

    // Board mouse press, in board image pixels.
    void ImgAreaMouseDown(Qt::MouseButton Button, int X, int Y);
    void Timer1Timer();

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

    // Game state.
    TCardArray Cards;
    TGrid Grid{};
    std::vector<TRect> SourceRects;
    QImage CardImages;
    int32_t FirstCard = 0;
    int32_t FirstPicture = 0;
    int32_t PairsFound = 0;
    bool Dragging = false;
    QPoint DragOrigin;
    QString AppDir;
    bool ClockStarted = false;
    int32_t ElapsedMs = 0;
    int32_t StartTick = 0;
    int32_t PenaltyEndTick = 0;
    bool Closing = false;
    int32_t PressedButton = 0;
    int32_t HintButton = 0;
    int32_t PictureCount = 0;
    bool RankWaiting = false;
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
    // The window shows it is on screen: restarts the sign that the minimise
    // button stopped, where no restore was reported.
    void BackInSight();
    // Reads the ranking file; a missing or foreign file is an empty table.
    void ReadRanking(TRankAccess access = TRankAccess::Read);

    // The caption strip's helpers (CaptionStrip.cpp).
    friend class TClientArea;
    // Hands a mouse event of the client area, the clock or the LED sign to
    // the strip's handlers, as an event of `sender`; `receiver` is the widget
    // whose coordinates it carries.
    void StripMouseEvent(QObject* sender, QWidget* receiver, QMouseEvent* event);
    int32_t CaptionButtonOf(QObject* sender, int x, int y) const;
    void RunCaptionButton(int32_t b);
    void SetHintsEnabled(bool on);
    // The screen position of the pointer for the event being handled.
    QPoint CursorPos() const;

    bool Centred = false;
    // The minimise button sent the window away and it is not back yet.
    bool MinimisedByButton = false;
    // While the client area paints: the painter that buttons are drawn with.
    QPainter* PaintCanvas = nullptr;
    // A button image that DrawCaptionButton shows at once: button and image.
    int32_t ImmediateButton = -1;
    int32_t ImmediateImage = -1;
    QPoint EventCursorPos;
    // Where a drag has moved the window so far.
    QPoint DragWindowPos;
    QString HintText;
};

extern TForm1* Form1;
