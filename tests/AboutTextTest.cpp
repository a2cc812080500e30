// SPDX-License-Identifier: MIT
// The about-text of the main window's LED sign: the fixed lines at their
// places, the colour of every line, and the sign running on the window.

#include "TestSupport.h"
#include "Main/AboutText.h"
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

// ---- the sign on the main window ---------------------------------------------

namespace {

class AboutSign : public Test::GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        // The test moves the sign itself; the timer must not add ticks, not
        // even while the window is being shown.
        Sign().SetShowInterval(100'000'000);
        Main().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Main()));
    }
    TLightStr& Sign() { return *Main().LightStr1; }
};

TEST_F(AboutSign, CarriesTheAboutTextLineByLineAndRuns)
{
    EXPECT_EQ(Sign().ShowStrings(), AboutLines());
    EXPECT_EQ(Sign().ShowCount(), 0); // appended, never assigned as a whole
    EXPECT_TRUE(Sign().ShowActive());
    EXPECT_EQ(Sign().geometry(), QRect(512, 2, 300, 33));
    EXPECT_EQ(Sign().DarkColor(), QColor(0, 128, 128));
    EXPECT_EQ(Sign().BackColor(), QColor(128, 0, 0));
}

TEST_F(AboutSign, EveryLineEntersInItsColourAndLine31WrapsToLine0)
{
    std::vector<std::pair<int32_t, QColor>> loaded;
    const TLineNextEvent windowHandler = Sign().OnLineNext;
    Sign().OnLineNext = [&](TLightStr* sender, int32_t index) {
        windowHandler(sender, index);
        loaded.emplace_back(index, sender->LightColor());
    };
    bool yellowAndLimeTogether = false;
    for (int tick = 0; tick < 100'000 && loaded.size() < 33; ++tick) {
        Sign().TickNow();
        // While line 1 enters, line 0's dots are still on the display.
        if (loaded.size() == 2) {
            const QImage& dots = Sign().DotImage();
            bool yellow = false, lime = false;
            for (int y = 0; y < dots.height(); ++y)
                for (int x = 0; x < dots.width(); ++x) {
                    yellow |= dots.pixelColor(x, y) == QColor(255, 255, 0);
                    lime |= dots.pixelColor(x, y) == QColor(0, 255, 0);
                }
            yellowAndLimeTogether |= yellow && lime;
        }
    }
    ASSERT_EQ(loaded.size(), 33u);
    for (int32_t i = 0; i < 33; ++i) {
        EXPECT_EQ(loaded[size_t(i)].first, i % 32);
        EXPECT_EQ(loaded[size_t(i)].second, ExpectedColours[i % 32]) << "line " << i;
    }
    EXPECT_TRUE(yellowAndLimeTogether);
}

TEST_F(AboutSign, MinimiseAndRestoreResumeWithTheNextColumn)
{
    // A sign that is never stopped, fed the same way, shows what the
    // window's sign must show.
    TLightStr reference;
    reference.setFont(Sign().font());
    reference.resize(300, 33);
    reference.SetDarkColor(Sign().DarkColor());
    reference.SetBackColor(Sign().BackColor());
    reference.OnLineNext = [](TLightStr* s, int32_t i) { s->SetLightColor(AboutLineColour(i)); };
    reference.SetShowInterval(100'000'000);
    reference.ShowStrings() = AboutLines();
    reference.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&reference));
    reference.ShowStart();
    for (int i = 0; i < 240; ++i) {
        Sign().TickNow();
        reference.TickNow();
    }
    ClickCaption(Caption::Min);
    EXPECT_TRUE(Main().isMinimized());
    EXPECT_FALSE(Sign().ShowActive());
    const QImage stopped = Sign().DotImage();
    Sign().TickNow();
    EXPECT_EQ(Sign().DotImage(), stopped);

    Main().showNormal();
    EXPECT_TRUE(Sign().ShowActive());
    for (int i = 0; i < 400; ++i) {
        Sign().TickNow();
        reference.TickNow();
        ASSERT_EQ(Sign().DotImage(), reference.DotImage()) << "tick " << i;
    }
}

} // namespace

namespace {
// Wayland reports no restore, and a window manager may refuse to minimise:
// the window that the button sent away goes on with its sign once it is the
// active window again, or takes a click.
class SignBack : public AboutSign, public ::testing::WithParamInterface<bool> {};
TEST_P(SignBack, WithoutARestore)
{
    ClickCaption(Caption::Min);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(Sign().ShowActive());
    if (GetParam()) {
        Main().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Main()));
    } else {
        ClickAt({2, 2}); // a gap between the cards
    }
    EXPECT_TRUE(Sign().ShowActive());
}
INSTANTIATE_TEST_SUITE_P(AboutSign, SignBack, ::testing::Values(true, false));
} // namespace
