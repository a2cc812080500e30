// ぬぺぬぺ衰弱: a pairs memory card game.

#include "Main/Main.h"
#include "Platform/Platform.h"
#include "Rank/Rank.h"
#include "StopForm/StopForm.h"
// Qt
#include <QIcon>
// std
#include <memory>

int main(int argc, char* argv[])
{
    Platform::TApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/icon.png")));

    // The main window first: its creation sets up the game. The ranking and
    // penalty windows stay hidden until they are needed.
    auto form1 = std::make_unique<TForm1>();
    auto form3 = std::make_unique<TForm3>();
    auto form2 = std::make_unique<TForm2>();

    // A start-up that failed has already told the player why and asked to end.
    if (!Platform::TerminateRequested())
        form1->show();
    return app.exec();
}
