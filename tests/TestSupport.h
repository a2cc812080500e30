// SPDX-License-Identifier: MIT
#pragma once
// Helpers shared by the tests of the windows: the game's windows on a known
// deal, a recorder for message boxes, typing and paint counting.

#include "RulesSupport.h"
#include "CaptionStrip.h"
#include "Main.h"
#include "Random.h"
#include "CodePage.h"
#include "Platform.h"
#include "Rank.h"
#include "StopForm.h"
// Qt
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QTest>
#include <QTimer>
// gtest
#include <gtest/gtest.h>
// std
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Test {

// Collects message boxes instead of showing them.
class TMessageRecorder {
public:
    struct TMessage {
        QString Caption, Text;
        Platform::TMsgIcon Icon;
    };
    TMessageRecorder();
    ~TMessageRecorder();
    std::vector<TMessage> Messages;
};

// Runs the program's own message loop until something ends it, or until the
// guard ends a loop that hangs, after `guardMs`. Returns the loop's exit
// code, or nothing when the guard ended it. The guard dies with the call.
std::optional<int> RunMessageLoop(int guardMs = 10000);

// What the top-level `window` shows on screen in `square`, in 32-bit RGB.
QImage OnScreen(QWidget* window, QRect square);

// Types `text` into `widget` one character at a time, any script.
void TypeText(QWidget* widget, const QString& text);

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        Count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int Count = 0;
};

// The three windows, created as the program creates them.
struct TWindows {
    TWindows()
        : Cleared((Platform::ClearTerminateRequest(), true)), Main(std::make_unique<TForm1>()),
          Rank(std::make_unique<TForm3>()), Stop(std::make_unique<TForm2>())
    {
    }
    bool Cleared;
    std::unique_ptr<TForm1> Main;
    std::unique_ptr<TForm3> Rank;
    std::unique_ptr<TForm2> Stop;
};

// What the board image shows at the middle of card n.
QColor ShownAt(const TForm1& form, int32_t n);
// The picture card n shows on the board (by colour of a made-up strip), or -1.
int32_t ShownPicture(const TForm1& form, int32_t n, int pictures = 32);

// The windows on a seeded 32-picture deal, a test clock, recorded message
// boxes, and "Rank.Dat" in the scratch directory's "exe" folder, a game
// folder of its own (the build's layout: the pictures beside the executable).
class GameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteStrip(32);
        W = std::make_unique<TWindows>();
        // The ranking lives beside the executable, which is not the current
        // directory (that holds Img.Dat).
        QDir().mkdir(QStringLiteral("exe"));
        QFile::copy(QStringLiteral("Img.Dat"), QStringLiteral("exe/Img.Dat"));
        Main().AppDir = Dir.Path(QStringLiteral("exe")) + QDir::separator();
        // The whole board in view: the off-screen display is only 800 x 600.
        Main().FitWindow(QSize(1920, 1080));
        Deal(4242);
    }

    // Deals a known board: the restart command with a fixed seed.
    void Deal(uint32_t seed)
    {
        GameRandom().Seed = seed;
        Main().BtnReStartClick();
    }

    TForm1& Main() { return *W->Main; }

    // The middle of card n in board pixels.
    static QPoint Centre(int32_t n)
    {
        const int32_t col = (n - 1) % 9, row = (n - 1) / 9;
        return {col * 106 + 56, row * 85 + 45};
    }

    void Click(int32_t n, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(Main().ImgArea, button, {}, Centre(n));
    }

    void ClickAt(QPoint p) { QTest::mouseClick(Main().ImgArea, Qt::LeftButton, {}, p); }

    // Clicks caption button b of the main window's strip.
    void ClickCaption(int32_t b)
    {
        QTest::mouseClick(Main().ClientArea, Qt::LeftButton, {}, Caption::ButtonRect(b).center());
    }

    // Cards holding `picture`, in card order.
    std::vector<int32_t> CardsWith(int32_t picture)
    {
        std::vector<int32_t> found;
        for (int32_t n = 1; n <= 45; ++n)
            if (Main().Cards[n].Picture == picture)
                found.push_back(n);
        return found;
    }

    // A pair that is still face down.
    std::pair<int32_t, int32_t> SomePair(int skip = 0)
    {
        for (int32_t p = 2; p <= 31; ++p) {
            const auto cards = CardsWith(p);
            if (cards.size() == 2 && !Main().Cards[cards[0]].Opened && skip-- == 0)
                return {cards[0], cards[1]};
        }
        ADD_FAILURE() << "no pair left";
        return {1, 2};
    }

    // Two face-down cards with different faces.
    std::pair<int32_t, int32_t> SomeMismatch()
    {
        const auto a = SomePair(0), b = SomePair(1);
        return {a.first, b.first};
    }

    // A seed whose deal holds the penalty card (or lacks it).
    void DealWithPenalty(bool penalty)
    {
        for (uint32_t seed = 1;; ++seed) {
            Deal(seed);
            if (CardsWith(Board::PenaltyPicture).empty() != penalty)
                return;
        }
    }

    int32_t PenaltyCard() { return CardsWith(Board::PenaltyPicture).at(0); }

    // Runs `step` once the game waits inside the penalty pause.
    void DuringPause(std::function<void()> step) { QTimer::singleShot(0, Main().ImgArea, step); }

    // Ends the pause that the next penalty click will start.
    void EndPauseAfter(int ms = 2000)
    {
        DuringPause([this, ms] { Clock.Advance(ms); });
    }

    int Shown(int32_t n) { return ShownPicture(Main(), n); }

    // Plays a whole game without the penalty card, finishing in `elapsedMs`;
    // `whileRanking` runs once the game waits for the ranking window.
    void FinishGame(int32_t elapsedMs, std::function<void()> whileRanking);

    TScratchDir Dir;
    TTestClock Clock;
    TMessageRecorder Messages;
    std::unique_ptr<TWindows> W;
};

} // namespace Test
