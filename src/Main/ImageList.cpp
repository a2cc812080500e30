#include "Main/ImageList.h"

#include "Main/Look.h"

// Qt
#include <QImage>
#include <QPainter>

TImageList::TImageList(const QString& sheet, int w, int h, int count)
{
    const QImage source = Look::ResourceImage(sheet);
    const int columns = std::max(1, source.width() / w);
    for (int i = 0; i < count; ++i)
        Images.push_back(
            QPixmap::fromImage(source.copy((i % columns) * w, (i / columns) * h, w, h)));
}

void TImageList::Draw(QPainter& painter, int x, int y, int index) const
{
    painter.drawPixmap(x, y, Image(index));
}
