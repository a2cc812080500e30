// SPDX-License-Identifier: MIT
// Linked with the game's own main() into a test program: message boxes
// become lines on the standard error, and the main window is closed a
// moment after it shows, so that a test can run the real program to its end
// and read the exit status a launcher would see.

#include "Main.h"
#include "Platform.h"
// Qt
#include <QCoreApplication>
#include <QTimer>
// std
#include <cstdio>

namespace {

void InstallProbe()
{
    Platform::SetMessageHook([](const QString&, const QString& text, Platform::TMsgIcon) {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    });
    // Runs once the message loop has started.
    QMetaObject::invokeMethod(
        qApp,
        [] {
            QTimer::singleShot(300, qApp, [] {
                if (Form1)
                    Form1->close();
            });
        },
        Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallProbe)
