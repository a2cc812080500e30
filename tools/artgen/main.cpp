// SPDX-License-Identifier: MIT
// artgen <output-dir>
//
// Draws the game's pictures and writes them into <output-dir>:
//   Img.Dat         card strip, baseline JPEG, 3200 x 80 (32 pictures of 100 x 80)
//   penalty.bmp     penalty window picture, 320 x 240, 8-bit palette BMP
//   penalty@2x.png  the same design at 640 x 480, 8-bit palette PNG
//   buttons.png     caption buttons, 132 x 99, 24-bit
//   buttons@2x.png  the same design at 264 x 198, for screens scaled by 2
//   icon.png        application icon, 32 x 32, 16 colours
//   icon@2x.png     the same design at 64 x 64 in full colour, for screens scaled by 2
//   icon-256.png    the same design at 256 x 256 for the desktop entry
#include "artgen.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "artgen: %s\n", qPrintable(message));
    return 1;
}

// Makes sure a font family is available, loading it from its usual Debian
// location if fontconfig does not list it.
bool ensureFamily(const QString& family, const QString& fallbackFile)
{
    if (QFontDatabase::families().contains(family))
        return true;
    return QFontDatabase::addApplicationFont(fallbackFile) >= 0 &&
           QFontDatabase::families().contains(family);
}

// The penalty picture at `scale`, reduced to 256 colours with light
// dithering.
QImage penaltyPicture8(int scale)
{
    const QImage penalty = artgen::drawPenaltyPicture(scale);
    QVector<QRgb> palette = artgen::choosePalette(penalty, 256);
    // The BMP always carries 256 entries; pad with unused dark browns if the
    // picture had fewer distinct colours.
    for (int i = 0; palette.size() < 256; ++i) {
        const QRgb c = qRgb(16 + i % 16, 8 + i / 16, 4);
        if (!palette.contains(c))
            palette.push_back(c);
    }
    return artgen::mapToPalette(penalty, palette, 0.5);
}

} // namespace

int main(int argc, char** argv)
{
    // No window is ever shown; run without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = app.arguments();
    if (args.size() != 2 || args[1].startsWith(QLatin1Char('-')))
        return fail(QStringLiteral("usage: artgen <output-dir>   (normally resources/)"));

    const QDir out(args[1]);
    if (!QDir().mkpath(out.absolutePath()))
        return fail(QStringLiteral("cannot create %1").arg(out.absolutePath()));

    if (!ensureFamily(QStringLiteral("Noto Color Emoji"),
                      QStringLiteral("/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf")))
        return fail(
            QStringLiteral("font \"Noto Color Emoji\" not found (Debian: fonts-noto-color-emoji)"));
    if (!ensureFamily(QStringLiteral("IPAGothic"),
                      QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf")))
        return fail(QStringLiteral("font \"IPAGothic\" not found (Debian: fonts-ipafont-gothic)"));

    QString error;

    // Card strip.
    const QImage strip = artgen::drawCardStrip(&error);
    if (strip.isNull())
        return fail(error);
    if (!artgen::writeJpeg(strip, out.filePath(QStringLiteral("Img.Dat")), 92, &error))
        return fail(error);

    // Penalty picture: an 8-bit BMP, and the same design at twice the size
    // as an 8-bit palette PNG for screens scaled by 2.
    if (!artgen::writeBmp8(penaltyPicture8(1), out.filePath(QStringLiteral("penalty.bmp")), &error))
        return fail(error);
    if (!penaltyPicture8(2).save(out.filePath(QStringLiteral("penalty@2x.png")), "PNG"))
        return fail(QStringLiteral("cannot write penalty@2x.png"));

    // Caption buttons, plain 24-bit RGB, and the same at twice the size for
    // screens scaled by 2.
    for (const int scale : {1, 2}) {
        const QString name =
            scale == 1 ? QStringLiteral("buttons.png") : QStringLiteral("buttons@2x.png");
        const QImage buttons =
            artgen::drawButtonSheet(scale).convertToFormat(QImage::Format_RGB888);
        if (!buttons.save(out.filePath(name), "PNG"))
            return fail(QStringLiteral("cannot write %1").arg(name));
    }

    // Icons.  The small one gets 15 colours plus transparency.
    const QImage icon32 = artgen::drawIcon(32);
    QVector<QRgb> iconPalette = artgen::choosePalette(icon32, 15);
    iconPalette.prepend(qRgba(0, 0, 0, 0));
    const QImage icon8 = artgen::mapToPalette(icon32, iconPalette, 0.0, 0);
    if (!icon8.save(out.filePath(QStringLiteral("icon.png")), "PNG"))
        return fail(QStringLiteral("cannot write icon.png"));
    const QImage icon256 = artgen::drawIcon(256).convertToFormat(QImage::Format_ARGB32);
    if (!icon256.save(out.filePath(QStringLiteral("icon-256.png")), "PNG"))
        return fail(QStringLiteral("cannot write icon-256.png"));
    // The small icon's design at twice the size, for screens scaled by 2.
    const QImage icon64 = artgen::straightAlpha(artgen::drawIcon(32, 2));
    if (!icon64.save(out.filePath(QStringLiteral("icon@2x.png")), "PNG"))
        return fail(QStringLiteral("cannot write icon@2x.png"));

    std::printf("artgen: wrote Img.Dat, penalty.bmp, penalty@2x.png, buttons.png, buttons@2x.png, "
                "icon.png, icon@2x.png, icon-256.png to %s\n",
                qPrintable(QDir::toNativeSeparators(out.absolutePath())));
    return 0;
}
