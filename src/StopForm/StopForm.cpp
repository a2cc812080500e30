#include "StopForm/StopForm.h"

// Qt
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
// std
#include <algorithm>

TForm2* Form2 = nullptr;

namespace {
constexpr int BarMax = 2000;
}

TForm2::TForm2(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus)
{
    Form2 = this;
    setWindowTitle(QStringLiteral("Form2"));
    setFixedSize(319, 238);
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    font.setPixelSize(12);
    setFont(font);

    // The picture is 320 x 240 and shown unscaled from the top-left corner,
    // so its last column and last two rows lie outside the window.
    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, 319, 238);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap(QStringLiteral(":/penalty.bmp")));

    Label1 = new QLabel(QStringLiteral("ペナルティ"), this);
    QFont labelFont = font;
    labelFont.setPixelSize(13);
    Label1->setFont(labelFont);
    QPalette p = Label1->palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    Label1->setPalette(p);
    Label1->setAutoFillBackground(true);
    Label1->move(8, 6);
    Label1->resize(Label1->sizeHint().width(), 13);

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
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
    show();
    raise();
}
