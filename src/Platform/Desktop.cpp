// SPDX-License-Identifier: MIT
#include "Platform/Desktop.h"

// Qt
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QtMath>
// std
#include <algorithm>
#include <cstdlib>
#include <cstring>
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

// The atom of `name`; each lookup is a round trip to the X server.
xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
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

} // namespace Platform
