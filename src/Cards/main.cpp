// SPDX-License-Identifier: MIT
// nupenupe-cards: makes a deck for ぬぺぬぺ衰弱 from the player's own pictures.

#include "CardMaker.h"
#include "CardStrip.h"
// Qt
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
// std
#include <cstdio>
#include <new>
// POSIX
#include <unistd.h>

namespace {

const char* const Usage =
    "使い方: nupenupe-cards [-o ファイル] [--back 画像] [--penalty 画像] 写真またはフォルダ...\n"
    "Usage:  nupenupe-cards [-o FILE] [--back PICTURE] [--penalty PICTURE] PICTURE|FOLDER...\n";

const char* const Help =
    "\n"
    "自分の写真から ぬぺぬぺ衰弱 のデッキ（Img.Dat）を作ります。写真は 22 枚以上、\n"
    "フォルダはその中の写真をすべて使います。どの写真も EXIF の向きに起こし、\n"
    "中央を 5:4 に切り出して 100 × 80 に縮めます。\n"
    "Makes a deck (Img.Dat) for ぬぺぬぺ衰弱 from your own pictures: at least 22\n"
    "of them, a folder standing for every picture in it. Each picture is turned\n"
    "upright as its EXIF orientation says, cut to 5:4 around its centre and\n"
    "scaled to 100 x 80.\n"
    "\n"
    "  -o, --output FILE    ここに書く / write here (Img.Dat in it, for a folder)\n"
    "                       instead of the player's data folder\n"
    "                       (~/.local/share/nupenupe/Img.Dat), where the\n"
    "                       nupenupe command finds it\n"
    "  --back PICTURE       カードの裏 / the card back (else the game's own)\n"
    "  --penalty PICTURE    ペナルティカード / the penalty card (else the game's own)\n"
    "  -h, --help           この説明 / this help\n"
    "  --version            版 / the version\n"
    "\n"
    "Img.Dat を消せば元の絵に戻ります。Remove Img.Dat to play the shipped pictures again.\n";

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

int Refuse(const CardMaker::TRefusal& refusal)
{
    if (::isatty(STDERR_FILENO))
        Print(stderr, QStringLiteral("\r\033[K")); // the progress line
    Print(stderr, QStringLiteral("nupenupe-cards: %1\nnupenupe-cards: %2\n")
                      .arg(refusal.Japanese, refusal.English));
    return 1;
}

// The strip the game ships: beside the program in the build and in a game
// folder of its own, in the game's data folder in a system install.
QString ShippedStrip()
{
    const QDir exe(QCoreApplication::applicationDirPath());
    for (const QString& dir : {QStringLiteral("."), QStringLiteral(NUPE_SHIPPED_DATA)}) {
        const QString path = QDir::cleanPath(exe.filePath(dir + u'/' + CardStrip::FileName));
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The plain name names the player's data folder, as it does for the game.
    QCoreApplication::setApplicationName(QStringLiteral("nupenupe"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NUPE_VERSION));

    QCommandLineParser parser;
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")}, {},
                                    QStringLiteral("FILE"));
    const QCommandLineOption back(QStringLiteral("back"), {}, QStringLiteral("PICTURE"));
    const QCommandLineOption penalty(QStringLiteral("penalty"), {}, QStringLiteral("PICTURE"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({output, back, penalty, help, version});
    parser.addPositionalArgument(QStringLiteral("pictures"), {});

    if (!parser.parse(QCoreApplication::arguments())) {
        Print(stderr, QStringLiteral("nupenupe-cards: コマンドラインに誤りがあります。\n"
                                     "nupenupe-cards: %1\n%2")
                          .arg(parser.errorText(), QString::fromUtf8(Usage)));
        return 1;
    }
    if (parser.isSet(help)) {
        Print(stdout, QString::fromUtf8(Usage) + QString::fromUtf8(Help));
        return 0;
    }
    if (parser.isSet(version)) {
        Print(stdout, QStringLiteral("nupenupe-cards %1\n").arg(QStringLiteral(NUPE_VERSION)));
        return 0;
    }
    if (parser.positionalArguments().isEmpty()) {
        Print(stderr, QStringLiteral("nupenupe-cards: 写真かフォルダを指定してください。\n"
                                     "nupenupe-cards: name pictures or folders.\n%1")
                          .arg(QString::fromUtf8(Usage)));
        return 1;
    }

    CardMaker::TDeckRequest request;
    request.Pictures = parser.positionalArguments();
    request.Back = parser.value(back);
    request.Penalty = parser.value(penalty);
    request.ShippedStrip = ShippedStrip();
    const bool ownFolder = !parser.isSet(output);
    if (ownFolder) {
        // Where the nupenupe command looks: a relative XDG_DATA_HOME is no
        // folder at all and is passed over, as the desktop's rules say.
        if (QDir::isRelativePath(qEnvironmentVariable("XDG_DATA_HOME")))
            qunsetenv("XDG_DATA_HOME");
        request.Output = QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                             .filePath(CardStrip::FileName);
        request.MakeFolder = true;
    } else {
        // A folder, such as a game folder of its own, gets its Img.Dat.
        request.Output = parser.value(output);
        if (QFileInfo(request.Output).isDir())
            request.Output = QDir(request.Output).filePath(CardStrip::FileName);
    }

    // A terminal sees how far the reading is: hundreds of photos take a while.
    if (::isatty(STDERR_FILENO))
        request.Progress = [](qsizetype read, qsizetype all) {
            Print(stderr, QStringLiteral("\r写真 %1 / %2 … %3")
                              .arg(read)
                              .arg(all)
                              .arg(read == all ? QStringLiteral("\r\033[K") : QString()));
        };
    try {
        const int faces = CardMaker::MakeDeck(request);
        Print(stdout, QStringLiteral("「%1」に絵札 %2 枚のデッキを書きました。\n"
                                     "wrote a deck of %2 faces to '%1'.\n")
                          .arg(request.Output)
                          .arg(faces));
        if (ownFolder)
            Print(stdout, QStringLiteral("インストールした nupenupe コマンドのゲームはこのデッキで"
                                         "配ります。消せば元の絵に戻ります。\n"
                                         "the installed nupenupe command deals from it; remove it "
                                         "to play the shipped pictures again.\n"));
        return 0;
    } catch (const CardMaker::TRefusal& refusal) {
        return Refuse(refusal);
    } catch (const std::bad_alloc&) {
        return Refuse({QStringLiteral("メモリが足りません。"), QStringLiteral("out of memory.")});
    }
}
