// SPDX-License-Identifier: MIT
#pragma once
// The top-ten ranking and its file "Rank.Dat".

#include "Main/Deal.h"
// Qt
#include <QByteArray>
#include <QString>
// std
#include <cstdint>
#include <stdexcept>

// One ranking row. Time 0 marks an empty row; Name and Date are byte
// strings in the Japanese code page.
struct TRankEntry {
    int32_t Time = 0;
    QByteArray Name;
    QByteArray Date;
    bool operator==(const TRankEntry&) const = default;
};

constexpr int32_t RankRows = 10;
// Rows 1 to 10, row 1 the best.
using TRanking = TOneBased<TRankEntry, RankRows>;
inline const QString RankFileName = QStringLiteral("Rank.Dat");

// The first integer of every ranking file.
constexpr int32_t RankFileMark = 1010;

// A failed read or write of the ranking file. what() is the UTF-8 text the
// error box shows; Code is the errno of the failed call, or EndOfFile when
// the file ended before the ranking did.
class TInOutError : public std::runtime_error {
public:
    // Negative, so that it can never be mistaken for an errno value.
    static constexpr int EndOfFile = -1;

    explicit TInOutError(int code);
    int Code;
};

// How LoadRanking opens the file. The end-of-game update reads with
// ReadWrite, so that a ranking the game may not write is refused before the
// player is asked for a name; showing the ranking needs Read only.
enum class TRankAccess { Read, ReadWrite };

// Reads the ranking file into `ranking`. Returns false, leaving the table as
// it was, when there is no such file (or a directory of that name) or when it
// does not start with the file mark; nothing is created. Throws TInOutError
// when the file ends early, or when it cannot be opened as `access` asks; a
// symbolic link that leads nowhere counts as no file for Read and as an error
// for ReadWrite. The rows read before an early end keep what the file gave.
bool LoadRanking(const QString& fileName, TRanking& ranking,
                 TRankAccess access = TRankAccess::Read);

// LoadRanking, where a missing or foreign file counts as an empty table:
// every row's Time is 0 (the texts stay as they were).
void LoadRankingOrEmpty(const QString& fileName, TRanking& ranking,
                        TRankAccess access = TRankAccess::Read);

// The parsing behind LoadRanking, on the file's bytes.
bool ParseRanking(const QByteArray& bytes, TRanking& ranking);

// Writes all ten rows; returns true, or throws TInOutError.
// - A private file (a regular file of ours that nobody else may write, with
//   no second hard link) is replaced in one step by a new file renamed over
//   it, with the same group and rights: readers see the old ranking or the
//   new one.
// - Any other file (shared by a group, in a sticky directory, hard-linked,
//   or in a directory we may not write) is written through in place, so it
//   keeps its owner, group, rights and links. The room for a longer ranking
//   is reserved before a byte of the old one is overwritten; then the file
//   is written, cut to length and synced.
// Either way a full disk or a file-size limit ("ディスクがいっぱいです")
// leaves the old ranking whole (in place, as far as the file system keeps
// the room it reserved: copy-on-write and network file systems may not). A symbolic link is
// followed and stays a link; one that leads nowhere is an error and is left as it is. A new file
// gets the rights 0666 less the umask. A device is written as it stands.
bool SaveRanking(const QString& fileName, const TRanking& ranking);

// An advisory lock on the ranking file, held while it lives, so that two
// running copies that finish a game at the same moment do not both merge
// into the same old ranking and save over each other. Waits at most
// `waitMs` for a copy that holds it, then goes on without it (Held() false,
// as where the file system keeps no locks): a copy holds the lock for a few
// milliseconds, so one that holds it longer has hung, and refusing this
// player's save would be worse than what an unlocked save risks. Only copies that lock wait for
// each other; reading never locks. With no ranking file yet, the file's directory is locked
// instead; nothing is created. (POSIX only; on Windows this would be LockFileEx on the file.)
class TRankLock {
public:
    static constexpr int DefaultWaitMs = 3000;
    explicit TRankLock(const QString& fileName, int waitMs = DefaultWaitMs);
    ~TRankLock();
    TRankLock(const TRankLock&) = delete;
    TRankLock& operator=(const TRankLock&) = delete;
    bool Held() const { return Fd >= 0; }

private:
    int Fd = -1;
};

// The end of a finished game's update: with the file locked, reads it again
// for writing (a missing or foreign file is an empty table), puts `entry` in
// its row and saves, so that whatever another copy saved meanwhile stays.
// Returns that row, or 11 when better times have filled the table and
// nothing was saved. `ranking` is left holding the merged table.
int32_t MergeRankEntry(const QString& fileName, TRanking& ranking, const TRankEntry& entry);

// The row (1 to 10) a new time belongs in: the first empty row or the first
// row with a slower time; a tie goes behind the earlier results. 11 when the
// time does not make the table.
int32_t FindRankRow(const TRanking& ranking, int32_t time);

// Moves rows `row` to 9 one place down (row 10 falls off) and puts `entry`
// into row `row`. A row outside 1 to 10 (11 from FindRankRow) changes nothing.
void InsertRankRow(TRanking& ranking, int32_t row, const TRankEntry& entry);
