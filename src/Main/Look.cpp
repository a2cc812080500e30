// SPDX-License-Identifier: MIT
#include "Main/Look.h"

// Qt
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace Look {

QFont PGothic(int pixels)
{
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    f.setPixelSize(pixels);
    return f;
}

QFont Gothic(int pixels, bool bold)
{
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic")});
    f.setStyleHint(QFont::Monospace);
    f.setFixedPitch(true);
    f.setBold(bold);
    f.setPixelSize(pixels);
    return f;
}

void SetBackground(QWidget* widget, const QColor& colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

void SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    widget->setPalette(p);
}

namespace {
// Sizes its label to the label's text just before the label is painted, if
// the text has changed since the label was last sized.
class TFitBeforePaint : public QObject {
public:
    explicit TFitBeforePaint(QLabel* label) : QObject(label) { label->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && Pending) {
            Pending = false;
            Fit(static_cast<QLabel*>(watched), Height);
        }
        return false;
    }
    static void Fit(QLabel* label, int height)
    {
        label->resize(label->fontMetrics().horizontalAdvance(label->text()), height);
    }
    bool Pending = false;
    int Height = 0;
};
} // namespace

void FitToTextNow(QLabel* label, int height)
{
    TFitBeforePaint::Fit(label, height);
    if (auto* fit = label->findChild<TFitBeforePaint*>(QString(), Qt::FindDirectChildrenOnly))
        fit->Pending = false;
}

void FitToText(QLabel* label, int height)
{
    // Measuring text loads its font, and the first font loaded sets up the
    // whole font configuration: a label that is not on screen yet is sized
    // when it is first painted, so that no window waits for fonts before it
    // appears.
    const QWindow* window = label->window()->windowHandle();
    if (label->isVisible() && window && window->isExposed()) {
        TFitBeforePaint::Fit(label, height);
        return;
    }
    auto* fit = label->findChild<TFitBeforePaint*>(QString(), Qt::FindDirectChildrenOnly);
    if (!fit)
        fit = new TFitBeforePaint(label);
    fit->Pending = true;
    fit->Height = height;
    label->resize(label->width(), height);
}

void CentreOnScreen(QWidget* window)
{
    if (const QScreen* s = QGuiApplication::primaryScreen())
        window->move(s->geometry().center() - window->rect().center());
}

QImage ResourceImage(const QString& path)
{
    QImageReader reader(path, QFileInfo(path).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

} // namespace Look
