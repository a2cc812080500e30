// SPDX-License-Identifier: MIT
#pragma once
// A list of equally sized images cut from one sheet, drawn by index; on a
// screen scaled by 2 or more from a sheet drawn at twice the size.

// Qt
#include <QPixmap>
#include <QString>
// std
#include <vector>

class QPainter;

class TImageList {
public:
    // Cuts `count` cells of w x h from `sheet`, left to right, then row by
    // row. `sheet2x`, when given, holds the same cells at twice the size; it
    // is read when first drawn on a scaled screen.
    TImageList(const QString& sheet, int w, int h, int count, const QString& sheet2x = {});

    int Count() const { return static_cast<int>(Images.size()); }
    // Image `index` at its own size.
    const QPixmap& Image(int index) const { return Images.at(static_cast<size_t>(index)); }
    // Draws image `index` opaque at its own size with its top-left corner at
    // (x, y), in the detail the painter's device shows.
    void Draw(QPainter& painter, int x, int y, int index) const;

private:
    static std::vector<QPixmap> Cut(const QString& sheet, int w, int h, int count);

    int W, H;
    std::vector<QPixmap> Images;
    QString Sheet2x;
    mutable std::vector<QPixmap> Images2x;
};
