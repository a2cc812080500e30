// SPDX-License-Identifier: MIT
#pragma once
// The card picture strip "Img.Dat": a JPEG image holding pictures of
// 100 x 80 side by side; picture 0 the back, 1 the penalty picture, then faces.

#include "Main/Types.h"
// Qt
#include <QImage>
#include <QString>
// std
#include <climits>
#include <stdexcept>
#include <vector>

namespace Strip {
constexpr int32_t PictureW = 100;
constexpr int32_t PictureH = 80;
// A strip beyond this many pixels is refused before any memory is taken.
constexpr int64_t MaxPixels = 50'000'000;
inline const QString FileName = QStringLiteral("Img.Dat");
} // namespace Strip

// Why a picture strip cannot be used; the text is the message for the player.
class TStripError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decodes a JPEG file at full size into 24-bit colour (QImage::Format_RGB888):
// RGB, greyscale, and CMYK or YCCK as image editors write them. Refuses, with
// TStripError, files that are not JPEG images, data that the decoder reports
// lost (a file or scan that ends early, corrupt entropy-coded data), other
// colour spaces, and images that are too large; harmless damage such as stray
// bytes between segments is let through. The message is the player's, in
// Japanese, naming the file as `shownName`; the decoder's own words follow on
// a last line. Only the top `maxRows` rows are decoded.
QImage DecodeJpegFile(const QString& path, const QString& shownName, int maxRows = INT_MAX);

// Decodes a card strip (its top 80 rows, all that cards show) and checks
// that a deal can be made from it.
QImage LoadCardStrip(const QString& path, const QString& shownName = Strip::FileName);

// The highest picture index of a strip of the given width.
inline int32_t PictureCountOf(int32_t width)
{
    return width / Strip::PictureW - 1;
}

// Source rectangles of pictures 0 .. pictureCount.
std::vector<TRect> MakeSourceRects(int32_t pictureCount);
