// SPDX-License-Identifier: MIT
#include "DrawnButton.h"

#include "ImageList.h"
// Qt
#include <QPainter>
#include <QWidget>
// std
#include <utility>

TDrawnButtons::TDrawnButtons(QWidget* surface, std::function<const TImageList&()> images,
                             std::function<QPoint(int32_t)> placeOf)
    : Surface(surface), Images(std::move(images)), PlaceOf(std::move(placeOf))
{
}

void TDrawnButtons::Draw(int32_t b, bool normal)
{
    const int image = 2 * b + (normal ? 0 : 1);
    const QPoint at = PlaceOf(b);
    if (Painter) {
        Images().Draw(*Painter, at.x(), at.y(), image);
        return;
    }
    ImmediateButton = b;
    ImmediateImage = image;
    struct TDone {
        TDrawnButtons* Buttons;
        ~TDone() { Buttons->ImmediateButton = Buttons->ImmediateImage = -1; }
    } done{this};
    // repaint(), not update(): the action that follows a press or release may
    // block the loop (a sleep, a message box), and the button must show first.
    Surface->repaint(at.x(), at.y(), ButtonImageSize, ButtonImageSize);
}

void TDrawnButtons::Paint(QPainter& painter, const std::function<void()>& paintAll)
{
    struct TDone {
        QPainter*& Painter;
        ~TDone() { Painter = nullptr; }
    } done{Painter};
    Painter = &painter;
    paintAll();
    if (ImmediateImage >= 0) {
        const QPoint at = PlaceOf(ImmediateButton);
        Images().Draw(painter, at.x(), at.y(), ImmediateImage);
    }
}

void TDrawnButtons::Press(int32_t b)
{
    HeldButton = b;
    if (Holding())
        Draw(b, false);
}

int32_t TDrawnButtons::Release(bool overAButton)
{
    if (!Holding())
        return -1;
    const int32_t b = std::exchange(HeldButton, -1);
    Draw(b, true);
    return overAButton ? b : -1;
}
