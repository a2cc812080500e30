// SPDX-License-Identifier: MIT
#pragma once
// The card picture strip "Img.Dat": a JPEG image holding pictures of
// 100 x 80 side by side; picture 0 the back, 1 the penalty picture, then faces.

#include "Types.h"
// Qt
#include <QImage>
#include <QString>
// std
#include <climits>
#include <stdexcept>
#include <vector>

namespace CardStrip {
constexpr int32_t PictureW = 100;
constexpr int32_t PictureH = 80;
// A strip beyond this many pixels is refused before any memory is taken.
constexpr int64_t MaxPixels = 50'000'000;
// The file is read as the decoder asks for it, never whole, and only as far
// as a strip of the size it declares can reach, so that no file, however
// large, takes memory or keeps the game from starting for long. Before the
// size is known only segments come (tables, colour profiles, thumbnails,
// comments): SegmentBytes of them at most. Then the picture's own data:
// Huffman-coded, an 8 x 8 block of one component holds at most 1665 bits
// (the DC with the longest code and magnitude, 16 + 11 bits, and 63 AC
// coefficients of 16 + 10), which byte stuffing at most doubles: BlockBytes
// per block, plus SegmentBytes more for the segments between scans. The
// largest strip the decoder accepts, MaxPixels of four components, may so
// take about 1.3 GB; a strip of 24 pictures about 20 MB. Progressive and
// arithmetic coding spread the same coefficients over several scans and in
// practice take less than sequential coding; a file that would need more is
// refused as too large.
constexpr int64_t SegmentBytes = int64_t(16) << 20;
constexpr int64_t BlockBytes = (1665 * 2 + 7) / 8;
inline const QString FileName = QStringLiteral("Img.Dat");
} // namespace CardStrip

// Why a picture strip cannot be used; the text is the message for the player.
class TCardStripError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decodes a JPEG file at full size into 24-bit colour (QImage::Format_RGB888):
// RGB, greyscale, and CMYK or YCCK as image editors write them. Refuses, with
// TCardStripError, files that are not JPEG images, data that the decoder reports
// lost (a file or scan that ends early, corrupt entropy-coded data), other
// colour spaces, images that are too large, files that run on past what a
// picture of their size can take (see CardStrip::BlockBytes), and anything but
// a regular file (never opened, so a
// FIFO or a device cannot make the game wait); harmless damage such as stray
// bytes between segments is let through. The message is the player's, in
// Japanese, naming the file as `shownName`; the decoder's own words follow on
// a last line. Only the top `maxRows` rows are decoded.
QImage DecodeJpegFile(const QString& path, const QString& shownName, int maxRows = INT_MAX);

// Decodes a card strip (its top 80 rows, all that cards show) and checks
// that a deal can be made from it.
QImage LoadCardStrip(const QString& path, const QString& shownName = CardStrip::FileName);

// The player's message for whatever stopped a strip from loading: a
// TCardStripError's own, memory running out, or another error's words under the
// same first line.
QString CardStripFailureText(const std::exception& error,
                             const QString& shownName = CardStrip::FileName);

// The highest picture index of a strip of the given width.
inline int32_t PictureCountOf(int32_t width)
{
    return width / CardStrip::PictureW - 1;
}

// Source rectangles of pictures 0 .. pictureCount.
std::vector<TRect> MakeSourceRects(int32_t pictureCount);
