// SPDX-License-Identifier: MIT
#pragma once
// What the game expects of the operating system: the millisecond tick count,
// sleeping, message pumping and waiting, message boxes, the application's
// error handler, code-page text, the executable's directory and the date.

// Qt
#include <QApplication>
#include <QMouseEvent>
#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QTime>
// std
#include <cstdint>
#include <functional>
#include <stdexcept>

namespace Platform {

// The application title: task bar, message box captions.
inline const QString AppTitle = QStringLiteral("ぬぺぬぺ衰弱");

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

// ---- time -------------------------------------------------------------

// Where the tick count and the blocking sleep come from. The real clock is
// monotonic and counts from process start; like the system's millisecond
// counter it wraps after 2^32 ms, passing from INT32_MAX to INT32_MIN after
// 24.8 days. Tests install a clock they drive by hand.
class TClock {
public:
    virtual ~TClock() = default;
    virtual int32_t Tick() = 0;
    virtual void Sleep(int ms) = 0;
    // The current time of day, UTC.
    virtual QTime UtcTimeOfDay();
};

// Installs a clock for the tests; nullptr restores the real one.
void SetClock(TClock* clock);

// Milliseconds since the program started (32 bits, signed, wrapping).
int32_t TickCount();

// The milliseconds from tick count `earlier` to `later`, right across the
// counter's wrap for spans shorter than 24.8 days. Tick counts are compared
// only through it: `TickDiff(now, end) >= 0` says that `end` has come.
constexpr int32_t TickDiff(int32_t later, int32_t earlier)
{
    return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}
// The tick count `ms` milliseconds after `tick` (before it, for negative `ms`).
constexpr int32_t TickAdd(int32_t tick, int32_t ms)
{
    return static_cast<int32_t>(static_cast<uint32_t>(tick) + static_cast<uint32_t>(ms));
}
// Blocks the GUI thread: nothing is painted or handled meanwhile.
void Sleep(int ms);
// The current time of day, UTC, from the installed clock.
QTime UtcTimeOfDay();

// ---- messages -----------------------------------------------------------

// Handles every pending message, then returns at once.
void ProcessMessages();

// Runs a nested event loop that sleeps until the next event arrives and ends
// as soon as `done` holds; `done` is tested before each wait. `wakeInMs`, when
// given, tells how long from now the condition may change without an event
// (a time limit); the loop wakes itself then.
void WaitUntil(const std::function<bool()>& done, const std::function<int()>& wakeInMs = nullptr);

// Asks the application to end once control is back in its message loop:
// after every handler that is running has returned (waits and message boxes
// inside them included); the request holds even if the loop has not started.
// `exitCode` is the program's exit status: 0 for a normal end, 1 when the
// start-up failed.
void Terminate(int exitCode = 0);
bool TerminateRequested();
// Forgets a request; for runs that create the game's windows more than once.
void ClearTerminateRequest();

// ---- message boxes and errors ---------------------------------------------

enum class TMsgIcon { None, Error };

// A modal message box with the application title as caption and one OK button.
void ShowMessage(const QString& text, TMsgIcon icon = TMsgIcon::None);

// Tests replace the modal box by a recorder; nullptr restores the box.
using TMessageHook = std::function<void(const QString& caption, const QString& text, TMsgIcon)>;
void SetMessageHook(TMessageHook hook);

// The application's error handler: shows the error's text in an error box.
void HandleException(const std::exception& e);

// Runs `action`; an exception that leaves it goes to the error handler, and
// the program goes on.
void Guarded(const std::function<void()>& action);

// The application object: an exception that escapes an event handler reaches
// the error handler instead of ending the program.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The logical pixel that a mouse event of `widget` points at. On a scaled
// screen one logical pixel covers several device pixels, and Qt rounds the
// position it hands a widget, which would move half of them into the next
// pixel (out of a button, into a gap). The position is taken with its
// fraction from the window's own event and floored, so that every device
// pixel of a logical pixel hits alike.
QPoint PixelAt(const QWidget* widget, const QMouseEvent* event);
// The pointer's screen position for the same event, floored alike.
QPoint ScreenPixelAt(const QMouseEvent* event);

// ---- windows ----------------------------------------------------------------

// Makes a tool window of the game (Qt::Tool) belong to `owner`, the main
// window: each time it is shown it is tied to the owner (stays over it and
// is minimised with it) and kept out of task bars, pagers and window lists,
// where only the owner stands for the game. A Qt::Tool window has no
// task-bar entry on Windows; an X11 window manager is asked for it. Nothing
// else is tied: each window keeps its own lifetime. `owner` may be null.
void BelongTo(QWidget* window, QWidget* owner);

// Whether a Wayland compositor stands between the game and the screen: on
// the Wayland platform, and on X11 served by Xwayland, where the X server's
// idea of a window's place and of the pointer runs ahead of what the
// compositor shows while a move is under way.
bool CompositorPlacesWindows();

// Where the top-level `window` stands on the screen now, as the window system
// has placed it. A window manager may keep a window elsewhere than the game
// moved it (inside the screen, say) without the game hearing of it; on X11
// the server is asked. Elsewhere the position Qt knows.
QPoint WindowPosition(const QWidget* window);

// ---- text, files, dates ----------------------------------------------------

// Conversion between display text and the Japanese code page (Shift-JIS as
// Windows writes it) in which the ranking file keeps its texts.
QByteArray ToCodePage(const QString& text);
QString FromCodePage(const QByteArray& bytes);
bool CodePageCanEncode(const QString& text);

// The directory of the running executable, ending in the native separator.
QString ExeDir();

// Today's local date as "YYYY/MM/DD", with the locale's date separator.
QString LocalDateText();
// The date separator of the user's locale ("/" when it names none).
QString DateSeparator();

} // namespace Platform
