// SPDX-License-Identifier: MIT
// Application icon: a grey mouse's head in profile with a red eye, and a blue
// 衰 in the lower right corner.  Designed on a 256-unit square.
#include "artgen.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace artgen {
namespace {

void paintHead(QPainter& p, double lineWidth)
{
    const QColor outline(58, 58, 68);

    auto ear = [&](QPointF centre, double r, double angle, double light) {
        p.save();
        p.translate(centre);
        p.rotate(angle);
        QRadialGradient earFur(QPointF(-8, -12), r * 1.3);
        earFur.setColorAt(0.0, scaled(QColor(206, 206, 214), light));
        earFur.setColorAt(1.0, scaled(QColor(120, 120, 132), light));
        p.setPen(QPen(outline, lineWidth));
        p.setBrush(earFur);
        p.drawEllipse(QPointF(0, 0), r, r * 1.08);
        QRadialGradient earPink(QPointF(2, -4), r * 0.8);
        earPink.setColorAt(0.0, scaled(QColor(252, 196, 206), light));
        earPink.setColorAt(1.0, scaled(QColor(214, 128, 146), light));
        p.setPen(Qt::NoPen);
        p.setBrush(earPink);
        p.drawEllipse(QPointF(3, 4), r * 0.64, r * 0.72);
        p.restore();
    };
    // Two big round ears behind the head, the far one in shade.
    ear(QPointF(58, 58), 36, -20, 0.82);
    ear(QPointF(132, 44), 40, 10, 1.0);

    // Head, turned to the right, with a pointed snout.
    QPainterPath head;
    head.moveTo(40, 150);
    head.cubicTo(24, 104, 56, 62, 108, 60);
    head.cubicTo(160, 58, 190, 90, 216, 116);
    head.cubicTo(230, 130, 222, 148, 202, 150);
    head.cubicTo(176, 154, 160, 174, 120, 178);
    head.cubicTo(80, 182, 48, 174, 40, 150);
    head.closeSubpath();
    QRadialGradient fur(QPointF(120, 100), 130, QPointF(128, 90));
    fur.setColorAt(0.0, QColor(226, 226, 232));
    fur.setColorAt(0.5, QColor(172, 172, 182));
    fur.setColorAt(1.0, QColor(104, 104, 116));
    p.setPen(QPen(outline, lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fur);
    p.drawPath(head);

    // Red eye with a catch-light.
    p.setPen(QPen(QColor(60, 10, 14), 4));
    QRadialGradient eye(QPointF(150, 100), 18, QPointF(146, 94));
    eye.setColorAt(0.0, QColor(255, 70, 70));
    eye.setColorAt(1.0, QColor(200, 0, 20));
    p.setBrush(eye);
    p.drawEllipse(QPointF(152, 102), 16, 17);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(146, 95), 5.5, 5.5);

    // Pink nose.
    p.setPen(QPen(QColor(150, 70, 90), 3));
    p.setBrush(QColor(246, 150, 170));
    p.drawEllipse(QPointF(218, 130), 12, 11);

    // Whiskers.
    p.setPen(QPen(QColor(70, 70, 80), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(188, 136), QPointF(236, 104));
    p.drawLine(QPointF(190, 142), QPointF(244, 132));
}

void paintGlyph(QPainter& p, double pixelSize, double outline, QPointF bottomRight)
{
    QFont font(QStringList{QStringLiteral("IPAGothic")});
    font.setPixelSize(int(pixelSize));
    font.setWeight(QFont::Bold);
    QPainterPath glyph;
    glyph.addText(0, 0, font, QString::fromUtf8("衰"));
    const QRectF box = glyph.boundingRect();
    glyph.translate(bottomRight - box.bottomRight());

    p.setPen(QPen(QColor(255, 255, 255), outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(glyph);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(24, 56, 232));
    p.drawPath(glyph);
}

} // namespace

QImage drawIcon(int size, int scale)
{
    const int pixels = size * scale;
    if (size >= 64) {
        return renderSupersampled(QSize(pixels, pixels), 2, Qt::transparent, [pixels](QPainter& p) {
            p.scale(pixels / 256.0, pixels / 256.0);
            paintHead(p, 6);
            paintGlyph(p, 136, 18, QPointF(250, 250));
        });
    }

    // Small icon: bolder outlines.  Scaled up, it has pixels enough for the
    // glyph's smooth outline, which is as large as the one laid out below.
    QImage icon =
        renderSupersampled(QSize(pixels, pixels), 8, Qt::transparent, [pixels, scale](QPainter& p) {
            p.scale(pixels / 256.0, pixels / 256.0);
            paintHead(p, 11);
            if (scale > 1)
                paintGlyph(p, 136, 18, QPointF(250, 250));
        });
    if (scale > 1)
        return icon;

    // At scale 1 the glyph is laid out at the final pixel size so that its
    // strokes land on whole pixels.
    QFont font(QStringList{QStringLiteral("IPAGothic")});
    font.setPixelSize(size / 2 + 1);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::NoAntialias);
    const QString text = QString::fromUtf8("衰");
    const QRect box = QFontMetrics(font).tightBoundingRect(text);
    const QPoint origin = QPoint(size - 1, size - 1) - box.bottomRight();
    QPainter p(&icon);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx || dy)
                p.drawText(origin + QPoint(dx, dy), text);
    p.setPen(QColor(24, 56, 232));
    p.drawText(origin, text);
    return icon;
}

} // namespace artgen
