// SPDX-License-Identifier: MIT
// Raster helpers: supersampling, colour reduction and the two writers whose
// exact file layout we care about (baseline JPEG, 8-bit BMP).
#include "artgen.h"

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include <jpeglib.h>

namespace artgen {

QColor mix(const QColor& a, const QColor& b, double t)
{
    auto lerp = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

QColor scaled(const QColor& c, double f)
{
    auto s = [f](int x) { return std::clamp(int(std::lround(x * f)), 0, 255); };
    return QColor(s(c.red()), s(c.green()), s(c.blue()), c.alpha());
}

QImage shrink(const QImage& srcIn, int factor)
{
    const QImage src = srcIn.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = src.width() / factor;
    const int h = src.height() / factor;
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    const int n = factor * factor;
    for (int y = 0; y < h; ++y) {
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int a = 0, r = 0, g = 0, b = 0;
            for (int sy = 0; sy < factor; ++sy) {
                const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y * factor + sy));
                for (int sx = 0; sx < factor; ++sx) {
                    const QRgb p = row[x * factor + sx];
                    a += qAlpha(p);
                    r += qRed(p);
                    g += qGreen(p);
                    b += qBlue(p);
                }
            }
            dst[x] = qRgba((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n, (a + n / 2) / n);
        }
    }
    return out;
}

QImage straightAlpha(const QImage& img)
{
    const QImage src = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out(src.size(), QImage::Format_ARGB32);
    for (int y = 0; y < src.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < src.width(); ++x)
            to[x] = qUnpremultiply(from[x]);
    }
    return out;
}

QImage renderSupersampled(QSize size, int factor, const QColor& ground,
                          const std::function<void(QPainter&)>& draw)
{
    QImage big(size * factor, QImage::Format_ARGB32_Premultiplied);
    big.fill(ground);
    {
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(factor, factor);
        draw(p);
    }
    return shrink(big, factor);
}

// --- colour reduction --------------------------------------------------------

namespace {

struct Entry {
    std::array<int, 3> c;
    std::uint32_t n;
};

struct Box {
    int begin, end; // range in the entry list
    double error;   // sum of squared distances to the mean, weighted
    int axis;       // channel with the largest variance
    double mean[3];
};

Box measure(const std::vector<Entry>& e, int begin, int end)
{
    Box box{begin, end, 0.0, 0, {0, 0, 0}};
    double n = 0, s[3] = {0, 0, 0}, ss[3] = {0, 0, 0};
    for (int i = begin; i < end; ++i) {
        const double w = e[i].n;
        n += w;
        for (int k = 0; k < 3; ++k) {
            s[k] += w * e[i].c[k];
            ss[k] += w * double(e[i].c[k]) * e[i].c[k];
        }
    }
    double bestVar = -1;
    for (int k = 0; k < 3; ++k) {
        box.mean[k] = s[k] / n;
        const double var = ss[k] - s[k] * s[k] / n;
        box.error += var;
        if (var > bestVar) {
            bestVar = var;
            box.axis = k;
        }
    }
    if (end - begin < 2)
        box.error = 0;
    return box;
}

int nearest(const QVector<QRgb>& palette, int r, int g, int b, int skip = -1)
{
    int best = 0;
    long bestD = -1;
    for (int i = 0; i < palette.size(); ++i) {
        if (i == skip)
            continue;
        const QRgb p = palette[i];
        // Weighted distance: the eye is most sensitive to green.
        const long dr = qRed(p) - r, dg = qGreen(p) - g, db = qBlue(p) - b;
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestD < 0 || d < bestD) {
            bestD = d;
            best = i;
        }
    }
    return best;
}

} // namespace

QVector<QRgb> choosePalette(const QImage& imgIn, int count)
{
    const QImage img = imgIn.convertToFormat(QImage::Format_ARGB32);
    std::unordered_map<std::uint32_t, std::uint32_t> hist;
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(row[x]) >= 128)
                ++hist[row[x] & 0xFFFFFF];
    }
    std::vector<Entry> entries;
    entries.reserve(hist.size());
    for (const auto& [rgb, n] : hist)
        entries.push_back({{int(qRed(rgb)), int(qGreen(rgb)), int(qBlue(rgb))}, n});
    // Sort so that the result does not depend on hash order.
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.c < b.c; });

    QVector<QRgb> palette;
    if (entries.empty())
        return palette;
    if (int(entries.size()) <= count) {
        for (const Entry& e : entries)
            palette.push_back(qRgb(e.c[0], e.c[1], e.c[2]));
        return palette;
    }

    std::vector<Box> boxes{measure(entries, 0, int(entries.size()))};
    while (int(boxes.size()) < count) {
        auto it = std::max_element(boxes.begin(), boxes.end(),
                                   [](const Box& a, const Box& b) { return a.error < b.error; });
        if (it->error <= 0)
            break;
        const Box box = *it;
        const int k = box.axis;
        std::stable_sort(entries.begin() + box.begin, entries.begin() + box.end,
                         [k](const Entry& a, const Entry& b) { return a.c[k] < b.c[k]; });
        // Split at the weighted median.
        double total = 0;
        for (int i = box.begin; i < box.end; ++i)
            total += entries[i].n;
        double acc = 0;
        int cut = box.begin + 1;
        for (int i = box.begin; i < box.end - 1; ++i) {
            acc += entries[i].n;
            if (acc >= total / 2) {
                cut = i + 1;
                break;
            }
            cut = i + 2;
        }
        cut = std::clamp(cut, box.begin + 1, box.end - 1);
        *it = measure(entries, box.begin, cut);
        boxes.push_back(measure(entries, cut, box.end));
    }
    for (const Box& b : boxes)
        palette.push_back(qRgb(int(std::lround(b.mean[0])), int(std::lround(b.mean[1])),
                               int(std::lround(b.mean[2]))));

    // A few rounds of k-means polish the median-cut result.
    for (int round = 0; round < 4; ++round) {
        std::vector<std::array<double, 4>> sums(palette.size(), {0, 0, 0, 0});
        for (const Entry& e : entries) {
            const int i = nearest(palette, e.c[0], e.c[1], e.c[2]);
            sums[i][0] += double(e.n) * e.c[0];
            sums[i][1] += double(e.n) * e.c[1];
            sums[i][2] += double(e.n) * e.c[2];
            sums[i][3] += e.n;
        }
        for (int i = 0; i < palette.size(); ++i)
            if (sums[i][3] > 0)
                palette[i] = qRgb(int(std::lround(sums[i][0] / sums[i][3])),
                                  int(std::lround(sums[i][1] / sums[i][3])),
                                  int(std::lround(sums[i][2] / sums[i][3])));
    }
    // Remove duplicates the polishing may have produced.
    QVector<QRgb> unique;
    for (QRgb c : palette)
        if (!unique.contains(c))
            unique.push_back(c);
    return unique;
}

QImage mapToPalette(const QImage& imgIn, const QVector<QRgb>& palette, double dither,
                    int transparentIndex)
{
    const QImage img = imgIn.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    QImage out(w, h, QImage::Format_Indexed8);
    QVector<QRgb> table = palette;
    if (transparentIndex >= 0)
        table[transparentIndex] = qRgba(0, 0, 0, 0);
    out.setColorTable(table);

    // Error buffers for the current and the next row (x offset by one).
    std::vector<std::array<double, 3>> cur(w + 2, {0, 0, 0}), next(w + 2, {0, 0, 0});
    std::unordered_map<std::uint32_t, int> cache;
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        uchar* dst = out.scanLine(y);
        std::fill(next.begin(), next.end(), std::array<double, 3>{0, 0, 0});
        for (int x = 0; x < w; ++x) {
            const QRgb p = row[x];
            if (transparentIndex >= 0 && qAlpha(p) < 128) {
                dst[x] = uchar(transparentIndex);
                continue;
            }
            const int r = std::clamp(int(std::lround(qRed(p) + cur[x + 1][0])), 0, 255);
            const int g = std::clamp(int(std::lround(qGreen(p) + cur[x + 1][1])), 0, 255);
            const int b = std::clamp(int(std::lround(qBlue(p) + cur[x + 1][2])), 0, 255);
            const std::uint32_t key =
                (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b);
            int idx;
            if (auto it = cache.find(key); it != cache.end()) {
                idx = it->second;
            } else {
                idx = nearest(palette, r, g, b, transparentIndex);
                cache.emplace(key, idx);
            }
            dst[x] = uchar(idx);
            if (dither > 0) {
                const QRgb q = palette[idx];
                const double e[3] = {dither * (r - qRed(q)), dither * (g - qGreen(q)),
                                     dither * (b - qBlue(q))};
                for (int k = 0; k < 3; ++k) {
                    cur[x + 2][k] += e[k] * 7 / 16;
                    next[x][k] += e[k] * 3 / 16;
                    next[x + 1][k] += e[k] * 5 / 16;
                    next[x + 2][k] += e[k] * 1 / 16;
                }
            }
        }
        std::swap(cur, next);
    }
    return out;
}

// --- writers -------------------------------------------------------------------

bool writeJpeg(const QImage& img, const QString& path, int quality, QString* error)
{
    const QImage rgb = img.convertToFormat(QImage::Format_RGB888);
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file) {
        *error = QStringLiteral("cannot open %1 for writing").arg(path);
        return false;
    }

    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr); // errors here are fatal for the tool anyway
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);

    cinfo.image_width = JDIMENSION(rgb.width());
    cinfo.image_height = JDIMENSION(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo); // YCbCr, JFIF header, sequential Huffman
    jpeg_set_quality(&cinfo, quality, TRUE /* baseline quantisation tables */);
    for (int c = 0; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1; // 4:4:4 keeps the thin card borders crisp
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.optimize_coding = FALSE; // standard Huffman tables
    cinfo.dct_method = JDCT_ISLOW; // exact integer DCT: same bytes on every machine

    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    if (std::fclose(file) != 0) {
        *error = QStringLiteral("error while writing %1").arg(path);
        return false;
    }
    return true;
}

bool writeBmp8(const QImage& indexed, const QString& path, QString* error)
{
    if (indexed.format() != QImage::Format_Indexed8) {
        *error = QStringLiteral("writeBmp8 needs an 8-bit palette image");
        return false;
    }
    const int w = indexed.width(), h = indexed.height();
    const int stride = (w + 3) & ~3;
    const std::uint32_t paletteBytes = 256 * 4;
    const std::uint32_t offBits = 14 + 40 + paletteBytes;
    const std::uint32_t imageBytes = std::uint32_t(stride) * std::uint32_t(h);

    QByteArray data;
    auto u16 = [&data](std::uint32_t v) {
        data.append(char(v & 0xFF));
        data.append(char((v >> 8) & 0xFF));
    };
    auto u32 = [&u16](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };

    // BITMAPFILEHEADER
    data.append("BM", 2);
    u32(offBits + imageBytes);
    u16(0);
    u16(0);
    u32(offBits);
    // BITMAPINFOHEADER
    u32(40);
    u32(std::uint32_t(w));
    u32(std::uint32_t(h)); // positive height: rows stored bottom-up
    u16(1);                // planes
    u16(8);                // bits per pixel
    u32(0);                // BI_RGB
    u32(imageBytes);
    u32(2835); // 72 dpi
    u32(2835);
    u32(256); // colours used
    u32(0);   // all colours important
    // Colour table: B, G, R, reserved.
    const QVector<QRgb> table = indexed.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
        data.append(char(qBlue(c)));
        data.append(char(qGreen(c)));
        data.append(char(qRed(c)));
        data.append(char(0));
    }
    for (int y = h - 1; y >= 0; --y) {
        data.append(reinterpret_cast<const char*>(indexed.constScanLine(y)), w);
        for (int pad = w; pad < stride; ++pad)
            data.append(char(0));
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

} // namespace artgen
