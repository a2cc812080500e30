// SPDX-License-Identifier: MIT
#include "CodePage.h"

// Qt
#include <QTextCodec>
// std
#include <stdexcept>
#include <utility>

namespace Platform {

namespace {

QTextCodec* CodePage()
{
    // Windows' Japanese code page. Qt answers "Windows-31J" with its ICU
    // converter for IBM-943 (aliases cp932, windows-31j), which maps as
    // Windows does: NEC and IBM extensions, 0x81 0x60 as U+FF5E.
    static QTextCodec* codec = [] {
        for (const char* name : {"Windows-31J", "Shift_JIS"})
            if (QTextCodec* c = QTextCodec::codecForName(name))
                return c;
        throw std::runtime_error("Shift_JIS text codec is not available");
    }();
    return codec;
}

// Input methods on Linux type these characters as the JIS tables map them;
// the Windows code page has look-alikes of its own in their places, which a
// player on Windows types and which Windows writes. Names take the Windows
// ones, so that they are stored and counted as Windows stores them.
QString WithWindowsLookAlikes(QString text)
{
    static constexpr std::pair<char16_t, char16_t> LookAlikes[] = {
        {u'\u301C', u'\uFF5E'}, // wave dash: fullwidth tilde
        {u'\u2212', u'\uFF0D'}, // minus sign: fullwidth hyphen-minus
        {u'\u2016', u'\u2225'}, // double vertical line: parallel to
        {u'\u00A2', u'\uFFE0'}, // cent sign: fullwidth cent sign
        {u'\u00A3', u'\uFFE1'}, // pound sign: fullwidth pound sign
        {u'\u00AC', u'\uFFE2'}, // not sign: fullwidth not sign
        {u'\u2014', u'\u2015'}, // em dash: horizontal bar
    };
    for (QChar& c : text)
        for (const auto& [typed, windows] : LookAlikes)
            if (c == QChar(typed))
                c = QChar(windows);
    return text;
}

} // namespace

QByteArray ToCodePage(const QString& text)
{
    return CodePage()->fromUnicode(WithWindowsLookAlikes(text));
}

QString FromCodePage(const QByteArray& bytes)
{
    // Invalid sequences become replacement characters; never an error.
    return CodePage()->toUnicode(bytes);
}

bool CodePageCanEncode(const QString& text)
{
    return CodePage()->canEncode(WithWindowsLookAlikes(text));
}

} // namespace Platform
