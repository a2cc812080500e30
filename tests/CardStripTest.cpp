// SPDX-License-Identifier: MIT
// Decoding the picture strip and refusing files a deal cannot be made from.

#include "CardStrip.h"
#include "RulesSupport.h"
// Qt
#include <QFile>
#include <QRegularExpression>
// POSIX
#include <sys/stat.h>
// gtest
#include <gtest/gtest.h>

using namespace Test;

namespace {

QString DecodeError(const QString& path)
{
    try {
        LoadCardStrip(path);
    } catch (const TCardStripError& e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

void ExpectPicturesDecoded(const QImage& strip, int pictures)
{
    for (int i = 0; i < pictures; ++i)
        EXPECT_TRUE(Near(strip.pixelColor(i * 100 + 50, 40), PictureColour(i)))
            << "picture " << i << " " << strip.pixelColor(i * 100 + 50, 40).name().toStdString();
}

} // namespace

TEST(CardStrip, DecodesToTwentyFourBitColourAtFullSize)
{
    TScratchDir dir;
    WriteStrip(32);
    const QImage strip = LoadCardStrip(QStringLiteral("Img.Dat"));
    EXPECT_EQ(strip.format(), QImage::Format_RGB888);
    EXPECT_EQ(strip.size(), QSize(3200, 80));
    EXPECT_EQ(PictureCountOf(strip.width()), 31);
    ExpectPicturesDecoded(strip, 32);
}

TEST(CardStrip, OnlyTheTopEightyRowsOfATallStripAreKept)
{
    // Cards never show more; a tall strip costs no memory for the rest.
    TScratchDir dir;
    WriteJpeg(QStringLiteral("tall.jpg"), MakeStrip(24, 0, 2000));
    const QImage strip = LoadCardStrip(QStringLiteral("tall.jpg"));
    EXPECT_EQ(strip.size(), QSize(2400, 80));
    ExpectPicturesDecoded(strip, 24);
    // Asked for everything, the decoder gives the whole image.
    EXPECT_EQ(DecodeJpegFile(QStringLiteral("tall.jpg"), QStringLiteral("tall.jpg")).height(),
              2000);
}

TEST(CardStrip, PictureCountAndSourceRects)
{
    EXPECT_EQ(PictureCountOf(2400), 23);
    EXPECT_EQ(PictureCountOf(2450), 23); // the last 50 columns are never shown
    EXPECT_EQ(PictureCountOf(2499), 23);
    EXPECT_EQ(PictureCountOf(2500), 24);
    const auto rects = MakeSourceRects(23);
    ASSERT_EQ(rects.size(), 24u);
    EXPECT_EQ(rects[0], (TRect{0, 0, 100, 80}));
    EXPECT_EQ(rects[23], (TRect{2300, 0, 2400, 80}));
}

TEST(CardStrip, ProgressiveAndGreyscaleDecodeToCorrectColour)
{
    TScratchDir dir;
    const QImage source = MakeStrip(24);
    WriteJpeg(QStringLiteral("progressive.jpg"), source, {.Progressive = true});
    ExpectPicturesDecoded(LoadCardStrip(QStringLiteral("progressive.jpg")), 24);

    WriteJpeg(QStringLiteral("grey.jpg"), source, {.Greyscale = true});
    const QImage grey = LoadCardStrip(QStringLiteral("grey.jpg"));
    EXPECT_EQ(grey.format(), QImage::Format_RGB888);
    for (int i = 0; i < 24; ++i) {
        const QColor c = grey.pixelColor(i * 100 + 50, 40);
        const QColor p = PictureColour(i);
        const int y = (p.red() * 299 + p.green() * 587 + p.blue() * 114) / 1000;
        EXPECT_TRUE(Near(c, QColor(y, y, y), 6)) << i;
    }
}

TEST(CardStrip, RefusesFilesThatAreNoUsableStrip)
{
    TScratchDir dir;
    struct TCase {
        const char* name;
        std::function<void(const QString&)> make;
        const char* reason; // a word the message must hold
    };
    const QImage good = MakeStrip(24);
    const TCase cases[] = {
        {"empty", [](const QString& p) { WriteBytes(p, {}); }, "解読"},
        {"text", [](const QString& p) { WriteBytes(p, "This is no picture at all.\n"); }, "解読"},
        {"png", [&](const QString& p) { good.save(p, "PNG"); }, "解読"},
        {"truncated",
         [&](const QString& p) {
             WriteJpeg(p, good);
             QFile f(p);
             f.open(QIODevice::ReadWrite);
             f.resize(f.size() / 2);
         },
         "解読"},
        {"two channels", [&](const QString& p) { WriteJpeg(p, good, {.TwoChannels = true}); },
         "色空間"},
        {"narrow", [](const QString& p) { WriteJpeg(p, MakeStrip(23, 99)); }, "幅"},
        {"low", [](const QString& p) { WriteJpeg(p, MakeStrip(24, 0, 79)); }, "高さ"},
        {"huge", WriteHugeStrip, "大きすぎ"},
        {"missing", [](const QString&) {}, "開けません"},
        {"fifo", [](const QString& p) { ::mkfifo(QFile::encodeName(p), 0666); }, "通常のファイル"},
        {"endless",
         [&](const QString& p) {
             // A progressive strip (every scan is read before the first row)
             // broken off after its first scan, with no end in sight.
             WriteJpeg(p, good, {.Progressive = true});
             const QByteArray bytes = ReadBytes(p), sos("\xFF\xDA", 2);
             QFile(p).resize(bytes.indexOf(sos, bytes.indexOf(sos) + 2));
             QFile(p).resize(qint64(1) << 30);
         },
         "大きすぎ"},
    };
    for (const TCase& c : cases) {
        const QString path = QString::fromLatin1(c.name) + QStringLiteral(".dat");
        c.make(path);
        const QString message = DecodeError(path);
        EXPECT_TRUE(message.contains(QStringLiteral("Img.Dat")))
            << c.name << ": " << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.reason)))
            << c.name << ": " << message.toStdString();
        // Japanese throughout; the decoder's own words only on a line of their own.
        const QString words = message.section(QStringLiteral("\n詳細："), 0, 0);
        EXPECT_FALSE(QString(words)
                         .remove(QStringLiteral("Img.Dat"))
                         .remove(QStringLiteral("JPEG"))
                         .contains(QRegularExpression(QStringLiteral("[A-Za-z]"))))
            << c.name << ": " << message.toStdString();
    }
}

// Any JPEG strip with the layout serves, as image editors and print
// workflows write it.
class Encoding : public ::testing::TestWithParam<TJpegOptions> {};
TEST_P(Encoding, StripDecodesToTheColoursOfItsSource)
{
    TScratchDir dir;
    WriteJpeg(QStringLiteral("strip.jpg"), MakeStrip(24), GetParam());
    ExpectPicturesDecoded(LoadCardStrip(QStringLiteral("strip.jpg")), 24);
}
INSTANTIATE_TEST_SUITE_P(CardStrip, Encoding,
                         ::testing::Values(TJpegOptions{.Cmyk = TJpegOptions::AdobeCmyk},
                                           TJpegOptions{.Cmyk = TJpegOptions::AdobeYcck},
                                           TJpegOptions{.Cmyk = TJpegOptions::PlainCmyk}));

namespace {
// A 24-picture strip with its bytes changed by `edit`.
struct TDamage : TNamedCase {
    std::function<void(QByteArray&)> Edit;
    int RestartRows = 0;
};
QString WriteDamagedStrip(const TDamage& damage)
{
    const QString path = QStringLiteral("damaged.dat");
    WriteJpeg(path, MakeStrip(24), {.RestartRows = damage.RestartRows});
    QFile f(path);
    f.open(QIODevice::ReadWrite);
    QByteArray bytes = f.readAll();
    damage.Edit(bytes);
    f.resize(0);
    f.write(bytes);
    return path;
}

qsizetype MarkerAt(const QByteArray& bytes, char code)
{
    const qsizetype at = bytes.indexOf(QByteArray("\xFF", 1) + code);
    EXPECT_GT(at, 0);
    return at;
}

// The middle of the first scan's entropy-coded data.
qsizetype MidScan(const QByteArray& bytes)
{
    const qsizetype sos = MarkerAt(bytes, '\xDA');
    const qsizetype data = sos + 2 + (uchar(bytes[sos + 2]) << 8 | uchar(bytes[sos + 3]));
    return data + (bytes.size() - data) / 2;
}

class HarmlessDamage : public ::testing::TestWithParam<TDamage> {};
class LosingDamage : public ::testing::TestWithParam<TDamage> {};
} // namespace

// Files that libjpeg warns about but decodes whole, as every other reader does.
TEST_P(HarmlessDamage, StripIsDecoded)
{
    TScratchDir dir;
    const QString path = WriteDamagedStrip(GetParam());
    ASSERT_EQ(DecodeError(path), QString());
    ExpectPicturesDecoded(LoadCardStrip(path), 24);
}

INSTANTIATE_TEST_SUITE_P(
    CardStrip, HarmlessDamage,
    ::testing::Values(TDamage{"StrayBytesBeforeATable",
                              [](QByteArray& b) { b.insert(MarkerAt(b, '\xDB'), "AB"); }},
                      TDamage{"StrayBytesBeforeTheScan",
                              [](QByteArray& b) { b.insert(MarkerAt(b, '\xDA'), "AB"); }},
                      TDamage{"UnknownJfifVersion",
                              [](QByteArray& b) { b[MarkerAt(b, '\xE0') + 9] = 3; }}));

// Files whose pictures would come out grey or garbled.
TEST_P(LosingDamage, StripIsRefused)
{
    TScratchDir dir;
    const QString message = DecodeError(WriteDamagedStrip(GetParam()));
    EXPECT_TRUE(message.contains(QStringLiteral("解読"))) << message.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    CardStrip, LosingDamage,
    ::testing::Values(TDamage{"ScanEndsEarly",
                              [](QByteArray& b) {
                                  b.insert(MidScan(b), QByteArray("\xFF\xD9", 2));
                              }},
                      TDamage{"RestartMarkerOutOfOrder",
                              [](QByteArray& b) { b[MarkerAt(b, '\xD1') + 1] = '\xD5'; }, 1}));
