// SPDX-License-Identifier: MIT
#include "Platform.h"

// Qt
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <QtMath>
// std
#include <algorithm>
#include <utility>

namespace Platform {

namespace {

bool TerminateFlag = false;
// An end asked for but not yet passed on to the message loop, and how many
// events are being handled, one inside the other.
bool ExitPending = false;
int ExitCode = 0;
int DispatchDepth = 0;
TMessageHook MessageHook;

// The mouse event that a window is handling, with its positions as the
// window system gave them; the widgets' events arise from it.
struct TWindowMouse {
    const QWindow* Window = nullptr;
    QPointF Local, Global;
};
const TWindowMouse* WindowMouse = nullptr;

bool IsMouseEvent(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        return true;
    default:
        return false;
    }
}

QPoint Floor(QPointF p)
{
    return {qFloor(p.x()), qFloor(p.y())};
}

// Ends the message loop, but only from the loop itself: while any handler is
// still running (a wait inside a card click, a message box), ending the loop
// would make every modal box opened after it return at once, unseen. The
// request then waits until the outermost handler has returned.
void ExitIfIdle(int depthOfCaller)
{
    // Only the program's own loop, with no modal loop inside it: before the
    // loop runs, the queued request passes it on once it does.
    if (!ExitPending || DispatchDepth > depthOfCaller || QThread::currentThread()->loopLevel() != 1)
        return;
    ExitPending = false;
    QCoreApplication::exit(ExitCode);
}

} // namespace

void WaitUntil(const std::function<bool()>& done, const std::function<int()>& wakeInMs)
{
    QTimer wake;
    wake.setSingleShot(true);
    while (!done()) {
        if (wakeInMs)
            wake.start(std::max(0, wakeInMs()));
        // Blocks until at least one event has been handled; every handled
        // event may have changed the condition, so it is tested again.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void ProcessEventsFor(int ms)
{
    const QDeadlineTimer end(ms);
    WaitUntil([&] { return end.hasExpired(); }, [&] { return int(end.remainingTime()); });
}

void Terminate(int exitCode)
{
    TerminateFlag = true;
    ExitPending = true;
    ExitCode = exitCode;
    // Queued, so that a request made before the loop runs is not lost. exit()
    // rather than quit(): quit() would close every window at once, and a
    // ranking window that is waiting for a name must stay until the player
    // closes it. The queued call runs as an event of its own (depth 1) when
    // the loop is idle; inside a handler, notify() passes the request on
    // once that handler has returned.
    QMetaObject::invokeMethod(
        qApp, [] { ExitIfIdle(1); }, Qt::QueuedConnection);
}

bool TerminateRequested()
{
    return TerminateFlag;
}

void ClearTerminateRequest()
{
    TerminateFlag = false;
    ExitPending = false;
}

void ShowMessage(const QString& text, TMsgIcon icon)
{
    if (MessageHook) {
        MessageHook(AppTitle, text, icon);
        return;
    }
    QMessageBox box(icon == TMsgIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, AppTitle,
                    text, QMessageBox::Ok);
    box.exec();
}

void SetMessageHook(TMessageHook hook)
{
    MessageHook = std::move(hook);
}

void HandleException(const std::exception& e)
{
    ShowMessage(QString::fromUtf8(e.what()), TMsgIcon::Error);
}

void Guarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        HandleException(e);
    }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The plain name names the player's data folder and the window class;
    // the title is what the player sees.
    setApplicationName(QStringLiteral("nupenupe"));
    setApplicationDisplayName(AppTitle);
    setDesktopFileName(QStringLiteral(NUPE_APP_ID));
    // The game ends through Terminate() alone (the main window's close does
    // that): a ranking window that waits for a name keeps the run alive after
    // the main window has gone, where Qt would end it as soon as no window but
    // such tool windows is left.
    setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    struct TDepth {
        TDepth() { ++DispatchDepth; }
        ~TDepth() { --DispatchDepth; }
    };
    // A widget's mouse event is handled inside its window's, which holds the
    // positions unrounded.
    TWindowMouse windowMouse;
    const TWindowMouse* outer = WindowMouse;
    if (receiver->isWindowType() && IsMouseEvent(event)) {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        windowMouse = {static_cast<const QWindow*>(receiver), mouse->position(),
                       mouse->globalPosition()};
        WindowMouse = &windowMouse;
    }
    struct TRestore {
        const TWindowMouse* Outer;
        ~TRestore() { WindowMouse = Outer; }
    } restore{outer};
    bool handled = false;
    {
        TDepth depth;
        try {
            handled = QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            HandleException(e);
        }
    }
    ExitIfIdle(0);
    return handled;
}

QPoint PixelAt(const QWidget* widget, const QMouseEvent* event)
{
    if (WindowMouse && widget->window()->windowHandle() == WindowMouse->Window) {
        const QPointF exact =
            WindowMouse->Local - QPointF(widget->mapTo(widget->window(), QPoint(0, 0)));
        // The same event as Qt rounded it, not one sent to the widget directly.
        if (exact.toPoint() == event->position().toPoint())
            return Floor(exact);
    }
    return Floor(event->position());
}

namespace {
// The screen position of the mouse event being handled, unrounded.
QPointF ExactGlobal(const QMouseEvent* event)
{
    if (WindowMouse && WindowMouse->Global.toPoint() == event->globalPosition().toPoint())
        return WindowMouse->Global;
    return event->globalPosition();
}
} // namespace

QPoint ScreenPixelAt(const QMouseEvent* event)
{
    return Floor(ExactGlobal(event));
}

QPoint ScreenDevicePixelAt(const QMouseEvent* event, qreal scale)
{
    return (ExactGlobal(event) * scale).toPoint();
}

QString ExeDir()
{
    QString dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    return dir;
}

} // namespace Platform
