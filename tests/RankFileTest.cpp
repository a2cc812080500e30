// SPDX-License-Identifier: MIT
// The ranking file "Rank.Dat" on disk: missing and foreign files, saving in
// one step or in place, rights, links, full disks, the lock and the merge.

#include "RankFile.h"
#include "CodePage.h"
#include "TempFile.h"
#include "RulesSupport.h"
// Qt
#include <QDir>
#include <QFile>
// gtest
#include <gtest/gtest.h>
// std
#include <cerrno>
#include <chrono>
#include <set>
#include <functional>
// POSIX
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Test;

namespace {

const char* const EndOfFileText = "ファイルの末尾以降を読み込みました";
const char* const AccessRefusedText = "ファイルへのアクセスが拒否されました";
const char* const DiskFullText = "ディスクがいっぱいです";

const QByteArray Mark = Hex("F2 03 00 00");

// A table with something in every row, to see which rows a load changes.
TRanking OldTable()
{
    TRanking table;
    for (int32_t i = 1; i <= RankRows; ++i)
        table[i] = {900000 + i, "old" + QByteArray::number(i),
                    "1999/01/0" + QByteArray::number(i % 10)};
    return table;
}

// Runs `action` and returns the Platform::TInOutError it throws (Code 0 if none).
template <typename F> Platform::TInOutError Failure(F action)
{
    try {
        action();
    } catch (const Platform::TInOutError& e) {
        return e;
    }
    ADD_FAILURE() << "no Platform::TInOutError thrown";
    return Platform::TInOutError(0);
}

// Each test in a scratch directory of its own, the current directory.
class RankFile : public ::testing::Test {
protected:
    TScratchDir Dir;
};

// Saves `table` to `path`: 0 when saved, 1 when refused with an error, 2 when not.
int TrySave(const QString& path, const TRanking& table)
{
    try {
        return SaveRanking(path, table) ? 0 : 2;
    } catch (const Platform::TInOutError&) {
        return 1;
    }
}

QStringList DirEntries()
{
    return QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                     QDir::System);
}

} // namespace

// ---- files that are not a ranking ----------------------------------------------

TEST_F(RankFile, MissingFileLoadsNothingAndIsNotCreated)
{
    TRanking table = OldTable();
    EXPECT_FALSE(LoadRanking(RankFileName, table));
    EXPECT_EQ(table, OldTable());
    EXPECT_TRUE(DirEntries().isEmpty()) << DirEntries().join(' ').toStdString();
    // Nor through a path that has a file where a directory should be.
    WriteBytes(QStringLiteral("plain"), "x");
    EXPECT_FALSE(LoadRanking(QStringLiteral("plain/Rank.Dat"), table));
    EXPECT_EQ(table, OldTable());
}

namespace {
// A name that holds no ranking: reading for writing, saving (and reading,
// but for a directory, which reading takes for no file) refuse it with Code.
struct TOddFile : TNamedCase {
    std::function<void()> Make;
    int Code;
};
class OddRankFile : public RankFile, public ::testing::WithParamInterface<TOddFile> {};
} // namespace

// Refused without waiting on it, never locked or written, nothing created.
TEST_P(OddRankFile, IsRefusedWithoutWaitingAndLeftAsItIs)
{
    const TOddFile& c = GetParam();
    c.Make();
    TRanking table = OldTable();
    if (c.Code == EISDIR)
        EXPECT_FALSE(LoadRanking(RankFileName, table));
    else
        EXPECT_EQ(Failure([&] { LoadRanking(RankFileName, table); }).Code, c.Code);
    EXPECT_EQ(
        Failure([&] { LoadRanking(RankFileName, table, Platform::TFileAccess::ReadWrite); }).Code,
        c.Code);
    EXPECT_EQ(Failure([&] { SaveRanking(RankFileName, table); }).Code, c.Code);
    EXPECT_FALSE(Platform::TFileLock(RankFileName, 0).Held());
    EXPECT_EQ(table, OldTable());
    EXPECT_EQ(DirEntries(), QStringList{RankFileName});
}

INSTANTIATE_TEST_SUITE_P(
    RankFile, OddRankFile,
    ::testing::Values(TOddFile{"Directory", [] { QDir().mkdir(RankFileName); }, EISDIR},
                      TOddFile{"Fifo", [] { ::mkfifo("Rank.Dat", 0666); }, ENXIO},
                      TOddFile{"Device", [] { QFile::link("/dev/zero", RankFileName); }, ENXIO}),
    CaseName);

// A load that fails at the end of the file changes neither the table nor
// the file, and creates nothing; the rows themselves are the format's.
TEST_F(RankFile, FourByteFileFailsAtEndOfFile)
{
    WriteBytes(RankFileName, Mark);
    TRanking table = OldTable();
    const Platform::TInOutError e = Failure([&] { LoadRanking(RankFileName, table); });
    EXPECT_STREQ(e.what(), EndOfFileText);
    EXPECT_EQ(e.Code, Platform::TInOutError::EndOfFile);
    EXPECT_EQ(table, OldTable());
    EXPECT_EQ(ReadBytes(RankFileName), Mark);
    EXPECT_EQ(DirEntries(), QStringList{RankFileName});
}

// ---- saving ------------------------------------------------------------------------

TEST_F(RankFile, SaveReplacesTheFileInOneStep)
{
    // Another copy of the game has saved its result.
    const QByteArray theirs =
        Mark + Hex("10 27 00 00  01 00 00 00  54 00 00 00  00 00 00 00") + EmptyRows(9);
    WriteBytes(RankFileName, theirs);
    TRanking table;
    ASSERT_TRUE(LoadRanking(RankFileName, table));
    ASSERT_EQ(table[1], (TRankEntry{10000, "T", ""}));

    // Someone still has the old file open while this copy saves.
    QFile reader(RankFileName);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
    const int32_t row = FindRankRow(table, 9000);
    ASSERT_EQ(row, 1);
    InsertRankRow(table, row, {9000, "M", ""});
    ASSERT_TRUE(SaveRanking(RankFileName, table));

    // The open file is the old one, untouched: the new ranking came in by a
    // rename, not by rewriting the old file in place.
    EXPECT_EQ(reader.readAll(), theirs);
    EXPECT_EQ(ReadBytes(RankFileName),
              Mark + Hex("28 23 00 00  01 00 00 00  4D 00 00 00  00 00 00 00") +
                  Hex("10 27 00 00  01 00 00 00  54 00 00 00  00 00 00 00") + EmptyRows(8));
    EXPECT_EQ(DirEntries(), QStringList{RankFileName});
}

TEST_F(RankFile, SaveKeepsTheOldFilesPermissions)
{
    ASSERT_TRUE(SaveRanking(RankFileName, TRanking{}));
    struct stat st {};
    ASSERT_EQ(::stat("Rank.Dat", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);

    ASSERT_EQ(::chmod("Rank.Dat", 0600), 0);
    ASSERT_TRUE(SaveRanking(RankFileName, OldTable()));
    ASSERT_EQ(::stat("Rank.Dat", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

namespace {
void Chmod(const QString& path, mode_t mode)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}
} // namespace

TEST_F(RankFile, ReadOnlyFileRefusesTheSaveAndStaysAsItWas)
{
    // The directory is writable for everyone, so only the file's own rights
    // can refuse the save.
    Chmod(Dir.Path(QString()), 0777);
    const QString path = Dir.Path(QStringLiteral("Rank.Dat"));
    TRanking before;
    before[1] = {1000, "OLD", "2001/05/23"};
    ASSERT_TRUE(SaveRanking(path, before));
    Chmod(path, 0444);
    const QByteArray old = ReadBytes(path);

    const int result = AsOrdinaryUser([&] {
        TRanking table;
        if (!LoadRanking(path, table) || !(table == before))
            return 4; // reading is still allowed
        table[1].Name = "NEW";
        try {
            SaveRanking(path, table);
            return 2;
        } catch (const Platform::TInOutError& e) {
            return std::string(e.what()) == AccessRefusedText ? 0 : 1;
        }
    });
    if (result < 0)
        GTEST_SKIP() << "file rights cannot be made to apply here";
    EXPECT_EQ(result, 0) << "4: read failed, 2: saved, 1: other error";
    EXPECT_EQ(ReadBytes(path), old);
}

TEST_F(RankFile, WritableFileInAReadOnlyDirectoryIsSavedInPlace)
{
    // A shared ranking: the player may write the file but not its directory.
    const QString dir = Dir.Path(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkdir(dir));
    const QString path = dir + QStringLiteral("/Rank.Dat");
    ASSERT_TRUE(SaveRanking(path, TRanking{}));
    Chmod(path, 0666);
    Chmod(dir, 0555);
    Chmod(Dir.Path(QString()), 0755);

    const int result = AsOrdinaryUser([&] {
        TRanking table;
        table[1] = {4321, "ぬぺ", "2026/12/08"};
        return TrySave(path, table);
    });
    Chmod(dir, 0755);
    if (result < 0)
        GTEST_SKIP() << "file rights cannot be made to apply here";
    EXPECT_EQ(result, 0) << "1: the save was refused";
    TRanking saved;
    ASSERT_TRUE(LoadRanking(path, saved));
    EXPECT_EQ(saved[1].Time, 4321);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("Rank.Dat")});
}

TEST_F(RankFile, SaveThroughALinkReplacesTheFileItLeadsTo)
{
    ASSERT_TRUE(SaveRanking(QStringLiteral("real.dat"), TRanking{}));
    ASSERT_TRUE(QFile::link(QStringLiteral("real.dat"), RankFileName));
    TRanking table;
    table[1] = {42, "L", ""};
    ASSERT_TRUE(SaveRanking(RankFileName, table));
    EXPECT_TRUE(QFileInfo(RankFileName).isSymLink());
    EXPECT_EQ(ReadBytes(QStringLiteral("real.dat")),
              Mark + Hex("2A 00 00 00  01 00 00 00  4C 00 00 00  00 00 00 00") + EmptyRows(9));
}

TEST_F(RankFile, BrokenLinkIsReportedAndLeftAsItIs)
{
    ASSERT_TRUE(QFile::link(QStringLiteral("real.dat"), RankFileName));
    TRanking table = OldTable();
    EXPECT_FALSE(LoadRanking(RankFileName, table)); // nothing to show
    EXPECT_STREQ(Failure([&] { SaveRanking(RankFileName, table); }).what(), "I/O エラー (2)");
    EXPECT_STREQ(
        Failure([&] { LoadRanking(RankFileName, table, Platform::TFileAccess::ReadWrite); }).what(),
        "I/O エラー (2)");
    char target[16] = {};
    EXPECT_EQ(::readlink("Rank.Dat", target, sizeof target - 1), 8);
    EXPECT_STREQ(target, "real.dat");
    EXPECT_EQ(DirEntries(), QStringList{RankFileName});
}

namespace {
// Sets the umask while it lives.
struct TUmask {
    explicit TUmask(mode_t mask) : Old(::umask(mask)) {}
    ~TUmask() { ::umask(Old); }
    mode_t Old;
};

class NewRankFile : public RankFile, public ::testing::WithParamInterface<mode_t> {};
} // namespace

TEST_P(NewRankFile, GetsTheRightsTheUmaskLeaves)
{
    {
        const TUmask mask(GetParam());
        ASSERT_TRUE(SaveRanking(RankFileName, TRanking{}));
    }
    struct stat st {};
    ASSERT_EQ(::stat("Rank.Dat", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666 & ~GetParam());
}

INSTANTIATE_TEST_SUITE_P(RankFile, NewRankFile, ::testing::Values(022, 002, 077, 0));

// ---- a ranking shared with others ------------------------------------------------

namespace {
// Longer than OldTable(): saving it makes the file grow.
TRanking BigTable()
{
    TRanking table;
    for (int32_t i = 1; i <= RankRows; ++i)
        table[i] = {i * 1000, QByteArray(40, char('a' + i)), "2026/12/08"};
    return table;
}

const TUser Root{0, 0, {0}};
// Two members of the group 4000 (no accounts needed: only the numbers).
const TUser Owner{4001, 4000, {4000}};
const TUser Member{4002, 4002, {4000}};

struct TSharing : TNamedCase {
    TUser FileOwner, Saver;
    mode_t DirMode, FileMode;
    bool HardLink = false;  // a second name beside it
    bool SymLink = false;   // saved through a link from elsewhere
    bool NoReserve = false; // a file system that cannot reserve room
};

class SharedRanking : public RankFile, public ::testing::WithParamInterface<TSharing> {};
} // namespace

// Saved by a player who may write the file, it stays the one file every name
// leads to, with its owner, group and rights, however the file grows or
// shrinks.
TEST_P(SharedRanking, SaveWritesTheSharedFileItself)
{
    const TSharing& c = GetParam();
    Chmod(Dir.Path(QString()), 0755);
    const QString dir = Dir.Path(QStringLiteral("shared"));
    const QString file = dir + QStringLiteral("/Rank.Dat");
    ASSERT_TRUE(QDir().mkdir(dir));
    ASSERT_TRUE(SaveRanking(file, OldTable()));
    QStringList names{file};
    if (c.HardLink) {
        names << dir + QStringLiteral("/Copy.Dat");
        ASSERT_EQ(::link(QFile::encodeName(file), QFile::encodeName(names.back())), 0);
    }
    QString savePath = file;
    if (c.SymLink) {
        savePath = Dir.Path(RankFileName);
        ASSERT_TRUE(QFile::link(file, savePath));
        names << savePath;
    }
    for (const QString& path : {file, dir})
        if (::chown(QFile::encodeName(path), c.FileOwner.Uid, c.FileOwner.Gid) != 0)
            GTEST_SKIP() << "files cannot be given away here";
    Chmod(file, c.FileMode);
    Chmod(dir, c.DirMode);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(file), &before), 0);

    for (const TRanking& table : {BigTable(), TRanking{}}) {
        const int result = AsUser(c.Saver, [&] { return TrySave(savePath, table); });
        if (result < 0)
            GTEST_SKIP() << "file rights cannot be made to apply here";
        ASSERT_EQ(result, 0) << "the save was refused";
        for (const QString& name : names) {
            TRanking loaded;
            EXPECT_TRUE(LoadRanking(name, loaded)) << name.toStdString();
            EXPECT_EQ(loaded, table) << name.toStdString();
        }
        struct stat after {};
        ASSERT_EQ(::stat(QFile::encodeName(file), &after), 0);
        EXPECT_EQ(after.st_size, table == TRanking{} ? 124 : 4 + 10 * (12 + 4 * 50));
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(QFileInfo(savePath).isSymLink(), c.SymLink);
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), c.HardLink ? 2 : 1);
    }
}

INSTANTIATE_TEST_SUITE_P(RankFile, SharedRanking,
                         ::testing::Values(TSharing{"HardLinked", Root, Root, 0755, 0644, true},
                                           TSharing{"GroupShared", Owner, Member, 0775, 0664},
                                           TSharing{"OwnersGroupFile", Owner, Owner, 0775, 0664},
                                           TSharing{"StickyDirectory", Owner, Member, 01777, 0666},
                                           TSharing{"LinkToAGroupFolder", Owner, Member, 0775, 0664,
                                                    false, true}),
                         CaseName);

// A device, a file where a directory should be, a name longer than the
// file system allows: the save names the cause, and changes nothing.
TEST_F(RankFile, SaveErrorsNameTheirCause)
{
    WriteBytes(QStringLiteral("plain"), "x");
    const struct {
        QString Path;
        const char* Text;
        int Code;
    } cases[] = {{QStringLiteral("/dev/full"), "I/O エラー (6)", ENXIO},
                 {QStringLiteral("plain/Rank.Dat"), "I/O エラー (20)", ENOTDIR},
                 {QString(300, QLatin1Char('r')), "I/O エラー (36)", ENAMETOOLONG}};
    for (const auto& c : cases) {
        const Platform::TInOutError e = Failure([&] { SaveRanking(c.Path, TRanking{}); });
        EXPECT_STREQ(e.what(), c.Text) << c.Path.left(20).toStdString();
        EXPECT_EQ(e.Code, c.Code) << c.Path.left(20).toStdString();
    }
    // Still the device: nothing was renamed over it.
    struct stat st {};
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(ReadBytes(QStringLiteral("plain")), QByteArray("x"));
    EXPECT_EQ(DirEntries(), QStringList{QStringLiteral("plain")});
}

TEST_F(RankFile, SaveFailingHalfwayLeavesTheOldFileUntouched)
{
    const QByteArray old =
        Mark + Hex("10 27 00 00  01 00 00 00  54 00 00 00  00 00 00 00") + EmptyRows(9);
    WriteBytes(RankFileName, old);

    // Long names make the table far bigger than the limit, so the first write
    // comes back short and the next one fails.
    TRanking table;
    for (int32_t i = 1; i <= RankRows; ++i)
        table[i] = {i * 1000, QByteArray(2000, char(0x82)), "2024/01/01"};
    // (The box the player sees for it is the application's, tested there.)
    {
        TFileSizeLimit limit(4096);
        ASSERT_TRUE(limit.Active);
        EXPECT_STREQ(Failure([&] { SaveRanking(RankFileName, table); }).what(), DiskFullText);
    }
    EXPECT_EQ(ReadBytes(RankFileName), old);
    EXPECT_EQ(DirEntries(), QStringList{RankFileName});

    // With the limit gone the same table saves and loads back whole.
    ASSERT_TRUE(SaveRanking(RankFileName, table));
    EXPECT_EQ(ReadBytes(RankFileName).size(), 4 + 10 * (12 + 4 * 2010));
    TRanking loaded;
    ASSERT_TRUE(LoadRanking(RankFileName, loaded));
    EXPECT_EQ(loaded, table);
}

namespace {
class FullDiskInPlace : public RankFile, public ::testing::WithParamInterface<TSharing> {};
} // namespace

// A file written in place keeps its old ranking whole when the new one does
// not fit: here a file-size limit, with SIGXFSZ left as it kills.
TEST_P(FullDiskInPlace, LeavesTheOldRankingReadable)
{
    const TSharing& c = GetParam();
    Chmod(Dir.Path(QString()), 0755);
    const QString file = Dir.Path(RankFileName);
    ASSERT_TRUE(SaveRanking(file, OldTable()));
    Chmod(file, c.FileMode);
    if (c.HardLink) {
        ASSERT_EQ(::link("Rank.Dat", "Copy.Dat"), 0);
    }
    const QByteArray old = ReadBytes(file);

    const int result = AsUser(c.Saver, [&] {
        // Without a reservation the new ranking's tail is written first, and
        // the limit cuts it off half-way.
        const rlimit limit{rlim_t(old.size() + 100), rlim_t(old.size() + 100)};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || (c.NoReserve && !RefuseFallocate()))
            return 3;
        try {
            SaveRanking(file, BigTable());
            return 2;
        } catch (const Platform::TInOutError& e) {
            return e.Code == EFBIG && std::string(e.what()) == DiskFullText ? 0 : 1;
        }
    });
    if (result < 0)
        GTEST_SKIP() << "file rights cannot be made to apply here";
    EXPECT_EQ(result, 0) << "2: saved, 1: another error, 3: no limit";
    EXPECT_EQ(ReadBytes(file), old);
    TRanking loaded;
    ASSERT_TRUE(LoadRanking(file, loaded));
    EXPECT_EQ(loaded, OldTable());
    EXPECT_EQ(DirEntries().size(), c.HardLink ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(RankFile, FullDiskInPlace,
                         ::testing::Values(TSharing{"HardLinked", Root, Root, 0755, 0644, true},
                                           TSharing{"SomeoneElses", Root, TUser{}, 0755, 0666},
                                           TSharing{"NoReservation", Root, Root, 0755, 0644, true,
                                                    false, true}),
                         CaseName);

// What saves killed half-way left goes with the next save, and only that:
// nothing of another name, kind or owner, nor the file of a running save.
TEST_F(RankFile, SaveRemovesOnlyTheTemporariesOfKilledSaves)
{
    QByteArray running;
    const int runningFd = Platform::CreateTempBeside("Rank.Dat", running);
    const QString dead = QStringLiteral("Rank.Dat.nupenupe-00000000000zz.tmp");
    const QStringList kept{QStringLiteral("Rank.Dat.old"),
                           QStringLiteral("Rank.Dat.nupenupe-000000000000zz.tmp"),
                           QStringLiteral("Other.Dat.nupenupe-00000000000zz.tmp"),
                           QStringLiteral("Rank.Dat.nupenupe-00000000other.tmp"),
                           QStringLiteral("Rank.Dat.nupenupe-000000000link.tmp"),
                           QStringLiteral("Rank.Dat.nupenupe-00000000named.tmp"),
                           QFile::decodeName(running)};
    for (const QString& name : {kept[0], kept[1], kept[2], kept[3], dead})
        WriteBytes(name, "half");
    const bool foreign = ::chown(QFile::encodeName(kept[3]), Owner.Uid, Owner.Gid) == 0;
    ASSERT_TRUE(QFile::link(kept[2], kept[4]));
    ASSERT_EQ(::link("Rank.Dat.old", QFile::encodeName(kept[5])), 0);

    ASSERT_TRUE(SaveRanking(RankFileName, OldTable()));
    EXPECT_FALSE(QFile::exists(dead));
    for (const QString& name : kept)
        EXPECT_EQ(QFile::exists(name), name != kept[3] || foreign) << name.toStdString();
    // Once the running save has ended without a rename, its file goes too.
    ::close(runningFd);
    ASSERT_TRUE(SaveRanking(RankFileName, OldTable()));
    EXPECT_FALSE(QFile::exists(kept[6]));
}

// ---- two copies at the same moment -------------------------------------------------

namespace {
class RankLock : public RankFile, public ::testing::WithParamInterface<bool> {};
} // namespace

// With or without a ranking file: a second lock waits a bounded time, and
// locking creates nothing.
TEST_P(RankLock, SecondLockWaitsABoundedTime)
{
    if (GetParam()) {
        ASSERT_TRUE(SaveRanking(RankFileName, TRanking{}));
    }
    {
        const Platform::TFileLock first(RankFileName);
        ASSERT_TRUE(first.Held());
        const auto start = std::chrono::steady_clock::now();
        const Platform::TFileLock second(RankFileName, 300);
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_FALSE(second.Held());
        EXPECT_GE(waited, std::chrono::milliseconds(300));
        EXPECT_LT(waited, std::chrono::seconds(3));
    }
    EXPECT_TRUE(Platform::TFileLock(RankFileName, 0).Held());
    EXPECT_EQ(DirEntries().size(), GetParam() ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(RankFile, RankLock, ::testing::Bool());

namespace {
class TwoCopies : public RankFile, public ::testing::WithParamInterface<const char*> {};
} // namespace

// Two copies each merge five results into one file, starting together, over
// many rounds: every round ends with all ten results in the file.
TEST_P(TwoCopies, MergingTogetherKeepsBothResults)
{
    const std::string start = GetParam();
    for (int round = 0; round < 20; ++round) {
        QFile::remove(RankFileName);
        QFile::remove(QStringLiteral("Copy.Dat"));
        if (start != "NoFile") {
            ASSERT_TRUE(SaveRanking(RankFileName, TRanking{}));
        }
        if (start == "HardLinked") {
            ASSERT_EQ(::link("Rank.Dat", "Copy.Dat"), 0);
        }
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        pid_t copies[2];
        for (int c = 0; c < 2; ++c) {
            copies[c] = ::fork();
            ASSERT_GE(copies[c], 0);
            if (copies[c] == 0) {
                ::close(go[1]);
                char byte;
                if (::read(go[0], &byte, 1) != 0) // until the test lets go
                    ::_exit(2);
                try {
                    for (int32_t k = 0; k < 5; ++k) {
                        TRanking table;
                        MergeRankEntry(RankFileName, table, {1000 + 10 * k + c, "C", ""});
                    }
                } catch (const Platform::TInOutError&) {
                    ::_exit(1);
                }
                ::_exit(0);
            }
        }
        ::close(go[0]);
        ::close(go[1]);
        for (pid_t copy : copies) {
            int status = -1;
            ASSERT_EQ(::waitpid(copy, &status, 0), copy);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        TRanking saved;
        ASSERT_TRUE(LoadRanking(RankFileName, saved));
        std::set<int32_t> times;
        for (int32_t i = 1; i <= RankRows; ++i)
            times.insert(saved[i].Time);
        std::set<int32_t> all;
        for (int32_t k = 0; k < 5; ++k)
            all.insert({1000 + 10 * k, 1001 + 10 * k});
        ASSERT_EQ(times, all) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(RankFile, TwoCopies, ::testing::Values("NoFile", "Private", "HardLinked"));

// ---- the ranking table ------------------------------------------------------------
