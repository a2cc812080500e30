// SPDX-License-Identifier: MIT
#pragma once
// The card board's image control.

#include "Types.h"
// Qt
#include <QImage>
#include <QWidget>

class QMouseEvent;
class QPaintEvent;

// The board's red, wherever no card lies.
constexpr QRgb BoardColour = qRgb(255, 0, 0);

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
