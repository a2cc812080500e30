// SPDX-License-Identifier: MIT
// The game on a screen scaled by 2 (this program runs with QT_SCALE_FACTOR=2),
// where a logical pixel is two device pixels each way.

#include "TestSupport.h"
// Qt
#include <QTest>
#include <QWindow>
// gtest
#include <gtest/gtest.h>

using namespace Test;

namespace {
// Set before main makes the application, which reads it once.
[[maybe_unused]] const bool ScaledScreen = qputenv("QT_SCALE_FACTOR", "2");

enum TTarget { OnStrip, OnCloseButton, OnBoard };
struct TEdge : TNamedCase {
    TTarget Target;
    QPointF At; // logical, with the fraction of the device pixel pressed
    bool Hit;
};
class ScaledEdge : public GameTest, public ::testing::WithParamInterface<TEdge> {};
} // namespace

// Every device pixel of a logical pixel hits alike.
TEST_P(ScaledEdge, HitsAsItsLogicalPixel)
{
    const TEdge& e = GetParam();
    QWidget* target =
        std::array<QWidget*, 3>{Main().ClientArea, W->Rank.get(), Main().ImgArea}[e.Target];
    if (e.Target == OnCloseButton)
        W->Rank->ShowRanking(0);
    target->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(target->window()));
    // As the window system sends it: at the device pixel that `At` stands for.
    QWindow* window = target->window()->windowHandle();
    const QPointF at = e.At + QPointF(target->mapTo(target->window(), QPoint()));
    qt_handleMouseEvent(window, at, window->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                        QEvent::MouseButtonPress, {}, 0);
    const bool hit[] = {Main().PressedButton() != -1, W->Rank->ClosePressed(), Main().ClockStarted};
    qt_handleMouseEvent(window, at, window->mapToGlobal(at), {}, Qt::LeftButton,
                        QEvent::MouseButtonRelease, {}, 1);
    EXPECT_EQ(hit[e.Target], e.Hit);
}

INSTANTIATE_TEST_SUITE_P(
    Scale2, ScaledEdge,
    ::testing::Values(TEdge{"StripRow35Lower", OnStrip, {69.0, 35.5}, true},
                      TEdge{"StripRow36", OnStrip, {69.0, 36.0}, false},
                      TEdge{"StripColumn19Right", OnStrip, {19.5, 20.0}, false},
                      TEdge{"StripColumn151Right", OnStrip, {151.5, 20.0}, true},
                      TEdge{"CloseCornerLowerRight", OnCloseButton, {483.5, 41.5}, true},
                      TEdge{"CloseColumn484", OnCloseButton, {484.0, 20.0}, false},
                      TEdge{"CardGapColumn5Right", OnBoard, {5.5, 40.0}, false},
                      TEdge{"CardColumn6", OnBoard, {6.0, 40.0}, true},
                      TEdge{"CardLastColumnRight", OnBoard, {105.5, 40.0}, true}),
    CaseName);

// The artwork is drawn in the screen's own detail, not enlarged from its
// one-to-one pixels.
TEST_F(GameTest, ArtworkIsDrawnAtTwiceTheSize)
{
    const auto drawn = [](QWidget* window, QRect r) {
        return window->grab()
            .toImage()
            .copy(QRect(r.topLeft() * 2, r.size() * 2))
            .convertToFormat(QImage::Format_RGB32);
    };
    const auto art = [](const char* path, QRect r) {
        return QImage(QString::fromLatin1(path)).copy(r).convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_EQ(drawn(&Main(), Caption::ButtonRect(Caption::Rank).translated(2, 2)),
              art(":/buttons@2x.png", {0, 66, 66, 66}));
    W->Stop->ShowPenalty();
    EXPECT_EQ(drawn(W->Stop.get(), {0, 40, 319, 198}), art(":/penalty@2x.png", {0, 80, 638, 396}));
}
