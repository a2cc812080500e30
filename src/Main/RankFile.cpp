#include "Main/RankFile.h"

// Qt
#include <QFile>
#include <QFileInfo>
// std
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
// POSIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ErrorText(int code)
{
    switch (code) {
    case TInOutError::EndOfFile:
        return "ファイルの末尾以降を読み込みました";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return "ファイルへのアクセスが拒否されました";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return "ディスクがいっぱいです";
    default:
        return "I/O エラー (" + std::to_string(code) + ")";
    }
}

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

// No ranking the game writes comes anywhere near this; a bigger file (or an
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

// The file's integers, one after the other.
class TIntReader {
public:
    explicit TIntReader(const QByteArray& bytes)
        : P(reinterpret_cast<const unsigned char*>(bytes.constData())), Left(bytes.size())
    {
    }
    int32_t Next()
    {
        if (Left < 4)
            throw TInOutError(TInOutError::EndOfFile);
        const uint32_t v =
            uint32_t(P[0]) | uint32_t(P[1]) << 8 | uint32_t(P[2]) << 16 | uint32_t(P[3]) << 24;
        P += 4;
        Left -= 4;
        return int32_t(v);
    }
    qsizetype IntsLeft() const { return Left / 4; }

private:
    const unsigned char* P;
    qsizetype Left;
};

// A text: its length, then one integer per byte, of which the low 8 bits
// are the byte. A length of 0 or less is an empty text.
void ReadText(TIntReader& in, QByteArray& text)
{
    text.clear();
    const int32_t length = in.Next();
    if (length <= 0)
        return;
    // A length past the end of the file reads what is there and then fails;
    // room is never made for more than the file holds.
    const qsizetype have = std::min<qsizetype>(length, in.IntsLeft());
    text.reserve(have);
    for (qsizetype k = 0; k < have; ++k)
        text.append(char(in.Next() & 0xFF));
    if (have < length)
        throw TInOutError(TInOutError::EndOfFile);
}

void PutInt(QByteArray& out, int32_t value)
{
    const uint32_t v = uint32_t(value);
    const char bytes[4] = {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF),
                           char(v >> 24 & 0xFF)};
    out.append(bytes, 4);
}

void PutText(QByteArray& out, const QByteArray& text)
{
    PutInt(out, int32_t(text.size()));
    for (char c : text)
        PutInt(out, static_cast<unsigned char>(c));
}

QByteArray EncodeRanking(const TRanking& ranking)
{
    qsizetype size = 4;
    for (int32_t i = 1; i <= RankRows; ++i)
        size += 12 + 4 * (ranking[i].Name.size() + ranking[i].Date.size());
    QByteArray out;
    out.reserve(size);
    PutInt(out, RankFileMark);
    for (int32_t i = 1; i <= RankRows; ++i) {
        PutInt(out, ranking[i].Time);
        PutText(out, ranking[i].Name);
        PutText(out, ranking[i].Date);
    }
    return out;
}

// A device (or pipe) in place of the file is written to as it is; nothing is
// ever renamed over it.
void WriteInPlace(const QByteArray& path, const QByteArray& bytes)
{
    TFd fd(::open(path.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (fd.Get() < 0)
        ThrowErrno();
    WriteAll(fd.Get(), bytes);
    fd.Close();
}

// Makes the rename itself durable. A failure here changes nothing about
// the new ranking being in place, so it is not reported.
void SyncDirectoryOf(const QByteArray& path)
{
    const QByteArray dir = QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Writes the whole table to a new file beside the target and renames it over
// the target in one step: whoever opens the file sees either the old ranking
// or the new one, and a crash or a full disk during the save leaves the old
// one as it was.
void ReplaceFile(const QByteArray& target, const QByteArray& bytes, const struct stat* old)
{
    QByteArray temp = target + ".XXXXXX";
    TFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        // A shared ranking often lies in a directory the player may not
        // write, while the file itself is writable: save it in place then.
        const int error = errno;
        if (old && (error == EACCES || error == EPERM || error == EROFS) &&
            ::access(target.constData(), W_OK) == 0) {
            WriteInPlace(target, bytes);
            return;
        }
        throw TInOutError(error);
    }
    try {
        WriteAll(fd.Get(), bytes);
        if (old) {
            // Keep the old file's owner where we may (only root may give a
            // file away; anyone else already owns what they create).
            if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid()) &&
                ::fchown(fd.Get(), old->st_uid, old->st_gid) != 0) {
                // The ranking is still written, owned by us.
            }
        }
        if (::fchmod(fd.Get(), old ? old->st_mode & 07777 : 0644) != 0)
            ThrowErrno();
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
}

} // namespace

TInOutError::TInOutError(int code) : std::runtime_error(ErrorText(code)), Code(code) {}

bool ParseRanking(const QByteArray& bytes, TRanking& ranking)
{
    TIntReader in(bytes);
    if (in.Next() != RankFileMark)
        return false;
    // Straight into the caller's table: when the file ends early, the rows
    // read so far keep what the file gave them.
    for (int32_t i = 1; i <= RankRows; ++i) {
        TRankEntry& row = ranking[i];
        row.Time = in.Next();
        ReadText(in, row.Name);
        ReadText(in, row.Date);
    }
    // Whatever follows row 10 is not part of the ranking.
    return true;
}

bool LoadRanking(const QString& fileName, TRanking& ranking)
{
    const QByteArray path = QFile::encodeName(fileName);
    // Read access is all that loading asks for, so a ranking file the player
    // may not write can still be shown. O_NONBLOCK keeps the open from
    // waiting on a pipe; it is cleared before reading.
    TFd fd(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        ThrowErrno();
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        ThrowErrno();
    if (S_ISDIR(st.st_mode))
        return false;
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        ThrowErrno();
    const QByteArray bytes = ReadAll(fd.Get(), S_ISREG(st.st_mode) ? qsizetype(st.st_size) : 0);
    return ParseRanking(bytes, ranking);
}

bool SaveRanking(const QString& fileName, const TRanking& ranking)
{
    QByteArray target = QFile::encodeName(fileName);
    const QByteArray bytes = EncodeRanking(ranking);

    struct stat st {};
    if (::lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // A link to the ranking: replace the file it leads to, not the link.
        if (char* real = ::realpath(target.constData(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    if (::stat(target.constData(), &st) != 0) {
        if (errno != ENOENT)
            ThrowErrno();
        ReplaceFile(target, bytes, nullptr);
        return true;
    }
    if (S_ISDIR(st.st_mode))
        throw TInOutError(EISDIR);
    // Replacing goes by the directory's rights; a ranking file that may not
    // be written must still refuse the save.
    if (::access(target.constData(), W_OK) != 0)
        ThrowErrno();
    if (!S_ISREG(st.st_mode)) {
        WriteInPlace(target, bytes);
        return true;
    }
    ReplaceFile(target, bytes, &st);
    return true;
}

int32_t FindRankRow(const TRanking& ranking, int32_t time)
{
    for (int32_t i = 1; i <= RankRows; ++i)
        if (ranking[i].Time == 0 || ranking[i].Time > time)
            return i;
    return RankRows + 1;
}

void InsertRankRow(TRanking& ranking, int32_t row, const TRankEntry& entry)
{
    // Row 11 (a time that did not make the table) changes nothing.
    if (row < 1 || row > RankRows)
        return;
    for (int32_t j = RankRows; j > row; --j)
        ranking[j] = ranking[j - 1];
    ranking[row] = entry;
}
