// SPDX-License-Identifier: MIT
#include "TempFile.h"

// Qt
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
// std
#include <cerrno>
#include <vector>
// POSIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

const QByteArray TempTag = QByteArrayLiteral(".nupenupe-");
const QByteArray TempEnd = QByteArrayLiteral(".tmp");
// Base-36 digits of a 64-bit number, zero-padded: every name is as long.
constexpr int RandomDigits = 13;

bool IsTempOf(const QByteArray& name, const QByteArray& base)
{
    const QByteArray head = base + TempTag;
    if (name.size() != head.size() + RandomDigits + TempEnd.size() || !name.startsWith(head) ||
        !name.endsWith(TempEnd))
        return false;
    for (const char c : name.mid(head.size(), RandomDigits))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    return true;
}

// A file a killed save of ours may have left: ours, regular, one name.
bool MayBeOurs(const struct stat& st)
{
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && st.st_nlink == 1;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

int CreateTempBeside(const QByteArray& target, QByteArray& temp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = target + TempTag +
               QByteArray::number(QRandomGenerator::system()->generate64(), 36)
                   .rightJustified(RandomDigits, '0') +
               TempEnd;
        const int fd =
            ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // A cleaner that came between the open and the lock has the lock, or
        // has removed the name already: then this file is not ours to use.
        struct stat st {};
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if ((locked || (errno != EWOULDBLOCK && errno != EAGAIN)) && ::fstat(fd, &st) == 0 &&
            st.st_nlink > 0)
            return fd; // where the file system keeps no locks, no cleaner removes it either
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

void RemoveDeadTemps(const QByteArray& target)
{
    const QFileInfo info(QFile::decodeName(target));
    const QByteArray base = QFile::encodeName(info.fileName());
    DIR* dir = ::opendir(QFile::encodeName(info.absolutePath()).constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir))
        if (IsTempOf(entry->d_name, base))
            names.emplace_back(entry->d_name);
    for (const QByteArray& name : names) {
        // Looked at without following a link, opened only when it is a
        // regular file, and removed only while its lock is ours.
        struct stat named {
        }, opened{};
        if (::fstatat(dirFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
            !MayBeOurs(named))
            continue;
        const int fd =
            ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::fstat(fd, &opened) == 0 && SameFile(named, opened) && MayBeOurs(opened) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameFile(named, opened))
            ::unlinkat(dirFd, name.constData(), 0);
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace Platform
