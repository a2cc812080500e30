// SPDX-License-Identifier: MIT
#include "CardMaker.h"

#include "CardStrip.h"
#include "DurableFile.h"
#include "JpegError.h"
// Qt
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSet>
// std
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
// libjpeg
#include <jpeglib.h>

namespace CardMaker {

namespace {

// The quality and sampling of the shipped strip: full colour resolution, as
// small pictures lose their edges to halved colour.
constexpr int JpegQuality = 92;

QString English(const char* text)
{
    return QString::fromLatin1(text);
}

// The system's words for an error number, in English whatever the locale.
QString SystemWords(int code)
{
    const char* words = ::strerrordesc_np(code);
    return words ? QString::fromLatin1(words) : QStringLiteral("error %1").arg(code);
}

[[noreturn]] void RefuseFile(const QString& path, const QString& why, const QString& whyEnglish)
{
    throw TRefusal(QStringLiteral("写真「%1」を読み込めません（%2）。").arg(path, why),
                   QStringLiteral("cannot read picture '%1': %2.").arg(path, whyEnglish));
}

// The file opened for reading, or a refusal naming it. Only a regular file is
// opened, so that a FIFO or a device named by mistake cannot make the maker
// wait.
std::unique_ptr<QFile> OpenPicture(const QString& path)
{
    const int fd = Platform::OpenRegularFile(path);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            RefuseFile(path, QStringLiteral("ファイルがありません"), English("no such file"));
        if (error == EISDIR || error == ENXIO)
            RefuseFile(path, QStringLiteral("通常のファイルではありません"),
                       English("not a regular file"));
        RefuseFile(path, QStringLiteral("ファイルを開けません"), SystemWords(error));
    }
    auto file = std::make_unique<QFile>();
    file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return file;
}

// Whether a file in a folder is one of the pictures: by a name that Qt's
// readers know, else by its first bytes. Other files (notes, thumbnails'
// databases) are passed over.
bool LooksLikePicture(const QFileInfo& entry)
{
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    if (formats.contains(entry.suffix().toLower().toLatin1()))
        return true;
    const int fd = Platform::OpenRegularFile(entry.filePath());
    if (fd < 0)
        return false;
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return !QImageReader::imageFormat(&file).isEmpty();
}

// Why a deck could not be written, in both languages; the game's own texts
// where they say it well.
std::pair<QString, QString> WriteWords(const Platform::TInOutError& error)
{
    switch (error.Code) {
    case ENOENT:
        return {QStringLiteral("そのフォルダはありません"), English("no such folder")};
    case EISDIR:
        return {QStringLiteral("フォルダです"), English("it is a folder")};
    case ENXIO:
    case ENODEV:
        return {QStringLiteral("通常のファイルではありません"), English("not a regular file")};
    default:
        return {QString::fromUtf8(error.what()), SystemWords(error.Code)};
    }
}

QImage StripPicture(const QImage& strip, int index)
{
    return strip.copy(index * CardStrip::PictureW, 0, CardStrip::PictureW, CardStrip::PictureH);
}

} // namespace

TRefusal::TRefusal(const QString& japanese, const QString& english)
    : std::runtime_error(english.toStdString()), Japanese(japanese), English(english)
{
}

QStringList CollectPictures(const QStringList& arguments)
{
    QStringList pictures;
    QSet<QString> seen;
    const auto add = [&](const QString& path) {
        // A file that is not there has no canonical path: it is named when read.
        const QString key = QFileInfo(path).canonicalFilePath();
        if (key.isEmpty() || !seen.contains(key)) {
            seen.insert(key);
            pictures << path;
        }
    };
    for (const QString& argument : arguments) {
        const QFileInfo info(argument);
        if (!info.isDir()) {
            if (!info.exists())
                RefuseFile(argument, QStringLiteral("ファイルがありません"),
                           English("no such file"));
            add(argument);
            continue;
        }
        if (!info.isReadable() || !info.isExecutable())
            throw TRefusal(QStringLiteral("フォルダ「%1」を読み込めません。").arg(argument),
                           QStringLiteral("cannot read folder '%1'.").arg(argument));
        const QFileInfoList entries = QDir(argument).entryInfoList(QDir::Files, QDir::Name);
        qsizetype found = 0;
        for (const QFileInfo& entry : entries) {
            if (LooksLikePicture(entry)) {
                add(entry.filePath());
                ++found;
            }
        }
        // Files in formats that Qt has no reader for (HEIC, or WebP without
        // the plugin) are among the others.
        if (found == 0)
            throw TRefusal(QStringLiteral("フォルダ「%1」に読める写真がありません（ほかのファイル "
                                          "%2 個）。")
                               .arg(argument)
                               .arg(entries.size()),
                           QStringLiteral("folder '%1' holds no pictures that can be read (%2 "
                                          "other files).")
                               .arg(argument)
                               .arg(entries.size()));
    }
    if (pictures.size() > MaxFaces)
        throw TRefusal(QStringLiteral("写真が多すぎます（%1 枚）。1 つのデッキに入る絵札は "
                                      "%2 枚までです。")
                           .arg(pictures.size())
                           .arg(MaxFaces),
                       QStringLiteral("too many pictures (%1): a deck holds at most %2 faces.")
                           .arg(pictures.size())
                           .arg(MaxFaces));
    return pictures;
}

QImage ReadPicture(const QString& path)
{
    const std::unique_ptr<QFile> file = OpenPicture(path);
    QImageReader reader(file.get());
    reader.setAutoTransform(true);
    // A reader that can (JPEG's, scaling as it decodes) reads no more than
    // the card needs: four of the picture's pixels to each of the card's,
    // across and down, which smooth scaling averages into one. A phone's
    // photo so takes a tenth of the time and memory, and one too large to
    // read whole still serves.
    const QSize stored = reader.size();
    if (stored.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
        const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
        const QSize cut = CardCut(turned ? stored.transposed() : stored).size();
        const double scale = std::max(4.0 * CardStrip::PictureW / cut.width(),
                                      4.0 * CardStrip::PictureH / cut.height());
        if (scale < 1)
            reader.setScaledSize((QSizeF(stored) * scale).toSize().expandedTo({1, 1}));
    }
    // Qt refuses to decode a picture beyond its allocation limit; one too
    // large to read is named with its size rather than as unreadable.
    const QSize decoded = reader.scaledSize().isValid() ? reader.scaledSize() : stored;
    if (decoded.isValid() && qint64(decoded.width()) * decoded.height() * 4 >
                                 qint64(QImageReader::allocationLimit()) << 20)
        RefuseFile(
            path,
            QStringLiteral("画像が大きすぎます：%1 × %2 ピクセル")
                .arg(stored.width())
                .arg(stored.height()),
            QStringLiteral("too large (%1 x %2 pixels)").arg(stored.width()).arg(stored.height()));
    QImage picture;
    if (!reader.read(&picture)) {
        if (reader.error() == QImageReader::UnsupportedFormatError)
            RefuseFile(path, QStringLiteral("画像の形式がわかりません"),
                       English("not a picture in a format that can be read"));
        RefuseFile(path, QStringLiteral("画像データが壊れているか大きすぎます"),
                   reader.errorString());
    }
    // Phone photos often come in a wider gamut; the game shows sRGB.
    if (picture.colorSpace().isValid() && picture.colorSpace() != QColorSpace::SRgb)
        picture.convertToColorSpace(QColorSpace::SRgb);
    return picture;
}

QRect CardCut(const QSize& picture)
{
    const qint64 w = picture.width(), h = picture.height();
    if (w * 4 > h * 5) {
        const int cutW = int(std::max<qint64>(1, (h * 5 + 2) / 4));
        return QRect(int(w - cutW) / 2, 0, cutW, int(h));
    }
    const int cutH = int(std::max<qint64>(1, (w * 4 + 2) / 5));
    return QRect(0, int(h - cutH) / 2, int(w), cutH);
}

QImage CardPicture(const QImage& picture)
{
    const QRect cut = CardCut(picture.size());
    // Qt scales these two formats smoothly by averaging every pixel that a
    // card's pixel covers.
    const QImage scaled =
        picture.copy(cut)
            .convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                       : QImage::Format_RGB32)
            .scaled(CardStrip::PictureW, CardStrip::PictureH, Qt::IgnoreAspectRatio,
                    Qt::SmoothTransformation);
    QImage card(CardStrip::PictureW, CardStrip::PictureH, QImage::Format_RGB888);
    card.fill(Qt::white);
    QPainter painter(&card);
    painter.drawImage(0, 0, scaled);
    return card;
}

QImage ComposeStrip(const QImage& back, const QImage& penalty, const QList<QImage>& faces)
{
    QImage strip(CardStrip::PictureW * int(2 + faces.size()), CardStrip::PictureH,
                 QImage::Format_RGB888);
    QPainter painter(&strip);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    int x = 0;
    for (const QImage* picture : {&back, &penalty}) {
        painter.drawImage(x, 0, *picture);
        x += CardStrip::PictureW;
    }
    for (const QImage& face : faces) {
        painter.drawImage(x, 0, face);
        x += CardStrip::PictureW;
    }
    return strip;
}

QByteArray EncodeJpeg(const QImage& strip)
{
    const QImage image = strip.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    TJpegErrorManager err{};
    cinfo.err = jpeg_std_error(&err.Base);
    err.Base.error_exit = OnJpegError;
    // Everything that must outlive a longjmp is created before setjmp.
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    QByteArray bytes;
    if (setjmp(err.Jump) == 0) {
        jpeg_create_compress(&cinfo);
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = JDIMENSION(image.width());
        cinfo.image_height = JDIMENSION(image.height());
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo); // baseline, Huffman-coded
        jpeg_set_quality(&cinfo, JpegQuality, TRUE);
        for (int i = 0; i < cinfo.num_components; ++i)
            cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
        cinfo.optimize_coding = TRUE;
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<uchar*>(image.constScanLine(int(cinfo.next_scanline)));
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        bytes = QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size));
    }
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    // An error has left its words in the message.
    if (err.Message[0] != '\0')
        throw TRefusal(QStringLiteral("デッキを JPEG にできません（%1）。")
                           .arg(QString::fromLocal8Bit(err.Message)),
                       QStringLiteral("cannot encode the deck as JPEG: %1.")
                           .arg(QString::fromLocal8Bit(err.Message)));
    return bytes;
}

int MakeDeck(const TDeckRequest& request)
{
    const QStringList paths = CollectPictures(request.Pictures);
    if (paths.size() < MinFaces)
        throw TRefusal(QStringLiteral("使える写真が %1 枚しかありません。デッキには %2 枚以上が"
                                      "必要です。")
                           .arg(paths.size())
                           .arg(MinFaces),
                       QStringLiteral("only %1 usable picture%2: a deck needs at least %3.")
                           .arg(paths.size())
                           .arg(paths.size() == 1 ? "" : "s")
                           .arg(MinFaces));

    QImage shipped;
    if (request.Back.isEmpty() || request.Penalty.isEmpty()) {
        if (request.ShippedStrip.isEmpty())
            throw TRefusal(QStringLiteral("ゲームに付いているデッキが見つかりません。カードの裏と"
                                          "ペナルティカードの絵を --back と --penalty で指定して"
                                          "ください。"),
                           English("the game's own deck was not found: name pictures for the "
                                   "back and the penalty card with --back and --penalty."));
        try {
            shipped = LoadCardStrip(request.ShippedStrip, request.ShippedStrip);
        } catch (const std::exception& e) {
            // The game's message names the reason on its second line.
            const QString why = CardStripFailureText(e, request.ShippedStrip).section('\n', 1, 1);
            throw TRefusal(
                QStringLiteral("ゲームに付いているデッキ「%1」を読み込めません（%2）。カードの裏と"
                               "ペナルティカードの絵を --back と --penalty で指定してください。")
                    .arg(request.ShippedStrip, why),
                QStringLiteral("cannot read the game's own deck '%1': name pictures for the back "
                               "and the penalty card with --back and --penalty.")
                    .arg(request.ShippedStrip));
        }
    }
    const auto pictureOr = [&](const QString& path, int index) {
        return path.isEmpty() ? StripPicture(shipped, index) : CardPicture(ReadPicture(path));
    };
    const QImage back = pictureOr(request.Back, 0);
    const QImage penalty = pictureOr(request.Penalty, 1);
    QList<QImage> faces;
    faces.reserve(paths.size());
    for (const QString& path : paths) {
        faces << CardPicture(ReadPicture(path));
        if (request.Progress)
            request.Progress(faces.size(), paths.size());
    }

    const QByteArray jpeg = EncodeJpeg(ComposeStrip(back, penalty, faces));
    const QString folder = QFileInfo(request.Output).absolutePath();
    if (request.MakeFolder && !QDir().mkpath(folder))
        throw TRefusal(QStringLiteral("フォルダ「%1」を作れません。").arg(folder),
                       QStringLiteral("cannot make folder '%1'.").arg(folder));
    try {
        // A deck is read whole by the game at any moment: it is always
        // replaced in one step, shared or not.
        Platform::SaveWholeFile(request.Output, jpeg, Platform::TSaveWay::Replacing);
    } catch (const Platform::TInOutError& e) {
        const auto [japanese, english] = WriteWords(e);
        throw TRefusal(
            QStringLiteral("「%1」に書き込めません（%2）。").arg(request.Output, japanese),
            QStringLiteral("cannot write '%1': %2.").arg(request.Output, english));
    }
    return int(faces.size());
}

} // namespace CardMaker
