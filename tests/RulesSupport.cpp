// SPDX-License-Identifier: MIT
#include "RulesSupport.h"

// Qt
#include <QDir>
#include <QFile>
// gtest
#include <gtest/gtest.h>
// std
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <iterator>
// POSIX
#include <sys/wait.h>
#include <grp.h>
#include <unistd.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
// libjpeg
#include <jpeglib.h>

namespace Test {

TScratchDir::TScratchDir() : OldDir(QDir::currentPath())
{
    QDir::setCurrent(Dir.path());
}

TScratchDir::~TScratchDir()
{
    QDir::setCurrent(OldDir);
}

QString TScratchDir::Path(const QString& name) const
{
    return Dir.filePath(name);
}

QColor PictureColour(int i)
{
    // Distinct, well separated colours that survive JPEG compression.
    return QColor::fromHsv((i * 47) % 360, 200, 120 + (i * 29) % 120);
}

QImage MakeStrip(int pictures, int extraWidth, int height)
{
    QImage strip(pictures * 100 + extraWidth, height, QImage::Format_RGB888);
    strip.fill(Qt::black);
    for (int i = 0; i < pictures; ++i)
        for (int y = 0; y < std::min(height, 80); ++y)
            for (int x = 0; x < 100; ++x)
                strip.setPixelColor(i * 100 + x, y, PictureColour(i));
    return strip;
}

void WriteJpeg(const QString& path, const QImage& source, const TJpegOptions& options)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    if (options.Greyscale) {
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
    } else if (options.Cmyk) {
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_CMYK;
    } else if (options.TwoChannels) {
        cinfo.input_components = 2;
        cinfo.in_color_space = JCS_UNKNOWN;
    } else {
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
    }
    jpeg_set_defaults(&cinfo);
    if (options.Cmyk == TJpegOptions::AdobeCmyk || options.Cmyk == TJpegOptions::PlainCmyk)
        jpeg_set_colorspace(&cinfo, JCS_CMYK);
    cinfo.write_Adobe_marker = options.Cmyk != TJpegOptions::PlainCmyk && options.Cmyk;
    jpeg_set_quality(&cinfo, options.Quality, TRUE);
    if (options.Progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.restart_in_rows = options.RestartRows;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(image.width()) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar* src = image.constScanLine(int(cinfo.next_scanline));
        for (int x = 0; x < image.width(); ++x) {
            const uchar r = src[3 * x], g = src[3 * x + 1], b = src[3 * x + 2];
            if (options.Greyscale) {
                row[size_t(x)] = uchar((r * 299 + g * 587 + b * 114) / 1000);
            } else if (options.Cmyk) {
                // As much black as the colour holds, the rest in the three inks.
                const int most = std::max({r, g, b});
                const bool inverted = options.Cmyk != TJpegOptions::PlainCmyk;
                const auto put = [&](int i, int ink) {
                    row[size_t(4 * x + i)] = uchar(inverted ? 255 - ink : ink);
                };
                for (int i = 0; i < 3; ++i)
                    put(i, most ? (most - src[3 * x + i]) * 255 / most : 0);
                put(3, 255 - most);
            } else if (options.TwoChannels) {
                row[size_t(2 * x)] = r;
                row[size_t(2 * x + 1)] = g;
            } else {
                row[size_t(3 * x)] = r;
                row[size_t(3 * x + 1)] = g;
                row[size_t(3 * x + 2)] = b;
            }
        }
        JSAMPROW rowPtr = row.data();
        jpeg_write_scanlines(&cinfo, &rowPtr, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        ADD_FAILURE() << "cannot write " << path.toStdString();
    file.write(reinterpret_cast<const char*>(buffer), qint64(size));
    std::free(buffer);
}

bool RefuseFallocate()
{
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fallocate, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog filter{static_cast<unsigned short>(std::size(program)), program};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

void WriteBytes(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteStrip(int pictures, int extraWidth, int height)
{
    WriteJpeg(QStringLiteral("Img.Dat"), MakeStrip(pictures, extraWidth, height));
}

void WriteHugeStrip(const QString& path)
{
    WriteJpeg(path, MakeStrip(24));
    QByteArray bytes = ReadBytes(path);
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    bytes.replace(sof + 5, 4, QByteArray("\xEA\x60\xEA\x60", 4));
    WriteBytes(path, bytes);
}

TTestClock::TTestClock()
{
    Platform::SetClock(this);
}
TTestClock::~TTestClock()
{
    Platform::SetClock(nullptr);
}

void TTestClock::Sleep(int ms)
{
    Sleeps.push_back(ms);
    Advance(ms);
    if (OnSleep)
        OnSleep(ms);
}

bool Near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

int AsUser(const TUser& user, const std::function<int()>& check)
{
    if (::geteuid() != 0)
        return user.Uid == 65534 ? check() : -1;
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::setgroups(user.Groups.size(), user.Groups.data()) != 0 ||
            ::setresgid(user.Gid, user.Gid, user.Gid) != 0 ||
            ::setresuid(user.Uid, user.Uid, user.Uid) != 0)
            ::_exit(255);
        ::_exit(check());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        return -1;
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status); // killed, by SIGXFSZ for one
    return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

int AsOrdinaryUser(const std::function<int()>& check)
{
    return AsUser(TUser{}, check);
}

} // namespace Test
