// SPDX-License-Identifier: MIT
#include "Platform/Platform.h"

// Qt
#include <QAbstractEventDispatcher>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocale>
#include <QMessageBox>
#include <QTextCodec>
#include <QThread>
#include <QTimer>
#include <QPointer>
#include <QScreen>
#include <QtMath>
#include <QWidget>
#include <QWindow>
// std
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace Platform {

namespace {

class TRealClock final : public TClock {
public:
    TRealClock() { Started.start(); }
    // The low 32 bits of the count, as the system's counter keeps them.
    int32_t Tick() override
    {
        return static_cast<int32_t>(static_cast<uint32_t>(Started.elapsed() & 0xFFFFFFFF));
    }
    void Sleep(int ms) override { QThread::msleep(static_cast<unsigned long>(ms)); }

private:
    QElapsedTimer Started;
};

TRealClock& RealClock()
{
    static TRealClock clock;
    return clock;
}
// Started with the program, so that ticks count from process start.
[[maybe_unused]] const bool ClockStartedAtLoad = (RealClock(), true);

TClock* CurrentClock = nullptr;
TClock& Clock()
{
    return CurrentClock ? *CurrentClock : RealClock();
}

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

QTextCodec* CodePage()
{
    // Windows' Japanese code page. Qt answers "Windows-31J" with its ICU
    // converter for IBM-943 (aliases cp932, windows-31j), which maps as
    // Windows does: NEC and IBM extensions, 0x81 0x60 as U+FF5E.
    static QTextCodec* codec = [] {
        for (const char* name : {"Windows-31J", "Shift_JIS"})
            if (QTextCodec* c = QTextCodec::codecForName(name))
                return c;
        throw std::runtime_error("Shift_JIS text codec is not available");
    }();
    return codec;
}

// Input methods on Linux type these characters as the JIS tables map them;
// the Windows code page has look-alikes of its own in their places, which a
// player on Windows types and which Windows writes. Names take the Windows
// ones, so that they are stored and counted as Windows stores them.
QString WithWindowsLookAlikes(QString text)
{
    static constexpr std::pair<char16_t, char16_t> LookAlikes[] = {
        {u'\u301C', u'\uFF5E'}, // wave dash: fullwidth tilde
        {u'\u2212', u'\uFF0D'}, // minus sign: fullwidth hyphen-minus
        {u'\u2016', u'\u2225'}, // double vertical line: parallel to
        {u'\u00A2', u'\uFFE0'}, // cent sign: fullwidth cent sign
        {u'\u00A3', u'\uFFE1'}, // pound sign: fullwidth pound sign
        {u'\u00AC', u'\uFFE2'}, // not sign: fullwidth not sign
        {u'\u2014', u'\u2015'}, // em dash: horizontal bar
    };
    for (QChar& c : text)
        for (const auto& [typed, windows] : LookAlikes)
            if (c == QChar(typed))
                c = QChar(windows);
    return text;
}

#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
// The X server of the X11 platform; none on any other platform (the
// off-screen platform may offer an X11 interface too, without a connection).
xcb_connection_t* XConnection()
{
    if (QGuiApplication::platformName() != u"xcb")
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}
#endif

// Writes the EWMH states that keep a window off task bars and pagers. Only
// for a window that is not mapped yet: the window manager owns the property
// of a mapped window. Qt adds its own states to these when it maps the window.
void AskToSkipTaskBar([[maybe_unused]] QWidget* window)
{
#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
    xcb_connection_t* c = XConnection();
    if (!c)
        return;
    const auto atom = [c](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    };
    // Looked up once: each lookup is a round trip to the X server.
    static const xcb_atom_t state = atom("_NET_WM_STATE");
    static const xcb_atom_t states[] = {atom("_NET_WM_STATE_SKIP_TASKBAR"),
                                        atom("_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), state,
                        XCB_ATOM_ATOM, 32, 2, states);
#endif
}

// Ties a tool window to its owner and keeps it off task bars, before every
// showing: the show event comes after the native window is made and before
// it is mapped, and a window manager drops a window's states when it is
// hidden. Tying it only now makes no window on the display before the main
// window appears.
class TBelonging final : public QObject {
public:
    TBelonging(QWidget* window, QWidget* owner) : QObject(window), Owner(owner) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || event->spontaneous())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (Owner) {
            Owner->winId(); // the owner's native window, for the tie
            window->windowHandle()->setTransientParent(Owner->windowHandle());
        }
        AskToSkipTaskBar(window);
        return false;
    }

private:
    QPointer<QWidget> Owner;
};

} // namespace

QByteArray PreferredPlatform(const TPlatformSetting& setting)
{
    if (!setting.QpaPlatform.isEmpty() || setting.PlatformArgument)
        return {};
    if (!setting.Display.isEmpty())
        // Wayland stays as the fallback for an X server that cannot be reached.
        return setting.WaylandDisplay.isEmpty() ? "xcb" : "xcb;wayland";
    if (!setting.WaylandDisplay.isEmpty())
        return "wayland";
    return {};
}

void ChoosePlatform(int argc, char** argv)
{
    TPlatformSetting setting{qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"),
                             qgetenv("WAYLAND_DISPLAY")};
    for (int i = 1; i < argc; ++i)
        setting.PlatformArgument |=
            std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0;
    if (const QByteArray platform = PreferredPlatform(setting); !platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

int WholeScaleFactor(double factor)
{
    return std::max(1, qFloor(factor + 0.25));
}

QByteArray WholeScaleFactors(const QByteArray& list)
{
    QList<QByteArray> entries = list.split(';');
    for (QByteArray& entry : entries) {
        const qsizetype at = entry.indexOf('=') + 1; // 0 without a screen name
        bool ok = false;
        const double factor = entry.mid(at).toDouble(&ok);
        if (ok)
            entry = entry.left(at) + QByteArray::number(WholeScaleFactor(factor));
    }
    return entries.join(';');
}

void UseWholeScaleFactors()
{
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR_ROUNDING_POLICY"))
        return;
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor);
    for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS"})
        if (const QByteArray value = qgetenv(name); !value.isEmpty())
            qputenv(name, WholeScaleFactors(value));
}

QTime TClock::UtcTimeOfDay()
{
    return QDateTime::currentDateTimeUtc().time();
}

void SetClock(TClock* clock)
{
    CurrentClock = clock;
}
int32_t TickCount()
{
    return Clock().Tick();
}
void Sleep(int ms)
{
    Clock().Sleep(ms);
}
QTime UtcTimeOfDay()
{
    return Clock().UtcTimeOfDay();
}

void ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

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

QPoint ScreenPixelAt(const QMouseEvent* event)
{
    if (WindowMouse && WindowMouse->Global.toPoint() == event->globalPosition().toPoint())
        return Floor(WindowMouse->Global);
    return Floor(event->globalPosition());
}

QByteArray ToCodePage(const QString& text)
{
    return CodePage()->fromUnicode(WithWindowsLookAlikes(text));
}

QString FromCodePage(const QByteArray& bytes)
{
    // Invalid sequences become replacement characters; never an error.
    return CodePage()->toUnicode(bytes);
}

bool CodePageCanEncode(const QString& text)
{
    return CodePage()->canEncode(WithWindowsLookAlikes(text));
}

void BelongTo(QWidget* window, QWidget* owner)
{
    window->installEventFilter(new TBelonging(window, owner));
}

bool CompositorPlacesWindows()
{
    if (QGuiApplication::platformName().startsWith(u"wayland"))
        return true;
#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
    // Xwayland names its outputs XWAYLAND0 and so on; from version 23 it also
    // announces itself with an extension of its own. Asked once.
    static const bool xwayland = [] {
        xcb_connection_t* c = XConnection();
        if (!c)
            return false;
        if (const QScreen* screen = QGuiApplication::primaryScreen();
            screen && screen->name().startsWith(u"XWAYLAND"))
            return true;
        static constexpr char name[] = "XWAYLAND";
        xcb_query_extension_reply_t* reply = xcb_query_extension_reply(
            c, xcb_query_extension(c, uint16_t(sizeof name - 1), name), nullptr);
        const bool present = reply && reply->present;
        std::free(reply);
        return present;
    }();
    return xwayland;
#else
    return false;
#endif
}

QPoint WindowPosition(const QWidget* window)
{
#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
    if (xcb_connection_t* c = XConnection(); c && window->windowHandle()) {
        const xcb_window_t id = xcb_window_t(window->winId());
        const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        xcb_translate_coordinates_reply_t* at = xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, id, root->root, 0, 0), nullptr);
        if (at) {
            // The server counts device pixels; the scale factor is whole.
            const qreal scale = window->devicePixelRatio();
            const QPoint p(qRound(at->dst_x / scale), qRound(at->dst_y / scale));
            std::free(at);
            return p;
        }
    }
#endif
    return window->pos();
}

QString ExeDir()
{
    QString dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    return dir;
}

QString DateSeparator()
{
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (QChar c : format)
        if (!c.isLetter() && !c.isSpace() && c != u'\'')
            return QString(c);
    return QStringLiteral("/");
}

QString LocalDateText()
{
    const QDate d = QDate::currentDate();
    const QString sep = DateSeparator();
    return QStringLiteral("%1%2%3%4%5")
        .arg(d.year(), 4, 10, QChar(u'0'))
        .arg(sep)
        .arg(d.month(), 2, 10, QChar(u'0'))
        .arg(sep)
        .arg(d.day(), 2, 10, QChar(u'0'));
}

} // namespace Platform
