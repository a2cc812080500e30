// SPDX-License-Identifier: MIT
#include "RankFormat.h"

#include "InOutError.h"
// std
#include <algorithm>

namespace {

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
            throw Platform::TInOutError(Platform::TInOutError::EndOfFile);
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
        throw Platform::TInOutError(Platform::TInOutError::EndOfFile);
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

} // namespace

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
    return true;
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
