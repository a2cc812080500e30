// SPDX-License-Identifier: MIT
#pragma once
// The ranking file "Rank.Dat": reading it, saving it, and the end-of-game
// merge of a new result under the file's lock.

#include "RankTable.h"
#include "DurableFile.h"
// Qt
#include <QString>
// std
#include <cstdint>

inline const QString RankFileName = QStringLiteral("Rank.Dat");

// Reads the ranking file into `ranking`. Returns false, leaving the table as
// it was, when there is no such file (or a directory of that name) or when it
// does not start with the file mark; nothing is created. Throws Platform::TInOutError
// when the file ends early, or when it cannot be opened as `access` asks; a
// symbolic link that leads nowhere counts as no file for Read and as an error
// for ReadWrite. The rows read before an early end keep what the file gave.
// The end-of-game update reads with ReadWrite, so that a ranking the game may
// not write is refused before the player is asked for a name; showing the
// ranking needs Read only.
bool LoadRanking(const QString& fileName, TRanking& ranking,
                 Platform::TFileAccess access = Platform::TFileAccess::Read);

// LoadRanking, where a missing or foreign file counts as an empty table:
// every row's Time is 0 (the texts stay as they were).
void LoadRankingOrEmpty(const QString& fileName, TRanking& ranking,
                        Platform::TFileAccess access = Platform::TFileAccess::Read);

// Writes all ten rows as Platform::SaveWholeFile saves a file (replaced in
// one step when private, written through in place when shared, the old
// ranking whole on a full disk); returns true, or throws Platform::TInOutError.
bool SaveRanking(const QString& fileName, const TRanking& ranking);

// The end of a finished game's update: with the file locked, reads it again
// for writing (a missing or foreign file is an empty table), puts `entry` in
// its row and saves, so that whatever another copy saved meanwhile stays.
// Returns that row, or RankMissed when better times have filled the table
// and nothing was saved. `ranking` is left holding the merged table. While
// another copy holds the lock, `pause` runs between two tries (see
// TFileLock).
int32_t MergeRankEntry(const QString& fileName, TRanking& ranking, const TRankEntry& entry,
                       const Platform::TLockPause& pause = nullptr);
