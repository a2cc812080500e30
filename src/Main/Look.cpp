// SPDX-License-Identifier: MIT
#include "Look.h"

// Qt
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
// std
#include <utility>
#include <vector>

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
void FitNow(QLabel* label, int height)
{
    label->resize(label->fontMetrics().horizontalAdvance(label->text()), height);
}

// Measuring text loads its font, and the first font loaded sets up the whole
// font configuration (10 to 16 ms), which must not hold up the main window's
// first appearance. So until a window of the game has been on screen, a
// label waits to be sized until its own window is first exposed, which comes
// just before that window's first paint; from then on every label is sized
// at once, on screen or not, and shows at its size from its window's first
// frame.
bool FontsLoaded = false;

// The labels of one window that wait for it to be exposed.
class TWaitingFits : public QObject {
public:
    explicit TWaitingFits(QWidget* window) : QObject(window)
    {
        setObjectName(Name);
        window->installEventFilter(this);
    }
    static TWaitingFits* Of(QWidget* window)
    {
        return static_cast<TWaitingFits*>(
            window->findChild<QObject*>(Name, Qt::FindDirectChildrenOnly));
    }
    void Add(QLabel* label, int height)
    {
        std::erase_if(Labels, [label](const TWaiting& w) { return !w.Label || w.Label == label; });
        Labels.push_back({label, height});
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The native window exists from the show event on; its expose comes
        // later, once the window system shows it.
        if (event->type() == QEvent::Show && watched->isWidgetType())
            if (QWindow* handle = static_cast<QWidget*>(watched)->windowHandle())
                handle->installEventFilter(this);
        if (event->type() == QEvent::Expose && watched->isWindowType() &&
            static_cast<QWindow*>(watched)->isExposed()) {
            FontsLoaded = true;
            for (const TWaiting& w : std::exchange(Labels, {}))
                if (w.Label)
                    FitNow(w.Label, w.Height);
            deleteLater();
        }
        return false;
    }

private:
    static inline const QString Name = QStringLiteral("nupe-waiting-fits");
    struct TWaiting {
        QPointer<QLabel> Label;
        int Height;
    };
    std::vector<TWaiting> Labels;
};
} // namespace

void FitToText(QLabel* label, int height)
{
    // A label still waiting in its window's list is sized again to the same
    // text when that window is exposed, which changes nothing.
    if (FontsLoaded) {
        FitNow(label, height);
        return;
    }
    TWaitingFits* waiting = TWaitingFits::Of(label->window());
    if (!waiting)
        waiting = new TWaitingFits(label->window());
    waiting->Add(label, height);
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
