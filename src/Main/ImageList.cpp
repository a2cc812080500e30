// SPDX-License-Identifier: MIT
#include "ImageList.h"

#include "Look.h"

// Qt
#include <QImage>
#include <QPainter>

TImageList::TImageList(const QString& sheet, int w, int h, int count, const QString& sheet2x)
    : W(w), H(h), Images(Cut(sheet, w, h, count)), Sheet2x(sheet2x)
{
}

std::vector<QPixmap> TImageList::Cut(const QString& sheet, int w, int h, int count)
{
    const QImage source = Look::ResourceImage(sheet);
    const int columns = std::max(1, source.width() / w);
    std::vector<QPixmap> images;
    for (int i = 0; i < count; ++i)
        images.push_back(
            QPixmap::fromImage(source.copy((i % columns) * w, (i / columns) * h, w, h)));
    return images;
}

void TImageList::Draw(QPainter& painter, int x, int y, int index) const
{
    if (!Sheet2x.isEmpty() && painter.device()->devicePixelRatio() >= 2) {
        if (Images2x.empty()) {
            Images2x = Cut(Sheet2x, 2 * W, 2 * H, Count());
            for (QPixmap& image : Images2x)
                image.setDevicePixelRatio(2);
        }
        painter.drawPixmap(x, y, Images2x.at(static_cast<size_t>(index)));
        return;
    }
    painter.drawPixmap(x, y, Image(index));
}
