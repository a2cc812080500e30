// SPDX-License-Identifier: MIT
// The LED sign on its own: defaults, trimming at paint, the order of its
// events, the dots it draws, and owners that change the list under it.

#include "LightStr.h"
// Qt
#include <QApplication>
#include <QFontMetrics>
#include <QTest>
#include <QTimer>
#include <QWindow>
// gtest
#include <gtest/gtest.h>
// std
#include <string>
#include <vector>

namespace {

const QColor Lime(0, 255, 0), Teal(0, 128, 128), Black(0, 0, 0), Red(255, 0, 0);
const std::string Unlit(11, '.');

// Dot column c of the display, top to bottom: 'L' lit in `light`, '.' unlit,
// '?' for any other pixels (gaps black, lower-right pixel teal).
std::string Column(const QImage& dots, int c, QColor light = Lime)
{
    std::string s;
    for (int r = 0; r < dots.height() / 3; ++r) {
        auto at = [&](int dx, int dy) { return dots.pixelColor(3 * c + dx, 3 * r + dy); };
        const QColor face = at(1, 1);
        const bool cell = at(0, 0) == Black && at(1, 0) == Black && at(2, 0) == Black &&
                          at(0, 1) == Black && at(0, 2) == Black && at(2, 2) == Teal &&
                          at(2, 1) == face && at(1, 2) == face;
        s += !cell ? '?' : face == light ? 'L' : face == Teal ? '.' : '?';
    }
    return s;
}

// Column c of a line's raster as the display should show it.
std::string Raster(const QImage& line, int c)
{
    std::string s;
    for (int r = 0; r < line.height(); ++r)
        s += (line.pixel(c, r) & 0xFFFFFFu) != 0xFFFFFFu ? 'L' : '.';
    return s;
}

// Counts paint events and logs mouse events of a widget.
struct TEventLog : QObject {
    explicit TEventLog(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        Paints += e->type() == QEvent::Paint;
        if (e->type() >= QEvent::MouseButtonPress && e->type() <= QEvent::MouseMove)
            Mouse += std::to_string(e->type()) + " ";
        return false;
    }
    int Paints = 0;
    std::string Mouse;
};

// A shown window with the sign at its top left; the sign's events go to Log,
// and Loaded holds the tick of every OnLineNext.
class LightStrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window.resize(400, 60);
        Sign->OnLineNext = [this](TLightStr* s, int32_t i) {
            Log += (s == Sign ? "next" : "?") + std::to_string(i) + " ";
            Loaded.push_back(Ticks);
        };
        Sign->OnLineEof = [this](TLightStr* s) { Log += s == Sign ? "eof " : "? "; };
        Sign->OnShowActive = [this](TLightStr* s, bool on) {
            Log += s != Sign ? "? " : on ? "on " : "off ";
        };
        Window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Window));
        Sign->repaint();
    }
    void Tick(int n = 1)
    {
        for (int i = 0; i < n; ++i, ++Ticks)
            Sign->TickNow();
    }
    // Ticks until the next line has been loaded; returns the ticks taken.
    int TickToNextLine()
    {
        const size_t before = Loaded.size();
        int n = 0;
        for (; Loaded.size() == before && n < 10000; ++n)
            Tick();
        return n;
    }
    std::string TakeLog() { return std::exchange(Log, {}); }
    const QImage& Dots() { return Sign->DotImage(); }

    QWidget Window;
    TLightStr* Sign = new TLightStr(&Window);
    std::string Log;
    std::vector<int> Loaded;
    int Ticks = 1;
};

TEST(LightStr, ConstructionDefaults)
{
    TLightStr sign;
    EXPECT_EQ(sign.size(), QSize(300, 34));
    EXPECT_EQ(sign.LightColor(), Lime);
    EXPECT_EQ(sign.DarkColor(), Teal);
    EXPECT_EQ(sign.BackColor(), Black);
    EXPECT_TRUE(sign.ShowStrings().isEmpty());
    EXPECT_EQ(sign.ShowIndex(), -1);
    EXPECT_EQ(sign.ShowCount(), 0);
    EXPECT_FALSE(sign.ShowActive());
    EXPECT_EQ(sign.ShowInterval(), 100u);
    EXPECT_EQ(sign.ShowFontH(), 11);
    EXPECT_TRUE(sign.ShowLoop());
    EXPECT_EQ(sign.DotImage().size(), QSize(300, 33));
    EXPECT_EQ(sign.DotImage().pixelColor(150, 16), Black);
    EXPECT_TRUE(sign.LineImage().isNull());
}

// The paint trims the width to whole dots (at least one) and the height to
// the dot rows, and draws every dot unlit.
class LightStrTrim : public LightStrTest, public ::testing::WithParamInterface<QSize> {};

TEST_P(LightStrTrim, AtTheNextPaint)
{
    const QSize asked = GetParam(), trimmed(std::max(3, asked.width() / 3 * 3), 33);
    Sign->resize(asked);
    EXPECT_EQ(Sign->size(), asked);
    Sign->repaint();
    EXPECT_EQ(Sign->size(), trimmed);
    ASSERT_EQ(Dots().size(), trimmed);
    for (int c = 0; c < trimmed.width() / 3; ++c)
        ASSERT_EQ(Column(Dots(), c), Unlit) << c;
}

INSTANTIATE_TEST_SUITE_P(Sizes, LightStrTrim,
                         ::testing::Values(QSize(301, 33), QSize(2, 33), QSize(300, 40)));

// Lines follow one another with no blank column; an empty line is one unlit
// column; the loop wraps with OnLineEof right before line 0.
TEST_F(LightStrTest, LoopRunsLinesTogether)
{
    Sign->SetShowStrings({QStringLiteral("AB"), QString(), QStringLiteral("C")});
    Sign->ShowStart();
    std::vector<int> widths;
    for (int line = 0; line < 5; ++line) {
        TickToNextLine();
        widths.push_back(Sign->LineImage().width());
        EXPECT_TRUE(line != 1 || Column(Dots(), 99) == Unlit);
    }
    EXPECT_EQ(TakeLog(), "on next0 next1 next2 eof next0 next1 ");
    EXPECT_EQ(Loaded[0], 1); // the first tick loads line 0 and shows its column 0
    EXPECT_EQ(widths[1], 1);
    for (size_t i = 0; i + 1 < Loaded.size(); ++i)
        EXPECT_EQ(Loaded[i + 1] - Loaded[i], widths[i]) << "line " << i;
}

// Without the loop the last line is followed by a blank tail one column wider
// than the display, then one stop; a new start begins at line 0.
TEST_F(LightStrTest, TailThenStopThenRestart)
{
    Sign->SetShowLoop(false);
    Sign->SetShowStrings({QStringLiteral("A"), QStringLiteral("BC")});
    Sign->ShowStart();
    TickToNextLine();
    TickToNextLine();
    EXPECT_EQ(TakeLog(), "on next0 next1 ");
    Tick(Sign->LineImage().width() - 1 + 101);
    EXPECT_TRUE(Sign->ShowActive());
    Tick();
    EXPECT_EQ(TakeLog(), "off ");
    EXPECT_EQ(Sign->ShowIndex(), -1);
    for (int c = 0; c < 100; ++c)
        ASSERT_EQ(Column(Dots(), c), Unlit) << c;
    Sign->ShowStart();
    EXPECT_EQ(TakeLog(), "next0 on ");
}

// Start and stop switch the timer; the period follows ShowInterval.
TEST_F(LightStrTest, StartStopAndTimer)
{
    const QTimer* timer = Sign->findChild<QTimer*>();
    Sign->ShowStart(); // an empty list stays stopped
    EXPECT_FALSE(Sign->ShowActive());
    Sign->ShowStrings().append(QStringLiteral("A"));
    EXPECT_EQ(Sign->ShowCount(), 0);
    Sign->ShowStart();
    Sign->ShowStart();
    EXPECT_TRUE(timer->isActive());
    Sign->ShowStop();
    Sign->ShowStop();
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(TakeLog(), "on off off ");
    Sign->SetShowInterval(0);
    EXPECT_EQ(Sign->ShowInterval(), 100u);
    EXPECT_EQ(timer->interval(), 100);
    Sign->ShowStart();
    Sign->SetShowInterval(5);
    EXPECT_EQ(timer->interval(), 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Loaded.empty(); }, 2000)); // the timer drives it
}

// The next line follows a written ShowIndex; a new list lets the line on
// display finish, then starts at its line 0.
TEST_F(LightStrTest, WhichLineComesNext)
{
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines << QString::number(i);
    Sign->SetShowStrings(lines);
    Sign->ShowStart();
    for (int i = 0; i < 3; ++i)
        TickToNextLine();
    Sign->SetShowIndex(5);
    Sign->SetShowIndex(-1);
    Sign->SetShowIndex(10);
    EXPECT_EQ(Sign->ShowIndex(), 5);
    TickToNextLine();
    Tick();
    const int left = Sign->LineImage().width() - 1; // columns 2.. and the next line's 0
    Sign->SetShowStrings({QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")});
    EXPECT_EQ(Sign->ShowCount(), 3);
    EXPECT_EQ(Sign->ShowIndex(), -1);
    EXPECT_EQ(TickToNextLine(), left);
    EXPECT_EQ(TakeLog(), "on next0 next1 next2 next6 next0 ");
}

// Each dot of an entered line is lit exactly where its raster is not white,
// in the colour that was set when its column entered.
TEST_F(LightStrTest, DotsFollowTheRaster)
{
    Sign->SetShowStrings({QStringLiteral("WMWMWMW")});
    Sign->ShowStart();
    Tick();
    const QImage line = Sign->LineImage();
    const int w = line.width(), half = w / 2;
    ASSERT_EQ(line.height(), 11);
    ASSERT_LT(w, 100);
    Tick(half - 1);
    Sign->SetLightColor(Red);
    Tick(w - half);
    for (int c = 0; c < w; ++c)
        EXPECT_EQ(Column(Dots(), 100 - w + c, c < half ? Lime : Red), Raster(line, c)) << c;
    EXPECT_NE(Raster(line, 1), Unlit);
    EXPECT_NE(Raster(line, w - 2), Unlit);
    EXPECT_EQ(Column(Dots(), 99 - w), Unlit);
}

// Lines are drawn in the largest font whose cell fits the dot rows; rows
// that the raster does not reach after the dots grow mid-line stay unlit.
TEST_F(LightStrTest, CellHeightAndTallerDots)
{
    Sign->SetShowStrings({QStringLiteral("█████")});
    Sign->ShowStart();
    Tick(2);
    QFont font = Sign->font();
    EXPECT_LE(QFontMetrics(font).height(), 11);
    font.setPixelSize(font.pixelSize() + 1);
    EXPECT_GT(QFontMetrics(font).height(), 11);
    Sign->SetShowFontH(14);
    EXPECT_EQ(Sign->height(), 42);
    EXPECT_EQ(Dots().size(), QSize(300, 42));
    Tick();
    ASSERT_EQ(Sign->LineImage().height(), 11);
    EXPECT_EQ(Column(Dots(), 99), Raster(Sign->LineImage(), 2) + "...");
    EXPECT_NE(Raster(Sign->LineImage(), 2), Unlit);
}

// An owner that empties or replaces the list while a line is announced gets
// one blank column instead of a line that is gone.
TEST_F(LightStrTest, OwnerChangesListInLineNext)
{
    Sign->SetShowStrings({QStringLiteral("A"), QStringLiteral("B")});
    Sign->OnLineNext = [this](TLightStr*, int32_t i) {
        Log += "next" + std::to_string(i) + " ";
        if (i == 1)
            Sign->ShowStrings().clear();
    };
    Sign->ShowStart();
    Tick();
    Tick(Sign->LineImage().width());
    EXPECT_EQ(Sign->LineImage().width(), 1);
    EXPECT_EQ(Column(Dots(), 99), Unlit);
    Tick();
    EXPECT_EQ(TakeLog(), "on next0 next1 off ");

    Sign->SetShowStrings({QStringLiteral("A"), QStringLiteral("B")});
    Sign->OnLineNext = [this](TLightStr*, int32_t i) {
        Log += "next" + std::to_string(i) + " ";
        if (Sign->ShowStrings().size() == 2)
            Sign->SetShowStrings({QStringLiteral("Z")});
    };
    Sign->ShowStart();
    Tick(2);
    EXPECT_EQ(TakeLog(), "on next0 next0 ");
}

// A tick, and a change of the installed fonts, repaint the sign alone.
TEST_F(LightStrTest, RepaintsItselfOnly)
{
    Sign->SetShowStrings({QStringLiteral("A")});
    Sign->ShowStart();
    Tick();
    TEventLog window(&Window), sign(Sign);
    Tick(5);
    EXPECT_EQ(sign.Paints, 5);
    emit qGuiApp->fontDatabaseChanged();
    EXPECT_EQ(sign.Paints, 6);
    EXPECT_EQ(window.Paints, 0);
}

// The owner drags its window through a filter on the sign: pressed on the
// sign, the mouse stays with it until the release, also outside it.
TEST_F(LightStrTest, MouseReachesTheOwnersFilter)
{
    TEventLog log(Sign);
    QTest::mousePress(Window.windowHandle(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(Window.windowHandle(), QPoint(350, 50));
    QTest::mouseRelease(Window.windowHandle(), Qt::LeftButton, {}, QPoint(350, 50));
    EXPECT_EQ(log.Mouse, "2 5 3 "); // press, move, release
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
