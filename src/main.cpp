// SPDX-License-Identifier: MIT
// ぬぺぬぺ衰弱: a pairs memory card game.

#include "Look.h"
#include "Main.h"
#include "Desktop.h"
#include "Platform.h"
#include "Rank.h"
#include "StopForm.h"
// Qt
#include <QIcon>
#include <QPixmap>
// std
#include <memory>

int main(int argc, char* argv[])
{
    Platform::ChoosePlatform(argc, argv);
    Platform::UseWholeScaleFactors();
    Platform::TApplication app(argc, argv);
    QIcon icon(QPixmap::fromImage(Look::ResourceImage(QStringLiteral(":/icon.png"))));
    icon.addPixmap(QPixmap::fromImage(Look::ResourceImage(QStringLiteral(":/icon@2x.png"))));
    app.setWindowIcon(icon);
    // Text without a font of its own (message boxes) is in the game's gothic
    // too, so no other family has to be looked up and loaded.
    QApplication::setFont(Look::PGothic(12));

    // The main window first: its creation sets up the game. The ranking and
    // penalty windows stay hidden until they are needed.
    auto form1 = std::make_unique<TForm1>();
    auto form3 = std::make_unique<TForm3>();
    auto form2 = std::make_unique<TForm2>();

    // A start-up that failed has already told the player why and asked to
    // end, with exit status 1; closing the main window ends with 0.
    if (!Platform::TerminateRequested())
        form1->show();
    return app.exec();
}
