// SPDX-License-Identifier: MIT
// Caption buttons: a 132 x 99 sheet of 33 x 33 cells, four across.
// Image i lies at column i % 4, row i / 4:
//   0 exit, 2 restart, 4 ranking, 6 minimise (normal), each followed by its
//   pressed look.  The third row is plain window colour.
// The buttons are designed on the 33-unit cell; a sheet for screens with more
// pixels per unit draws the same design at a whole-number scale.
#include "artgen.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace artgen {
namespace {

constexpr int Cell = 33;
constexpr int Supersample = 8;
const QColor WindowColour(178, 167, 255);
const QPointF Centre(16.5, 16.5);
constexpr double Radius = 15.5; // 31 pixels across, 1-pixel margin

enum class Symbol { Exit, Restart, Ranking, Minimise };

void paintDisc(QPainter& p, bool pressed)
{
    QPainterPath disc;
    disc.addEllipse(Centre, Radius, Radius);

    if (!pressed) {
        // Bright disc lit from the upper left.
        QRadialGradient body(Centre, Radius, QPointF(10.5, 9.5));
        body.setColorAt(0.0, QColor(150, 122, 255));
        body.setColorAt(0.30, QColor(84, 44, 255));
        body.setColorAt(0.5, QColor(57, 8, 255));
        body.setColorAt(0.86, QColor(55, 7, 248));
        body.setColorAt(1.0, QColor(36, 0, 168));
        p.setPen(Qt::NoPen);
        p.setBrush(body);
        p.drawPath(disc);

        // Glossy highlight.
        p.save();
        p.translate(11.2, 9.6);
        p.rotate(-38);
        QRadialGradient gloss(QPointF(0, 0), 6.5);
        gloss.setColorAt(0.0, QColor(255, 255, 255, 170));
        gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setBrush(gloss);
        p.scale(1.0, 0.6);
        p.drawEllipse(QPointF(0, 0), 6.5, 6.5);
        p.restore();

        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(28, 0, 120), 0.8));
        p.drawEllipse(Centre, Radius - 0.4, Radius - 0.4);
    } else {
        // Darker disc; light falls on the lower right, the upper left is in
        // shadow, so the button looks pushed into the window.
        QRadialGradient body(Centre, Radius, QPointF(22.5, 23.5));
        body.setColorAt(0.0, QColor(70, 40, 196));
        body.setColorAt(0.35, QColor(40, 6, 160));
        body.setColorAt(0.6, QColor(33, 0, 140));
        body.setColorAt(1.0, QColor(22, 0, 96));
        p.setPen(Qt::NoPen);
        p.setBrush(body);
        p.drawPath(disc);

        QLinearGradient shade(QPointF(3, 3), QPointF(30, 30));
        shade.setColorAt(0.0, QColor(0, 0, 20, 150));
        shade.setColorAt(0.45, QColor(0, 0, 20, 0));
        shade.setColorAt(0.75, QColor(255, 255, 255, 0));
        shade.setColorAt(1.0, QColor(190, 170, 255, 70));
        p.setBrush(shade);
        p.drawPath(disc);

        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(14, 0, 64), 0.8));
        p.drawEllipse(Centre, Radius - 0.4, Radius - 0.4);
    }
}

QPainterPath arrowHead(QPointF tip, QPointF dir, double length, double halfWidth)
{
    const double len = std::hypot(dir.x(), dir.y());
    const QPointF u(dir.x() / len, dir.y() / len);
    const QPointF n(-u.y(), u.x());
    const QPointF base = tip - u * length;
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(base + n * halfWidth);
    head.lineTo(base - n * halfWidth);
    head.closeSubpath();
    return head;
}

// Paints a symbol in one colour.  Each symbol is a stroked line part plus a
// filled part (arrow heads).
void paintSymbolShape(QPainter& p, Symbol symbol, const QColor& colour)
{
    QPainterPath line, fill;
    double width = 3.0;
    Qt::PenCapStyle cap = Qt::FlatCap;
    switch (symbol) {
    case Symbol::Exit:
        // Diagonal cross, about 17 pixels each way.
        line.moveTo(10.2, 10.2);
        line.lineTo(22.8, 22.8);
        line.moveTo(22.8, 10.2);
        line.lineTo(10.2, 22.8);
        width = 3.4;
        cap = Qt::SquareCap;
        break;
    case Symbol::Restart:
        // Leftwards along the top, round the bend and back to the right.
        line.moveTo(23.0, 10.2);
        line.lineTo(14.0, 10.2);
        line.arcTo(QRectF(8.75, 10.2, 10.5, 10.5), 90, 180);
        line.lineTo(18.5, 20.7);
        fill = arrowHead(QPointF(25.0, 20.7), QPointF(1, 0), 7.0, 4.6);
        width = 3.0;
        break;
    case Symbol::Ranking:
        // A chart line climbing to the upper right.
        line.moveTo(8.3, 24.5);
        line.lineTo(13.2, 17.0);
        line.lineTo(17.2, 20.8);
        line.lineTo(21.4, 14.4);
        fill = arrowHead(QPointF(25.0, 8.7), QPointF(4.2, -6.4), 7.4, 4.4);
        width = 2.8;
        break;
    case Symbol::Minimise:
        // Straight down.
        line.moveTo(16.5, 8.0);
        line.lineTo(16.5, 18.0);
        fill = arrowHead(QPointF(16.5, 25.0), QPointF(0, 1), 8.0, 7.5);
        width = 4.0;
        break;
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, width, Qt::SolidLine, cap, Qt::MiterJoin));
    p.drawPath(line);
    if (!fill.isEmpty()) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPath(fill);
    }
}

void paintSymbol(QPainter& p, Symbol symbol, QColor colour, bool pressed)
{
    if (pressed)
        colour = scaled(colour, 0.75);
    // Thin darker edge on the upper left side.
    p.save();
    p.translate(-0.7, -0.7);
    paintSymbolShape(p, symbol, scaled(colour, 0.42));
    p.restore();
    paintSymbolShape(p, symbol, colour);
}

QImage renderButton(Symbol symbol, const QColor& colour, bool pressed, int scale)
{
    const QSize size(Cell * scale, Cell * scale);
    return renderSupersampled(size, Supersample, WindowColour, [&](QPainter& p) {
        p.scale(scale, scale);
        paintDisc(p, pressed);
        paintSymbol(p, symbol, colour, pressed);
    });
}

} // namespace

QImage drawButtonSheet(int scale)
{
    struct Button {
        Symbol symbol;
        QColor colour;
    };
    const Button buttons[4] = {
        {Symbol::Exit, QColor(255, 0, 0)},
        {Symbol::Restart, QColor(0, 247, 0)},
        {Symbol::Ranking, QColor(255, 255, 0)},
        {Symbol::Minimise, QColor(255, 115, 41)},
    };

    const int cell = Cell * scale;
    QImage sheet(cell * 4, cell * 3, QImage::Format_RGB32);
    sheet.fill(WindowColour);
    QPainter p(&sheet);
    for (int i = 0; i < 8; ++i) {
        const Button& b = buttons[i / 2];
        const bool pressed = (i % 2) == 1;
        p.drawImage((i % 4) * cell, (i / 4) * cell,
                    renderButton(b.symbol, b.colour, pressed, scale));
    }
    return sheet;
}

} // namespace artgen
