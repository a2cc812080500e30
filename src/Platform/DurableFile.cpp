// SPDX-License-Identifier: MIT
#include "Platform/DurableFile.h"

// Qt
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
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

// No file the game writes comes anywhere near this; a bigger file (or an
// endless device) is read as if it ended here.
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

// Writes all of `bytes`, going on after a short write.
void WriteAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(fd, p, size_t(left));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno();
        }
        if (put == 0)
            throw TInOutError(EIO);
        p += put;
        left -= put;
    }
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

// Creates a file of an unused name beside `target`, with the rights 0666
// less the umask like any file the game makes, and puts its name in `temp`.
int CreateBeside(const QByteArray& target, QByteArray& temp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = target + '.' + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        const int fd =
            ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
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
    QByteArray temp;
    TFd fd(CreateBeside(target, temp));
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
        WriteAll(fd.Get(), bytes);
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

} // namespace

std::optional<QByteArray> ReadWholeFile(const QString& fileName, TFileAccess access)
{
    const QByteArray path = QFile::encodeName(fileName);
    const bool forWriting = access == TFileAccess::ReadWrite;
    // O_NONBLOCK keeps the open from waiting on a pipe; it is cleared before
    // reading.
    TFd fd(::open(path.constData(),
                  (forWriting ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) {
        const int error = errno;
        struct stat link {};
        if (error == EISDIR || error == ENOTDIR)
            return std::nullopt;
        // A link that leads nowhere cannot be saved into: say so before the
        // player is asked for anything.
        if (error == ENOENT && !(forWriting && ::lstat(path.constData(), &link) == 0))
            return std::nullopt;
        throw TInOutError(error);
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        ThrowErrno();
    if (S_ISDIR(st.st_mode))
        return std::nullopt;
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        ThrowErrno();
    return ReadAll(fd.Get(), S_ISREG(st.st_mode) ? qsizetype(st.st_size) : 0);
}

void SaveWholeFile(const QString& fileName, const QByteArray& bytes)
{
    const QByteArray path = QFile::encodeName(fileName);
    const TFileSizeSignalIgnored noSignal;

    // The open follows a link to the file it leads to, creates nothing, and
    // succeeds only for a file we may write.
    TFd fd(::open(path.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
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
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        ThrowErrno();
    if (!S_ISREG(st.st_mode)) {
        // A device (or pipe) in place of the file is written to as it is.
        WriteAll(fd.Get(), bytes);
        fd.Close();
        return;
    }
    if (IsPrivate(st)) {
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

TFileLock::TFileLock(const QString& fileName, int waitMs)
{
    const QByteArray path = QFile::encodeName(fileName);
    const QByteArray dir = QFile::encodeName(QFileInfo(fileName).absolutePath());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        // The lock is taken on the file, opened for writing as a lock needs;
        // with no file yet, on its directory (a file made only to be locked
        // would be an empty file that every reader fails on).
        bool onFile = true;
        int fd = ::open(path.constData(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            onFile = false;
            fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        // What cannot be opened cannot be locked; the save reports the rest.
        TFd holder(fd);
        struct stat locked {};
        if (fd < 0 || ::fstat(fd, &locked) != 0 || (onFile && !S_ISREG(locked.st_mode)))
            return;
        int error = 0;
        while ((error = TryLock(fd, onFile)) == EAGAIN || error == EACCES || error == EWOULDBLOCK) {
            if (std::chrono::steady_clock::now() >= deadline)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
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
