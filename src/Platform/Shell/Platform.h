// SPDX-License-Identifier: MIT
#pragma once
// The application and its message loop: waiting inside a handler, ending the
// program, message boxes, the application's error handler, the pixel a mouse
// event points at, and the executable's directory.

// Qt
#include <QApplication>
#include <QMouseEvent>
#include <QPoint>
#include <QString>
// std
#include <functional>
#include <stdexcept>

namespace Platform {

// The application title: task bar, message box captions.
inline const QString AppTitle = QStringLiteral("ぬぺぬぺ衰弱");

// ---- messages -----------------------------------------------------------

// Runs a nested event loop that sleeps until the next event arrives and ends
// as soon as `done` holds; `done` is tested before each wait. `wakeInMs`, when
// given, tells how long from now the condition may change without an event
// (a time limit); the loop wakes itself then.
void WaitUntil(const std::function<bool()>& done, const std::function<int()>& wakeInMs = nullptr);

// Handles the application's events for `ms` milliseconds of real time,
// asleep while none come: timers, the LED sign and repaints go on while the
// caller waits (for another copy's lock, say).
void ProcessEventsFor(int ms);

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
// The same position in the screen's own (device) pixels, `scale` of them to
// a logical pixel: exact, where a logical position would name only every
// other screen pixel at a scale of 2.
QPoint ScreenDevicePixelAt(const QMouseEvent* event, qreal scale);

// ---- files -----------------------------------------------------------------

// The directory of the running executable, ending in the native separator.
QString ExeDir();

} // namespace Platform
