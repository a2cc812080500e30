// SPDX-License-Identifier: MIT
#include "Main/Main.h"

#include "Main/AboutText.h"
#include "Main/CaptionStrip.h"
#include "Main/CardStrip.h"
#include "Main/Look.h"
#include "Main/TimeFormat.h"
#include "Platform/Platform.h"
#include "Rank/Rank.h"
#include "StopForm/StopForm.h"
// Qt
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTimer>
// std
#include <algorithm>
#include <climits>
#include <cstring>

TForm1* Form1 = nullptr;

namespace {
const QColor ClockColour(0, 255, 0);
constexpr QRgb BoardColour = qRgb(255, 0, 0);
constexpr int ClockIntervalMs = 200;
constexpr int PenaltyFaceMs = 300;
constexpr int PenaltyPauseMs = 2000;
constexpr int MismatchMs = 400;
constexpr int ExitPauseMs = 10;
const QString ClockPrefix = QStringLiteral("TIME= ");
} // namespace

// ---- TBoardImage ------------------------------------------------------------

TBoardImage::TBoardImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage& TBoardImage::Canvas()
{
    if (Bitmap.isNull()) {
        Bitmap = QImage(size(), QImage::Format_RGB888);
        Bitmap.fill(Qt::white);
    }
    return Bitmap;
}

void TBoardImage::CopyRect(const TRect& dest, const QImage& source, const TRect& sourceRect)
{
    QImage& canvas = Canvas();
    // Same format on both sides and no scaling: a row copy, clipped to both images.
    const int w = std::min({dest.Width(), sourceRect.Width(), canvas.width() - dest.Left,
                            source.width() - sourceRect.Left});
    const int h = std::min({dest.Height(), sourceRect.Height(), canvas.height() - dest.Top,
                            source.height() - sourceRect.Top});
    if (w <= 0 || h <= 0 || dest.Left < 0 || dest.Top < 0 || sourceRect.Left < 0 ||
        sourceRect.Top < 0)
        return;
    Q_ASSERT(source.format() == QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        std::memcpy(canvas.scanLine(dest.Top + y) + dest.Left * 3,
                    source.constScanLine(sourceRect.Top + y) + sourceRect.Left * 3,
                    static_cast<size_t>(w) * 3);
    update(dest.Left, dest.Top, dest.Width(), dest.Height());
}

void TBoardImage::FillRect(const TRect& dest, QRgb colour)
{
    QPainter p(&Canvas());
    p.fillRect(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()), QColor(colour));
    update(dest.Left, dest.Top, dest.Width(), dest.Height());
}

void TBoardImage::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    // Red only where the bitmap does not reach (before the first drawing).
    if (!Bitmap.rect().contains(event->rect()))
        p.fillRect(event->rect(), QColor(BoardColour));
    if (!Bitmap.isNull())
        p.drawImage(event->rect().topLeft(), Bitmap, event->rect());
}

void TBoardImage::mousePressEvent(QMouseEvent* event)
{
    // Every button counts, and so does the second press of a double click
    // (QWidget hands double clicks to this handler).
    const QPoint pos = Platform::PixelAt(this, event);
    emit MouseDown(event->button(), pos.x(), pos.y());
}

// ---- TForm1: creation and shutdown -----------------------------------------

TForm1::TForm1(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    Form1 = this;
    setWindowTitle(Platform::AppTitle);

    // The layout's design values; FormCreate and the window fit adjust them.
    // The frame around the client area has the window colour and takes no
    // mouse input.
    setFont(Look::PGothic(12));
    ClientArea = new TClientArea(this);
    ClientArea->setGeometry(Caption::FrameWidth, Caption::FrameWidth, 796, 459);
    resize(796 + 2 * Caption::FrameWidth, 459 + 2 * Caption::FrameWidth);

    LblTime = new QLabel(ClientArea);
    LblTime->setFont(Look::Gothic(19, true));
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

    ImageList2 = std::make_unique<TImageList>(QStringLiteral(":/buttons.png"), 33, 33, 8,
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
    PressedButton = -1;
    HintButton = -1;

    if (!QFileInfo(Strip::FileName).isFile()) {
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
        CardImages = LoadCardStrip(Strip::FileName);
    } catch (const TStripError& e) {
        Platform::ShowMessage(QString::fromStdString(e.what()), Platform::TMsgIcon::Error);
        Platform::Terminate(1);
        return false;
    }
    PictureCount = PictureCountOf(CardImages.width());
    SourceRects = MakeSourceRects(PictureCount);
    return true;
}

void TForm1::FormDestroy()
{
    SourceRects.clear();
    CardImages = QImage();
}

void TForm1::FitWindow(QSize screen)
{
    const TRect& last = Cards[Board::CardCount].Rect;
    const int w = std::min(last.Right + 12, screen.width());
    const int h = std::min(last.Bottom + 47, screen.height());
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
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        if ((change->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized))
            ApplicationRestore();
    }
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        BackInSight();
    QWidget::changeEvent(event);
}

void TForm1::BackInSight()
{
    // Wayland never tells a window that it has been restored, and a window
    // manager may refuse to minimise: the window that the minimise button
    // sent away is back when it is active again or the pointer is on it.
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
    PenaltyEndTick = Platform::TickAdd(Platform::TickCount(), -100);
    if (Form2)
        Form2->hide();
    Platform::Sleep(ExitPauseMs);
}

// ---- the deal and the board -----------------------------------------------

void TForm1::SetClockText(int32_t ms)
{
    LblTime->setText(ClockPrefix + FormatClockTime(ms));
    Look::FitToText(LblTime, 19);
}

void TForm1::NewGame()
{
    SetClockText(0);
    DealFaces(Cards, GameRandom(), PictureCount);
    for (int32_t i = 1; i <= RankRows; ++i)
        Ranking[i].Time = 0;
    ClockStarted = false;
    Timer1->stop();
    FirstCard = -1;
    PairsFound = 0;
    ShuffleCards();
}

void TForm1::ShuffleCards()
{
    ::ShuffleCards(Cards, Grid, GameRandom());
}

void TForm1::BtnReStartClick()
{
    FirstCard = -1;
    NewGame();
    DrawBoard();
}

void TForm1::DrawBoard()
{
    ImgArea->update();
    ImgArea->FillRect({0, 0, ImgArea->width(), ImgArea->height()}, BoardColour);
    for (int32_t n = 1; n <= Board::CardCount; ++n)
        DrawCard(n, Cards[n].Opened ? Cards[n].Picture : Board::BackPicture);
}

void TForm1::DrawCard(int32_t n, int32_t picture)
{
    ImgArea->CopyRect(Cards[n].Rect, CardImages, SourceRects.at(static_cast<size_t>(picture)));
}

void TForm1::RepaintCardNow(int32_t n)
{
    const TRect& r = Cards[n].Rect;
    ImgArea->repaint(r.Left, r.Top, r.Width(), r.Height());
}

// ---- turning cards --------------------------------------------------------

void TForm1::ImgAreaMouseDown(Qt::MouseButton, int X, int Y)
{
    if (Form3 && Form3->isVisible())
        return;
    if (Form2 && Form2->isVisible())
        return;
    const auto cell = Board::CellAt(X, Y);
    if (!cell)
        return;
    if (!ClockStarted) {
        ClockStarted = true;
        StartTick = Platform::TickCount();
        Timer1->start();
    }
    OpenCard(cell->Col, cell->Row);
}

void TForm1::OpenCard(int32_t Col, int32_t Row)
{
    const int32_t n = Grid[static_cast<size_t>(Col)][static_cast<size_t>(Row)];
    if (Cards[n].Opened)
        return;

    if (Cards[n].Picture == Board::PenaltyPicture) {
        DrawCard(n, Board::PenaltyPicture);
        RepaintCardNow(n);
        Platform::Sleep(PenaltyFaceMs);
        PenaltyEndTick = Platform::TickAdd(Platform::TickCount(), PenaltyPauseMs);
        Form2->SetBarPosition(PenaltyPauseMs);
        Form2->ShowPenalty();
        // Sleeps until the next event; the exit command moves the end time
        // into the past, and a timer wakes the wait when it is due.
        Platform::WaitUntil(
            [this] { return Platform::TickDiff(Platform::TickCount(), PenaltyEndTick) >= 0; },
            [this] { return Platform::TickDiff(PenaltyEndTick, Platform::TickCount()); });
        Form2->hide();
        if (Closing)
            return;
        DrawCard(n, Board::BackPicture);
        if (FirstCard != -1) {
            Cards[FirstCard].Opened = false;
            DrawCard(FirstCard, Board::BackPicture);
            FirstCard = -1;
        }
        return;
    }

    if (FirstCard == -1) {
        FirstCard = n;
        FirstPicture = Cards[n].Picture;
        DrawCard(n, Cards[n].Picture);
        RepaintCardNow(n);
        Cards[n].Opened = true;
        return;
    }

    DrawCard(n, Cards[n].Picture);
    RepaintCardNow(n);
    if (Cards[n].Picture == FirstPicture) {
        PairMatched(FirstCard, n);
        ++PairsFound;
        Cards[n].Opened = true;
        if (PairsFound >= Board::Pairs) {
            ElapsedMs = Platform::TickDiff(Platform::TickCount(), StartTick);
            Timer1->stop();
            EnterRanking();
            NewGame();
            DrawBoard();
        }
    } else {
        Platform::Sleep(MismatchMs);
        Cards[FirstCard].Opened = false;
        DrawCard(FirstCard, Board::BackPicture);
        DrawCard(n, Board::BackPicture);
    }
    FirstCard = -1;
}

void TForm1::PairMatched(int32_t, int32_t) {}

// ---- the ranking -----------------------------------------------------------

QString TForm1::RankPath() const
{
    // A game folder of its own keeps the ranking beside the executable, and
    // so does one whose ranking is already there. Under a system install
    // that folder cannot be written, and each player keeps a ranking in
    // their own data folder.
    const QString beside = AppDir + RankFileName;
    if (QFileInfo(AppDir).isWritable() || QFileInfo::exists(beside))
        return beside;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return QDir::toNativeSeparators(data + QLatin1Char('/') + RankFileName);
}

void TForm1::ReadRanking(TRankAccess access)
{
    LoadRankingOrEmpty(RankPath(), Ranking, access);
}

void TForm1::EnterRanking()
{
    // Read for writing: a ranking that cannot be saved is reported now,
    // before the player is asked for a name.
    ReadRanking(TRankAccess::ReadWrite);
    int32_t r = FindRankRow(Ranking, ElapsedMs);
    if (r > RankRows)
        r = 0;
    if (r > 0)
        InsertRankRow(Ranking, r,
                      {ElapsedMs, QByteArray(), Platform::ToCodePage(Platform::LocalDateText())});
    Form3->ShowRanking(r);

    // The ranking window clears RankWaiting when it hides, after copying the
    // typed name into row r.
    RankWaiting = true;
    Platform::WaitUntil([this] { return !RankWaiting; });
    if (r == 0)
        return;

    // Another running copy may have saved meanwhile, or be saving right now:
    // merge into a fresh read under the file's lock.
    MergeRankEntry(RankPath(), Ranking, {ElapsedMs, Ranking[r].Name, Ranking[r].Date});
}

void TForm1::BtnRankClick()
{
    // While a finished game waits for its name, the pending entry and the
    // name being typed stay as they are.
    if (RankWaiting)
        return;
    ReadRanking();
    Form3->ShowRanking(0);
}

// ---- the clock --------------------------------------------------------------

void TForm1::Timer1Timer()
{
    SetClockText(Platform::TickDiff(Platform::TickCount(), StartTick));
    if (Form2 && Form2->isVisible())
        Form2->SetBarPosition(Platform::TickDiff(PenaltyEndTick, Platform::TickCount()));
}
