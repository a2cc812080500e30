// SPDX-License-Identifier: MIT
#include "Main.h"

#include "AboutText.h"
#include "CaptionStrip.h"
#include "CardStrip.h"
#include "Look.h"
#include "Clock.h"
#include "Desktop.h"
#include "Platform.h"
#include "ToolWindow.h"
#include "StopForm.h"
#include "Timings.h"
// Qt
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
// std
#include <climits>

TForm1* Form1 = nullptr;

namespace {
const QColor ClockColour(0, 255, 0);
constexpr int ClockIntervalMs = 200;
constexpr int ExitPauseMs = 10;
} // namespace

// ---- TForm1: creation and shutdown -----------------------------------------

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ClientArea(new TClientArea(this)),
      CaptionButtons(
          ClientArea, [this]() -> const TImageList& { return *ImageList2; },
          [](int32_t b) { return Caption::ButtonRect(b).topLeft(); })
{
    Form1 = this;
    setWindowTitle(Platform::AppTitle);

    // The layout's design values; FormCreate and the window fit adjust them.
    // The frame around the client area has the window colour and takes no
    // mouse input.
    setFont(Look::PGothic(12));
    ClientArea->setGeometry(Caption::FrameWidth, Caption::FrameWidth, 796, 459);
    resize(796 + 2 * Caption::FrameWidth, 459 + 2 * Caption::FrameWidth);

    LblTime = new QLabel(ClientArea);
    LblTime->setFont(Look::Gothic(ClockFontPx, true));
    Look::SetTextColour(LblTime, ClockColour);
    LblTime->move(224, 8);
    // The clock is a handle for dragging the window, like the strip around it.
    LblTime->setMouseTracking(true);
    LblTime->installEventFilter(this);

    // The LED sign: 100 x 11 dots in the window's font, a handle for
    // dragging like the rest of the strip.
    LightStr1 = new TLightStr(ClientArea);
    LightStr1->setGeometry(512, 2, 300, 33);
    LightStr1->SetLightColor(QColor(255, 255, 0));
    LightStr1->SetDarkColor(QColor(0, 128, 128));
    LightStr1->SetBackColor(QColor(128, 0, 0));
    LightStr1->setMouseTracking(true);
    LightStr1->installEventFilter(this);
    LightStr1->OnLineNext = [this](TLightStr* sender, int32_t index) {
        LightStr1LineNext(sender, index);
    };

    ScrollArea = new QScrollArea(ClientArea);
    ScrollArea->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    ScrollArea->setWidgetResizable(false);
    Look::SetBackground(ScrollArea->viewport(), QColor(BoardColour));
    ScrollArea->setGeometry(0, 40, 796, 419);

    ImgArea = new TBoardImage;
    ImgArea->resize(472, 173);
    ScrollArea->setWidget(ImgArea);
    connect(ImgArea, &TBoardImage::MouseDown, this, [this](Qt::MouseButton b, int x, int y) {
        BackInSight();
        Platform::Guarded([&] { ImgAreaMouseDown(b, x, y); });
    });

    ImageList2 = std::make_unique<TImageList>(QStringLiteral(":/buttons.png"), ButtonImageSize,
                                              ButtonImageSize, 2 * Caption::ButtonCount,
                                              QStringLiteral(":/buttons@2x.png"));

    Timer1 = new QTimer(this);
    Timer1->setInterval(ClockIntervalMs);
    connect(Timer1, &QTimer::timeout, this, [this] { Platform::Guarded([&] { Timer1Timer(); }); });

    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::FormCreate()
{
    // The restore hook is changeEvent(), which calls ApplicationRestore().
    GameRandom().Randomize();
    Dragging = false;
    Closing = false;
    Look::SetBackground(this, Look::WindowColour);
    Look::SetBackground(ClientArea, Look::WindowColour);
    Look::SetBackground(LblTime, Look::WindowColour);
    HintButton = -1;

    // A directory of that name is no picture file; anything else that is
    // there is tried, and refused as a strip if it is none.
    if (const QFileInfo picture(CardStrip::FileName); !picture.exists() || picture.isDir()) {
        Platform::ShowMessage(QStringLiteral("画像ファイル「Img.Dat」がありません。"));
        Platform::Terminate(1);
        return;
    }

    // The about-text goes into the sign line by line, so its ShowCount stays 0.
    for (const QString& line : AboutLines())
        LightStr1->ShowStrings().append(line);
    LightStr1->ShowStart();

    if (!LoadPictures())
        return;
    NewGame();
    const QScreen* screen = QGuiApplication::primaryScreen();
    FitWindow(screen ? screen->size() : QSize(INT_MAX, INT_MAX));
    DrawBoard();

    AppDir = Platform::ExeDir();
}

bool TForm1::LoadPictures()
{
    try {
        CardImages = LoadCardStrip(CardStrip::FileName);
        PictureCount = PictureCountOf(CardImages.width());
        SourceRects = MakeSourceRects(PictureCount);
        return true;
    } catch (const std::exception& e) {
        // Whatever stops the load, memory running out included, ends the
        // start as a strip that cannot be used does.
        CardImages = QImage();
        PictureCount = 0;
        SourceRects.clear();
        Platform::ShowMessage(CardStripFailureText(e), Platform::TMsgIcon::Error);
        Platform::Terminate(1);
        return false;
    }
}

void TForm1::FormDestroy()
{
    SourceRects.clear();
    CardImages = QImage();
}

void TForm1::FitWindow(QSize screen)
{
    const TRect& last = Cards[Board::CardCount].Rect;
    const int w = std::min(last.Right + Fit::PastRight, screen.width());
    const int h = std::min(last.Bottom + Fit::PastBottom, screen.height());
    // The client area takes the size; the frame lies around it.
    ClientArea->setGeometry(Caption::FrameWidth, Caption::FrameWidth, w, h);
    setFixedSize(w + 2 * Caption::FrameWidth, h + 2 * Caption::FrameWidth);
    ScrollArea->setGeometry(0, Caption::StripHeight, w, h - Caption::StripHeight);
    ImgArea->resize(last.Right + Board::GapX, last.Bottom + Board::GapY);
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!Centred) {
        Centred = true;
        Look::CentreOnScreen(this);
    }
}

void TForm1::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        const bool was =
            static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
        const bool is = windowState() & Qt::WindowMinimized;
        // The whole game goes and comes back, by the button or any other way.
        if (!was && is)
            TToolWindow::GoAwayWith(this);
        if (was && !is) {
            TToolWindow::ComeBackWith(this);
            ApplicationRestore();
        }
    }
    // Where no restore is reported (Wayland), the window is back once it is
    // active again. An X11 window manager reports it, and may make the window
    // active for a moment while it minimises it.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        !Platform::RestoreIsReported())
        BackInSight();
    QWidget::changeEvent(event);
}

void TForm1::BackInSight()
{
    // Wayland never tells a window that it has been restored, and a window
    // manager may refuse to minimise: the window that the minimise button
    // sent away is back when it is clicked or (where no restore is reported)
    // active again, and so are the penalty and ranking windows that went
    // with it.
    TToolWindow::ComeBackWith(this);
    if (MinimisedByButton)
        ApplicationRestore();
}

void TForm1::ApplicationRestore()
{
    MinimisedByButton = false;
    LightStr1->ShowStart();
}

void TForm1::LightStr1LineNext(TLightStr*, int32_t Index)
{
    LightStr1->SetLightColor(AboutLineColour(Index));
}

void TForm1::closeEvent(QCloseEvent* event)
{
    event->accept();
    Platform::Terminate();
}

void TForm1::BtnExitClick()
{
    struct TCloseAtEnd {
        TForm1* Form;
        ~TCloseAtEnd() { Form->close(); }
    } closeAtEnd{this}; // the window closes even if a step below fails
    Closing = true;
    PenaltyEndTick = Platform::TickAdd(Platform::TickCount(), Turn::PauseEndedByExitMs);
    if (Form2)
        Form2->hide();
    Platform::Sleep(ExitPauseMs);
}
