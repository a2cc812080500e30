// SPDX-License-Identifier: MIT
#include "CardStrip.h"

#include "Deal.h"
#include "DurableFile.h"
#include "JpegError.h"

// std
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
// POSIX
#include <unistd.h>
// libjpeg
#include <jpeglib.h>
#include <jerror.h>

namespace {

// The decoder's warnings that mean picture data is lost, so that pictures
// would come out grey or garbled, and how the player is told. The others lose
// nothing a card shows and every other JPEG reader goes on: stray bytes
// between segments, an unknown JFIF version or Adobe transform code, a
// damaged colour profile.
enum class TLoss { Truncated, Corrupt };
struct TLossyWarning {
    int Code;
    TLoss Loss;
};
constexpr TLossyWarning LossyWarnings[] = {
    {JWRN_JPEG_EOF, TLoss::Truncated},    // the file ends before the picture does
    {JWRN_HIT_MARKER, TLoss::Truncated},  // a scan ends before its data does
    {JWRN_HUFF_BAD_CODE, TLoss::Corrupt}, // corrupt entropy-coded data
#if JPEG_LIB_VERSION >= 70 || defined(D_ARITH_CODING_SUPPORTED) || defined(C_ARITH_CODING_SUPPORTED)
    {JWRN_ARITH_BAD_CODE, TLoss::Corrupt}, // the same, arithmetic-coded
#endif
    {JWRN_MUST_RESYNC, TLoss::Corrupt},       // a restart marker missing or out of order
    {JWRN_NOT_SEQUENTIAL, TLoss::Corrupt},    // scan parameters that the data cannot follow
    {JWRN_BOGUS_PROGRESSION, TLoss::Corrupt}, // progressive scans that do not add up
};

const TLossyWarning* LossyWarning(int code)
{
    const auto* found = std::find_if(std::begin(LossyWarnings), std::end(LossyWarnings),
                                     [code](const TLossyWarning& w) { return w.Code == code; });
    return found == std::end(LossyWarnings) ? nullptr : found;
}

// Trace messages (level 0 and up) are ignored.
void OnJpegMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && LossyWarning(cinfo->err->msg_code))
        OnJpegError(cinfo);
}

// The player's message, in Japanese from start to end; the decoder's or the
// system's own words, where there are any, follow on a line of their own.
QString Refusal(const QString& name, const QString& reason, const QString& detail = {})
{
    QString text = QStringLiteral("画像ファイル「%1」を読み込めません。\n%2").arg(name, reason);
    if (!detail.isEmpty())
        text += QStringLiteral("\n詳細：") + detail;
    return text;
}

// What went wrong, by the decoder's message code, in the player's words.
QString DecoderReason(int code)
{
    if (code == JERR_NO_SOI)
        return QStringLiteral("JPEG 画像ではありません");
    if (code == JERR_INPUT_EMPTY)
        return QStringLiteral("ファイルが空です");
    const TLossyWarning* lossy = LossyWarning(code);
    if (code == JERR_INPUT_EOF || (lossy && lossy->Loss == TLoss::Truncated))
        return QStringLiteral("ファイルが途中で終わっています");
    return lossy ? QStringLiteral("画像データが壊れています")
                 : QStringLiteral("形式に誤りがあります");
}

// The strip's file as the decoder's source: read in pieces as the decoder
// asks for them, never past Limit.
struct TFileSource {
    jpeg_source_mgr Base{};
    int Fd = -1;
    int64_t Read = 0;
    int64_t Limit = CardStrip::SegmentBytes; // until the picture's size is known
    bool Started = false;
    bool TooLarge = false;
    int ReadError = 0; // the errno of a failed read
    JOCTET Buffer[64 * 1024];

    explicit TFileSource(int fd) : Fd(fd)
    {
        Base.init_source = [](j_decompress_ptr) {};
        Base.fill_input_buffer = Fill;
        Base.skip_input_data = Skip;
        Base.resync_to_restart = jpeg_resync_to_restart;
        Base.term_source = [](j_decompress_ptr) {};
    }
    ~TFileSource() { ::close(Fd); }
    TFileSource(const TFileSource&) = delete;
    TFileSource& operator=(const TFileSource&) = delete;

    static boolean Fill(j_decompress_ptr cinfo)
    {
        auto* src = reinterpret_cast<TFileSource*>(cinfo->src);
        if (src->Read >= src->Limit) {
            src->TooLarge = true;
            ERREXIT(cinfo, JERR_FILE_READ);
        }
        const auto want = size_t(std::min<int64_t>(sizeof Buffer, src->Limit - src->Read));
        ssize_t got;
        do
            got = ::read(src->Fd, src->Buffer, want);
        while (got < 0 && errno == EINTR);
        if (got < 0) {
            src->ReadError = errno;
            ERREXIT(cinfo, JERR_FILE_READ);
        }
        if (got == 0) {
            if (!src->Started)
                ERREXIT(cinfo, JERR_INPUT_EMPTY);
            // As libjpeg's own sources do: a warning (which refuses the
            // strip), and an end marker for the decoder to stop at.
            WARNMS(cinfo, JWRN_JPEG_EOF);
            src->Buffer[0] = 0xFF;
            src->Buffer[1] = JPEG_EOI;
            got = 2;
        }
        src->Started = true;
        src->Read += got;
        src->Base.next_input_byte = src->Buffer;
        src->Base.bytes_in_buffer = size_t(got);
        return TRUE;
    }

    static void Skip(j_decompress_ptr cinfo, long count)
    {
        jpeg_source_mgr* src = cinfo->src;
        if (count <= 0)
            return;
        while (count > long(src->bytes_in_buffer)) {
            count -= long(src->bytes_in_buffer);
            Fill(cinfo);
        }
        src->next_input_byte += count;
        src->bytes_in_buffer -= size_t(count);
    }
};

// The most the rest of a file can hold for a picture of the size its header
// gives: every block of every component at the worst (interleaved scans pad
// a component to whole sampling units), and the segments between scans.
int64_t MostBytesAfterHeader(const jpeg_decompress_struct& cinfo)
{
    const auto roundUp = [](int64_t n, int64_t unit) { return (n + unit - 1) / unit * unit; };
    int64_t blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info& c = cinfo.comp_info[i];
        blocks += roundUp(c.width_in_blocks, c.h_samp_factor) *
                  roundUp(c.height_in_blocks, c.v_samp_factor);
    }
    return blocks * CardStrip::BlockBytes + CardStrip::SegmentBytes;
}

const QString OutOfMemory = QStringLiteral("画像を展開するメモリが足りません。");

// One CMYK row as RGB. Adobe's applications, and every program that follows
// them, store the inks inverted (255 is no ink) and mark the file with an
// Adobe segment; without that mark the values are the inks themselves.
void CmykToRgb(const JSAMPLE* cmyk, uchar* rgb, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const int k = inverted ? cmyk[3] : 255 - cmyk[3];
        for (int i = 0; i < 3; ++i) {
            const int c = inverted ? cmyk[i] : 255 - cmyk[i];
            rgb[i] = uchar((c * k + 127) / 255);
        }
    }
}

} // namespace

QImage DecodeJpegFile(const QString& path, const QString& shownName, int maxRows)
{
    const int fd = Platform::OpenRegularFile(path);
    if (fd < 0) {
        const int error = errno;
        throw TCardStripError(Refusal(shownName,
                                      error == EISDIR || error == ENXIO
                                          ? QStringLiteral("通常のファイルではありません。")
                                          : QStringLiteral("ファイルを開けません。"),
                                      QString::fromLocal8Bit(std::strerror(error)))
                                  .toStdString());
    }
    TFileSource source(fd);

    jpeg_decompress_struct cinfo{};
    TJpegErrorManager err{};
    cinfo.err = jpeg_std_error(&err.Base);
    err.Base.error_exit = OnJpegError;
    err.Base.emit_message = OnJpegMessage;

    // Everything that must outlive a longjmp is created before setjmp.
    QImage image;
    QString reason;
    if (setjmp(err.Jump) == 0) {
        jpeg_create_decompress(&cinfo);
        cinfo.src = &source.Base;
        jpeg_read_header(&cinfo, TRUE);
        source.Limit = source.Read + MostBytesAfterHeader(cinfo);
        const int64_t pixels = int64_t(cinfo.image_width) * int64_t(cinfo.image_height);
        const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
        if (pixels > CardStrip::MaxPixels) {
            reason = QStringLiteral("画像が大きすぎます（%1 × %2 ピクセル）。")
                         .arg(cinfo.image_width)
                         .arg(cinfo.image_height);
        } else if (!cmyk && cinfo.jpeg_color_space != JCS_GRAYSCALE &&
                   cinfo.jpeg_color_space != JCS_YCbCr && cinfo.jpeg_color_space != JCS_RGB) {
            reason = QStringLiteral("この色空間の JPEG 画像には対応していません。");
        } else {
            // The decoder turns YCCK into CMYK; CMYK into RGB is done here.
            cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
            jpeg_start_decompress(&cinfo);
            const int rows = int(std::min<JDIMENSION>(cinfo.output_height, JDIMENSION(maxRows)));
            image = QImage(int(cinfo.output_width), rows, QImage::Format_RGB888);
            if (image.isNull()) {
                reason = OutOfMemory;
            } else {
                // From the decoder's pool: freed with it, also after an error.
                const JSAMPARRAY cmykRow =
                    cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                      JPOOL_IMAGE, cinfo.output_width * 4, 1)
                         : nullptr;
                while (int(cinfo.output_scanline) < rows) {
                    uchar* line = image.scanLine(int(cinfo.output_scanline));
                    JSAMPROW row = cmyk ? cmykRow[0] : line;
                    jpeg_read_scanlines(&cinfo, &row, 1);
                    if (cmyk)
                        CmykToRgb(row, line, cinfo.output_width, cinfo.saw_Adobe_marker);
                }
                // Rows below are never shown: stop without decoding them.
                if (cinfo.output_scanline < cinfo.output_height)
                    jpeg_abort_decompress(&cinfo);
                else
                    jpeg_finish_decompress(&cinfo);
            }
        }
    } else {
        image = QImage();
        if (source.TooLarge) {
            reason = QStringLiteral("ファイルが大きすぎます（この画像には %1 バイトまでです）。")
                         .arg(source.Limit);
            err.Message[0] = '\0';
        } else if (source.ReadError) {
            reason = QStringLiteral("ファイルを読み込めません。");
            std::snprintf(err.Message, sizeof err.Message, "%s", std::strerror(source.ReadError));
        } else if (err.Base.msg_code == JERR_OUT_OF_MEMORY) {
            reason = OutOfMemory;
        } else {
            reason = QStringLiteral("JPEG 画像として解読できません（%1）。")
                         .arg(DecoderReason(err.Base.msg_code));
        }
    }
    jpeg_destroy_decompress(&cinfo);
    if (!reason.isEmpty())
        throw TCardStripError(
            Refusal(shownName, reason, QString::fromLocal8Bit(err.Message)).toStdString());
    return image;
}

QImage LoadCardStrip(const QString& path, const QString& shownName)
{
    QImage strip = DecodeJpegFile(path, shownName, CardStrip::PictureH);
    if (strip.width() < CardStrip::PictureW * Board::MinPictures)
        throw TCardStripError(
            Refusal(shownName, QStringLiteral("画像の幅が %1 ピクセルしかありません。"
                                              "カードを配るには幅 %2 ピクセル（%3 枚分）"
                                              "以上が必要です。")
                                   .arg(strip.width())
                                   .arg(CardStrip::PictureW * Board::MinPictures)
                                   .arg(Board::MinPictures))
                .toStdString());
    if (strip.height() < CardStrip::PictureH)
        throw TCardStripError(
            Refusal(shownName, QStringLiteral("画像の高さが %1 ピクセルしかありません。"
                                              "%2 ピクセル以上が必要です。")
                                   .arg(strip.height())
                                   .arg(CardStrip::PictureH))
                .toStdString());
    return strip;
}

QString CardStripFailureText(const std::exception& error, const QString& shownName)
{
    if (dynamic_cast<const TCardStripError*>(&error))
        return QString::fromStdString(error.what());
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return Refusal(shownName, OutOfMemory);
    return Refusal(shownName, QStringLiteral("読み込みが途中で止まりました。"),
                   QString::fromLocal8Bit(error.what()));
}

std::vector<TRect> MakeSourceRects(int32_t pictureCount)
{
    std::vector<TRect> rects;
    rects.reserve(static_cast<size_t>(pictureCount) + 1);
    for (int32_t i = 0; i <= pictureCount; ++i)
        rects.push_back(
            {i * CardStrip::PictureW, 0, (i + 1) * CardStrip::PictureW, CardStrip::PictureH});
    return rects;
}
