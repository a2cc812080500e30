// SPDX-License-Identifier: MIT
// artgen: draws every picture the game ships with.
//
// All pictures are painted by this program with QPainter (the card faces use
// the Noto Color Emoji font for the animals).  The output is deterministic:
// every random choice comes from a fixed-seed generator of our own.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QVector>

#include <cstdint>
#include <functional>

class QPainter;

namespace artgen {

// Small, portable pseudo-random generator (splitmix64).  std::mt19937 would
// do too, but the standard distributions are not identical across
// libraries, and the pictures must come out the same everywhere.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    // Uniform in [lo, hi).
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
    // Uniform integer in [0, n).
    int below(int n) { return int(next() % std::uint64_t(n)); }

private:
    std::uint64_t state_;
};

// --- raster helpers (raster.cpp) -------------------------------------------

// Paints `draw` into an image `factor` times larger than `size` (the painter
// is already scaled, so `draw` works in output pixels) and shrinks the result
// with a box filter.  Gives clean antialiasing for small pictures.
QImage renderSupersampled(QSize size, int factor, const QColor& ground,
                          const std::function<void(QPainter&)>& draw);

// Box-filter shrink by an integer factor (premultiplied ARGB in and out).
QImage shrink(const QImage& src, int factor);

// Converts to ARGB32 (straight alpha) with qUnpremultiply(), whose integer
// arithmetic gives the same bytes on every processor.  The SIMD routine that
// QImage::convertToFormat() picks at run time works with an approximate
// reciprocal, so pixels with partial alpha can differ by one step from one
// processor to another.
QImage straightAlpha(const QImage& img);

// Colour reduction.  Picks at most `count` colours for the opaque pixels of
// `img` (variance-based median cut followed by a few k-means rounds).
QVector<QRgb> choosePalette(const QImage& img, int count);

// Maps `img` onto `palette`.  With `dither` > 0, Floyd-Steinberg error
// diffusion of that strength is used.  Pixels with alpha < 128 get index
// `transparentIndex` if it is >= 0.
QImage mapToPalette(const QImage& img, const QVector<QRgb>& palette, double dither,
                    int transparentIndex = -1);

// Baseline JPEG through libjpeg, RGB -> YCbCr, 4:4:4 sampling.
bool writeJpeg(const QImage& img, const QString& path, int quality, QString* error);

// Uncompressed 8-bit palette BMP (BI_RGB, 256-entry colour table).
bool writeBmp8(const QImage& indexed, const QString& path, QString* error);

// Colour helpers.
QColor mix(const QColor& a, const QColor& b, double t);
QColor scaled(const QColor& c, double f);

// --- the pictures -----------------------------------------------------------

// Card strip: 32 pictures of 100 x 80 side by side (back, penalty, 30 faces).
// Returns a null image and fills `error` if the emoji font is unusable.
QImage drawCardStrip(QString* error);

// The penalty window's picture, 320 x 240 times `scale` (640 x 480 at scale
// 2), full colour (reduced by the caller).
QImage drawPenaltyPicture(int scale);

// Caption buttons: sheet of 4 x 3 cells of 33 x 33 pixels times `scale`
// (132 x 99 at scale 1, 264 x 198 at scale 2), the same design at any scale.
QImage drawButtonSheet(int scale);

// Application icon: the design for `size` pixels square, drawn at `scale`
// times that many pixels (scale 2 for screens scaled by 2).  Small sizes
// (under 64) get bolder outlines; at scale 1 their glyph is laid out at the
// final pixel size rather than scaled down.
QImage drawIcon(int size, int scale = 1);

} // namespace artgen
