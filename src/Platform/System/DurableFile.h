// SPDX-License-Identifier: MIT
#pragma once
// Small files that must survive a crash, a full disk and a second running
// copy of the game: read whole, saved whole, and locked around an update.
// Errors are TInOutError.

#include "InOutError.h"
// Qt
#include <QByteArray>
#include <QString>
// std
#include <functional>
#include <optional>

namespace Platform {

// How ReadWholeFile opens the file. ReadWrite refuses, before anything is
// asked of the player, a file that the game may not write.
enum class TFileAccess { Read, ReadWrite };

// Opens an existing regular file for reading, following links, without
// waiting on anything. Anything else is refused before it is opened, since
// opening a FIFO or a socket may wait for a peer and opening a device may act
// on it, and again once it is open, in case the name changed meanwhile.
// Returns a descriptor for the caller to close, or -1 with errno set: EISDIR
// for a directory, ENXIO (what the system answers for a FIFO or a socket
// without a peer) for a FIFO, a socket or a device, otherwise as open(2).
int OpenRegularFile(const QString& fileName);

// The file's bytes (at most the first 64 MiB), or nothing when there is no
// such file; nothing is created. Throws TInOutError when the file cannot be
// opened as `access` asks, and for anything but a regular file (a FIFO, a
// socket or a device: "I/O エラー (6)"), never waiting on one. Read counts a
// directory of that name, and a symbolic link that leads nowhere, as no
// file; ReadWrite refuses both, since no save could follow.
std::optional<QByteArray> ReadWholeFile(const QString& fileName,
                                        TFileAccess access = TFileAccess::Read);

// Writes `bytes` as the whole file, or throws TInOutError. As `way` says:
// - KeepingShared (the ranking): a private file (a regular file of ours that nobody else may write, with
//   no second hard link) is replaced in one step by a new file renamed over
//   it, with the same group and rights: readers see the old contents or the
//   new.
// - Any other file (shared by a group, in a sticky directory, hard-linked,
//   or in a directory we may not write) is written through in place, so it
//   keeps its owner, group, rights and links. The room for longer contents
//   is reserved before a byte of the old ones is overwritten; then the file
//   is written, cut to length and synced.
// Either way a full disk or a file-size limit ("ディスクがいっぱいです")
// leaves the old contents whole (in place, as far as the file system keeps
// the room it reserved: copy-on-write and network file systems may not). A
// symbolic link is followed and stays a link; one that leads nowhere is an
// error and is left as it is. A new file gets the rights 0666 less the
// umask. A directory, a FIFO, a socket or a device of that name is refused
// as ReadWholeFile refuses it, and never opened. A replacing save first
// removes the temporary files that saves killed half-way left beside the
// file (see TempFile.h).
// - Replacing (a file that others read whole at any moment and that nobody
//   shares on purpose, such as a deck of cards): any regular file is replaced
//   by the rename, whoever may write it and whatever other names it has; it
//   is written in place only where the directory takes no new file or the
//   group cannot carry over.
enum class TSaveWay { KeepingShared, Replacing };
void SaveWholeFile(const QString& fileName, const QByteArray& bytes,
                   TSaveWay way = TSaveWay::KeepingShared);

// An advisory lock on a file, held while it lives, so that two running
// copies that update the file at the same moment do not both start from the
// same old contents and save over each other. Waits at most `waitMs` for a
// copy that holds it, then goes on without it (Held() false, as where the
// file system keeps no locks): a copy holds the lock for a few milliseconds,
// so one that holds it longer has hung, and refusing this player's save
// would be worse than what an unlocked save risks. Only copies that lock
// wait for each other; reading never locks. With no file yet, the file's
// directory is locked instead; nothing is created, and anything but a
// regular file or a directory is neither opened nor locked. Between two
// tries it calls `pause` with the milliseconds to wait (by default it sleeps;
// a game runs its windows meanwhile). (POSIX only; on Windows this would be
// LockFileEx on the file.)
using TLockPause = std::function<void(int ms)>;
class TFileLock {
public:
    static constexpr int DefaultWaitMs = 3000;
    explicit TFileLock(const QString& fileName, int waitMs = DefaultWaitMs,
                       const TLockPause& pause = nullptr);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;
    bool Held() const { return Fd >= 0; }

private:
    int Fd = -1;
};

} // namespace Platform
