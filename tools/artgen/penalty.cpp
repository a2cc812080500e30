// SPDX-License-Identifier: MIT
// The penalty window's picture: a close-up of a light brown rodent's head,
// turned to the right and dozing with one eye half shut, on a dark wooden
// floor.  Designed on 320 x 240 units; the top 20 are mostly hidden behind
// the window's label and progress bar, so nothing important is drawn there.
// Drawn at one pixel per unit, or at a whole-number scale for screens with
// more pixels per unit (same strokes, same random choices).
#include "artgen.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace artgen {
namespace {

constexpr int W = 320;
constexpr int H = 240;
constexpr int SS = 2; // supersampling factor, on top of the scale

QPointF polar(double angleRad, double length)
{
    return {std::cos(angleRad) * length, std::sin(angleRad) * length};
}

// --- floor -------------------------------------------------------------------

// Plank boundaries lean slightly so the floor does not look like a table.
double seamY(double y0, double x)
{
    return y0 + 0.07 * (x - 160.0);
}

void paintFloor(QPainter& p, Rng& rng)
{
    const double seams[] = {-16, 18, 56, 100, 150, 206, 270};
    const QColor plankColours[] = {QColor(84, 52, 30), QColor(70, 42, 24), QColor(92, 58, 33),
                                   QColor(76, 47, 27), QColor(88, 54, 29), QColor(66, 40, 23)};
    for (int i = 0; i + 1 < int(std::size(seams)); ++i) {
        const double top = seams[i], bottom = seams[i + 1];
        QPainterPath plank;
        plank.moveTo(-10, seamY(top, -10));
        plank.lineTo(W + 10, seamY(top, W + 10));
        plank.lineTo(W + 10, seamY(bottom, W + 10));
        plank.lineTo(-10, seamY(bottom, -10));
        plank.closeSubpath();

        const QColor base = plankColours[i % int(std::size(plankColours))];
        p.save();
        p.setClipPath(plank);
        // Each plank is a little lighter in the middle, darker at the edges.
        QLinearGradient shade(QPointF(0, top), QPointF(0, bottom));
        shade.setColorAt(0.0, scaled(base, 0.80));
        shade.setColorAt(0.45, scaled(base, 1.10));
        shade.setColorAt(1.0, scaled(base, 0.78));
        p.fillRect(QRectF(-10, top - 30, W + 20, bottom - top + 60), shade);

        // Grain: long wavy lines along the plank.
        const double height = bottom - top;
        const int lines = int(height * 1.1);
        for (int g = 0; g < lines; ++g) {
            const double y0 = top + rng.range(-4, height + 4);
            const double amp = rng.range(0.4, 2.6);
            const double freq = rng.range(0.008, 0.03);
            const double phase = rng.range(0, 2 * M_PI);
            const bool dark = rng.unit() < 0.6;
            QColor c =
                dark ? scaled(base, rng.range(0.55, 0.8)) : scaled(base, rng.range(1.15, 1.45));
            c.setAlpha(int(rng.range(50, 130)));
            QPainterPath grain;
            for (double x = -10; x <= W + 10; x += 4) {
                const QPointF pt(x, seamY(y0, x) + amp * std::sin(x * freq + phase) +
                                        0.6 * std::sin(x * freq * 3.7 + phase * 2));
                if (x == -10)
                    grain.moveTo(pt);
                else
                    grain.lineTo(pt);
            }
            p.setPen(QPen(c, rng.range(0.3, 1.1)));
            p.setBrush(Qt::NoBrush);
            p.drawPath(grain);
        }

        // A knot now and then, with rings around it.
        if (i % 2 == 1) {
            const double kx = rng.range(30, 290);
            const double ky = seamY(top + height * rng.range(0.35, 0.65), kx);
            for (int r = 5; r >= 0; --r) {
                QColor ring = scaled(base, r % 2 ? 0.7 : 0.95);
                ring.setAlpha(150);
                p.setPen(QPen(ring, 0.9));
                p.setBrush(r == 0 ? QBrush(scaled(base, 0.5)) : QBrush(Qt::NoBrush));
                p.drawEllipse(QPointF(kx, ky), 3.0 + r * 3.2, 1.4 + r * 1.3);
            }
        }

        // Butt joint where one board ends and the next begins.
        const double jx = rng.range(20, 300);
        p.setPen(QPen(QColor(26, 15, 8, 220), 1.4));
        p.drawLine(QPointF(jx, seamY(top, jx)), QPointF(jx - 0.07 * height, seamY(bottom, jx)));
        p.restore();

        // The seam: a dark gap with a faint lit lip below it.
        p.setPen(QPen(QColor(24, 14, 8), 1.8));
        p.drawLine(QPointF(-10, seamY(top, -10)), QPointF(W + 10, seamY(top, W + 10)));
        p.setPen(QPen(QColor(140, 96, 60, 70), 0.8));
        p.drawLine(QPointF(-10, seamY(top, -10) + 1.4), QPointF(W + 10, seamY(top, W + 10) + 1.4));
    }
}

// --- the animal ------------------------------------------------------------------

const QPointF NoseTip(289, 146);
const QPointF Eye(226, 102);
constexpr double EyeRx = 13.0;
constexpr double EyeRy = 12.0;

// Head and body as one silhouette: a round head with a short snout, the
// shoulders falling away to the lower left.
QPainterPath headPath()
{
    QPainterPath path;
    path.moveTo(-12, 176);
    path.cubicTo(0, 136, 36, 112, 74, 106);     // shoulder
    path.cubicTo(96, 103, 106, 96, 116, 80);    // nape of the neck
    path.cubicTo(138, 50, 178, 40, 216, 50);    // crown
    path.cubicTo(250, 60, 270, 88, 279, 112);   // forehead and bridge of the snout
    path.cubicTo(285, 124, 294, 134, 293, 146); // tip of the snout
    path.cubicTo(292, 158, 283, 166, 272, 168); // upper lip
    path.cubicTo(268, 188, 246, 206, 216, 212); // full cheek and chin
    path.cubicTo(192, 218, 172, 230, 162, 252); // throat
    path.lineTo(-12, 252);
    path.closeSubpath();
    return path;
}

QPainterPath ellipsePath(QPointF centre, double rx, double ry, double angle)
{
    QPainterPath e;
    e.addEllipse(QPointF(0, 0), rx, ry);
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.rotate(angle);
    return t.map(e);
}

// An elliptical soft spot of colour fading to nothing at its edge.
void softSpot(QPainter& p, QPointF centre, double rx, double ry, double angle, QColor colour)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    p.scale(1.0, ry / rx);
    QRadialGradient g(QPointF(0, 0), rx);
    QColor clear = colour;
    clear.setAlpha(0);
    g.setColorAt(0.0, colour);
    g.setColorAt(0.45, mix(colour, clear, 0.35));
    g.setColorAt(1.0, clear);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QPointF(0, 0), rx, rx);
    p.restore();
}

void paintEar(QPainter& p, QPointF centre, double rx, double ry, double angle, double light)
{
    const QPainterPath outer = ellipsePath(centre, rx, ry, angle);
    QRadialGradient fur(centre + QPointF(5, -6), ry * 1.3);
    fur.setColorAt(0.0, scaled(QColor(206, 150, 98), light));
    fur.setColorAt(1.0, scaled(QColor(140, 92, 56), light));
    p.setPen(QPen(scaled(QColor(90, 56, 34), light), 1.0));
    p.setBrush(fur);
    p.drawPath(outer);

    const QPainterPath inner = ellipsePath(centre + QPointF(2.0, 2.5), rx * 0.7, ry * 0.72, angle);
    QRadialGradient pink(centre + QPointF(4, 1), ry * 0.85);
    pink.setColorAt(0.0, scaled(QColor(234, 168, 150), light));
    pink.setColorAt(0.65, scaled(QColor(204, 128, 108), light));
    pink.setColorAt(1.0, scaled(QColor(150, 90, 70), light));
    p.setPen(Qt::NoPen);
    p.setBrush(pink);
    p.drawPath(inner);
    // Shadow deep inside the ear.
    softSpot(p, centre + QPointF(-1, 8), rx * 0.5, ry * 0.35, angle,
             scaled(QColor(110, 60, 44, 150), light));
}

// Base colours of the head and body, before the fur is stroked over them.
void paintBaseFur(QPainter& p, const QPainterPath& head)
{
    // Overall light brown, lit from the upper right.
    QRadialGradient body(QPointF(236, 82), 260, QPointF(240, 76));
    body.setColorAt(0.0, QColor(226, 170, 110));
    body.setColorAt(0.25, QColor(208, 150, 92));
    body.setColorAt(0.55, QColor(178, 120, 70));
    body.setColorAt(0.85, QColor(128, 82, 46));
    body.setColorAt(1.0, QColor(96, 60, 34));
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawPath(head);

    p.save();
    p.setClipPath(head);
    // Pale puffed cheek, muzzle and chin.
    softSpot(p, QPointF(240, 168), 56, 40, -15, QColor(240, 212, 168, 235));
    softSpot(p, QPointF(272, 150), 24, 18, 0, QColor(244, 220, 180, 200));
    softSpot(p, QPointF(208, 226), 60, 34, -10, QColor(232, 204, 160, 200));
    // Darker fur over the crown and down the back.
    softSpot(p, QPointF(150, 70), 80, 36, -20, QColor(150, 98, 56, 120));
    softSpot(p, QPointF(60, 140), 90, 50, -50, QColor(122, 78, 42, 130));
    // The neck: a soft shadow behind the head.
    softSpot(p, QPointF(122, 150), 24, 90, 14, QColor(92, 56, 30, 150));
    // Under the chin, where the cheek folds.
    softSpot(p, QPointF(196, 204), 44, 10, -22, QColor(110, 68, 38, 110));
    // Eye socket.
    softSpot(p, Eye + QPointF(-1, 1), EyeRx + 12, EyeRy + 9, -10, QColor(128, 82, 48, 150));
    // Forehead highlight.
    softSpot(p, QPointF(236, 70), 40, 22, 30, QColor(250, 214, 160, 120));
    p.restore();
}

// Fur: thousands of short strokes following the lie of the hair, which runs
// from the nose backwards over the head and down the neck.
void paintFur(QPainter& p, const QImage& base, Rng& rng)
{
    const double perUnit = double(base.width()) / W; // base pixels per unit
    auto sample = [&base, perUnit](QPointF pt) {
        const int x = std::clamp(int(pt.x() * perUnit), 0, base.width() - 1);
        const int y = std::clamp(int(pt.y() * perUnit), 0, base.height() - 1);
        return base.pixel(x, y);
    };
    const int strokes = 20000;
    for (int i = 0; i < strokes; ++i) {
        const QPointF pt(rng.range(-10, W + 4), rng.range(20, H + 4));
        const QRgb under = sample(pt);
        if (qAlpha(under) < 250)
            continue;
        const QPointF away = pt - NoseTip;
        const double dist = std::hypot(away.x(), away.y());
        double angle = std::atan2(away.y(), away.x());
        // Hair on the neck and body falls downwards a little more.
        angle += 0.35 * std::clamp((170 - pt.x()) / 170.0, 0.0, 1.0);
        angle += rng.range(-0.25, 0.25);
        // Short fine hair on the snout, longer on the body.
        const double len = dist < 36 ? rng.range(1.5, 3.0)
                                     : rng.range(3.0, 6.0) + std::min(dist, 220.0) / 220.0 * 3.5;
        const QPointF end = pt + polar(angle, len);
        const QPointF ctrl = (pt + end) / 2 + polar(angle + M_PI / 2, rng.range(-1.0, 1.0));

        const double r = rng.unit();
        const double f = r < 0.10   ? rng.range(1.08, 1.2)
                         : r < 0.45 ? rng.range(0.72, 0.88)
                                    : rng.range(0.9, 1.04);
        QColor c = scaled(QColor(qRed(under), qGreen(under), qBlue(under)), f);
        c.setAlpha(int(rng.range(110, 200)));
        QPainterPath hair;
        hair.moveTo(pt);
        hair.quadTo(ctrl, end);
        p.setPen(QPen(c, rng.range(0.45, 0.95), Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(hair);
    }
}

void paintEye(QPainter& p)
{
    const double rx = EyeRx, ry = EyeRy;
    QPainterPath ball;
    ball.addEllipse(Eye, rx, ry);

    // Upper lid edge, drooping over the top half of the eye.
    const QPointF lidLeft(Eye.x() - rx - 1.2, Eye.y() + 1.0);
    const QPointF lidRight(Eye.x() + rx + 0.6, Eye.y() - 1.5);
    const QPointF lidCtrl(Eye.x() + 0.5, Eye.y() + 7.5);
    QPainterPath lidEdge;
    lidEdge.moveTo(lidLeft);
    lidEdge.quadTo(lidCtrl, lidRight);
    QPainterPath below = lidEdge;
    below.lineTo(Eye.x() + rx + 6, Eye.y() + ry + 6);
    below.lineTo(Eye.x() - rx - 6, Eye.y() + ry + 6);
    below.closeSubpath();
    QPainterPath above = lidEdge;
    above.lineTo(Eye.x() + rx + 6, Eye.y() - ry - 6);
    above.lineTo(Eye.x() - rx - 6, Eye.y() - ry - 6);
    above.closeSubpath();

    // Dark rim around the eye.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(66, 38, 22));
    p.drawPath(ellipsePath(Eye, rx + 1.8, ry + 1.6, 0).intersected(below));

    // The visible lower part of the eye: glossy, almost black.
    QRadialGradient iris(Eye + QPointF(3, 7), 13);
    iris.setColorAt(0.0, QColor(96, 58, 38));
    iris.setColorAt(0.55, QColor(34, 18, 10));
    iris.setColorAt(1.0, QColor(10, 6, 4));
    p.setBrush(iris);
    p.drawPath(ball.intersected(below));

    // The lid: a furry bulge, with a soft shadow on the eye below it.
    const QPainterPath lidShape = ellipsePath(Eye, rx + 2.2, ry + 2.0, 0).intersected(above);
    QLinearGradient lid(QPointF(0, Eye.y() - ry), QPointF(0, Eye.y() + 6));
    lid.setColorAt(0.0, QColor(202, 146, 92));
    lid.setColorAt(1.0, QColor(168, 112, 66));
    p.setBrush(lid);
    p.drawPath(lidShape);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(10, 5, 2, 130), 3.4, Qt::SolidLine, Qt::RoundCap));
    p.save();
    p.setClipPath(ball);
    p.drawPath(lidEdge.translated(0, 1.6));
    p.restore();
    p.setPen(QPen(QColor(50, 26, 14), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(lidEdge);
    // Lashes of the lid catch a little light.
    p.setPen(QPen(QColor(236, 196, 150, 150), 0.8, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(lidEdge.translated(0, -1.5));

    // Crease of the lid above.
    QPainterPath crease;
    crease.moveTo(Eye.x() - rx + 2, Eye.y() - 6.5);
    crease.quadTo(Eye + QPointF(1, -3.0), Eye + QPointF(rx - 1, -8.0));
    p.setPen(QPen(QColor(112, 70, 40, 170), 1.1, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(crease);

    // Catch-lights just under the lid.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 250, 240, 235));
    p.drawEllipse(Eye + QPointF(4.5, 6.2), 2.6, 1.5);
    p.setBrush(QColor(255, 250, 240, 90));
    p.drawEllipse(Eye + QPointF(-4.5, 8.0), 1.6, 0.9);
}

void paintNoseAndMouth(QPainter& p)
{
    // Nose pad at the tip of the snout.
    QPainterPath pad;
    pad.moveTo(NoseTip + QPointF(-9, -8));
    pad.cubicTo(NoseTip + QPointF(-3, -12), NoseTip + QPointF(4, -6), NoseTip + QPointF(3, 0));
    pad.cubicTo(NoseTip + QPointF(2, 5), NoseTip + QPointF(-5, 7), NoseTip + QPointF(-9, 4));
    pad.cubicTo(NoseTip + QPointF(-12, 0), NoseTip + QPointF(-12, -5), NoseTip + QPointF(-9, -8));
    QRadialGradient pink(NoseTip + QPointF(-3, -5), 12);
    pink.setColorAt(0.0, QColor(238, 162, 150));
    pink.setColorAt(0.6, QColor(206, 118, 104));
    pink.setColorAt(1.0, QColor(148, 78, 64));
    p.setPen(QPen(QColor(104, 56, 40), 0.9));
    p.setBrush(pink);
    p.drawPath(pad);
    // Nostril.
    QPainterPath nostril;
    nostril.moveTo(NoseTip + QPointF(-6.5, -1));
    nostril.quadTo(NoseTip + QPointF(-2, -4), NoseTip + QPointF(0.5, 1.5));
    p.setPen(QPen(QColor(66, 30, 22), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(nostril);
    // Shine on the nose.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 232, 222, 180));
    p.drawEllipse(NoseTip + QPointF(-4.5, -7), 2.2, 1.3);

    // Mouth: a short line down from the nose, curling back under the lip.
    QPainterPath mouth;
    mouth.moveTo(NoseTip + QPointF(-4, 6));
    mouth.quadTo(NoseTip + QPointF(-5, 14), NoseTip + QPointF(-10, 18));
    mouth.quadTo(NoseTip + QPointF(-15, 21), NoseTip + QPointF(-22, 19));
    p.setPen(QPen(QColor(84, 46, 28), 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(mouth);
}

void paintWhiskers(QPainter& p, Rng& rng)
{
    auto whisker = [&p](QPointF from, double angle, double length, double bend, QColor c,
                        double width) {
        const QPointF end = from + polar(angle, length);
        const QPointF ctrl = from + polar(angle, length * 0.5) + QPointF(0, bend);
        QPainterPath w;
        w.moveTo(from);
        w.quadTo(ctrl, end);
        p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(w);
        // A thicker root tapers the whisker towards the tip.
        QPainterPath root;
        root.moveTo(from);
        root.quadTo(from + (ctrl - from) * 0.4, from + (ctrl - from) * 0.8);
        p.setPen(QPen(c, width * 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(root);
    };

    // Whisker pads: rows of little dark dots on the muzzle.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 76, 46, 180));
    std::vector<QPointF> roots;
    for (int row = 0; row < 3; ++row)
        for (int i = 0; i < 4; ++i) {
            const QPointF pt(256 + i * 5.0 + row * 1.5 + rng.range(-0.8, 0.8),
                             150 + row * 4.5 + i * 0.8 + rng.range(-0.6, 0.6));
            roots.push_back(pt);
            p.drawEllipse(pt, 0.9, 0.9);
        }

    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < int(roots.size()); ++i) {
        const int row = i / 4;
        const double angle = (-22 + row * 16 + rng.range(-9, 9)) * M_PI / 180.0;
        const double length = rng.range(46, 72);
        const bool dark = i % 4 == 1;
        const QColor c =
            dark ? QColor(72, 44, 26, 190) : QColor(250, 240, 222, int(rng.range(150, 210)));
        whisker(roots[i], angle, length, rng.range(3, 9), c, 0.55);
    }
    // A few long hairs above the eye.
    for (int i = 0; i < 3; ++i) {
        const QPointF from(Eye.x() + 4 + i * 3.0, Eye.y() - EyeRy - 4 + i * 0.5);
        whisker(from, (-78 + i * 16) * M_PI / 180.0, rng.range(26, 36), 4,
                QColor(246, 234, 214, 170), 0.5);
    }
}

} // namespace

QImage drawPenaltyPicture(int scale)
{
    Rng rng(0x6E75706531ull);
    const int f = SS * scale; // canvas pixels per unit
    QImage canvas(W * f, H * f, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(QColor(60, 38, 22));

    const QPainterPath head = headPath();
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(f, f);
        paintFloor(p, rng);

        // Soft shadow of the head on the floor.
        softSpot(p, QPointF(258, 214), 80, 28, -8, QColor(18, 9, 3, 190));
        // Warm light falling on the floor from the upper right.
        softSpot(p, QPointF(300, 30), 170, 120, 0, QColor(255, 186, 110, 56));

        // Ears sit behind the crown: the far one peeks over, in shade.
        paintEar(p, QPointF(206, 44), 14, 17, 22, 0.7);
        paintEar(p, QPointF(150, 47), 23, 26, -18, 1.0);
    }

    // The head and body go on their own layer so the fur strokes can pick up
    // the shading underneath them.
    QImage layer(canvas.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(f, f);
        paintBaseFur(p, head);
    }
    {
        const QImage base = layer.copy();
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(f, f);
        paintFur(p, base, rng);
        // Rim light along the top edge, where the light catches the fur.
        p.setClipPath(head.subtracted(head.translated(-3.5, 4.0)));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 222, 170, 70));
        p.drawRect(QRectF(0, 0, W, H));
    }

    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        p.drawImage(0, 0, layer);
        p.scale(f, f);
        paintEye(p);
        paintNoseAndMouth(p);
        paintWhiskers(p, rng);

        // Gentle vignette keeps the eye on the face.
        QRadialGradient vignette(QPointF(205, 125), 250);
        vignette.setColorAt(0.0, QColor(30, 14, 4, 0));
        vignette.setColorAt(0.55, QColor(30, 14, 4, 0));
        vignette.setColorAt(1.0, QColor(30, 14, 4, 150));
        p.setPen(Qt::NoPen);
        p.setBrush(vignette);
        p.drawRect(QRectF(0, 0, W, H));
    }

    return shrink(canvas, SS).convertToFormat(QImage::Format_RGB32);
}

} // namespace artgen
