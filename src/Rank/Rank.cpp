// SPDX-License-Identifier: MIT
#include "Rank.h"

#include "Look.h"
#include "Main.h"
#include "TimeFormat.h"
#include "CodePage.h"
#include "Platform.h"
// Qt
#include <QFontMetrics>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QValidator>

TForm3* Form3 = nullptr;

namespace {
const QColor HeaderColour(40, 60, 230);
const QColor RowColour(255, 255, 0);
constexpr int RowTop = 64, RowPitch = 24, RowHeight = 19;
constexpr int NameLeft = 168, DateLeft = 376;
constexpr int NameBytes = 20;
constexpr int MaxShownChars = 64;
const QString DefaultName = QStringLiteral("NUPE");

// Names are kept in the ranking file's code page: the edit takes only what
// that code page can hold, and at most 20 of its bytes, so that a saved
// name always reads back as it was typed.
class TNameValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        if (!Platform::CodePageCanEncode(input) || Platform::ToCodePage(input).size() > NameBytes)
            return Invalid;
        return Acceptable;
    }
};

QLabel* MakeLabel(QWidget* parent, const QString& text, const QFont& font, const QColor& colour)
{
    auto* label = new QLabel(text, parent);
    // Names come from a file and from the player: never markup.
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    Look::SetTextColour(label, colour);
    return label;
}

// A label sized to its text, with its top-left corner at (x, y).
QLabel* MakeFittedLabel(QWidget* parent, const QString& text, int x, int y, const QFont& font,
                        const QColor& colour)
{
    QLabel* label = MakeLabel(parent, text, font, colour);
    label->move(x, y);
    Look::FitToText(label, RowHeight);
    return label;
}

// A name typed here has at most 20 bytes; a file may hold megabytes, which
// would only stall the window and could never be seen anyway. A name too
// wide for its column ends in an ellipsis before the dates.
void SetRowText(QLabel* label, const QString& text, int maxWidth = QWIDGETSIZE_MAX)
{
    const QString shown = text.left(MaxShownChars);
    const QFontMetrics metrics = label->fontMetrics();
    label->setText(metrics.horizontalAdvance(shown) <= maxWidth
                       ? shown
                       : metrics.elidedText(shown, Qt::ElideRight, maxWidth));
    Look::FitToText(label, RowHeight);
}
} // namespace

TForm3::TForm3(QWidget* parent)
    : TToolWindow(Form1, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint, parent),
      CloseButton(
          this, []() -> const TImageList& { return *Form1->ImageList2; },
          [](int32_t) { return QPoint(CloseX, CloseY); })
{
    Form3 = this;
    setObjectName(QStringLiteral("Form3"));
    // It belongs to the game's main window: no task-bar entry or title of its own.
    setWindowTitle(Platform::AppTitle);
    setFixedSize(512, 307);

    const QFont header = Look::Gothic(19, true);
    LTime0 = MakeFittedLabel(this, QStringLiteral("TIME"), 72, 40, header, Qt::darkBlue);
    LName0 = MakeFittedLabel(this, QStringLiteral("NAME"), NameLeft, 40, header, Qt::darkBlue);
    LDate0 = MakeFittedLabel(this, QStringLiteral("DATE"), DateLeft, 40, header, Qt::darkBlue);
    static const char* const numbers[] = {"1st", "2nd", "3rd", "4th", "5th",
                                          "6th", "7th", "8th", "9th", "10th"};
    for (int n = 1; n <= RankRows; ++n) {
        const int y = RowTop + RowPitch * (n - 1);
        // Not sized to its text: right-aligned in its box, it ends at x 53
        // (rows 1 to 9) and 54 (row 10).
        QLabel* no = MakeLabel(this, QString::fromLatin1(numbers[n - 1]), header, Qt::darkBlue);
        no->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        no->setGeometry(n < RankRows ? 20 : 10, y, n < RankRows ? 33 : 44, RowHeight);
        LNOs[n] = no;
        LTimes[n] = MakeFittedLabel(this, QStringLiteral("TIME"), 72, y, header, RowColour);
        LNames[n] = MakeFittedLabel(this, QStringLiteral("NAME"), NameLeft, y, header, RowColour);
        LDates[n] = MakeFittedLabel(this, QStringLiteral("DATE"), DateLeft, y, header, RowColour);
    }
    QFont title = Look::Gothic(24, true);
    title.setItalic(true);
    // A fixed size: measuring the text would load the gothic's Japanese
    // tables long before the window is first shown.
    Label17 = new QLabel(QStringLiteral("ランキング"), this);
    Label17->setFont(title);
    Look::SetTextColour(Label17, Qt::white);
    Label17->setGeometry(176, 8, 125, 24);

    // The name edit is made when the window is first filled: a line edit lays
    // out its text at once, which would load fonts before the game is on
    // screen.

    FormCreate();
}

void TForm3::CreateEdit()
{
    Edit = new QLineEdit(DefaultName, this);
    Edit->setFont(Look::PGothic(13));
    QPalette ep = Edit->palette();
    ep.setColor(QPalette::Base, Qt::white);
    ep.setColor(QPalette::Text, Qt::black);
    Edit->setPalette(ep);
    Edit->setGeometry(8, 8, 193, 21);
    Edit->setValidator(new TNameValidator(Edit));
    // Enter closes the window as the close button does.
    connect(Edit, &QLineEdit::returnPressed, this, &QWidget::hide);
    setFocusProxy(Edit);
}

TForm3::~TForm3()
{
    if (Form3 == this)
        Form3 = nullptr;
}

void TForm3::FormCreate()
{
    Look::SetBackground(this, Look::WindowColour);
    for (QLabel* label : {LTime0, LName0, LDate0})
        Look::SetTextColour(label, HeaderColour);
    for (int n = 1; n <= RankRows; ++n)
        Look::SetTextColour(LNOs[n], HeaderColour);
}

void TForm3::ShowRanking(int32_t Row)
{
    if (!Edit)
        CreateEdit();
    EditRow = Row;
    Edit->setVisible(Row != 0);
    Edit->setText(DefaultName);
    // Selected, as an edit with automatic selection has it when it takes the
    // focus: the first key the player types replaces the whole text.
    Edit->selectAll();
    const TRanking& ranking = Form1->Ranking;
    for (int i = 1; i <= RankRows; ++i) {
        const TRankEntry& e = ranking[i];
        const bool empty = e.Time == 0;
        SetRowText(LTimes[i], empty ? QString() : FormatRankTime(e.Time));
        SetRowText(LNames[i], empty ? QString() : Platform::FromCodePage(e.Name),
                   DateLeft - NameLeft);
        SetRowText(LDates[i], empty ? QString() : Platform::FromCodePage(e.Date));
    }
    if (Row != 0) {
        QLabel* name = LNames[size_t(Row)];
        SetRowText(name, QString());
        Edit->move(name->pos());
    }
    Look::CentreOnScreen(this);
    show();
    raise();
    activateWindow();
    if (Row != 0)
        Edit->setFocus();
}

void TForm3::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Only a real hide: not the platform minimising the application, nor the
    // window going away with the minimised main window.
    if (!event->spontaneous() && !Away())
        FormHide();
}

void TForm3::FormHide()
{
    if (EditRow != 0)
        Form1->Ranking[EditRow].Name = Platform::ToCodePage(Edit->text());
    Form1->RankWaiting = false;
}

bool TForm3::InCloseButton(QPoint p)
{
    return p.x() >= CloseX && p.x() < CloseX + CloseHit && p.y() >= CloseY &&
           p.y() < CloseY + CloseHit;
}

void TForm3::paintEvent(QPaintEvent*)
{
    // A repaint of the window shows the button normal, even while held.
    QPainter p(this);
    CloseButton.Paint(p, [this] { CloseButton.Draw(0, true); });
}

void TForm3::mousePressEvent(QMouseEvent* event)
{
    // Any mouse button presses it.
    if (InCloseButton(Platform::PixelAt(this, event)))
        CloseButton.Press(0);
}

void TForm3::mouseReleaseEvent(QMouseEvent* event)
{
    if (CloseButton.Release(InCloseButton(Platform::PixelAt(this, event))) == 0)
        hide();
}
