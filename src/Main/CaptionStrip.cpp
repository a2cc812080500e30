// SPDX-License-Identifier: MIT
#include "CaptionStrip.h"

#include "Main.h"
#include "Desktop.h"
#include "Platform.h"
#include "ToolWindow.h"
// Qt
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>

namespace {
// A window manager has had time to minimise the window by then.
constexpr int MinimiseRefusedAfterMs = 1500;
} // namespace

// ---- TClientArea -------------------------------------------------------------

TClientArea::TClientArea(TForm1* form) : QWidget(form), Form(form)
{
    // Every move counts, not only while a button is held: the hints follow
    // the pointer over the buttons.
    setMouseTracking(true);
}

void TClientArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Form->CaptionButtons.Paint(painter, [this] { Form->FormPaint(); });
}

void TClientArea::mousePressEvent(QMouseEvent* event)
{
    Form->CaptionMouseEvent(Form, this, event);
}

void TClientArea::mouseMoveEvent(QMouseEvent* event)
{
    Form->CaptionMouseEvent(Form, this, event);
}

void TClientArea::mouseReleaseEvent(QMouseEvent* event)
{
    Form->CaptionMouseEvent(Form, this, event);
}

// ---- TForm1: the caption strip ---------------------------------------------

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        CaptionMouseEvent(watched, static_cast<QWidget*>(watched),
                          static_cast<QMouseEvent*>(event));
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void TForm1::CaptionMouseEvent(QObject* sender, QWidget* receiver, QMouseEvent* event)
{
    // A click, not a move: a move may still reach the window in the moment
    // before the window manager takes it away.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        BackInSight();
    const QPoint p = Platform::PixelAt(receiver, event);
    EventCursorPos = Platform::ScreenPixelAt(event);
    EventCursorPixel = Platform::ScreenDevicePixelAt(event, devicePixelRatio());
    EventButtons = event->buttons();
    Platform::Guarded([&] {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: // the second press of a double click
            ImgTopMouseDown(sender, event->button(), event->modifiers(), p.x(), p.y());
            break;
        case QEvent::MouseMove:
            ImgTopMouseMove(sender, event->modifiers(), p.x(), p.y());
            break;
        case QEvent::MouseButtonRelease:
            ImgTopMouseUp(sender, event->button(), event->modifiers(), p.x(), p.y());
            break;
        default:
            break;
        }
    });
    event->accept();
}

QPoint TForm1::CursorPos() const
{
    // The pointer as the event saw it: the same screen coordinates whichever
    // element reported it and however far the window has moved since.
    return EventCursorPos;
}

int32_t TForm1::CaptionButtonOf(QObject* sender, int x, int y) const
{
    // The clock and the LED sign lie in the strip but are never buttons,
    // whatever their own coordinates.
    return sender == this ? Caption::ButtonAt(x, y) : -1;
}

void TForm1::DrawCaptionButton(int32_t i, bool Normal)
{
    CaptionButtons.Draw(i, Normal);
}

void TForm1::FormPaint()
{
    for (int32_t b = 0; b < Caption::ButtonCount; ++b)
        DrawCaptionButton(b, true);
}

void TForm1::SetHintsEnabled(bool on)
{
    if (on) {
        ClientArea->setToolTip(HintText);
        return;
    }
    ClientArea->setToolTip(QString());
    QToolTip::hideText();
}

void TForm1::ImgTopMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers, int X,
                             int Y)
{
    if (Button != Qt::LeftButton)
        return;
    const int32_t b = CaptionButtonOf(Sender, X, Y);
    CaptionButtons.Press(b);
    if (b >= 0)
        return;
    Dragging = true;
    DragOrigin = EventCursorPixel;
    SystemMoveAsked = false;
    // Where the compositor has the last word on where windows stand (Wayland,
    // and X11 through Xwayland), it moves the window for us, once the pointer
    // moves with the button held: asked for on the press, a click let go
    // within a few milliseconds (a tap on a touchpad) could reach a compositor
    // (KWin) only after its release, and leave the window stuck to the
    // pointer.
    HandOverDrag = Platform::CompositorMovesWindows();
    if (!HandOverDrag)
        // Where the window stands, which a window manager may have chosen
        // (one that keeps windows inside the screen stops a drag at its edge).
        DragWindowPos = Platform::WindowPosition(this);
}

void TForm1::ImgTopMouseMove(QObject* Sender, Qt::KeyboardModifiers, int X, int Y)
{
    if (const int32_t b = CaptionButtonOf(Sender, X, Y); b >= 0) {
        if (b != HintButton) {
            const bool tipShown = QToolTip::isVisible();
            SetHintsEnabled(false);
            HintText = Caption::Hints[size_t(b)];
            SetHintsEnabled(true);
            HintButton = b;
            // A hint already on screen takes the next button's text at once.
            if (tipShown)
                QToolTip::showText(CursorPos(), HintText, ClientArea, Caption::ButtonRect(b));
        }
    } else {
        SetHintsEnabled(false);
        HintButton = -1;
    }

    if (!Dragging)
        return;
    // A drag lives only while its button is held: a move without it means
    // that its release went elsewhere.
    if (!(EventButtons & Qt::LeftButton)) {
        Dragging = HandOverDrag = false;
        return;
    }
    if (HandOverDrag) {
        HandOverDrag = false;
        if (Platform::StartSystemMove(this, DragOrigin)) {
            // Its move ends with the button.
            SystemMoveAsked = true;
            Dragging = false;
            return;
        }
        DragWindowPos = Platform::WindowPosition(this);
    }
    // By the pointer's travel on the screen, pixel for pixel at any scale:
    // the event's own coordinates move with the window. Nothing keeps the
    // window on the screen.
    const QPoint p = EventCursorPixel;
    DragWindowPos += p - DragOrigin;
    Platform::MoveWindow(this, DragWindowPos);
    DragOrigin = p;
}

void TForm1::ImgTopMouseUp(QObject* Sender, Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y)
{
    Dragging = HandOverDrag = false;
    // The release came before the compositor took the move over: one that
    // starts it only now must not.
    if (SystemMoveAsked) {
        SystemMoveAsked = false;
        Platform::CancelSystemMove(this);
    }
    // Over any of the four: the held button runs.
    if (const int32_t b = CaptionButtons.Release(CaptionButtonOf(Sender, X, Y) >= 0); b >= 0)
        RunCaptionButton(b);
}

void TForm1::RunCaptionButton(int32_t b)
{
    switch (b) {
    case Caption::Exit:
        BtnExitClick();
        break;
    case Caption::ReStart:
        BtnReStartClick();
        break;
    case Caption::Rank:
        BtnRankClick();
        break;
    case Caption::Min:
        BtnMinClick();
        break;
    default:
        break;
    }
}

void TForm1::BtnMinClick()
{
    LightStr1->ShowStop();
    // The penalty and ranking windows go first: a window manager that takes
    // them along with the main window would minimise them on their own, and
    // show them minimised again when the game shows them on its return.
    TToolWindow::GoAwayWith(this);
    // Handled before this returns: the window state changes at once, and
    // ApplicationRestore runs when the player brings the game back.
    MinimisedByButton = true;
    setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
    // One that refuses (Weston, to X11 windows) leaves the window on the
    // screen: the penalty and ranking windows come back, and the sign goes on.
    QTimer::singleShot(MinimiseRefusedAfterMs, this, [this] {
        if (MinimisedByButton && Platform::RestoreIsReported() && Platform::OnScreen(this))
            BackInSight();
    });
}
