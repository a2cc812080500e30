// SPDX-License-Identifier: MIT
// The window system the game asks for, and whole scale factors.

#include "Desktop.h"
// gtest
#include <gtest/gtest.h>
// std
#include <utility>

// X11 wherever an X server is reachable, Wayland only without one, and a
// platform the player named is left alone.
TEST(Platform, PlatformPluginChoice)
{
    using TSetting = Platform::TPlatformSetting;
    const std::pair<TSetting, QByteArray> cases[] = {
        {{"", ":0", "wayland-0"}, "xcb;wayland"}, {{"", ":0", ""}, "xcb"},
        {{"", "", "wayland-0"}, "wayland"},       {{"", "", ""}, ""},
        {{"wayland", ":0", "wayland-0"}, ""},     {{"", ":0", "wayland-0", true}, ""}};
    for (const auto& [setting, expected] : cases)
        EXPECT_EQ(Platform::PreferredPlatform(setting), expected)
            << setting.QpaPlatform.data() << setting.Display.data() << setting.PlatformArgument;
}

// Whole scale factors: down below .75, up from .75, never below 1; screen
// names and entries that are no number stay as the desktop wrote them.
TEST(Platform, ScaleFactorsAreMadeWhole)
{
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"1.74;1.75;2.5;0.5", "1;2;2;1"},
        {"eDP-1=1.75;HDMI-1=1.5;", "eDP-1=2;HDMI-1=1;"},
        {"DP-2=big", "DP-2=big"}};
    for (const auto& [given, whole] : cases)
        EXPECT_EQ(Platform::WholeScaleFactors(given), whole) << given.data();
}
