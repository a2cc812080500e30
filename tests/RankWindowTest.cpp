// SPDX-License-Identifier: MIT
// The ranking window and the ranking update at the end of a game, on the
// real windows with "Rank.Dat" in a scratch directory.

#include "TestSupport.h"
#include "Look.h"
#include "RankFile.h"
// Qt
#include <QFile>
#include <QLabel>
#include <QLineEdit>
// gtest
#include <gtest/gtest.h>
// std
#include <cstdlib>
#include <optional>
// POSIX
#include <unistd.h>

using namespace Test;

namespace {

class Ranking : public GameTest {
protected:
    QString RankFile() { return Dir.Path(QStringLiteral("exe/Rank.Dat")); }

    // Ten rows of 10, 20, ... 100 seconds named P1 .. P10.
    static TRanking FullTable()
    {
        TRanking t;
        for (int32_t i = 1; i <= 10; ++i)
            t[i] = {i * 10000, "P" + QByteArray::number(i), "2001/05/23"};
        return t;
    }

    TRanking ReadFile()
    {
        TRanking t;
        EXPECT_TRUE(LoadRanking(RankFile(), t));
        return t;
    }

    QByteArray FileBytes() { return ReadBytes(RankFile()); }

    TForm3& Rank() { return *W->Rank; }
    QString Text(QLabel* label) { return label->text(); }
    QByteArray Today() { return Platform::ToCodePage(Platform::LocalDateText()); }

    // The image on screen on the close button: 0 normal, 1 pressed, -1 other.
    int ShownClose()
    {
        const QImage shown =
            OnScreen(&Rank(), {TForm3::CloseX, TForm3::CloseY, ButtonImageSize, ButtonImageSize});
        for (int image : {0, 1})
            if (shown == Main().ImageList2->Image(image).toImage().convertToFormat(shown.format()))
                return image;
        return -1;
    }

    // Clicks the close button of the ranking window.
    void CloseRanking() { QTest::mouseClick(&Rank(), Qt::LeftButton, {}, QPoint(466, 24)); }
};

TEST_F(Ranking, EmptyTableShowsOnlyHeadersNumbersAndTheCloseButton)
{
    Main().BtnRankClick();
    EXPECT_TRUE(Rank().isVisible());
    EXPECT_FALSE(Rank().Edit->isVisible());
    EXPECT_EQ(Rank().size(), QSize(512, 307));
    EXPECT_EQ(Text(Rank().Label17), QStringLiteral("ランキング"));
    EXPECT_EQ(Text(Rank().LTime0), QStringLiteral("TIME"));
    EXPECT_EQ(Text(Rank().LName0), QStringLiteral("NAME"));
    EXPECT_EQ(Text(Rank().LDate0), QStringLiteral("DATE"));
    const char* numbers[] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th", "9th", "10th"};
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(Text(Rank().LNOs[size_t(i)]), QString::fromLatin1(numbers[i - 1]));
        EXPECT_TRUE(Text(Rank().LTimes[size_t(i)]).isEmpty());
        EXPECT_TRUE(Text(Rank().LNames[size_t(i)]).isEmpty());
        EXPECT_TRUE(Text(Rank().LDates[size_t(i)]).isEmpty());
    }
    // Row numbers end at x 53, and 54 for the tenth.
    EXPECT_EQ(Rank().LNOs[1]->geometry().right(), 52);
    EXPECT_EQ(Rank().LNOs[10]->geometry(), QRect(10, 280, 44, 19));
    // The close button shows the exit button's normal image.
    const QImage shot = Rank().grab().toImage();
    EXPECT_EQ(shot.pixelColor(450, 8), QColor(178, 167, 255));
    EXPECT_EQ(shot.copy(450, 8, 33, 33),
              Main().ImageList2->Image(0).toImage().convertToFormat(shot.format()));
    EXPECT_FALSE(QFile::exists(RankFile())); // reading creates nothing
}

// What a player sees, showing after showing in one run: a row that holds a
// result shows ink in its time, name and date cells, an empty row only its
// number, and the numbers end where the layout puts them. The parameter is
// the showing looked at; the ones before it have been shown and closed.
constexpr struct {
    const char* Name;
    int Rows, EditRow; // rows 1 .. Rows hold results; the row being named
} Showings[] = {{"Empty", 0, 0}, {"OneRow", 1, 0}, {"Full", 10, 0}, {"EditOnRowTen", 10, 10}};

// The last column of x in [left, right) with ink on the row's band, or -1.
int InkRight(const QImage& shot, int left, int right, int row)
{
    for (int x = right - 1, top = 64 + 24 * (row - 1); x >= left; --x)
        for (int y = top; y < top + 19; ++y)
            if (shot.pixelColor(x, y) != Look::WindowColour)
                return x;
    return -1;
}

class RankingOnScreen : public Ranking, public ::testing::WithParamInterface<int> {};

TEST_P(RankingOnScreen, ShowsEveryRowItHolds)
{
    for (int k = 0; k <= GetParam(); ++k) {
        if (k > 0)
            CloseRanking();
        Main().Ranking = {};
        for (int32_t i = 1; i <= Showings[k].Rows; ++i)
            Main().Ranking[i] = FullTable()[i];
        Rank().ShowRanking(Showings[k].EditRow);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Rank()));
    }
    const QImage shot = Rank().grab().toImage();
    for (int row = 1; row <= 10; ++row)
        for (const auto& [left, right] : {std::pair(72, 168), {168, 376}, {376, 512}})
            EXPECT_EQ(InkRight(shot, left, right, row) >= 0, row <= Showings[GetParam()].Rows)
                << "row " << row << ", column " << left;
    // Right-aligned: each number's ink reaches the end of its box, x 53 for
    // rows 1 to 9 and 54 for the tenth, whose "th" ends one pixel further
    // right than the ninth's.
    for (int row = 1; row <= 10; ++row)
        EXPECT_NEAR(InkRight(shot, 0, 72, row), row < 10 ? 52 : 53, 1) << "row " << row;
    EXPECT_EQ(InkRight(shot, 0, 72, 10), InkRight(shot, 0, 72, 9) + 1);
}

INSTANTIATE_TEST_SUITE_P(Showings, RankingOnScreen, ::testing::Range(0, 4),
                         [](const auto& info) { return std::string(Showings[info.param].Name); });

TEST_F(Ranking, RowTenPutsTheEditOnItsNameCell)
{
    Main().Ranking = FullTable();
    Rank().ShowRanking(10);
    EXPECT_TRUE(Rank().Edit->isVisible());
    EXPECT_EQ(Rank().Edit->pos(), QPoint(168, 280));
    EXPECT_EQ(Rank().Edit->size(), QSize(193, 21));
    EXPECT_EQ(Rank().Edit->text(), QStringLiteral("NUPE"));
    EXPECT_EQ(Text(Rank().LTimes[10]), QStringLiteral("01:40.0"));
    EXPECT_TRUE(Text(Rank().LNames[10]).isEmpty());
    EXPECT_EQ(Text(Rank().LDates[10]), QStringLiteral("2001/05/23"));
    EXPECT_EQ(Text(Rank().LNames[9]), QStringLiteral("P9"));
    EXPECT_EQ(Rank().LTimes[3]->pos(), QPoint(72, 112));
    EXPECT_EQ(Rank().LDates[3]->pos(), QPoint(376, 112));
}

TEST_F(Ranking, CloseButtonPressMoveAndRelease)
{
    Main().BtnRankClick();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Rank()));
    QTest::qWait(20); // painted once, as before any click a player can make
    const QImage normal = Main().ImageList2->Image(0).toImage();
    const QImage pressed = Main().ImageList2->Image(1).toImage();
    ASSERT_NE(normal, pressed);

    // Press on it, move off, release there: normal again, still open.
    QTest::mousePress(&Rank(), Qt::LeftButton, {}, QPoint(460, 20));
    EXPECT_TRUE(Rank().ClosePressed());
    EXPECT_EQ(ShownClose(), 1);
    QTest::mouseMove(&Rank(), QPoint(300, 200));
    EXPECT_EQ(ShownClose(), 1);
    QTest::mouseRelease(&Rank(), Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_FALSE(Rank().ClosePressed());
    EXPECT_EQ(ShownClose(), 0);
    EXPECT_TRUE(Rank().isVisible());

    // A repaint while held shows it normal; the release still closes.
    QTest::mousePress(&Rank(), Qt::LeftButton, {}, QPoint(460, 20));
    Rank().repaint();
    EXPECT_EQ(ShownClose(), 0);
    EXPECT_TRUE(Rank().ClosePressed());
    QTest::mouseRelease(&Rank(), Qt::LeftButton, {}, QPoint(470, 30));
    EXPECT_FALSE(Rank().isVisible());

    // Press elsewhere, release on the button: nothing.
    Main().BtnRankClick();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Rank()));
    QTest::qWait(20); // painted once, as before any click a player can make
    QTest::mousePress(&Rank(), Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(ShownClose(), 0);
    QTest::mouseRelease(&Rank(), Qt::LeftButton, {}, QPoint(460, 20));
    EXPECT_TRUE(Rank().isVisible());

    // Both corners belong to the button: press at one, release at the other.
    QTest::mousePress(&Rank(), Qt::RightButton, {}, QPoint(483, 41));
    EXPECT_EQ(ShownClose(), 1);
    QTest::mouseRelease(&Rank(), Qt::RightButton, {}, QPoint(450, 8));
    EXPECT_FALSE(Rank().isVisible());
    EXPECT_FALSE(Main().RankWaiting);

    // Just outside the hit area.
    Main().BtnRankClick();
    QTest::mouseClick(&Rank(), Qt::LeftButton, {}, QPoint(484, 20));
    QTest::mouseClick(&Rank(), Qt::LeftButton, {}, QPoint(460, 42));
    EXPECT_TRUE(Rank().isVisible());
}

TEST_F(Ranking, NameEditTakesTwentyCodePageBytesAndEnterCloses)
{
    Main().Ranking = FullTable();
    Rank().ShowRanking(4);
    QLineEdit* edit = Rank().Edit;
    edit->clear();
    TypeText(edit, QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(edit->text(), QStringLiteral("abcdefghijklmnopqrst"));
    edit->clear();
    TypeText(edit, QStringLiteral("ぬぺぬぺぬぺぬぺぬぺぬぺ")); // 12 double-byte characters
    EXPECT_EQ(edit->text(), QStringLiteral("ぬぺぬぺぬぺぬぺぬぺ"));
    edit->clear();
    TypeText(edit, QStringLiteral("A😀B"));
    EXPECT_EQ(edit->text(), QStringLiteral("AB")); // not in the code page
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(Rank().isVisible());
    EXPECT_EQ(Main().Ranking[4].Name, QByteArray("AB"));
}

TEST_F(Ranking, EmptyRowShowsNothingOfItsOldTexts)
{
    Main().Ranking = FullTable();
    Rank().ShowRanking(0);
    Main().Ranking[3].Time = 0; // emptied; the table keeps its texts
    Rank().ShowRanking(0);
    for (QLabel* label : {Rank().LTimes[3], Rank().LNames[3], Rank().LDates[3]})
        EXPECT_TRUE(Text(label).isEmpty()) << Text(label).toStdString();
    EXPECT_EQ(Text(Rank().LNames[4]), QStringLiteral("P4"));
}

TEST_F(Ranking, EveryDealEmptiesTheTableButKeepsItsTexts)
{
    Main().Ranking = FullTable();
    Main().BtnReStartClick();
    for (int32_t i = 1; i <= 10; ++i) {
        EXPECT_EQ(Main().Ranking[i].Time, 0) << i;
        EXPECT_EQ(Main().Ranking[i].Name, "P" + QByteArray::number(i));
    }
}

TEST_F(Ranking, TypingReplacesNupeAndInputMethodCharactersAreSavedAsWindowsWritesThem)
{
    // 〜 as a Linux input method types it: two code-page bytes each, so ten fit.
    FinishGame(5000, [&] {
        TypeText(Rank().Edit, QString(11, QChar(u'\u301C')));
        CloseRanking();
    });
    EXPECT_EQ(ReadFile()[1].Name, QByteArray("\x81\x60").repeated(10));
}

TEST_F(Ranking, LongNameEndsBeforeTheDateColumn)
{
    TRanking t;
    t[1] = {5000, QByteArray(60, 'W'), "2001/05/23"};
    t[2] = {6000, QByteArray(20, 'W'), "2001/05/23"};
    t[3] = {7000, Platform::ToCodePage(QStringLiteral("ぬぺぬぺぬぺぬぺぬぺ")), "2001/05/23"};
    Main().Ranking = t;
    Rank().ShowRanking(0);
    EXPECT_LE(Rank().LNames[1]->geometry().right(), 375);
    EXPECT_TRUE(Text(Rank().LNames[1]).startsWith(QStringLiteral("WWWW")));
    // Names as long as the edit allows are shown whole.
    EXPECT_EQ(Text(Rank().LNames[2]), QString(20, u'W'));
    EXPECT_EQ(Text(Rank().LNames[3]), QStringLiteral("ぬぺぬぺぬぺぬぺぬぺ"));
}

TEST_F(Ranking, ArbitraryBytesFromTheFileAreShownDecoded)
{
    TRanking t;
    t[1] = {5000, QByteArray("\x82\xca\x82\xd8\xff\x80\x82", 7), QByteArray("\x00\x01\x81", 3)};
    t[2] = {6000, QByteArray(300, '\x82'), QByteArray()};
    SaveRanking(RankFile(), t);
    Main().BtnRankClick();
    EXPECT_TRUE(Text(Rank().LNames[1]).startsWith(QStringLiteral("ぬぺ")));
    EXPECT_EQ(Text(Rank().LTimes[2]), QStringLiteral("00:06.0"));
}

TEST_F(Ranking, FirstGameEverSavesOneEntryAndNineEmptyRows)
{
    bool editShown = false;
    FinishGame(83456, [&] {
        editShown = Rank().Edit->isVisible() && Rank().Edit->pos() == QPoint(168, 64);
        EXPECT_EQ(Text(Rank().LTimes[1]), QStringLiteral("01:23.4"));
        for (int i = 2; i <= 10; ++i)
            EXPECT_TRUE(Text(Rank().LTimes[size_t(i)]).isEmpty());
        EXPECT_TRUE(Main().RankWaiting);
        EXPECT_FALSE(QFile::exists(RankFile()));
        CloseRanking();
    });
    EXPECT_TRUE(editShown);
    const TRanking saved = ReadFile();
    EXPECT_EQ(saved[1], (TRankEntry{83456, "NUPE", Today()}));
    for (int i = 2; i <= 10; ++i)
        EXPECT_EQ(saved[i].Time, 0);
    // Row 2 is empty but keeps the texts that the second read left in row 1
    // before the insert moved them down; empty rows are saved as they stand.
    const qsizetype entry = 12 + 4 * (4 + Today().size());
    EXPECT_EQ(FileBytes().size(), 4 + entry + entry + 8 * 12);
    EXPECT_TRUE(Messages.Messages.empty());
}

TEST_F(Ranking, TimeEqualToRowThreeBecomesRowFour)
{
    ASSERT_TRUE(SaveRanking(RankFile(), FullTable()));
    FinishGame(30000, [&] {
        EXPECT_EQ(Rank().EditRow, 4);
        QLineEdit* edit = Rank().Edit;
        edit->clear();
        TypeText(edit, QStringLiteral("ぬぺ"));
        CloseRanking();
    });
    const TRanking saved = ReadFile();
    EXPECT_EQ(saved[3].Name, "P3");
    EXPECT_EQ(saved[4], (TRankEntry{30000, "\x82\xca\x82\xd8", Today()}));
    for (int i = 5; i <= 10; ++i)
        EXPECT_EQ(saved[i].Name, "P" + QByteArray::number(i - 1));
}

TEST_F(Ranking, TimeNoBetterThanRowTenShowsNoEditAndSavesNothing)
{
    ASSERT_TRUE(SaveRanking(RankFile(), FullTable()));
    const QByteArray before = FileBytes();
    for (int32_t elapsed : {100000, 250000}) {
        bool edit = true;
        FinishGame(elapsed, [&] {
            edit = Rank().Edit->isVisible();
            EXPECT_EQ(Text(Rank().LNames[10]), QStringLiteral("P10"));
            CloseRanking();
        });
        EXPECT_FALSE(edit);
        EXPECT_EQ(FileBytes(), before);
        EXPECT_TRUE(Messages.Messages.empty());
    }
}

TEST_F(Ranking, ResultThatEndsUpInRowTenIsSaved)
{
    // Straight into row 10, and moved down into row 10 by better times that
    // another copy saved while the window was open.
    struct TCase {
        int32_t Elapsed, EditRow;
        bool OtherSaves;
    };
    for (const TCase c : {TCase{95000, 10, false}, TCase{45000, 5, true}}) {
        ASSERT_TRUE(SaveRanking(RankFile(), FullTable()));
        FinishGame(c.Elapsed, [&] {
            EXPECT_EQ(Rank().EditRow, c.EditRow);
            if (c.OtherSaves) {
                TRanking other = FullTable();
                for (int32_t i = 1; i <= 9; ++i)
                    other[i] = {i * 1000, "FAST", "2001/05/24"};
                ASSERT_TRUE(SaveRanking(RankFile(), other));
            }
            CloseRanking();
        });
        const TRanking saved = ReadFile();
        EXPECT_EQ(saved[10], (TRankEntry{c.Elapsed, "NUPE", Today()})) << c.Elapsed;
        EXPECT_EQ(saved[9].Name, c.OtherSaves ? "FAST" : "P9");
    }
}

TEST_F(Ranking, TimeBetterThanRowOneDropsTheOldRowTen)
{
    ASSERT_TRUE(SaveRanking(RankFile(), FullTable()));
    FinishGame(9999, [&] { CloseRanking(); });
    const TRanking saved = ReadFile();
    EXPECT_EQ(saved[1].Time, 9999);
    EXPECT_EQ(saved[2].Name, "P1");
    EXPECT_EQ(saved[10].Name, "P9");
}

TEST_F(Ranking, EachNamingStartsFromNupe)
{
    FinishGame(5000, [&] {
        Rank().Edit->clear();
        TypeText(Rank().Edit, QStringLiteral("ぬぺ"));
        CloseRanking();
    });
    QString secondStart;
    FinishGame(4000, [&] {
        secondStart = Rank().Edit->text();
        CloseRanking();
    });
    EXPECT_EQ(secondStart, QStringLiteral("NUPE"));
    const TRanking saved = ReadFile();
    EXPECT_EQ(saved[1].Name, "NUPE");
    EXPECT_EQ(saved[2].Name, "\x82\xca\x82\xd8");
}

TEST_F(Ranking, TableFilledWithBetterTimesMeanwhileSavesNothing)
{
    // Another copy fills all ten rows with better times while ours is open:
    // ours no longer makes the table, and that copy's file stays.
    FinishGame(50000, [&] {
        TRanking better;
        for (int32_t i = 1; i <= 10; ++i)
            better[i] = {i * 1000, "FAST", "2001/05/23"};
        ASSERT_TRUE(SaveRanking(RankFile(), better));
        CloseRanking();
    });
    const TRanking saved = ReadFile();
    for (int32_t i = 1; i <= 10; ++i)
        EXPECT_EQ(saved[i].Name, "FAST");
    EXPECT_TRUE(Messages.Messages.empty());
}

TEST_F(Ranking, ClearedNameIsSavedEmpty)
{
    FinishGame(5000, [&] {
        Rank().Edit->clear();
        CloseRanking();
    });
    EXPECT_EQ(ReadFile()[1], (TRankEntry{5000, "", Today()}));
}

TEST_F(Ranking, AnotherCopySavingMeanwhileKeepsBothResults)
{
    ASSERT_TRUE(SaveRanking(RankFile(), FullTable()));
    FinishGame(45000, [&] {
        EXPECT_EQ(Rank().EditRow, 5);
        // The other copy saves a better time while our window is open.
        TRanking other = FullTable();
        InsertRankRow(other, 2, {15000, "OTHER", "2001/05/24"});
        ASSERT_TRUE(SaveRanking(RankFile(), other));
        CloseRanking();
    });
    const TRanking saved = ReadFile();
    EXPECT_EQ(saved[2].Name, "OTHER");
    EXPECT_EQ(saved[6], (TRankEntry{45000, "NUPE", Today()}));
    EXPECT_EQ(saved[10].Name, "P8");
}

TEST_F(Ranking, ForeignFileIsAnEmptyTableAndGetsReplaced)
{
    WriteBytes(RankFile(), QByteArray("\xF3\x03\x00\x00garbage", 11));
    FinishGame(7000, [&] {
        EXPECT_EQ(Rank().EditRow, 1);
        CloseRanking();
    });
    const TRanking saved = ReadFile();
    EXPECT_EQ(saved[1].Time, 7000);
    EXPECT_EQ(saved[2].Time, 0);
}

TEST_F(Ranking, ExitDuringTheWaitStillSavesTheResult)
{
    Main().show();
    FinishGame(12000, [&] {
        ClickCaption(Caption::Exit);
        EXPECT_TRUE(Rank().isVisible());
        EXPECT_FALSE(QFile::exists(RankFile()));
        CloseRanking();
    });
    EXPECT_TRUE(Platform::TerminateRequested());
    EXPECT_EQ(ReadFile()[1].Time, 12000);
}

TEST_F(Ranking, ExitDuringTheWaitInTheRunningProgramWaitsForTheWindow)
{
    // Inside the program's own message loop: the exit command must not close
    // the ranking window; the player does, and then the result is saved.
    Main().show();
    bool stillOpen = false;
    QTimer::singleShot(0, Main().ImgArea, [&] {
        FinishGame(12000, [&] {
            TypeText(Rank().Edit, QStringLiteral("Z"));
            Main().BtnExitClick();
            QTimer::singleShot(300, &Rank(), [&] {
                stillOpen = Rank().isVisible() && Main().RankWaiting;
                CloseRanking();
            });
        });
    });
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(ReadFile()[1].Name, "Z");
}

// While another copy holds the lock the windows run on, nothing starts under
// the pending save, and the save follows the release.
TEST_F(Ranking, WaitForAnotherCopysLockKeepsTheWindowsRunningAndThenSaves)
{
    Main().show();
    std::optional<Platform::TFileLock> other;
    bool ranDuringTheWait = false;
    FinishGame(12000, [&] {
        other.emplace(RankFile());
        QTimer::singleShot(300, Main().ImgArea, [&] {
            ranDuringTheWait = Main().RankSaving && !QFile::exists(RankFile());
            const int32_t first = Main().FirstCard;
            int32_t lone = 1;
            while (Main().Cards[lone].Opened)
                ++lone;
            Click(lone);
            EXPECT_EQ(Main().FirstCard, first);
            ClickCaption(Caption::Rank);
            EXPECT_FALSE(Rank().isVisible());
            ClickCaption(Caption::Exit); // the end waits for the save
            other.reset();
        });
        CloseRanking();
    });
    EXPECT_TRUE(ranDuringTheWait);
    EXPECT_EQ(ReadFile()[1].Time, 12000);
    EXPECT_EQ(Main().PairsFound, 0); // the next game, dealt after the save
    EXPECT_TRUE(Platform::TerminateRequested());
}

TEST_F(Ranking, BoardClicksAreRefusedWhileTheWindowIsOpen)
{
    Main().BtnRankClick();
    const int32_t a = SomePair(0).first;
    Click(a);
    EXPECT_FALSE(Main().ClockStarted);
    EXPECT_EQ(Main().FirstCard, -1);
    EXPECT_EQ(Shown(a), 0);
}

TEST_F(Ranking, NamesAreShownAsPlainText)
{
    TRanking t;
    t[1] = {5000, "<b>x</b><img src=\"nothing.png\">", "2001/05/23"};
    t[2] = {6000, QByteArray(100000, 'N'), "2001/05/23"};
    ASSERT_TRUE(SaveRanking(RankFile(), t));
    Main().BtnRankClick();
    EXPECT_EQ(Rank().LNames[1]->textFormat(), Qt::PlainText);
    // Shown as its characters, cut before the dates.
    EXPECT_TRUE(Text(Rank().LNames[1]).startsWith(QStringLiteral("<b>x</b><img src=")));
    // A name far longer than the edit allows is cut for display.
    EXPECT_LE(Text(Rank().LNames[2]).size(), 64);
}

TEST_F(Ranking, RestartDuringTheWaitDealsAtOnceAndAgainAfterwards)
{
    uint32_t seedAfterRestart = 0;
    FinishGame(12000, [&] {
        ClickCaption(Caption::ReStart);
        for (int32_t n = 1; n <= 45; ++n)
            EXPECT_EQ(Shown(n), 0);
        seedAfterRestart = GameRandom().Seed;
        TypeText(Rank().Edit, QStringLiteral("X"));
        CloseRanking();
    });
    EXPECT_NE(GameRandom().Seed, seedAfterRestart); // dealt once more
    EXPECT_EQ(ReadFile()[1].Name, "X");
}

TEST_F(Ranking, RankingButtonDuringTheWaitKeepsThePendingEntry)
{
    FinishGame(12000, [&] {
        TypeText(Rank().Edit, QStringLiteral("Y"));
        ClickCaption(Caption::Rank);
        EXPECT_TRUE(Rank().Edit->isVisible());
        EXPECT_EQ(Rank().Edit->text(), QStringLiteral("Y"));
        CloseRanking();
    });
    EXPECT_EQ(ReadFile()[1].Name, "Y");
}

TEST_F(Ranking, SaveErrorStopsTheGameEndAndIsShown)
{
    FinishGame(12000, [&] {
        QDir().mkdir(RankFile()); // a directory in the way, once the name is asked for
        CloseRanking();
    });
    ASSERT_EQ(Messages.Messages.size(), 1u);
    EXPECT_EQ(Messages.Messages[0].Text, QStringLiteral("ファイルへのアクセスが拒否されました"));
    EXPECT_EQ(Messages.Messages[0].Caption, QStringLiteral("ぬぺぬぺ衰弱"));
    EXPECT_EQ(Messages.Messages[0].Icon, Platform::TMsgIcon::Error);
    // No new deal: the finished board stays, the clock stopped.
    EXPECT_EQ(Main().PairsFound, 22);
    EXPECT_NE(Main().FirstCard, -1);
    EXPECT_FALSE(Main().Timer1->isActive());
    // The restart command deals again.
    Main().BtnReStartClick();
    EXPECT_EQ(Main().PairsFound, 0);
}

TEST_F(Ranking, TruncatedFileStopsBeforeTheWindowOpens)
{
    WriteBytes(RankFile(), Hex("F2 03 00 00"));
    bool windowOpened = false;
    FinishGame(12000, [&] { windowOpened = Rank().isVisible(); });
    EXPECT_FALSE(windowOpened);
    EXPECT_EQ(FileBytes(), QByteArray("\xF2\x03\x00\x00", 4)); // nothing written
    ASSERT_EQ(Messages.Messages.size(), 1u);
    EXPECT_EQ(Messages.Messages[0].Text, QStringLiteral("ファイルの末尾以降を読み込みました"));
    EXPECT_EQ(Main().PairsFound, 22);
    // The ranking command reports the same and opens nothing.
    Platform::Guarded([&] { Main().BtnRankClick(); });
    ASSERT_EQ(Messages.Messages.size(), 2u);
    EXPECT_EQ(Messages.Messages[1].Text, QStringLiteral("ファイルの末尾以降を読み込みました"));
    EXPECT_FALSE(Rank().isVisible());
}

// While it lives, file rights apply to this process as to the user "nobody"
// when it runs as root (root may write any file).
class TRightsOfNobody {
public:
    TRightsOfNobody()
    {
        Switched =
            ::geteuid() == 0 && ::setresgid(-1, 65534, -1) == 0 && ::setresuid(-1, 65534, -1) == 0;
    }
    ~TRightsOfNobody()
    {
        if (Switched && (::setresuid(-1, 0, -1) != 0 || ::setresgid(-1, 0, -1) != 0))
            std::abort();
    }
    bool Switched = false;
};

struct TUnwritable : TNamedCase {
    void (*Make)(const QString& path); // the ranking, which cannot be written
    const char* Error;
    const char* Row1Time; // what the ranking button then shows
};

class UnwritableRanking : public Ranking, public ::testing::WithParamInterface<TUnwritable> {};

// A ranking that cannot be saved is reported when the game ends, before a
// name is asked for; the ranking button still shows it.
TEST_P(UnwritableRanking, IsReportedBeforeTheWindowOpens)
{
    const TUnwritable& c = GetParam();
    QFile::setPermissions(Dir.Path(QString()), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ReadOther |
                                                   QFile::ExeOther);
    c.Make(RankFile());
    const QByteArray before = FileBytes();
    const TRightsOfNobody nobody;
    if (::geteuid() == 0)
        GTEST_SKIP() << "file rights cannot be made to apply here";
    bool windowOpened = false;
    FinishGame(12000, [&] {
        windowOpened = Rank().isVisible();
        CloseRanking();
    });
    EXPECT_FALSE(windowOpened);
    ASSERT_EQ(Messages.Messages.size(), 1u);
    EXPECT_EQ(Messages.Messages[0].Text, QString::fromUtf8(c.Error));
    EXPECT_EQ(Main().PairsFound, 22);
    EXPECT_EQ(FileBytes(), before);

    Main().BtnRankClick();
    EXPECT_TRUE(Rank().isVisible());
    EXPECT_FALSE(Rank().Edit->isVisible());
    EXPECT_EQ(Text(Rank().LTimes[1]), QString::fromUtf8(c.Row1Time));
    EXPECT_EQ(Messages.Messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Ranking, UnwritableRanking,
    ::testing::Values(TUnwritable{"ReadOnly",
                                  [](const QString& path) {
                                      TRanking t;
                                      t[1] = {10000, "RO", "2001/05/23"};
                                      SaveRanking(path, t);
                                      QFile::setPermissions(path,
                                                            QFile::ReadOwner | QFile::ReadOther);
                                  },
                                  "ファイルへのアクセスが拒否されました", "00:10.0"},
                      TUnwritable{"BrokenLink",
                                  [](const QString& path) {
                                      QFile::link(QStringLiteral("gone.dat"), path);
                                  },
                                  "I/O エラー (2)", ""},
                      TUnwritable{"Directory", [](const QString& path) { QDir().mkdir(path); },
                                  "ファイルへのアクセスが拒否されました", ""}),
    CaseName);

} // namespace
