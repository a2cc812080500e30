// SPDX-License-Identifier: MIT
#include "BoardImage.h"

#include "Platform.h"
// Qt
#include <QMouseEvent>
#include <QPainter>
// std
#include <algorithm>
#include <cstring>

TBoardImage::TBoardImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage& TBoardImage::Canvas()
{
    if (Bitmap.isNull()) {
        Bitmap = QImage(size(), QImage::Format_RGB888);
        Bitmap.fill(Qt::white);
    }
    return Bitmap;
}

void TBoardImage::CopyRect(const TRect& dest, const QImage& source, const TRect& sourceRect)
{
    QImage& canvas = Canvas();
    // Same format on both sides and no scaling: a row copy, clipped to both images.
    const int w = std::min({dest.Width(), sourceRect.Width(), canvas.width() - dest.Left,
                            source.width() - sourceRect.Left});
    const int h = std::min({dest.Height(), sourceRect.Height(), canvas.height() - dest.Top,
                            source.height() - sourceRect.Top});
    if (w <= 0 || h <= 0 || dest.Left < 0 || dest.Top < 0 || sourceRect.Left < 0 ||
        sourceRect.Top < 0)
        return;
    Q_ASSERT(source.format() == QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        std::memcpy(canvas.scanLine(dest.Top + y) + dest.Left * 3,
                    source.constScanLine(sourceRect.Top + y) + sourceRect.Left * 3,
                    static_cast<size_t>(w) * 3);
    update(dest.Left, dest.Top, dest.Width(), dest.Height());
}

void TBoardImage::FillRect(const TRect& dest, QRgb colour)
{
    QPainter p(&Canvas());
    p.fillRect(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()), QColor(colour));
    update(dest.Left, dest.Top, dest.Width(), dest.Height());
}

void TBoardImage::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    // Red only where the bitmap does not reach (before the first drawing).
    if (!Bitmap.rect().contains(event->rect()))
        p.fillRect(event->rect(), QColor(BoardColour));
    if (!Bitmap.isNull())
        p.drawImage(event->rect().topLeft(), Bitmap, event->rect());
}

void TBoardImage::mousePressEvent(QMouseEvent* event)
{
    // Every button counts, and so does the second press of a double click
    // (QWidget hands double clicks to this handler).
    const QPoint pos = Platform::PixelAt(this, event);
    emit MouseDown(event->button(), pos.x(), pos.y());
}
