// SPDX-License-Identifier: MIT
#include "Main/Look.h"

// Qt
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QScreen>
#include <QWidget>
#include <QPointer>
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

// Labels that wait for a window of the game to be on screen before they are
// sized to their text: measuring text loads its font, and the first font
// loaded sets up the whole font configuration (10 to 16 ms), which must not
// hold up the main window's first appearance. The first window exposed opens
// the gate for good; from then on every label is sized at once, on screen or
// not, so that a window shows its labels at their size from its first frame.
class TFitGate : public QObject {
public:
    static TFitGate& Instance()
    {
        static TFitGate* gate = new TFitGate(qApp);
        return *gate;
    }
    bool Open() const { return Opened; }
    void Defer(QLabel* label, int height)
    {
        std::erase_if(Waiting, [label](const TWaiting& w) { return !w.Label || w.Label == label; });
        Waiting.push_back({label, height});
        if (Waiting.size() == 1)
            qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The expose comes before the window's first paint, so every label
        // is painted at its size.
        if (event->type() == QEvent::Expose && watched->isWindowType() &&
            static_cast<QWindow*>(watched)->isExposed())
            OpenGate();
        return false;
    }

private:
    using QObject::QObject;
    struct TWaiting {
        QPointer<QLabel> Label;
        int Height;
    };
    void OpenGate()
    {
        Opened = true;
        qApp->removeEventFilter(this);
        for (const TWaiting& w : std::exchange(Waiting, {}))
            if (w.Label)
                FitNow(w.Label, w.Height);
    }
    bool Opened = false;
    std::vector<TWaiting> Waiting;
};
} // namespace

void FitToText(QLabel* label, int height)
{
    TFitGate& gate = TFitGate::Instance();
    if (gate.Open()) {
        FitNow(label, height);
        return;
    }
    gate.Defer(label, height);
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
