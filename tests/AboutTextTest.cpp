// SPDX-License-Identifier: MIT
// The about-text of the main window's LED sign: the fixed lines at their
// places and the colour of every line.

#include "AboutText.h"
// gtest
#include <gtest/gtest.h>
// std
#include <utility>

namespace {

// Yellow headers, white names, lime for the rest.
const QColor Y(255, 255, 0), W(255, 255, 255), L(0, 255, 0);
const QColor ExpectedColours[33] = {Y, L, W, L, W, L, W, L, W, Y, L, L, L, L, Y, L, L,
                                    L, L, L, W, L, L, W, L, L, W, L, L, L, L, L, L};

TEST(AboutText, FixedLinesAtTheirPlaces)
{
    // "　" is the ideographic space; line 14 ends in two plain spaces.
    const std::pair<int, const char*> fixed[] = {
        {0, "　　【アプリ情報】"},
        {3, "：画像編集者"},
        {5, "&"},
        {7, "：製作者"},
        {9, "　　【クイズ】"},
        {10, "問１：このぬぺぬぺ衰弱の中には、何匹のヌペがいますか？。"},
        {11, "問２：全ての画像のヌペを全部、識別して下さい。"},
        {12, "問３：識別したヌペの名前を当てて下さい。"},
        {13, "ヒントは、他の「ぬぺぬぺシリーズ」のアプリを見れば分かると思います。"},
        {14, "　　【ぬぺぬぺプロジェクト】  "},
        {17, "フリーウェアを通じて世間に公開すること決意したのが始まり。"},
        {18, "目標は世界！。"},
        {19, "名づけて「"},
        {20, "ぬぺぬぺプロジェクト"},
        {21, "」(略してNNP)"},
        {30, "そしてそれだけが「ぬぺぬぺプロジェクト」の活動目的なのです。"},
        {31, "これからもどしどし「ぬぺぬぺシリーズ」を公開しますので楽しみにしててください。"},
    };
    const QStringList& lines = AboutLines();
    ASSERT_EQ(lines.size(), 32);
    for (const auto& [index, text] : fixed)
        EXPECT_EQ(lines[index], QString::fromUtf8(text)) << "line " << index;
    // Line 1 opens with the title and ends in a credit role and one space.
    const QString title = QString::fromUtf8("ぬぺぬぺ衰弱 Ver1.13h：Date=99/11/19：");
    EXPECT_TRUE(lines[1].startsWith(title));
    EXPECT_GT(lines[1].size(), title.size() + 1);
    EXPECT_TRUE(lines[1].endsWith(QLatin1Char(' ')) && !lines[1].endsWith(QStringLiteral("  ")));
    // Names: four members and three animals.
    EXPECT_EQ(lines[23].count(QStringLiteral(" / ")), 3);
    EXPECT_EQ(lines[26].count(QStringLiteral(" / ")), 2);
    for (int i : {2, 4, 6, 8, 15, 16, 22, 23, 24, 25, 26, 27, 28, 29})
        EXPECT_FALSE(lines[i].trimmed().isEmpty()) << "line " << i;
}

TEST(AboutText, LineColours)
{
    for (int i = 0; i < 33; ++i)
        EXPECT_EQ(AboutLineColour(i), ExpectedColours[i]) << "line " << i;
}

} // namespace
