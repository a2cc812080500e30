// SPDX-License-Identifier: MIT
// Text in the Japanese code page, as Windows writes it.

#include "CodePage.h"
// gtest
#include <gtest/gtest.h>

namespace {

TEST(Platform, CodePageTextIsShiftJisAsWindowsWritesIt)
{
    EXPECT_EQ(Platform::ToCodePage(QStringLiteral("ぬぺAB")), QByteArray("\x82\xca\x82\xd8"
                                                                         "AB"));
    // Windows' extensions to the code page, such as the circled digits.
    EXPECT_EQ(Platform::ToCodePage(QStringLiteral("①")), QByteArray("\x87\x40"));
    EXPECT_EQ(Platform::FromCodePage(QByteArray("\x82\xca\x82\xd8")), QStringLiteral("ぬぺ"));
    EXPECT_TRUE(Platform::CodePageCanEncode(QStringLiteral("ぬぺぬぺ衰弱 NUPE")));
    EXPECT_FALSE(Platform::CodePageCanEncode(QStringLiteral("😀")));
    EXPECT_FALSE(Platform::CodePageCanEncode(QStringLiteral("한")));
    // Any bytes decode to something, never an error.
    for (int b = 0; b < 256; ++b) {
        const QString s = Platform::FromCodePage(QByteArray(1, char(b)) + QByteArray(1, '\xff'));
        EXPECT_FALSE(s.isNull()) << b;
    }
}

// Characters that input methods on Linux type where Windows' code page has
// look-alikes of its own: accepted, and written as Windows writes them.
struct TLookAlike {
    char16_t Typed;
    const char* Bytes;
    char16_t Windows;
};
void PrintTo(const TLookAlike& c, std::ostream* os)
{
    *os << "U+" << std::hex << std::uppercase << int(c.Typed);
}
class CodePageLookAlike : public ::testing::TestWithParam<TLookAlike> {};

TEST_P(CodePageLookAlike, IsWrittenAsWindowsWritesIt)
{
    const QString typed(QChar(GetParam().Typed)), windows(QChar(GetParam().Windows));
    EXPECT_TRUE(Platform::CodePageCanEncode(typed));
    EXPECT_EQ(Platform::ToCodePage(typed), QByteArray(GetParam().Bytes));
    EXPECT_EQ(Platform::ToCodePage(windows), QByteArray(GetParam().Bytes));
    EXPECT_EQ(Platform::FromCodePage(GetParam().Bytes), windows);
}

INSTANTIATE_TEST_SUITE_P(Platform, CodePageLookAlike,
                         ::testing::Values(TLookAlike{u'\u301C', "\x81\x60", u'\uFF5E'},
                                           TLookAlike{u'\u2212', "\x81\x7C", u'\uFF0D'},
                                           TLookAlike{u'\u2016', "\x81\x61", u'\u2225'},
                                           TLookAlike{u'\u00A2', "\x81\x91", u'\uFFE0'},
                                           TLookAlike{u'\u00A3', "\x81\x92", u'\uFFE1'},
                                           TLookAlike{u'\u00AC', "\x81\xCA", u'\uFFE2'},
                                           TLookAlike{u'\u2014', "\x81\x5C", u'\u2015'}));

} // namespace
