// SPDX-License-Identifier: MIT
#pragma once
// Helpers shared by the tests of the rules: scratch directories, made-up
// picture strips, a clock the tests drive, and runs as another user.

#include "Clock.h"
// Qt
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <QTime>
// std
#include <csignal>
#include <functional>
#include <ostream>
#include <string>
#include <vector>
// POSIX
#include <sys/resource.h>
#include <sys/types.h>

namespace Test {

// A row of a parameter table, known by its name in the test's name and in
// gtest's messages.
struct TNamedCase {
    const char* Name;
};
inline std::ostream& operator<<(std::ostream& os, const TNamedCase& c)
{
    return os << c.Name;
}
// Names each instance of a table of TNamedCase rows after its row.
inline constexpr auto CaseName = [](const auto& info) { return std::string(info.param.Name); };

// A scratch directory that is the current directory while the object lives.
class TScratchDir {
public:
    TScratchDir();
    ~TScratchDir();
    QString Path(const QString& name) const;

private:
    QTemporaryDir Dir;
    QString OldDir;
};

// The colour that a made-up strip gives picture i.
QColor PictureColour(int i);
// A strip of `pictures` cells of 100 x 80 (plus extra columns / rows), each
// filled with PictureColour(i).
QImage MakeStrip(int pictures, int extraWidth = 0, int height = 80);

struct TJpegOptions {
    int Quality = 95;
    bool Progressive = false;
    bool Greyscale = false;
    // Four inks, stored inverted under an Adobe mark as Adobe's applications
    // write them; as YCCK, or as plain values without the mark.
    enum TCmyk { NoCmyk, AdobeCmyk, AdobeYcck, PlainCmyk } Cmyk = NoCmyk;
    bool TwoChannels = false; // a colour space without a name
    int RestartRows = 0;      // a restart marker after every this many MCU rows
};
// Writes `image` as a JPEG file with libjpeg.
void WriteJpeg(const QString& path, const QImage& image, const TJpegOptions& options = {});
// Writes Img.Dat with `pictures` pictures into the current directory.
void WriteStrip(int pictures, int extraWidth = 0, int height = 80);
// Writes a real JPEG strip of 24 pictures whose frame header claims 60000 x
// 60000 pixels.
void WriteHugeStrip(const QString& path);

// A tick count that moves only when told to, or when the game sleeps. It
// wraps as the system's 32-bit millisecond counter does.
class TTestClock : public Platform::TClock {
public:
    TTestClock();
    ~TTestClock() override;
    int32_t Tick() override { return Now; }
    void Sleep(int ms) override;
    void Advance(int ms) { Now = Platform::TickAdd(Now, ms); }
    QTime UtcTimeOfDay() override { return UtcTime; }

    int32_t Now = 100000;
    QTime UtcTime{9, 30};
    std::vector<int> Sleeps;
    // Runs inside every sleep, after the clock has moved on.
    std::function<void(int)> OnSleep;
};

// Whether two colours are within `tolerance` per component (JPEG is lossy).
bool Near(QColor a, QColor b, int tolerance = 12);

// Someone other than root, with the groups they belong to.
struct TUser {
    uid_t Uid = 65534; // nobody
    gid_t Gid = 65534;
    std::vector<gid_t> Groups;
};
// Runs `check` where file rights apply: directly for an ordinary user, and
// for root in a child process that has become `user`. Returns what `check`
// returned (128 + the signal that killed it), or -1 when rights cannot be
// made to apply.
int AsUser(const TUser& user, const std::function<int()>& check);
// The same as the user "nobody".
int AsOrdinaryUser(const std::function<int()>& check);

// Limits the size of files this process may write while it lives, so that a
// write past the limit fails with EFBIG; not even root gets around it. Unless
// `killing`, the signal that would end the process is ignored meanwhile.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes, bool killing = false)
        : OldHandler(killing ? SIG_ERR : std::signal(SIGXFSZ, SIG_IGN))
    {
        Active = ::getrlimit(RLIMIT_FSIZE, &Old) == 0;
        rlimit limit = Old;
        limit.rlim_cur = bytes;
        Active = Active && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~TFileSizeLimit()
    {
        if (Active)
            ::setrlimit(RLIMIT_FSIZE, &Old);
        if (OldHandler != SIG_ERR)
            std::signal(SIGXFSZ, OldHandler);
    }
    bool Active = false;

private:
    rlimit Old{};
    void (*OldHandler)(int) = nullptr;
};

// From here on this process's fallocate fails as where a file system cannot
// reserve room (EOPNOTSUPP); for a child process. Returns whether it took.
bool RefuseFallocate();

// Bytes written out as hex pairs; spaces are only for reading.
QByteArray Hex(const char* text);
// `count` empty ranking rows with empty texts: three zero integers each.
inline QByteArray EmptyRows(int count)
{
    return QByteArray(12 * count, '\0');
}
// Writes `bytes` as the whole file `name` (a failure fails the test).
void WriteBytes(const QString& name, const QByteArray& bytes);
// The whole file `name`, or nothing when it cannot be read.
QByteArray ReadBytes(const QString& name);

} // namespace Test
