#pragma once
// A list of equally sized images cut from one sheet, drawn by index.

// Qt
#include <QPixmap>
#include <QString>
// std
#include <vector>

class QPainter;

class TImageList {
public:
    // Cuts `count` cells of w x h from `sheet`, left to right, then row by row.
    TImageList(const QString& sheet, int w, int h, int count);

    int Count() const { return static_cast<int>(Images.size()); }
    const QPixmap& Image(int index) const { return Images.at(static_cast<size_t>(index)); }
    // Draws image `index` opaque with its top-left corner at (x, y).
    void Draw(QPainter& painter, int x, int y, int index) const;

private:
    std::vector<QPixmap> Images;
};
