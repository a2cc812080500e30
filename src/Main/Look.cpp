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

void FitToText(QLabel* label, int height)
{
    label->resize(label->fontMetrics().horizontalAdvance(label->text()), height);
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

void BelongTo(QWidget* window, QWidget* owner)
{
    // Both need their native windows for the tie; they are made now, so that
    // the tie holds from the first showing on.
    window->winId();
    owner->winId();
    window->windowHandle()->setTransientParent(owner->windowHandle());
}

} // namespace Look
