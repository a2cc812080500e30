// SPDX-License-Identifier: MIT
#pragma once
// The about-text that the main window's LED sign loops, and the colour each
// of its lines is shown in.

// Qt
#include <QColor>
#include <QStringList>
// std
#include <cstdint>

// The 32 lines in the order they enter the sign: the title with the credits,
// the quiz about the card pictures, and the story of the project.
const QStringList& AboutLines();
// The dot colour of line `index`: yellow for the three headers, white for
// names, lime for everything else (also past the last line).
QColor AboutLineColour(int32_t index);
