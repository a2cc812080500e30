// SPDX-License-Identifier: MIT
#pragma once
// A tool window of the game (the penalty window, the ranking window): it
// belongs to the main window, and goes away and comes back with it when the
// game is minimised and restored, whatever the window manager does with the
// windows tied to a minimised one.

// Qt
#include <QPointer>
#include <QWidget>

class TToolWindow : public QWidget {
    Q_OBJECT
public:
    // `owner` is the main window; it may be null.
    TToolWindow(QWidget* owner, Qt::WindowFlags flags, QWidget* parent = nullptr);
    ~TToolWindow() override;

    // The owner is being minimised: each of its tool windows still on the
    // screen is hidden with it. Hidden this way a window is not closed:
    // Away() tells its hide events apart, and the game still counts it as
    // Shown(). Called before the owner is minimised, so that no window
    // manager minimises the tool windows on their own, and again once it is.
    static void GoAwayWith(const QWidget* owner);
    // The owner is back: the windows that went with it come back over it,
    // unless the game hid one of them meanwhile. Does nothing when none is
    // away.
    static void ComeBackWith(const QWidget* owner);

    // The window went away with its owner and waits to come back.
    bool Away() const { return IsAway; }
    // Shown by the game and not hidden by it since: on screen, or away with
    // the minimised owner.
    bool Shown() const { return isVisible() || IsAway; }

    // The game's own show or hide: a window that the game shows or hides
    // while it is away is the game's again, and a hidden one stays hidden.
    void setVisible(bool visible) override;

private:
    QPointer<QWidget> Owner;
    bool IsAway = false;
};
