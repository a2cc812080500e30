// The hit rules on a screen scaled by 2, where one logical pixel is two
// device pixels each way: every device pixel of a logical pixel hits alike.
// This program runs with QT_SCALE_FACTOR=2.

#include "TestSupport.h"
// Qt
#include <QTest>
#include <QWindow>
// gtest
#include <gtest/gtest.h>

using namespace Test;

namespace {

enum TTarget { Strip, CloseButton, Board };

struct TEdge {
    const char* Name;
    TTarget Target;
    QPointF At; // logical, with the fraction of the device pixel pressed
    bool Hit;
};
void PrintTo(const TEdge& e, std::ostream* os)
{
    *os << e.Name;
}

class ScaledEdge : public GameTest, public ::testing::WithParamInterface<TEdge> {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    }

    // Sends a press and its release to `widget`'s window, as the window
    // system does: at the device pixel that `at` (in `widget`'s logical
    // coordinates) stands for.
    void Press(QWidget* widget, QPointF at)
    {
        QWidget* window = widget->window();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        QWindow* handle = window->windowHandle();
        const QPointF local = at + QPointF(widget->mapTo(window, QPoint(0, 0)));
        Timestamp += 1000; // never a double click
        qt_handleMouseEvent(handle, local, handle->mapToGlobal(local), Qt::LeftButton,
                            Qt::LeftButton, QEvent::MouseButtonPress, {}, Timestamp);
    }
    void Release(QWidget* widget)
    {
        QWindow* handle = widget->window()->windowHandle();
        qt_handleMouseEvent(handle, QPointF(1, 1), handle->mapToGlobal(QPointF(1, 1)), {},
                            Qt::LeftButton, QEvent::MouseButtonRelease, {}, ++Timestamp);
    }

    int Timestamp = 0;
};

TEST_P(ScaledEdge, HitsAsItsLogicalPixel)
{
    const TEdge& e = GetParam();
    bool hit = false;
    switch (e.Target) {
    case Strip:
        Press(Main().ClientArea, e.At);
        hit = Main().PressedButton != -1;
        Release(Main().ClientArea);
        break;
    case CloseButton:
        W->Rank->ShowRanking(0);
        Press(W->Rank.get(), e.At);
        hit = W->Rank->ClosePressed;
        Release(W->Rank.get());
        break;
    case Board:
        Press(Main().ImgArea, e.At);
        hit = Main().ClockStarted;
        break;
    }
    EXPECT_EQ(hit, e.Hit);
}

INSTANTIATE_TEST_SUITE_P(
    Scale2, ScaledEdge,
    ::testing::Values(TEdge{"StripRow35Upper", Strip, {69.0, 35.0}, true},
                      TEdge{"StripRow35Lower", Strip, {69.0, 35.5}, true},
                      TEdge{"StripRow36", Strip, {69.0, 36.0}, false},
                      TEdge{"StripColumn19Right", Strip, {19.5, 20.0}, false},
                      TEdge{"StripColumn151Right", Strip, {151.5, 20.0}, true},
                      TEdge{"CloseCornerLowerRight", CloseButton, {483.5, 41.5}, true},
                      TEdge{"CloseColumn484", CloseButton, {484.0, 20.0}, false},
                      TEdge{"CloseRow7Lower", CloseButton, {460.0, 7.5}, false},
                      TEdge{"CardGapColumn5Right", Board, {5.5, 40.0}, false},
                      TEdge{"CardColumn6", Board, {6.0, 40.0}, true},
                      TEdge{"CardGapRow4Lower", Board, {50.0, 4.5}, false},
                      TEdge{"CardLastColumnRight", Board, {105.5, 40.0}, true}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace

namespace {
// What `window` draws in its logical rectangle `r`, in device pixels.
QImage Drawn(QWidget* window, QRect r)
{
    const QImage drawn = window->grab().toImage();
    return drawn.copy(QRect(r.topLeft() * 2, r.size() * 2)).convertToFormat(QImage::Format_RGB32);
}
QImage Art(const QString& path, QRect r)
{
    return QImage(path).copy(r).convertToFormat(QImage::Format_RGB32);
}
} // namespace

// The artwork is drawn in the screen's own detail, not enlarged from its
// one-to-one pixels.
TEST_F(GameTest, ArtworkIsDrawnAtTwiceTheSize)
{
    EXPECT_EQ(Drawn(&Main(), Caption::ButtonRect(Caption::Rank).translated(2, 2)),
              Art(QStringLiteral(":/buttons@2x.png"), {0, 66, 66, 66}));
    W->Stop->ShowPenalty();
    EXPECT_EQ(Drawn(W->Stop.get(), {0, 40, 319, 198}),
              Art(QStringLiteral(":/penalty@2x.png"), {0, 80, 638, 396}));
}
