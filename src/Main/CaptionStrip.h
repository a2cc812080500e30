// SPDX-License-Identifier: MIT
#pragma once
// The main window's caption strip: the band above the board that stands in
// for a title bar. Four drawn buttons (exit, restart, ranking, minimise) with
// hints; every other point of the strip, the clock and the LED sign drag the
// window.

#include "DrawnButton.h"
// Qt
#include <QRect>
#include <QString>
#include <QWidget>
// std
#include <array>
#include <cstdint>

class TForm1;

namespace Caption {
constexpr int32_t ButtonCount = 4;
constexpr int32_t ButtonSize = ButtonImageSize;
constexpr int32_t ButtonLeft = 20, ButtonTop = 2;
// The hit box reaches one row below the images (row 35) and ends at the
// last column of the minimise button.
constexpr int32_t HitRight = 151, HitBottom = 35;
// Button numbers, left to right.
constexpr int32_t Exit = 0, ReStart = 1, Rank = 2, Min = 3;
// Rows 0 to 36 of the client area; the board starts below.
constexpr int32_t StripHeight = 37;
// Width of the frame around the client area, in the window colour.
constexpr int32_t FrameWidth = 2;

// The button under client point (x, y) of the main window, or -1.
constexpr int32_t ButtonAt(int32_t x, int32_t y)
{
    if (x < ButtonLeft || x > HitRight || y < ButtonTop || y > HitBottom)
        return -1;
    return (x - ButtonLeft) / ButtonSize;
}

// The square that button b's image covers.
constexpr QRect ButtonRect(int32_t b)
{
    return {ButtonLeft + ButtonSize * b, ButtonTop, ButtonSize, ButtonSize};
}

// The hint of each button.
inline const std::array<QString, ButtonCount> Hints = {
    QStringLiteral("終了"), QStringLiteral("再スタート"), QStringLiteral("ランキング"),
    QStringLiteral("最小化")};
} // namespace Caption

// The main window's client area, inside its frame: it holds the strip and the
// board, paints the caption buttons and hands its mouse events to the strip's
// handlers as events of the main window itself.
class TClientArea : public QWidget {
    Q_OBJECT
public:
    explicit TClientArea(TForm1* form);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TForm1* Form;
};
