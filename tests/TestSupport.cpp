// SPDX-License-Identifier: MIT
#include "TestSupport.h"

// Qt
#include <QScreen>
// gtest
#include <gtest/gtest.h>

namespace Test {

TMessageRecorder::TMessageRecorder()
{
    Platform::SetMessageHook(
        [this](const QString& caption, const QString& text, Platform::TMsgIcon icon) {
            Messages.push_back({caption, text, icon});
        });
}

TMessageRecorder::~TMessageRecorder()
{
    Platform::SetMessageHook(nullptr);
}

std::optional<int> RunMessageLoop(int guardMs)
{
    QObject guard;
    bool fired = false;
    QTimer::singleShot(guardMs, &guard, [&fired] {
        fired = true;
        QCoreApplication::exit(-1);
    });
    const int code = QCoreApplication::exec();
    return fired ? std::nullopt : std::optional<int>(code);
}

QImage OnScreen(QWidget* window, QRect square)
{
    QCoreApplication::processEvents();
    return window->screen()
        ->grabWindow(window->winId())
        .toImage()
        .copy(square)
        .convertToFormat(QImage::Format_RGB32);
}

void TypeText(QWidget* widget, const QString& text)
{
    for (char32_t c : text.toUcs4())
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1),
                            Qt::NoModifier);
}

QColor ShownAt(const TForm1& form, int32_t n)
{
    const TRect& r = form.Cards[n].Rect;
    return form.ImgArea->Canvas().pixelColor((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
}

void GameTest::FinishGame(int32_t elapsedMs, std::function<void()> whileRanking)
{
    DealWithPenalty(false);
    for (int i = 0; i < 22; ++i) {
        const auto [a, b] = SomePair(0);
        Click(a);
        if (i == 0)
            Clock.Advance(elapsedMs);
        if (i == 21)
            QTimer::singleShot(0, Main().ImgArea, whileRanking);
        Click(b);
    }
}

int32_t ShownPicture(const TForm1& form, int32_t n, int pictures)
{
    const QColor c = ShownAt(form, n);
    for (int i = 0; i < pictures; ++i)
        if (Near(c, PictureColour(i)))
            return i;
    return -1;
}
} // namespace Test

int main(int argc, char** argv)
{
    // The windows are drawn off screen, also when the tests are listed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Platform::TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
