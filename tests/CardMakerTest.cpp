// SPDX-License-Identifier: MIT
// The card maker: pictures of every shape cut and turned into cards, the
// strip it writes as the game reads it, and what it refuses.

#include "CardMaker.h"
#include "CardStrip.h"
#include "RulesSupport.h"
// Qt
#include <QDir>
#include <QProcess>
#include <QTransform>
// gtest
#include <gtest/gtest.h>
// POSIX
#include <sys/stat.h>

using namespace Test;

namespace {
struct TCutCase : TNamedCase {
    const char* File;
    QSize Size;  // as the picture stands upright
    QRect Cut;   // what the card must show
    bool OnSide; // stored turned a quarter left, with EXIF orientation 6
    bool Clear;  // the cut transparent, which shows white
};

// Red outside the cut; the cut framed in yellow as wide as a card's pixel,
// green (or clear) and black inside, with a blue quarter at its top left. A
// card cut too wide shows red, one cut too narrow loses its frame, one whose
// blue is elsewhere stands the wrong way, one scaled roughly shows no blend.
QImage MarkedPicture(const TCutCase& c)
{
    QImage picture(c.Size, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    const int dx = c.Cut.width() / 100, dy = c.Cut.height() / 80;
    const QRect inside = c.Cut.adjusted(dx, dy, -dx, -dy); // chequered with black
    for (const auto& [rect, colour] :
         {std::pair{c.Cut, QColor(Qt::yellow)},
          {inside, QColor(c.Clear ? Qt::transparent : Qt::green)},
          {QRect(c.Cut.topLeft(), c.Cut.size() / 4), QColor(Qt::blue)}})
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                picture.setPixelColor(x, y, rect == inside && (x + y) % 2 ? Qt::black : colour);
    return picture;
}

// Faces in the colours that a made-up strip gives pictures 2 on.
QString WriteFaces(int count, const QString& folder = QStringLiteral("faces"))
{
    QDir().mkpath(folder);
    for (int i = 2; i < count + 2; ++i) {
        QImage face(50, 40, QImage::Format_RGB32);
        face.fill(PictureColour(i));
        face.save(QStringLiteral("%1/%2.png").arg(folder).arg(i, 3, 10, QChar(u'0')));
    }
    return folder;
}

struct TRunCase : TNamedCase {
    int Faces;             // good pictures in the folder "faces"
    QStringList Arguments; // after "faces"
    int Status;
    const char* Japanese; // in the first line it prints
    const char* English;  // in the second
};
} // namespace

class CardCut : public ::testing::TestWithParam<TCutCase> {};

TEST_P(CardCut, ShowsTheUprightCentreAtFiveToFour)
{
    const TCutCase& c = GetParam();
    TScratchDir dir;
    if (c.OnSide) {
        WriteJpeg(c.File, MarkedPicture(c).transformed(QTransform().rotate(-90)));
        WriteBytes(c.File, ReadBytes(c.File).insert(2, Hex("FFE1 0022 457869660000 4D4D002A00000008"
                                                           "0001 0112 0003 00000001 00060000 0000"
                                                           "0000")));
    } else {
        ASSERT_TRUE(MarkedPicture(c).save(c.File));
    }
    const QImage card = CardMaker::CardPicture(CardMaker::ReadPicture(c.File));
    ASSERT_EQ(card.size(), QSize(100, 80));
    const auto expect = [&](const QPoint& p, const QColor& colour) {
        EXPECT_TRUE(Near(card.pixelColor(p), colour, 40))
            << p.x() << "," << p.y() << " shows " << card.pixelColor(p).name().toStdString();
    };
    for (const QPoint& p : {QPoint(12, 10), QPoint(23, 18)}) // sharp up to the edge
        expect(p, Qt::blue);
    for (const QPoint& p : {QPoint(0, 40), QPoint(99, 40), QPoint(50, 0), QPoint(50, 79)})
        expect(p, Qt::yellow);
    for (const QPoint& p : {QPoint(50, 40), QPoint(97, 77), QPoint(87, 10), QPoint(27, 22)})
        expect(p, c.Clear ? QColor(128, 128, 128) : QColor(0, 128, 0));
}

INSTANTIATE_TEST_SUITE_P(
    CardMaker, CardCut,
    ::testing::Values(
        TCutCase{{"PortraitPng"}, "tall.png", {400, 1000}, {0, 340, 400, 320}, false, false},
        TCutCase{{"LandscapeBmp"}, "wide.bmp", {1000, 400}, {250, 0, 500, 400}, false, false},
        TCutCase{{"PhoneJpegOnItsSide"}, "phone.jpg", {1000, 400}, {250, 0, 500, 400}, true, false},
        TCutCase{{"SquareJpeg"}, "square.jpg", {500, 500}, {0, 50, 500, 400}, false, false},
        TCutCase{{"ClearPng"}, "clear.png", {500, 400}, {0, 0, 500, 400}, false, true}),
    CaseName);

TEST(CardMakerDeck, IsABaselineStripThatTheGameReadsPictureForPicture)
{
    TScratchDir dir;
    WriteStrip(24); // the shipped strip, for the penalty card
    const QString back = WriteFaces(1, QStringLiteral("back")) + QStringLiteral("/002.png");
    WriteBytes(QStringLiteral("deck.jpg"), "an earlier deck that the group may write");
    struct stat before {
    }, after{};
    ASSERT_EQ(::chmod("deck.jpg", 0664) | ::stat("deck.jpg", &before), 0);
    ASSERT_EQ(CardMaker::MakeDeck({{WriteFaces(23)}, back, {}, "Img.Dat", "deck.jpg"}), 23);
    ASSERT_EQ(::stat("deck.jpg", &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "written in place, not replaced in one step";

    const QByteArray bytes = ReadBytes(QStringLiteral("deck.jpg"));
    EXPECT_TRUE(bytes.contains("\xFF\xC0") && !bytes.contains("\xFF\xC2")) << "not baseline";
    const QImage strip = LoadCardStrip(QStringLiteral("deck.jpg"));
    ASSERT_EQ(strip.width(), 100 * 25);
    for (int i = 0; i < 25; ++i)
        for (const QPoint& p : {QPoint(2, 2), QPoint(50, 40), QPoint(97, 77)})
            EXPECT_TRUE(Near(strip.pixelColor(i * 100 + p.x(), p.y()), PictureColour(i ? i : 2)))
                << "picture " << i;
}

class CardMakerRun : public ::testing::TestWithParam<TRunCase> {};

TEST_P(CardMakerRun, WritesADeckOrRefusesInTwoLanguagesWritingNothing)
{
    const TRunCase& c = GetParam();
    TScratchDir dir;
    WriteFaces(c.Faces);
    WriteBytes(QStringLiteral("broken.png"), "not a picture");
    WriteBytes(WriteFaces(0, QStringLiteral("notes")) + QStringLiteral("/list.txt"), "to take");
    // A relative XDG_DATA_HOME names no folder: the deck goes below HOME.
    const QString deck = WriteFaces(0, QStringLiteral("home/.local/share/nupenupe"));
    WriteBytes(deck + QStringLiteral("/Img.Dat"), "an earlier deck");

    QProcess maker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.Path(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), QStringLiteral("relative/data"));
    maker.setProcessEnvironment(env);
    maker.start(QStringLiteral(NUPE_CARD_MAKER),
                QStringList{QStringLiteral("faces")} + c.Arguments);
    ASSERT_TRUE(maker.waitForFinished(60000));
    const QStringList lines =
        QString::fromUtf8(c.Status ? maker.readAllStandardError() : maker.readAllStandardOutput())
            .split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(maker.exitCode(), c.Status);
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains(QString::fromUtf8(c.Japanese))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QString::fromUtf8(c.English))) << lines[1].toStdString();
    if (c.Status == 0)
        EXPECT_NO_THROW(LoadCardStrip(deck + QStringLiteral("/Img.Dat")));
    else
        EXPECT_EQ(ReadBytes(deck + QStringLiteral("/Img.Dat")), "an earlier deck");
}

INSTANTIATE_TEST_SUITE_P(
    CardMaker, CardMakerRun,
    ::testing::Values(
        TRunCase{{"IntoThePlayersDataFolder"}, 22, {}, 0, "絵札 22 枚", "22 faces"},
        TRunCase{{"TooManyPictures"}, CardMaker::MaxFaces + 1, {}, 1, "多すぎます", "too many"},
        TRunCase{{"TooFewPictures"}, 21, {}, 1, "21 枚しか", "only 21"},
        TRunCase{{"PicturesNamedTwice"}, 22, {"faces/002.png", "faces"}, 0, "絵札 22", "22 faces"},
        TRunCase{{"UnreadablePicture"}, 22, {"broken.png"}, 1, "「broken.png」", "'broken.png'"},
        TRunCase{{"MissingPicture"}, 22, {"gone.jpg"}, 1, "ありません", "no such file"},
        TRunCase{{"FolderWithoutPictures"},
                 22,
                 {"notes"},
                 1,
                 "「notes」に読める写真",
                 "'notes' holds no"},
        TRunCase{
            {"UnwritableOutput"}, 22, {"-o", "no/Img.Dat"}, 1, "書き込めません", "cannot write"}),
    CaseName);
