// SPDX-License-Identifier: MIT
// The card strip: back, penalty card and 30 animal faces, 100 x 80 each.
#include "artgen.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace artgen {
namespace {

constexpr int CardW = 100;
constexpr int CardH = 80;
constexpr int CardCount = 32;
constexpr int Supersample = 4;

// Every card sits on the same light card stock with a thin warm-grey edge,
// so cards stand out from the red board without any red frame of their own.
const QColor Stock(251, 247, 238);
const QColor StockEdge(170, 158, 140);

const QRectF PanelRect(3.5, 3.5, 93.0, 73.0);
constexpr double PanelRadius = 7.0;

struct Face {
    const char32_t* emoji;
    QColor ground;
};

// Thirty animals that stay easy to tell apart at card size, each on its own
// ground colour picked to contrast with the animal.
const Face Faces[30] = {
    {U"\U0001F439", QColor(150, 205, 255)},       // hamster face on sky blue
    {U"\U0001F42D", QColor(160, 228, 170)},       // mouse face on mint
    {U"\U0001F430", QColor(255, 214, 120)},       // rabbit face on apricot
    {U"\U0001F43F\uFE0F", QColor(205, 180, 255)}, // chipmunk on lilac
    {U"\U0001F994", QColor(140, 226, 226)},       // hedgehog on aqua
    {U"\U0001F431", QColor(255, 168, 196)},       // cat face on rose
    {U"\U0001F436", QColor(110, 200, 150)},       // dog face on sea green
    {U"\U0001F98A", QColor(120, 180, 240)},       // fox on cornflower
    {U"\U0001F43C", QColor(176, 228, 110)},       // panda on leaf green
    {U"\U0001F989", QColor(255, 238, 150)},       // owl on butter yellow
    {U"\U0001F427", QColor(255, 176, 150)},       // penguin on coral
    {U"\U0001F438", QColor(250, 190, 235)},       // frog on pink
    {U"\U0001F422", QColor(255, 196, 120)},       // turtle on orange sand
    {U"\U0001F43B", QColor(175, 240, 215)},       // bear face on pale jade
    {U"\U0001F437", QColor(150, 215, 120)},       // pig face on green
    {U"\U0001F435", QColor(130, 220, 245)},       // monkey face on turquoise
    {U"\U0001F981", QColor(190, 160, 240)},       // lion on violet
    {U"\U0001F425", QColor(120, 150, 240)},       // front-facing chick on blue
    {U"\U0001F986", QColor(255, 220, 200)},       // duck on shell pink
    {U"\U0001F419", QColor(120, 220, 200)},       // octopus on teal
    {U"\U0001F980", QColor(180, 215, 250)},       // crab on pale blue
    {U"\U0001F420", QColor(240, 150, 170)},       // tropical fish on raspberry
    {U"\U0001F433", QColor(255, 220, 100)},       // whale on warm yellow
    {U"\U0001F40C", QColor(215, 240, 140)},       // snail on lime
    {U"\U0001F41E", QColor(200, 240, 200)},       // lady beetle on pale green
    {U"\U0001F98B", QColor(160, 170, 245)},       // butterfly on periwinkle
    {U"\U0001F41D", QColor(170, 225, 255)},       // honeybee on ice blue
    {U"\U0001F99C", QColor(250, 200, 150)},       // parrot on peach
    {U"\U0001F9A9", QColor(170, 235, 190)},       // flamingo on pistachio
    {U"\U0001F9A5", QColor(235, 200, 250)},       // sloth on orchid
};

QColor lighter(const QColor& c, double t)
{
    return mix(c, QColor(255, 255, 255), t);
}

void paintStock(QPainter& p)
{
    p.fillRect(QRectF(0, 0, CardW, CardH), Stock);
    p.setPen(QPen(StockEdge, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, CardW - 1.0, CardH - 1.0));
}

QPainterPath panelPath(double inset = 0.0)
{
    QPainterPath path;
    path.addRoundedRect(PanelRect.adjusted(inset, inset, -inset, -inset), PanelRadius - inset,
                        PanelRadius - inset);
    return path;
}

// Renders one emoji at the font's native bitmap size and crops it to the
// glyph's visible pixels, so every animal can be fitted to the same box.
QImage renderEmoji(const QString& text)
{
    QFont font(QStringLiteral("Noto Color Emoji"));
    font.setPixelSize(109); // the size the colour bitmaps are made for
    QImage canvas(240, 200, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        p.setFont(font);
        p.setPen(QColor(0, 255, 0));
        p.drawText(QRectF(0, 0, canvas.width(), canvas.height()), Qt::AlignCenter, text);
    }
    int left = canvas.width(), right = -1, top = canvas.height(), bottom = -1;
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x) {
            if (qAlpha(row[x]) > 8) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0)
        return QImage();
    return canvas.copy(left, top, right - left + 1, bottom - top + 1);
}

// True if the glyph came out as a colour picture.  Glyphs are drawn with a
// pure green pen: a monochrome fallback glyph would come out in that colour.
bool isColourful(const QImage& img)
{
    int opaque = 0, penColoured = 0;
    QList<QRgb> seen;
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = qUnpremultiply(row[x]);
            if (qAlpha(c) < 250)
                continue;
            ++opaque;
            if (qRed(c) < 16 && qGreen(c) > 240 && qBlue(c) < 16)
                ++penColoured;
            if (seen.size() < 16 && !seen.contains(c))
                seen.push_back(c);
        }
    }
    return opaque > 0 && penColoured * 2 < opaque && seen.size() >= 16;
}

void paintFace(QPainter& p, const QImage& animal, const QColor& ground)
{
    paintStock(p);

    // Ground: the card's own colour, a little lighter in the middle.
    QRadialGradient bg(QPointF(50, 36), 62);
    bg.setColorAt(0.0, lighter(ground, 0.55));
    bg.setColorAt(0.55, lighter(ground, 0.15));
    bg.setColorAt(1.0, ground);
    p.setPen(QPen(scaled(ground, 0.62), 1.3));
    p.setBrush(bg);
    p.drawPath(panelPath());

    // Soft light spot behind the animal.
    QRadialGradient glow(QPointF(50, 40), 36);
    glow.setColorAt(0.0, QColor(255, 255, 255, 120));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(50, 40), 36, 33);

    // The animal, fitted into a 66 x 60 box, with a faint drop shadow.
    const double scale = std::min(66.0 / animal.width(), 60.0 / animal.height());
    const double w = animal.width() * scale, h = animal.height() * scale;
    const QRectF target(50 - w / 2, 40.5 - h / 2, w, h);

    QImage shadow = animal;
    {
        QPainter sp(&shadow);
        sp.setCompositionMode(QPainter::CompositionMode_SourceIn);
        sp.fillRect(shadow.rect(), QColor(40, 30, 20, 70));
    }
    p.drawImage(target.translated(1.2, 1.6), shadow);
    p.drawImage(target, animal);
}

void paintBack(QPainter& p)
{
    paintStock(p);

    const QColor indigo(40, 36, 120);
    QRadialGradient bg(QPointF(50, 40), 60);
    bg.setColorAt(0.0, QColor(58, 52, 158));
    bg.setColorAt(1.0, QColor(26, 22, 84));
    p.setPen(QPen(QColor(20, 16, 60), 1.3));
    p.setBrush(bg);
    p.drawPath(panelPath());

    // Diagonal lattice with small gold studs at the crossings.
    p.save();
    p.setClipPath(panelPath(3.0));
    const double step = 10.0;
    p.setPen(QPen(QColor(104, 100, 210), 1.0));
    for (double k = -CardH; k <= CardW + CardH; k += step) {
        p.drawLine(QPointF(k, 0), QPointF(k + CardH, CardH));
        p.drawLine(QPointF(k, 0), QPointF(k - CardH, CardH));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(226, 190, 100));
    for (int a = -10; a <= 20; ++a)
        for (int b = -10; b <= 20; ++b) {
            // Crossing of x - y = a*step and x + y = b*step.
            const QPointF c((a + b) * step / 2, (b - a) * step / 2);
            if (c.x() > 0 && c.x() < CardW && c.y() > 0 && c.y() < CardH)
                p.drawEllipse(c, 1.2, 1.2);
        }
    p.restore();

    // Double frame.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(226, 190, 100), 1.4));
    p.drawPath(panelPath(3.5));
    p.setPen(QPen(QColor(150, 140, 230), 0.8));
    p.drawPath(panelPath(6.0));

    // Centre emblem: nested diamonds.
    auto diamond = [](double cx, double cy, double rx, double ry) {
        QPainterPath d;
        d.moveTo(cx, cy - ry);
        d.lineTo(cx + rx, cy);
        d.lineTo(cx, cy + ry);
        d.lineTo(cx - rx, cy);
        d.closeSubpath();
        return d;
    };
    p.setPen(QPen(QColor(226, 190, 100), 1.4));
    p.setBrush(indigo);
    p.drawPath(diamond(50, 40, 17, 17));
    p.setPen(QPen(QColor(150, 140, 230), 1.0));
    p.setBrush(QColor(70, 64, 180));
    p.drawPath(diamond(50, 40, 10.5, 10.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 204, 120));
    p.drawPath(diamond(50, 40, 4, 4));
}

void paintPenaltyCard(QPainter& p)
{
    paintStock(p);

    // Black-and-yellow hazard stripes.
    p.save();
    p.setClipPath(panelPath());
    p.fillRect(QRectF(0, 0, CardW, CardH), QColor(250, 204, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(28, 26, 24));
    for (double k = -CardH; k < CardW + CardH; k += 16.0) {
        QPainterPath stripe;
        stripe.moveTo(k, 0);
        stripe.lineTo(k + 8, 0);
        stripe.lineTo(k + 8 - CardH, CardH);
        stripe.lineTo(k - CardH, CardH);
        stripe.closeSubpath();
        p.drawPath(stripe);
    }
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(28, 26, 24), 1.5));
    p.drawPath(panelPath());

    // A stop sign with a white cross.
    auto octagon = [](double cx, double cy, double r) {
        QPainterPath o;
        for (int i = 0; i < 8; ++i) {
            const double a = (22.5 + 45.0 * i) * M_PI / 180.0;
            const QPointF pt(cx + r * std::cos(a), cy + r * std::sin(a));
            if (i == 0)
                o.moveTo(pt);
            else
                o.lineTo(pt);
        }
        o.closeSubpath();
        return o;
    };
    const QPointF c(50, 40);
    p.setPen(QPen(QColor(28, 26, 24), 1.6));
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(octagon(c.x(), c.y(), 31));
    QRadialGradient red(QPointF(44, 32), 34);
    red.setColorAt(0.0, QColor(240, 70, 60));
    red.setColorAt(1.0, QColor(178, 16, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawPath(octagon(c.x(), c.y(), 27));

    QPen cross(QColor(255, 255, 255), 7.0, Qt::SolidLine, Qt::RoundCap);
    p.setPen(QPen(QColor(110, 0, 10, 120), 7.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(41.8, 32.0), QPointF(59.8, 50.0)); // shadow under the cross
    p.drawLine(QPointF(59.8, 32.0), QPointF(41.8, 50.0));
    p.setPen(cross);
    p.drawLine(QPointF(41, 31), QPointF(59, 49));
    p.drawLine(QPointF(59, 31), QPointF(41, 49));
}

QImage renderCard(const std::function<void(QPainter&)>& paint)
{
    return renderSupersampled(QSize(CardW, CardH), Supersample, Stock, paint);
}

} // namespace

QImage drawCardStrip(QString* error)
{
    QImage strip(CardW * CardCount, CardH, QImage::Format_RGB32);
    strip.fill(Stock);
    QPainter p(&strip);

    p.drawImage(0, 0, renderCard(paintBack));
    p.drawImage(CardW, 0, renderCard(paintPenaltyCard));

    for (int i = 0; i < 30; ++i) {
        const QString text = QString::fromUcs4(Faces[i].emoji);
        const QImage animal = renderEmoji(text);
        if (animal.isNull() || !isColourful(animal)) {
            *error = QStringLiteral(
                         "emoji %1 did not render in colour; is fonts-noto-color-emoji installed?")
                         .arg(QString::number(text.toUcs4().value(0), 16));
            return QImage();
        }
        const QColor ground = Faces[i].ground;
        p.drawImage(CardW * (i + 2), 0,
                    renderCard([&](QPainter& cp) { paintFace(cp, animal, ground); }));
    }
    return strip;
}

} // namespace artgen
