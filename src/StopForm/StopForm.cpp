// SPDX-License-Identifier: MIT
#include "StopForm.h"

#include "Look.h"
#include "Main.h"
#include "Timings.h"
#include "Platform.h"
// Qt
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
// std
#include <algorithm>

TForm2* Form2 = nullptr;

namespace {
// Full at the start of the pause, empty at its end.
constexpr int BarMax = Turn::PenaltyPauseMs;
} // namespace

TForm2::TForm2(QWidget* parent)
    : TToolWindow(Form1,
                  Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                      Qt::WindowDoesNotAcceptFocus,
                  parent)
{
    Form2 = this;
    setObjectName(QStringLiteral("Form2"));
    // It belongs to the game's main window: no task-bar entry or title of its own,
    // and showing it leaves the keyboard where it was.
    setWindowTitle(Platform::AppTitle);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(319, 238);
    setFont(Look::PGothic(12));

    // The picture is 320 x 240 and shown unscaled from the top-left corner,
    // so its last column and last two rows lie outside the window.
    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, 319, 238);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap::fromImage(Look::ResourceImage(QStringLiteral(":/penalty.bmp"))));

    Label1 = new QLabel(QStringLiteral("ペナルティ"), this);
    Label1->setFont(Look::PGothic(13));
    Look::SetTextColour(Label1, Qt::black);
    Look::SetBackground(Label1, Qt::white);
    Label1->move(8, 6);
    Look::FitToText(Label1, 13);

    Bar = new QProgressBar(this);
    Bar->setGeometry(72, 4, 233, 16);
    Bar->setRange(0, BarMax);
    Bar->setValue(BarMax);
    Bar->setTextVisible(false);
}

TForm2::~TForm2()
{
    if (Form2 == this)
        Form2 = nullptr;
}

void TForm2::SetBarPosition(int ms)
{
    // The bar ignores values outside its range; a pause that has just run
    // out must show as empty, not keep its last step.
    Bar->setValue(std::clamp(ms, 0, BarMax));
}

void TForm2::ShowPenalty()
{
    // On a screen scaled by 2 or more the picture is drawn at twice the size,
    // in the same place.
    if (!PictureTwice && devicePixelRatio() >= 2) {
        QPixmap picture =
            QPixmap::fromImage(Look::ResourceImage(QStringLiteral(":/penalty@2x.png")));
        picture.setDevicePixelRatio(2);
        Image1->setPixmap(picture);
        PictureTwice = true;
    }
    Look::CentreOnScreen(this);
    show();
    raise();
}
