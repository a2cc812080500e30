// SPDX-License-Identifier: MIT
#pragma once
// What the game asks of the desktop it runs on: the window system to use,
// whole scale factors, tool windows that belong to the main window, and where
// a window stands.

// Qt
#include <QByteArray>
#include <QPoint>
// std
#include <functional>

class QWidget;

namespace Platform {

// ---- start-up ---------------------------------------------------------

// What the choice of Qt's platform plugin depends on.
struct TPlatformSetting {
    QByteArray QpaPlatform;        // QT_QPA_PLATFORM
    QByteArray Display;            // DISPLAY: an X server, Xwayland's too
    QByteArray WaylandDisplay;     // WAYLAND_DISPLAY
    bool PlatformArgument = false; // -platform on the command line
};

// The platform plugins to ask Qt for, or empty to leave Qt's own choice. The
// game places, stacks and drags its windows itself, which X11 allows and
// Wayland does not: it runs on X11 wherever an X server is reachable
// (Xwayland in a Wayland session), and natively on Wayland only without one.
// A platform the player chose is kept.
QByteArray PreferredPlatform(const TPlatformSetting& setting);
// Applies PreferredPlatform to this process; before the application object
// is made.
void ChoosePlatform(int argc, char** argv);

// The game is pixel art (3-pixel LED dots, 33-pixel buttons, 100 x 80 cards):
// only a whole scale factor keeps every pixel the same size. A factor from the
// desktop or the environment rounds down below .75 and up from .75, as Qt's
// RoundPreferFloor does: 1.25 and 1.5 give 1, so the window still fits a
// 1920 x 1080 screen at 150 %; 1.75 gives 2. Never below 1.
int WholeScaleFactor(double factor);
// A list of factors as QT_SCREEN_SCALE_FACTORS holds them ("1.5;2" or
// "eDP-1=1.5;HDMI-1=2;"), each made whole; entries that are no number stay.
QByteArray WholeScaleFactors(const QByteArray& list);
// Makes the scale factors of this process whole: Qt's rounding of the
// desktop's factor, and QT_SCALE_FACTOR and QT_SCREEN_SCALE_FACTORS, unless
// the player chose a rounding of their own (QT_SCALE_FACTOR_ROUNDING_POLICY).
// Before the application object is made.
void UseWholeScaleFactors();

// ---- windows ----------------------------------------------------------------

// Makes a tool window of the game (Qt::Tool) belong to `owner`, the main
// window: each time it is shown it is tied to the owner (stays over it and
// is minimised with it) and kept out of task bars, pagers and window lists,
// where only the owner stands for the game. A Qt::Tool window has no
// task-bar entry on Windows; an X11 window manager is asked for it. Nothing
// else is tied: each window keeps its own lifetime. `owner` may be null.
void BelongTo(QWidget* window, QWidget* owner);

// Whether the window system shows the top-level `window` now. A window
// manager may have taken a tool window away with the window it belongs to,
// as it minimised that; on X11 the server is asked. Elsewhere, whether Qt
// knows it visible and not minimised.
bool OnScreen(const QWidget* window);

// Whether the window system tells a window that it was restored after a
// minimise: an X11 window manager does (the window's state changes back);
// Wayland never does.
bool RestoreIsReported();

// Whether a Wayland compositor stands between the game and the screen: on
// the Wayland platform, and on X11 served by Xwayland, where the X server's
// idea of a window's place and of the pointer runs ahead of what the
// compositor shows while a move is under way.
bool CompositorPlacesWindows();

// ---- moving a window ----------------------------------------------------

// Whether a drag of a window is the compositor's own move, asked for with
// StartSystemMove, rather than the game's: where the compositor places
// windows, or where a test stands in for one.
bool CompositorMovesWindows();
// Asks the compositor to move `window` with the pointer while the left
// button, which went down at screen pixel `pressPixel`, stays down; true when
// it takes the move. Ask only with the button held: a compositor that starts
// the move after the release has already come (KWin) would leave the window
// following the pointer.
bool StartSystemMove(QWidget* window, QPoint pressPixel);
// The release reached the game after StartSystemMove, so the compositor has
// not taken the move yet: on X11 (Xwayland too) it is told to cancel one it
// may be about to start.
void CancelSystemMove(QWidget* window);

// A test's stand-in for the compositor: Start answers StartSystemMove and
// Cancel hears CancelSystemMove. An empty Start puts the real one back.
struct TCompositorStandIn {
    std::function<bool(QWidget*)> Start;
    std::function<void(QWidget*)> Cancel;
};
void SetCompositorStandIn(TCompositorStandIn standIn);

// Where the top-level `window` stands on the screen now, in screen (device)
// pixels, as the window system has placed it. A window manager may keep a
// window elsewhere than the game moved it (inside the screen, say) without
// the game hearing of it; on X11 the server is asked. Elsewhere the position
// Qt knows.
QPoint WindowPosition(const QWidget* window);
// Puts the top-level `window`'s top-left corner at screen pixel `pixel`. On
// X11 to the pixel at any scale: on a screen scaled by 2 a logical position
// can only name every other screen pixel. Elsewhere at the logical position
// nearest to it.
void MoveWindow(QWidget* window, QPoint pixel);

} // namespace Platform
