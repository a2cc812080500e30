// SPDX-License-Identifier: MIT
#include "Desktop.h"

// Qt
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QtMath>
// std
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>
#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace Platform {

namespace {

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

// The root window of the display's first (only) screen.
xcb_window_t Root(xcb_connection_t* c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// The atom of `name`; each lookup is a round trip to the X server.
xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

// The window manager's move of a window: _NET_WM_MOVERESIZE, with the
// pointer's root position, the action (move, or cancel a move), the button
// and the source of the request.
constexpr uint32_t MoveAction = 8, CancelAction = 11, FromApplication = 1;

void SendMoveResize(xcb_connection_t* c, const QWidget* window, std::array<uint32_t, 5> data)
{
    static const xcb_atom_t moveResize = Atom(c, "_NET_WM_MOVERESIZE");
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = xcb_window_t(window->winId());
    message.type = moveResize;
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(c, 0, Root(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
}

// Whether the window manager offers that move (_NET_SUPPORTED); asked once.
bool WindowManagerMoves(xcb_connection_t* c)
{
    static const bool moves = [c] {
        const xcb_atom_t supported = Atom(c, "_NET_SUPPORTED");
        const xcb_atom_t moveResize = Atom(c, "_NET_WM_MOVERESIZE");
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, Root(c), supported, XCB_ATOM_ATOM, 0, 4096), nullptr);
        if (!reply)
            return false;
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        const auto* end = atoms + xcb_get_property_value_length(reply) / 4;
        const bool found = std::find(atoms, end, moveResize) != end;
        std::free(reply);
        return found;
    }();
    return moves;
}
#endif

TCompositorStandIn StandIn;

// Writes the EWMH states that keep a window off task bars and pagers. Only
// for a window that is not mapped yet: the window manager owns the property
// of a mapped window. Qt adds its own states to these when it maps the window.
void AskToSkipTaskBar([[maybe_unused]] QWidget* window)
{
#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
    xcb_connection_t* c = XConnection();
    if (!c)
        return;
    // Looked up once.
    static const xcb_atom_t state = Atom(c, "_NET_WM_STATE");
    static const xcb_atom_t states[] = {Atom(c, "_NET_WM_STATE_SKIP_TASKBAR"),
                                        Atom(c, "_NET_WM_STATE_SKIP_PAGER")};
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

void BelongTo(QWidget* window, QWidget* owner)
{
    window->installEventFilter(new TBelonging(window, owner));
}

bool OnScreen(const QWidget* window)
{
    if (!window->isVisible())
        return false;
#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
    // Mapped, and not minimised by the window manager: one that composites
    // (mutter) keeps minimised windows mapped.
    if (xcb_connection_t* c = XConnection(); c && window->windowHandle()) {
        const xcb_window_t id = xcb_window_t(window->winId());
        static const xcb_atom_t wmState = Atom(c, "WM_STATE");
        const auto attributes = xcb_get_window_attributes(c, id);
        const auto state = xcb_get_property(c, 0, id, wmState, wmState, 0, 1);
        xcb_get_window_attributes_reply_t* a =
            xcb_get_window_attributes_reply(c, attributes, nullptr);
        xcb_get_property_reply_t* s = xcb_get_property_reply(c, state, nullptr);
        constexpr uint32_t Iconic = 3;
        const bool iconic = s && xcb_get_property_value_length(s) >= 4 &&
                            *static_cast<const uint32_t*>(xcb_get_property_value(s)) == Iconic;
        const bool shown = a && a->map_state == XCB_MAP_STATE_VIEWABLE && !iconic;
        std::free(a);
        std::free(s);
        return shown;
    }
#endif
    return !window->isMinimized();
}

bool RestoreIsReported()
{
    return QGuiApplication::platformName() == u"xcb";
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

bool CompositorMovesWindows()
{
    return StandIn.Start || CompositorPlacesWindows();
}

bool StartSystemMove(QWidget* window, QPoint pressPixel)
{
    if (StandIn.Start)
        return StandIn.Start(window);
#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
    // Asked of the window manager as Qt asks it, but from the point where the
    // button went down: a window manager that starts its move where it is told
    // the pointer is (KWin puts the pointer there) then follows the pointer's
    // whole travel, also the part before the move began.
    if (xcb_connection_t* c = XConnection(); c && window->windowHandle()) {
        if (!WindowManagerMoves(c))
            return false;
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME); // the window manager takes the pointer
        SendMoveResize(c, window,
                       {uint32_t(pressPixel.x()), uint32_t(pressPixel.y()), MoveAction,
                        XCB_BUTTON_INDEX_1, FromApplication});
        return true;
    }
#endif
    return window->windowHandle() && window->windowHandle()->startSystemMove();
}

void CancelSystemMove([[maybe_unused]] QWidget* window)
{
    if (StandIn.Start) {
        if (StandIn.Cancel)
            StandIn.Cancel(window);
        return;
    }
#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
    if (xcb_connection_t* c = XConnection(); c && window->windowHandle())
        SendMoveResize(c, window, {0, 0, CancelAction, 0, FromApplication});
#endif
}

void SetCompositorStandIn(TCompositorStandIn standIn)
{
    StandIn = std::move(standIn);
}

QPoint WindowPosition(const QWidget* window)
{
#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
    if (xcb_connection_t* c = XConnection(); c && window->windowHandle()) {
        const xcb_window_t id = xcb_window_t(window->winId());
        xcb_translate_coordinates_reply_t* at = xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, id, Root(c), 0, 0), nullptr);
        if (at) {
            const QPoint p(at->dst_x, at->dst_y);
            std::free(at);
            return p;
        }
    }
#endif
    return window->pos() * window->devicePixelRatio();
}

void MoveWindow(QWidget* window, QPoint pixel)
{
#if defined(NUPE_HAVE_XCB) && QT_CONFIG(xcb)
    // Asked of the X server in its own pixels, as Qt asks it; Qt learns the
    // new place from the server's answer.
    if (xcb_connection_t* c = XConnection(); c && window->windowHandle()) {
        const uint32_t at[] = {uint32_t(pixel.x()), uint32_t(pixel.y())};
        xcb_configure_window(c, xcb_window_t(window->winId()),
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, at);
        xcb_flush(c);
        return;
    }
#endif
    const qreal scale = window->devicePixelRatio();
    window->move(qRound(pixel.x() / scale), qRound(pixel.y() / scale));
}

} // namespace Platform
