// SPDX-License-Identifier: MIT
#include "LightStr.h"

// Qt
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
// std
#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr int Pitch = 3; // pixels per dot, both ways
constexpr int DefaultWidth = 300;
constexpr int DefaultHeight = 34;
constexpr int32_t DefaultFontH = 11;
constexpr uint32_t DefaultInterval = 100;
constexpr QRgb White = 0xFFFFFFu;

// The largest pixel size whose character cell (ascent + descent, internal
// leading included) is at most `cell` pixels high.
QFont FontAtCellHeight(QFont font, int cell)
{
    for (int px = cell; px > 1; --px) {
        font.setPixelSize(px);
        if (QFontMetrics(font).height() <= cell)
            return font;
    }
    font.setPixelSize(1);
    return font;
}

} // namespace

TLightStr::TLightStr(QWidget* parent) : QWidget(parent)
{
    resize(DefaultWidth, DefaultHeight);
    FShowFontH = DefaultFontH;
    FLightColor = QColor(0, 255, 0);
    FDarkColor = QColor(0, 128, 128);
    FBackColor = QColor(0, 0, 0);
    FShowActive = false;
    FShowIndex = -1;
    FShowCount = 0;
    FEntryX = -1;
    FDotsValid = false;
    FShowEnded = false;
    FShowLoop = true;

    FShowTimer = new QTimer(this);
    FShowInterval = DefaultInterval;
    FShowTimer->setInterval(int(DefaultInterval));
    connect(FShowTimer, &QTimer::timeout, this, &TLightStr::ShowTick);

    FDotImage = QImage(DefaultWidth, Pitch * FShowFontH, QImage::Format_RGB32);
    FDotImage.fill(FBackColor);

    // The sign paints every pixel it covers itself, so a tick repaints the
    // sign alone and never what lies beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(qGuiApp, &QGuiApplication::fontDatabaseChanged, this, [this] { repaint(); });
}

TLightStr::~TLightStr() = default;

void TLightStr::SetLightColor(const QColor& value)
{
    FLightColor = value;
}

void TLightStr::SetDarkColor(const QColor& value)
{
    FDarkColor = value;
}

void TLightStr::SetBackColor(const QColor& value)
{
    FBackColor = value;
}

void TLightStr::SetShowStrings(const QStringList& value)
{
    FShowStrings = value;
    FShowCount = int32_t(FShowStrings.size());
    FShowIndex = -1;
}

void TLightStr::SetShowIndex(int32_t value)
{
    if (value < 0 || value >= FShowStrings.size() || value == FShowIndex)
        return;
    FShowIndex = value;
}

void TLightStr::SetShowInterval(uint32_t value)
{
    if (value == 0 || value == FShowInterval)
        return;
    FShowInterval = value;
    // Restarts a running timer with its new period.
    FShowTimer->setInterval(int(std::min<uint32_t>(value, INT_MAX)));
}

void TLightStr::SetShowFontH(int32_t value)
{
    if (value < 1 || value == FShowFontH)
        return;
    FShowFontH = value;
    FitFont();
    resize(width(), Pitch * value);
    ResizeDots(FDotImage.width(), Pitch * value);
    FDotsValid = false;
    repaint();
}

void TLightStr::SetShowLoop(bool value)
{
    if (value == FShowLoop)
        return;
    FShowLoop = value;
    if (FShowEnded) {
        FShowEnded = false;
        NextLine();
    }
}

void TLightStr::ShowStart()
{
    if (FShowEnded) {
        FShowEnded = false;
        NextLine();
    }
    if (FShowActive)
        return;
    FShowActive = true;
    if (FShowStrings.isEmpty())
        FShowActive = false;
    else if (OnShowActive)
        OnShowActive(this, true);
    if (FShowActive)
        FShowTimer->start();
    else
        FShowTimer->stop();
    FShowEnded = false;
}

void TLightStr::ShowStop()
{
    FShowActive = false;
    FShowTimer->stop();
    if (OnShowActive)
        OnShowActive(this, false);
}

void TLightStr::TickNow()
{
    if (FShowActive)
        ShowTick();
}

void TLightStr::ShowTick()
{
    ++FLineCol;
    if (FLineCol >= FLineWidth) {
        NextLine();
        ++FLineCol; // a fresh line shows its column 0 on this same tick
        if (!FShowActive)
            return;
    }
    FEntryX = FDotImage.width() - Pitch;
    if (FEntryX < 0)
        return;

    const int w = FDotImage.width();
    const qsizetype bpl = FDotImage.bytesPerLine();
    uchar* bits = FDotImage.bits();
    for (int y = 0; y < FDotImage.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(bits + y * bpl);
        std::memmove(row, row + Pitch, size_t(w - Pitch) * sizeof(QRgb));
    }

    const QRgb back = FBackColor.rgb(), dark = FDarkColor.rgb(), light = FLightColor.rgb();
    // After the dot height grows, the rows below the line's raster have
    // nothing to show until the next line is loaded: they stay unlit.
    const int rows = std::min<int>(FShowFontH, FDotImage.height() / Pitch);
    const bool inRaster = FLineCol >= 0 && FLineCol < FLineImage.width();
    for (int r = 0; r < rows; ++r) {
        const bool lit =
            inRaster && r < FLineImage.height() &&
            (reinterpret_cast<const QRgb*>(FLineImage.constScanLine(r))[FLineCol] & White) != White;
        QRgb* cell[Pitch];
        for (int dy = 0; dy < Pitch; ++dy)
            cell[dy] = reinterpret_cast<QRgb*>(bits + (Pitch * r + dy) * bpl) + FEntryX;
        cell[0][0] = cell[0][1] = cell[0][2] = back;
        cell[1][0] = cell[2][0] = back;
        cell[1][1] = cell[1][2] = cell[2][1] = lit ? light : dark;
        cell[2][2] = dark;
    }
    repaint();
}

void TLightStr::NextLine()
{
    if (FShowEnded || FShowStrings.isEmpty()) {
        ShowStop();
        return;
    }
    ++FShowIndex;
    if (FShowIndex >= FShowStrings.size()) {
        FShowIndex = 0;
        if (!FShowLoop) {
            BlankTail();
            return;
        }
        if (OnLineEof)
            OnLineEof(this);
    }
    if (OnLineNext)
        OnLineNext(this, FShowIndex);

    FitFont();
    if (FDotImage.height() != Pitch * FShowFontH)
        ResizeDots(FDotImage.width(), Pitch * FShowFontH);

    // A handler may have emptied or replaced the list: a line that no longer
    // exists enters as one blank column, and the next boundary goes on from
    // whatever ShowIndex now says.
    const bool exists = FShowIndex >= 0 && FShowIndex < FShowStrings.size();
    const QString text = exists ? FShowStrings.at(FShowIndex) : QString();
    const QFontMetrics metrics(FLineFont);
    FLineWidth = std::max(1, metrics.horizontalAdvance(text));
    FLineImage = QImage(FLineWidth, FShowFontH, QImage::Format_RGB32);
    FLineImage.fill(Qt::white);
    if (!text.isEmpty()) {
        QPainter painter(&FLineImage);
        painter.setFont(FLineFont);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(0, metrics.ascent(), text);
    }
    FLineCol = -1;
}

void TLightStr::BlankTail()
{
    FLineWidth = width() / Pitch + 1;
    FLineImage = QImage(FLineWidth, FLineImage.height(), QImage::Format_RGB32);
    FLineImage.fill(Qt::white);
    FShowIndex = -1;
    FLineCol = -1;
    FShowEnded = true;
}

void TLightStr::ResetDots()
{
    FDotsValid = true;
    FDotImage.fill(FBackColor);
    for (int32_t c = 0; c < FDotImage.width() / Pitch; ++c)
        DrawUnlitColumn(c);
}

void TLightStr::DrawUnlitColumn(int32_t col)
{
    const QRgb dark = FDarkColor.rgb();
    const int rows = std::min<int>(FShowFontH, FDotImage.height() / Pitch);
    for (int r = 0; r < rows; ++r)
        for (int dy = 1; dy < Pitch; ++dy) {
            QRgb* line = reinterpret_cast<QRgb*>(FDotImage.scanLine(Pitch * r + dy));
            line[Pitch * col + 1] = line[Pitch * col + 2] = dark;
        }
}

void TLightStr::FitFont()
{
    const QFont current = font();
    if (FFittedH == FShowFontH && current == FFittedFont)
        return;
    FFittedFont = FontAtCellHeight(current, FShowFontH);
    FFittedH = FShowFontH;
    setFont(FFittedFont);
    FLineFont = FFittedFont;
    // Smoothed edges would light whole dots and blur the small glyphs.
    FLineFont.setStyleStrategy(QFont::NoAntialias);
}

void TLightStr::ResizeDots(int width, int height)
{
    QImage dots(width, height, QImage::Format_RGB32);
    dots.fill(FBackColor);
    QPainter(&dots).drawImage(0, 0, FDotImage);
    FDotImage = dots;
}

void TLightStr::paintEvent(QPaintEvent*)
{
    if (FDotImage.width() != width()) {
        const int trimmed = std::max(Pitch, Pitch * (width() / Pitch));
        resize(trimmed, height());
        ResizeDots(trimmed, FDotImage.height());
        FDotsValid = false;
    }
    if (height() != Pitch * FShowFontH)
        resize(width(), Pitch * FShowFontH);
    if (!FDotsValid)
        ResetDots();
    QPainter(this).drawImage(0, 0, FDotImage);
}
