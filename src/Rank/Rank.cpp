#include "Rank/Rank.h"

TForm3* Form3 = nullptr;

TForm3::TForm3(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    Form3 = this;
    setFixedSize(512, 307);
}

TForm3::~TForm3()
{
    if (Form3 == this)
        Form3 = nullptr;
}
