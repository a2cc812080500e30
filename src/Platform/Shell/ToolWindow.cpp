// SPDX-License-Identifier: MIT
#include "ToolWindow.h"

#include "Desktop.h"
// std
#include <algorithm>
#include <cstdint>
#include <vector>

namespace {
// Every tool window, with the order in which the game last showed each, so
// that windows coming back stack as they stood.
struct TEntry {
    TToolWindow* Window;
    uint64_t ShownAt;
};
std::vector<TEntry> ToolWindows;
uint64_t ShowCount = 0;

TEntry* EntryOf(const TToolWindow* window)
{
    const auto it = std::find_if(ToolWindows.begin(), ToolWindows.end(),
                                 [window](const TEntry& e) { return e.Window == window; });
    return it == ToolWindows.end() ? nullptr : &*it;
}
} // namespace

TToolWindow::TToolWindow(QWidget* owner, Qt::WindowFlags flags, QWidget* parent)
    : QWidget(parent, flags), Owner(owner)
{
    ToolWindows.push_back({this, 0});
    Platform::BelongTo(this, owner);
}

TToolWindow::~TToolWindow()
{
    std::erase_if(ToolWindows, [this](const TEntry& e) { return e.Window == this; });
}

void TToolWindow::setVisible(bool visible)
{
    IsAway = false;
    if (TEntry* e = EntryOf(this); e && visible)
        e->ShownAt = ++ShowCount;
    QWidget::setVisible(visible);
}

void TToolWindow::GoAwayWith(const QWidget* owner)
{
    // Hidden by the game itself: some window managers (xfwm4) minimise only
    // the main window and leave the windows tied to it on the desktop. One
    // that took a window along already brings it back too.
    for (const TEntry& e : ToolWindows) {
        TToolWindow* w = e.Window;
        if (w->Owner == owner && Platform::OnScreen(w)) {
            w->IsAway = true; // before the hide event
            w->QWidget::setVisible(false);
        }
    }
}

void TToolWindow::ComeBackWith(const QWidget* owner)
{
    std::vector<TEntry> back;
    for (const TEntry& e : ToolWindows)
        if (e.Window->Owner == owner && e.Window->IsAway)
            back.push_back(e);
    std::sort(back.begin(), back.end(),
              [](const TEntry& a, const TEntry& b) { return a.ShownAt < b.ShownAt; });
    for (const TEntry& e : back) {
        TToolWindow* w = e.Window;
        w->IsAway = false;
        w->QWidget::setVisible(true);
        w->raise();
        // As the game showed it: the ranking window takes the keyboard again,
        // the penalty window never does.
        if (!w->testAttribute(Qt::WA_ShowWithoutActivating))
            w->activateWindow();
    }
}
