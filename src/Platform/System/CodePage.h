// SPDX-License-Identifier: MIT
#pragma once
// Text in the Japanese code page, in which the ranking file keeps its names
// and dates.

// Qt
#include <QByteArray>
#include <QString>

namespace Platform {

// Conversion between display text and the Japanese code page (Shift-JIS as
// Windows writes it) in which the ranking file keeps its texts.
QByteArray ToCodePage(const QString& text);
QString FromCodePage(const QByteArray& bytes);
bool CodePageCanEncode(const QString& text);

} // namespace Platform
