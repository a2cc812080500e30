// SPDX-License-Identifier: MIT
#pragma once
// The look shared by the game's windows: their colour, their fonts, and
// small helpers for colours and placement.

// Qt
#include <QColor>
#include <QFont>
#include <QImage>

class QLabel;
class QWidget;

namespace Look {
// The window colour of the main and ranking windows, a light lavender.
inline const QColor WindowColour(178, 167, 255);

// "ＭＳ Ｐゴシック", or its metric-compatible free stand-in, at `pixels` high.
QFont PGothic(int pixels);
// "ＭＳ ゴシック" (fixed pitch), or its free stand-in.
QFont Gothic(int pixels, bool bold = false);

// Fills the widget's background with `colour`.
void SetBackground(QWidget* widget, const QColor& colour);
// Sets the colour of the widget's text.
void SetTextColour(QWidget* widget, const QColor& colour);
// Sizes a label to its text: as wide as the text's advance, `height` high.
// Until a window of the game has first been on screen, the label is sized
// just before that window's first paint, so that no font is loaded before the
// main window appears; from then on at once, on screen or not.
void FitToText(QLabel* label, int height);
// Moves a top-level window to the middle of the primary screen.
void CentreOnScreen(QWidget* window);
// Reads one of the game's own pictures. Its name tells its format, so the
// built-in reader takes it at once, without probing every image plugin.
QImage ResourceImage(const QString& path);
} // namespace Look
