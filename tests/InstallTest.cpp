// SPDX-License-Identifier: MIT
// The game as installed: the exit status a launcher sees, and where the
// ranking is kept in a game folder and in a system install.

#include "TestSupport.h"
// Qt
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
// gtest
#include <gtest/gtest.h>
// POSIX
#include <sys/stat.h>

using namespace Test;

namespace {
struct TExitCase : TNamedCase {
    const char* Picture; // "none", "junk", "strip" or "huge"
    int Status;
};
} // namespace

class ExitStatus : public ::testing::TestWithParam<TExitCase> {};

TEST_P(ExitStatus, TellsALauncherHowTheRunEnded)
{
    const TExitCase& c = GetParam();
    TScratchDir dir;
    if (std::string(c.Picture) == "strip") {
        WriteStrip(24);
    } else if (std::string(c.Picture) == "junk") {
        WriteBytes(QStringLiteral("Img.Dat"), "not a picture");
    } else if (std::string(c.Picture) == "huge") {
        // A strip followed by 64 GiB of nothing (a sparse file): only the
        // strip is read.
        WriteStrip(24);
        ASSERT_TRUE(QFile(QStringLiteral("Img.Dat")).resize(qint64(64) << 30));
    }
    QProcess game;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    game.setProcessEnvironment(env);
    game.setWorkingDirectory(dir.Path(QString()));
    game.start(QStringLiteral(NUPE_EXIT_PROBE), {});
    ASSERT_TRUE(game.waitForFinished(30000)) << "the program did not end";
    const QString messages = QString::fromUtf8(game.readAllStandardError());
    EXPECT_EQ(game.exitStatus(), QProcess::NormalExit) << messages.toStdString();
    EXPECT_EQ(game.exitCode(), c.Status) << messages.toStdString();
    EXPECT_EQ(messages.count(QStringLiteral("message: ")), c.Status == 0 ? 0 : 1)
        << messages.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Install, ExitStatus,
                         ::testing::Values(TExitCase{"NoPictureFile", "none", 1},
                                           TExitCase{"BadPictureFile", "junk", 1},
                                           TExitCase{"ClosedWindow", "strip", 0},
                                           TExitCase{"HugeFileHoldingAStrip", "huge", 0}),
                         CaseName);

namespace {
struct TRankPlace : TNamedCase {
    bool PicturesBeside; // a game folder of its own; a system install keeps them elsewhere
    mode_t ExeDirMode;   // 0777 stands for root, who may write any folder
    bool RankingThere;
    bool InDataFolder;
};
} // namespace

class RankPlace : public GameTest, public ::testing::WithParamInterface<TRankPlace> {};

TEST_P(RankPlace, IsBesideTheExecutableOnlyInAGameFolderOfItsOwn)
{
    const TRankPlace& c = GetParam();
    const QString exe = Dir.Path(QStringLiteral("exe"));
    const QString data = Dir.Path(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkdir(data));
    if (!c.PicturesBeside) {
        ASSERT_TRUE(QFile::remove(exe + QStringLiteral("/Img.Dat")));
    }
    if (c.RankingThere) {
        ASSERT_TRUE(SaveRanking(exe + QStringLiteral("/Rank.Dat"), TRanking{}));
    }
    // Everyone may pass through the scratch folder and write the data folder.
    for (const auto& [path, mode] :
         {std::pair{Dir.Path(QString()), 0755}, {data, 0777}, {exe, int(c.ExeDirMode)}})
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));

    const QString expected = c.InDataFolder ? data + QStringLiteral("/nupenupe/Rank.Dat")
                                            : exe + QStringLiteral("/Rank.Dat");
    const int result = AsOrdinaryUser([&] {
        if (Main().RankPath() != QDir::toNativeSeparators(expected))
            return 1;
        return QFileInfo(expected).dir().exists() ? 0 : 2;
    });
    qputenv("XDG_DATA_HOME", oldData);
    ::chmod(QFile::encodeName(exe).constData(), 0755);
    if (result < 0)
        GTEST_SKIP() << "file rights cannot be made to apply here";
    EXPECT_EQ(result, 0) << "1: another path than " << expected.toStdString()
                         << ", 2: its folder was not made";
}

INSTANTIATE_TEST_SUITE_P(
    Install, RankPlace,
    ::testing::Values(TRankPlace{"GameFolder", true, 0777, false, false},
                      TRankPlace{"ReadOnlyGameFolder", true, 0555, false, true},
                      TRankPlace{"SharedRankingBeside", true, 0555, true, false},
                      TRankPlace{"SystemInstall", false, 0555, false, true},
                      TRankPlace{"SystemInstallAsRoot", false, 0777, false, true},
                      TRankPlace{"RankingOfAnOlderVersionBeside", false, 0777, true, true}),
    CaseName);
