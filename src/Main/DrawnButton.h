// SPDX-License-Identifier: MIT
#pragma once
// Image buttons that a window draws itself from the caption images (image 2b
// button b normal, 2b + 1 pressed): the caption strip's four and the ranking
// window's close button. How an image is shown at once outside a paint
// cycle, and the rule of a press: held and shown pressed from the press, run
// only when the release comes over a button.

// Qt
#include <QPoint>
// std
#include <cstdint>
#include <functional>

class QPainter;
class QWidget;
class TImageList;

// The side of a caption image, in logical pixels.
constexpr int32_t ButtonImageSize = 33;

class TDrawnButtons {
public:
    // Buttons drawn on `surface` from the list that `images` gives, button b
    // with its top-left corner at `placeOf(b)`.
    TDrawnButtons(QWidget* surface, std::function<const TImageList&()> images,
                  std::function<QPoint(int32_t)> placeOf);

    // Draws button b normal or pressed. Inside the surface's Paint() it goes
    // to that painter; anywhere else it is on screen at once: the surface
    // repaints the button's square now, drawing what it always draws, and
    // then this image over it.
    void Draw(int32_t b, bool normal);
    // The surface's paint handler: runs `paintAll` with its Draw() calls
    // going to `painter`, then draws the image being shown at once, if any.
    void Paint(QPainter& painter, const std::function<void()>& paintAll);

    // A press that hits button b (-1: none) holds it and shows it pressed.
    void Press(int32_t b);
    // A release ends the press: the held button is shown normal and let go,
    // before anything runs, so that a later release cannot run it again even
    // when its action fails. Returns it when the release is `overAButton`,
    // for the caller to run; otherwise, and with nothing held, -1.
    int32_t Release(bool overAButton);

    // The button held down, or -1.
    int32_t Held() const { return HeldButton; }
    bool Holding() const { return HeldButton >= 0; }

private:
    int32_t HeldButton = -1;
    QWidget* Surface;
    std::function<const TImageList&()> Images;
    std::function<QPoint(int32_t)> PlaceOf;
    QPainter* Painter = nullptr;
    int32_t ImmediateButton = -1;
    int ImmediateImage = -1;
};
