// SPDX-License-Identifier: MIT
#pragma once
// The LED sign: a control that scrolls lines of text through a dot matrix,
// one dot column per timer tick, entering at the right edge. Each line is
// rendered once into a small raster in the control's font; every pixel of
// that raster that is not pure white lights one dot. It knows nothing of the
// game and links only Qt Widgets.

// Qt
#include <QColor>
#include <QFont>
#include <QImage>
#include <QStringList>
#include <QWidget>
// std
#include <cstdint>
#include <functional>

class QTimer;

class TLightStr;
// A new line is about to enter: Index is the new ShowIndex.
using TLineNextEvent = std::function<void(TLightStr* Sender, int32_t Index)>;
// The list wraps from its last line to line 0 (looping shows only).
using TLineEofEvent = std::function<void(TLightStr* Sender)>;
// The show was switched on (True) or a stop was asked for (False).
using TShowActiveEvent = std::function<void(TLightStr* Sender, bool Active)>;

class TLightStr : public QWidget {
    Q_OBJECT
public:
    // A stopped sign of 300 x 34 pixels (the first paint trims the height to
    // 3 x ShowFontH), with no line loaded.
    explicit TLightStr(QWidget* parent = nullptr);
    ~TLightStr() override;

    // Starts the show, or resumes it where ShowStop left it; after the end of
    // a show that does not loop it starts again at line 0.
    void ShowStart();
    // Stops the show at once and keeps its place and picture.
    void ShowStop();
    // Runs one timer tick at once, exactly as the timer would while the show
    // runs (does nothing while it is stopped). Tests and benchmarks drive the
    // sign with it instead of waiting for the timer.
    void TickNow();

    // Colour of lit dots drawn from now on.
    QColor LightColor() const { return FLightColor; }
    void SetLightColor(const QColor& value);
    // Colour of unlit dots and of the lower-right pixel of lit ones.
    QColor DarkColor() const { return FDarkColor; }
    void SetDarkColor(const QColor& value);
    // Colour of the one-pixel gaps between the dots.
    QColor BackColor() const { return FBackColor; }
    void SetBackColor(const QColor& value);

    // The sign's own list of lines; the owner may append to it line by line,
    // and the sign notices the lines when it loads the next one.
    QStringList& ShowStrings() { return FShowStrings; }
    const QStringList& ShowStrings() const { return FShowStrings; }
    // Replaces the list as a whole: ShowCount follows it, ShowIndex goes back
    // to -1, and the line on display finishes before line 0 of the new list.
    void SetShowStrings(const QStringList& value);
    // The line last loaded, -1 before the first one and during a blank tail.
    int32_t ShowIndex() const { return FShowIndex; }
    // Makes the line after `value` the next to enter; ignored unless it is a
    // line of the list other than the current one.
    void SetShowIndex(int32_t value);
    // Number of lines at the last SetShowStrings (appends leave it alone).
    int32_t ShowCount() const { return FShowCount; }
    // True while the show runs.
    bool ShowActive() const { return FShowActive; }
    // Milliseconds per dot column; 0 is ignored.
    uint32_t ShowInterval() const { return FShowInterval; }
    void SetShowInterval(uint32_t value);
    // Dot rows, which is also the cell height in pixels the text is drawn
    // at; values below 1 are ignored.
    int32_t ShowFontH() const { return FShowFontH; }
    void SetShowFontH(int32_t value);
    // Whether the show starts again at line 0 after the last line, or runs
    // out blank and stops.
    bool ShowLoop() const { return FShowLoop; }
    void SetShowLoop(bool value);

    // The whole display, Width x 3 ShowFontH pixels.
    const QImage& DotImage() const { return FDotImage; }
    // The raster of the line that is entering, LineWidth x ShowFontH pixels.
    const QImage& LineImage() const { return FLineImage; }

    // Events, raised synchronously with the sign as Sender; skipped when empty.
    TLineNextEvent OnLineNext;
    TLineEofEvent OnLineEof;
    TShowActiveEvent OnShowActive;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The timer's handler: scrolls the display one dot column and draws the
    // next column of the line, loading the next line when one has entered.
    void ShowTick();
    // Moves to the next line (or the blank tail, or the end) and renders it.
    void NextLine();
    // After the last line of a show that does not loop: one blank line a
    // column wider than the display.
    void BlankTail();
    // Redraws the whole display unlit.
    void ResetDots();
    // Draws dot column `col` of the display unlit.
    void DrawUnlitColumn(int32_t col);
    // Sets the control's font to the size whose cell is ShowFontH high.
    void FitFont();
    // Gives the display a new size, keeping what fits of the old picture.
    void ResizeDots(int width, int height);

    QImage FDotImage;
    QImage FLineImage;
    QTimer* FShowTimer = nullptr;
    int32_t FLineCol = 0;
    int32_t FLineWidth = 0;
    int32_t FEntryX = 0;
    bool FDotsValid = false;
    int32_t FShowFontH = 0;
    bool FShowEnded = false;
    QColor FLightColor;
    QColor FDarkColor;
    QColor FBackColor;
    QStringList FShowStrings;
    int32_t FShowIndex = 0;
    int32_t FShowCount = 0;
    bool FShowActive = false;
    uint32_t FShowInterval = 0;
    bool FShowLoop = false;

    // The font lines are rendered in, and what it was fitted from.
    QFont FLineFont;
    QFont FFittedFont;
    int32_t FFittedH = 0;
};
