// SPDX-License-Identifier: MIT
#include "DurableFile.h"

#include "TempFile.h"
// Qt
#include <QFile>
#include <QFileInfo>
// std
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <utility>
// POSIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

[[noreturn]] void ThrowErrno()
{
    throw TInOutError(errno);
}

// Closes the descriptor it holds when it goes.
class TFd {
public:
    explicit TFd(int fd) : Fd(fd) {}
    ~TFd()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return Fd; }
    int Release() { return std::exchange(Fd, -1); }
    // Closes now and reports the error that close gives (a delayed write
    // error shows up here on some file systems).
    void Close()
    {
        const int fd = Fd;
        Fd = -1;
        if (::close(fd) != 0)
            ThrowErrno();
    }

private:
    int Fd;
};

// No file the game writes comes anywhere near this; a bigger file is read as
// if it ended here.
constexpr qsizetype ReadLimit = qsizetype(64) << 20;

QByteArray ReadAll(int fd, qsizetype sizeHint)
{
    QByteArray bytes;
    bytes.reserve(std::clamp<qsizetype>(sizeHint, 0, ReadLimit));
    constexpr qsizetype Chunk = 64 * 1024;
    qsizetype have = 0;
    while (have < ReadLimit) {
        const qsizetype want = std::min(Chunk, ReadLimit - have);
        bytes.resize(have + want);
        const ssize_t got = ::read(fd, bytes.data() + have, size_t(want));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno();
        }
        if (got == 0)
            break;
        have += got;
    }
    bytes.resize(have);
    return bytes;
}

// Writes `size` bytes from `p` at `offset`, going on after a short write.
// Returns 0, or the errno of the write that failed.
int WriteAt(int fd, const char* p, qsizetype size, off_t offset)
{
    while (size > 0) {
        const ssize_t put = ::pwrite(fd, p, size_t(size), offset);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (put == 0)
            return EIO;
        p += put;
        size -= put;
        offset += put;
    }
    return 0;
}

// A write past the process's file-size limit raises SIGXFSZ, which would end
// the game. Ignored while a save runs, the write fails with EFBIG instead
// and the player is told that the disk is full.
class TFileSizeSignalIgnored {
public:
    TFileSizeSignalIgnored()
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        Saved = ::sigaction(SIGXFSZ, &ignore, &Old) == 0;
    }
    ~TFileSizeSignalIgnored()
    {
        if (Saved)
            ::sigaction(SIGXFSZ, &Old, nullptr);
    }
    TFileSizeSignalIgnored(const TFileSizeSignalIgnored&) = delete;
    TFileSizeSignalIgnored& operator=(const TFileSizeSignalIgnored&) = delete;

private:
    struct sigaction Old {};
    bool Saved = false;
};

// Rewrites an open regular file in place. No byte of the old contents is
// overwritten before the room for the new ones is known to be there: the
// part past the old end is reserved first and given back if it cannot be
// had. Then the whole table is written, the file cut to its length and
// synced.
void WriteThrough(int fd, off_t oldSize, const QByteArray& bytes)
{
    const off_t newSize = bytes.size();
    if (newSize > oldSize) {
#ifdef __linux__
        // The system call itself: where a file system cannot reserve (ext2,
        // some network file systems), the C library's posix_fallocate would
        // make up for it with single zero bytes; the real tail is better.
        int error = ::fallocate(fd, 0, oldSize, newSize - oldSize) == 0 ? 0 : errno;
#else
        int error = ::posix_fallocate(fd, oldSize, newSize - oldSize);
#endif
        if (error == EOPNOTSUPP || error == ENOSYS || error == EINVAL)
            error = WriteAt(fd, bytes.constData() + oldSize, newSize - oldSize, oldSize);
        if (error != 0) {
            // Whatever was got past the old end goes back; the old contents
            // before it were never touched. The error to report is the one
            // that stopped the save, whether or not this cut succeeds.
            [[maybe_unused]] const int cut = ::ftruncate(fd, oldSize);
            throw TInOutError(error);
        }
    }
    if (const int error = WriteAt(fd, bytes.constData(), bytes.size(), 0))
        throw TInOutError(error);
    if (::ftruncate(fd, newSize) != 0 || ::fsync(fd) != 0)
        ThrowErrno();
}

// Makes the rename itself durable. A failure here changes nothing about
// the new contents being in place, so it is not reported.
void SyncDirectoryOf(const QByteArray& path)
{
    const QByteArray dir = QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// A file that only we can see changing: a regular file of ours that nobody
// else may write and that has no other name. Replacing it by a rename shows
// nobody anything but the new contents.
bool IsPrivate(const struct stat& st)
{
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0 &&
           st.st_nlink == 1;
}

// Writes the bytes to a new file beside the target and renames it over the
// target in one step: whoever opens the file sees either the old contents or
// the new, and a crash or a full disk during the save leaves the old ones as
// they were. An existing file's group and rights carry over. Returns
// false, having changed nothing, when an existing file cannot be replaced
// like that (the directory takes no new files, or the new file cannot have
// the old one's group); the caller then writes in place.
bool ReplaceFile(const QByteArray& target, const QByteArray& bytes, const struct stat* old)
{
    RemoveDeadTemps(target);
    QByteArray temp;
    TFd fd(CreateTempBeside(target, temp));
    if (fd.Get() < 0) {
        const int error = errno;
        if (old && (error == EACCES || error == EPERM || error == EROFS))
            return false;
        throw TInOutError(error);
    }
    try {
        if (old) {
            struct stat made {};
            if (::fstat(fd.Get(), &made) != 0)
                ThrowErrno();
            if (made.st_gid != old->st_gid && ::fchown(fd.Get(), uid_t(-1), old->st_gid) != 0) {
                ::unlink(temp.constData());
                return false;
            }
            if (::fchmod(fd.Get(), old->st_mode & 07777) != 0)
                ThrowErrno();
        }
        if (const int error = WriteAt(fd.Get(), bytes.constData(), bytes.size(), 0))
            throw TInOutError(error);
        if (::fsync(fd.Get()) != 0)
            ThrowErrno();
        fd.Close();
        if (::rename(temp.constData(), target.constData()) != 0)
            ThrowErrno();
    } catch (...) {
        ::unlink(temp.constData());
        throw;
    }
    SyncDirectoryOf(target);
    return true;
}

// The path a name leads to at the end of its links, or empty.
QByteArray RealPath(const QByteArray& path)
{
    char* real = ::realpath(path.constData(), nullptr);
    if (!real)
        return {};
    const QByteArray result(real);
    std::free(real);
    return result;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// One try at the lock: a write lock on the whole file, or an exclusive lock
// on the directory. Returns 0 or the errno. Open-file-description locks
// stay put when the game closes another descriptor of the same file (as
// every read of the file does), unlike classic record locks.
int TryLock(int fd, bool onFile)
{
    if (!onFile)
        return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0 ? 0 : errno;
#else
    return ::fcntl(fd, F_SETLK, &lock) == 0 ? 0 : errno;
#endif
}

// How long a lock waits between two tries.
constexpr int RetryMs = 5;

// 0 for a regular file; the errno that refuses anything else.
int NotRegular(const struct stat& st)
{
    return S_ISREG(st.st_mode) ? 0 : S_ISDIR(st.st_mode) ? EISDIR : ENXIO;
}

// OpenRegularFile with the open's own flags; `st` describes the open file.
int OpenRegular(const QByteArray& path, int flags, struct stat& st)
{
    if (::stat(path.constData(), &st) != 0)
        return -1;
    if (const int refused = NotRegular(st)) {
        errno = refused;
        return -1;
    }
    const int fd = ::open(path.constData(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    int error = ::fstat(fd, &st) != 0 ? errno : NotRegular(st);
    // A regular file never waits; the flag goes, as no read or write needs it.
    const int status = error ? 0 : ::fcntl(fd, F_GETFL);
    if (!error && (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0))
        error = errno;
    if (!error)
        return fd;
    ::close(fd);
    errno = error;
    return -1;
}

} // namespace

int OpenRegularFile(const QString& fileName)
{
    struct stat st {};
    return OpenRegular(QFile::encodeName(fileName), O_RDONLY, st);
}

std::optional<QByteArray> ReadWholeFile(const QString& fileName, TFileAccess access)
{
    const QByteArray path = QFile::encodeName(fileName);
    const bool forWriting = access == TFileAccess::ReadWrite;
    struct stat st {};
    TFd fd(OpenRegular(path, forWriting ? O_RDWR : O_RDONLY, st));
    if (fd.Get() < 0) {
        const int error = errno;
        struct stat link {};
        // Reading finds no file in a directory of that name, or behind a
        // link that leads nowhere. Reading for writing refuses both, before
        // the player is asked for anything: no save could follow.
        if (!forWriting && (error == ENOENT || error == EISDIR || error == ENOTDIR))
            return std::nullopt;
        if (forWriting && error == ENOENT && ::lstat(path.constData(), &link) != 0)
            return std::nullopt;
        throw TInOutError(error);
    }
    return ReadAll(fd.Get(), qsizetype(st.st_size));
}

void SaveWholeFile(const QString& fileName, const QByteArray& bytes, TSaveWay way)
{
    const QByteArray path = QFile::encodeName(fileName);
    const TFileSizeSignalIgnored noSignal;

    // The open follows a link to the file it leads to, creates nothing, and
    // succeeds only for a regular file we may write.
    struct stat st {};
    TFd fd(OpenRegular(path, O_WRONLY, st));
    if (fd.Get() < 0) {
        const int error = errno;
        struct stat link {};
        // A name that is there but leads nowhere is a broken link: it is
        // reported, never replaced.
        if (error != ENOENT || ::lstat(path.constData(), &link) == 0)
            throw TInOutError(error);
        ReplaceFile(path, bytes, nullptr);
        return;
    }
    if (IsPrivate(st) || (way == TSaveWay::Replacing && S_ISREG(st.st_mode))) {
        // Replace the file itself, at the end of any links, which stay.
        const QByteArray real = RealPath(path);
        struct stat there {};
        if (!real.isEmpty() && ::stat(real.constData(), &there) == 0 && SameFile(there, st) &&
            ReplaceFile(real, bytes, &st))
            return;
    }
    WriteThrough(fd.Get(), st.st_size, bytes);
    fd.Close();
}

TFileLock::TFileLock(const QString& fileName, int waitMs, const TLockPause& pause)
{
    const QByteArray path = QFile::encodeName(fileName);
    const QByteArray dir = QFile::encodeName(QFileInfo(fileName).absolutePath());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        // The lock is taken on the file, opened for writing as a lock needs;
        // with no file yet, on its directory (a file made only to be locked
        // would be an empty file that every reader fails on).
        bool onFile = true;
        struct stat locked {};
        int fd = OpenRegular(path, O_RDWR, locked);
        if (fd < 0 && errno == ENOENT) {
            onFile = false;
            fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        // What cannot be opened cannot be locked; the save reports the rest.
        TFd holder(fd);
        if (fd < 0 || ::fstat(fd, &locked) != 0)
            return;
        int error = 0;
        while ((error = TryLock(fd, onFile)) == EAGAIN || error == EACCES || error == EWOULDBLOCK) {
            if (std::chrono::steady_clock::now() >= deadline)
                return;
            if (pause)
                pause(RetryMs);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(RetryMs));
        }
        if (error != 0)
            return; // no locks on this file system
        // The copy we waited for may have renamed a new file over the one we
        // locked, or made the first one: then lock that instead.
        struct stat now {};
        const bool current = onFile ? ::stat(path.constData(), &now) == 0 && SameFile(now, locked)
                                    : ::stat(path.constData(), &now) != 0 && errno == ENOENT;
        if (current) {
            Fd = holder.Release();
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return;
    }
}

TFileLock::~TFileLock()
{
    if (Fd >= 0)
        ::close(Fd);
}

} // namespace Platform
