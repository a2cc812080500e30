// SPDX-License-Identifier: MIT
// The bytes of the ranking file: hand-written files and tables case by case,
// and damaged and hostile files: whatever the bytes, a load ends in true,
// false or the end-of-file error, quickly, and leaves the table exactly as
// reading the file integer by integer would.

#include "RankFile.h"
#include "RankFormat.h"
#include "CodePage.h"
#include "RulesSupport.h"
// Qt
#include <QElapsedTimer>
#include <QFile>
// gtest
#include <gtest/gtest.h>
// std
#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Test::CaseName;
using Test::EmptyRows;
using Test::TNamedCase;
const char* const EndOfFileText = "ファイルの末尾以降を読み込みました";

// Little-endian 32-bit integers, as the file holds them.
QByteArray Ints(std::initializer_list<int32_t> values)
{
    QByteArray out;
    for (int32_t v : values) {
        const uint32_t u = uint32_t(v);
        for (int shift = 0; shift < 32; shift += 8)
            out.append(char(u >> shift & 0xFF));
    }
    return out;
}

QByteArray Text(const QByteArray& text)
{
    QByteArray out = Ints({int32_t(text.size())});
    for (char c : text)
        out += Ints({static_cast<unsigned char>(c)});
    return out;
}

QByteArray Row(int32_t time, const QByteArray& name, const QByteArray& date)
{
    return Ints({time}) + Text(name) + Text(date);
}

// Valid files for the mutations to start from.
std::vector<QByteArray> SeedFiles()
{
    const QByteArray mark = Ints({1010});
    std::vector<QByteArray> seeds;
    seeds.push_back(mark + EmptyRows(10));
    seeds.push_back(mark + Row(83456, "AB", "2001/05/23") + EmptyRows(9));
    QByteArray full = mark;
    for (int32_t i = 1; i <= RankRows; ++i)
        full += Row(i * 7919, QByteArray("\x82\xca\x82\xd8") + char('0' + i), "2024/02/29");
    seeds.push_back(full);
    seeds.push_back(mark + Row(5, "", "") + Row(6, "x", "") + Row(7, "", "y") + EmptyRows(7) +
                    Ints({1010, 1, 2, 3}));
    return seeds;
}

// The table each input is read into, with something in every row.
TRanking StartTable()
{
    TRanking table;
    for (int32_t i = 1; i <= RankRows; ++i)
        table[i] = {-i, "before" + QByteArray::number(i), "then"};
    return table;
}

enum class TOutcome { Loaded, NotARanking, EndOfFile };

// The file read the plain way, one integer at a time, nothing sized ahead:
// what ParseRanking must agree with, table included.
TOutcome ReadOneByOne(const QByteArray& bytes, TRanking& table)
{
    qsizetype pos = 0;
    const auto next = [&](int32_t& value) {
        if (bytes.size() - pos < 4)
            return false;
        uint32_t u = 0;
        for (int k = 3; k >= 0; --k)
            u = u << 8 | static_cast<unsigned char>(bytes[pos + k]);
        pos += 4;
        value = int32_t(u);
        return true;
    };
    const auto text = [&](QByteArray& out) {
        out.clear();
        int32_t length = 0;
        if (!next(length))
            return false;
        for (int32_t k = 0; k < length; ++k) {
            int32_t c = 0;
            if (!next(c))
                return false;
            out.append(char(c & 0xFF));
        }
        return true;
    };
    int32_t mark = 0;
    if (!next(mark))
        return TOutcome::EndOfFile;
    if (mark != 1010)
        return TOutcome::NotARanking;
    for (int32_t i = 1; i <= RankRows; ++i)
        if (!next(table[i].Time) || !text(table[i].Name) || !text(table[i].Date))
            return TOutcome::EndOfFile;
    return TOutcome::Loaded;
}

class TMutator {
public:
    explicit TMutator(uint32_t seed) : Random(seed) {}

    uint32_t Below(uint32_t n) { return n == 0 ? 0 : uint32_t(Random() % n); }

    QByteArray Garbage(int size)
    {
        QByteArray out(size, '\0');
        for (char& c : out)
            c = char(Random() & 0xFF);
        return out;
    }

    int32_t Interesting()
    {
        static const int32_t values[] = {
            0, -1, 1, 2, 255, 256, 1010, 0x141, 0x7FFFFFF0, INT_MAX, INT_MIN, 1 << 20, 1 << 30, -2};
        if (Below(4) == 0)
            return int32_t(Random());
        return values[Below(std::size(values))];
    }

    void Mutate(QByteArray& bytes)
    {
        const auto pos = [&] { return qsizetype(Below(uint32_t(bytes.size()) + 1)); };
        switch (Below(7)) {
        case 0: // flip a bit
            if (!bytes.isEmpty()) {
                const qsizetype at = qsizetype(Below(uint32_t(bytes.size())));
                bytes[at] = char(bytes[at] ^ (1 << Below(8)));
            }
            break;
        case 1: // cut the file short
            bytes.truncate(pos());
            break;
        case 2: // insert a few random bytes
            bytes.insert(pos(), Garbage(int(1 + Below(16))));
            break;
        case 3: // put a telling value into an integer (a length, most likely)
            if (bytes.size() >= 4) {
                const qsizetype at = qsizetype(Below(uint32_t(bytes.size() / 4))) * 4;
                const QByteArray value = Ints({Interesting()});
                std::memcpy(bytes.data() + at, value.constData(), 4);
            }
            break;
        case 4: { // drop a stretch
            const qsizetype at = pos();
            bytes.remove(at, qsizetype(Below(64)));
            break;
        }
        case 5: { // repeat a stretch
            const qsizetype at = pos();
            const QByteArray piece = bytes.mid(at, qsizetype(Below(64)));
            bytes.insert(pos(), piece);
            break;
        }
        default: // append garbage
            bytes += Garbage(int(Below(32)));
            break;
        }
    }

private:
    std::mt19937 Random;
};

QString Describe(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.left(256).toHex(' ')) +
           QStringLiteral(" (%1 bytes)").arg(bytes.size());
}

} // namespace

TEST(RankFuzz, MutatedFilesEndInTrueFalseOrEndOfFileAsReadOneByOne)
{
    TMutator mutator(20240229);
    const std::vector<QByteArray> seeds = SeedFiles();
    const TRanking start = StartTable();
    int counts[3] = {0, 0, 0};
    constexpr int Inputs = 120000;

    for (int n = 0; n < Inputs; ++n) {
        QByteArray bytes;
        if (mutator.Below(16) == 0) {
            // Pure garbage, now and then behind a valid mark.
            bytes = mutator.Garbage(int(mutator.Below(600)));
            if (mutator.Below(2) == 0)
                bytes.prepend(Ints({1010}));
        } else {
            bytes = seeds[mutator.Below(uint32_t(seeds.size()))];
            for (uint32_t k = 1 + mutator.Below(4); k > 0; --k)
                mutator.Mutate(bytes);
        }

        TRanking parsed = start;
        TOutcome outcome;
        try {
            outcome = ParseRanking(bytes, parsed) ? TOutcome::Loaded : TOutcome::NotARanking;
        } catch (const Platform::TInOutError& e) {
            outcome = TOutcome::EndOfFile;
            if (e.Code != Platform::TInOutError::EndOfFile ||
                std::strcmp(e.what(), EndOfFileText) != 0) {
                ADD_FAILURE() << "wrong error " << e.Code << " " << e.what() << " for "
                              << Describe(bytes).toStdString();
                return;
            }
        } catch (const std::exception& e) {
            ADD_FAILURE() << "unexpected exception " << e.what() << " for "
                          << Describe(bytes).toStdString();
            return;
        }

        TRanking expected = start;
        const TOutcome wanted = ReadOneByOne(bytes, expected);
        if (outcome != wanted || !(parsed == expected)) {
            ADD_FAILURE() << "input " << n << " read as " << int(outcome) << ", expected "
                          << int(wanted) << ": " << Describe(bytes).toStdString();
            return;
        }
        if (outcome == TOutcome::NotARanking && !(parsed == start)) {
            ADD_FAILURE() << "a file that is not a ranking changed the table";
            return;
        }
        // Room is made only for bytes the file actually holds.
        for (int32_t i = 1; i <= RankRows; ++i)
            if (parsed[i].Name.capacity() > bytes.size() / 4 + 64 ||
                parsed[i].Date.capacity() > bytes.size() / 4 + 64) {
                ADD_FAILURE() << "row " << i << " holds room for "
                              << std::max(parsed[i].Name.capacity(), parsed[i].Date.capacity())
                              << " bytes from " << Describe(bytes).toStdString();
                return;
            }
        ++counts[int(outcome)];
    }
    // The mutations reach every outcome, not just the first integer.
    EXPECT_GT(counts[int(TOutcome::Loaded)], Inputs / 20);
    EXPECT_GT(counts[int(TOutcome::NotARanking)], Inputs / 50);
    EXPECT_GT(counts[int(TOutcome::EndOfFile)], Inputs / 20);
}

namespace {
// The fastest of three loads of `bytes` from a real file, in milliseconds.
qint64 FastestLoad(const QByteArray& bytes, TRanking& table)
{
    Test::WriteBytes(RankFileName, bytes);
    qint64 best = LLONG_MAX;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        try {
            LoadRanking(RankFileName, table);
        } catch (const Platform::TInOutError& e) {
            EXPECT_EQ(e.Code, Platform::TInOutError::EndOfFile);
        }
        best = std::min(best, timer.elapsed());
    }
    return best;
}
} // namespace

TEST(RankFuzz, MegabyteOfGarbageLoadsWellUnderATenthOfASecond)
{
    ::Test::TScratchDir dir;
    TMutator mutator(1010);
    constexpr int Megabyte = 1 << 20;
    TRanking table;

    // Random bytes, plain and behind a valid mark.
    EXPECT_LT(FastestLoad(mutator.Garbage(Megabyte), table), 100);
    EXPECT_LT(FastestLoad(Ints({1010}) + mutator.Garbage(Megabyte - 4), table), 100);

    // The slowest kind: a name that really runs through the whole megabyte,
    // one integer per byte, garbage in every one of them.
    const int32_t length = (Megabyte - 4 - 12 - 9 * 12) / 4;
    QByteArray big = Ints({1010, 1, length});
    big += mutator.Garbage(4 * length);
    big += Ints({0}) + EmptyRows(9);
    ASSERT_EQ(big.size(), Megabyte);
    EXPECT_LT(FastestLoad(big, table), 100);
    EXPECT_EQ(table[1].Name.size(), length);
    EXPECT_EQ(table[1].Date, QByteArray());
}

// ---- the bytes of the file, case by case -----------------------------------------

namespace {

using Test::Hex;

const QByteArray Mark = Hex("F2 03 00 00");
// Row {83456, "AB", "2001/05/23"}, integer by integer.
const QByteArray RowAB = Hex("00 46 01 00  02 00 00 00  41 00 00 00  42 00 00 00"
                             "0A 00 00 00"
                             "32 00 00 00  30 00 00 00  30 00 00 00  31 00 00 00"
                             "2F 00 00 00  30 00 00 00  35 00 00 00  2F 00 00 00"
                             "32 00 00 00  33 00 00 00");
const QByteArray RowQ = Hex("07 00 00 00  01 00 00 00  51 00 00 00  00 00 00 00");
const QByteArray RowDoubleByte = Hex("88 13 00 00  04 00 00 00  82 00 00 00  CA 00 00 00"
                                     "82 00 00 00  D8 00 00 00  02 00 00 00  82 00 00 00"
                                     "CA 00 00 00");

// Bytes read into StartTable(): the outcome, and the rows the bytes gave. A
// whole table read empties the rows it does not list; otherwise they keep
// what StartTable() had.
struct TParseCase : TNamedCase {
    QByteArray Bytes;
    TOutcome Outcome;
    std::vector<std::pair<int32_t, TRankEntry>> Rows;
};

class ParseBytes : public ::testing::TestWithParam<TParseCase> {};

TEST_P(ParseBytes, GiveTheTableTheyHold)
{
    const TParseCase& c = GetParam();
    TRanking table = StartTable();
    TOutcome outcome = TOutcome::Loaded;
    try {
        outcome = ParseRanking(c.Bytes, table) ? TOutcome::Loaded : TOutcome::NotARanking;
    } catch (const Platform::TInOutError& e) {
        outcome = TOutcome::EndOfFile;
        EXPECT_STREQ(e.what(), EndOfFileText);
        EXPECT_EQ(e.Code, Platform::TInOutError::EndOfFile);
    }
    EXPECT_EQ(int(outcome), int(c.Outcome));
    TRanking expected = c.Outcome == TOutcome::Loaded ? TRanking{} : StartTable();
    for (const auto& [row, entry] : c.Rows)
        expected[row] = entry;
    EXPECT_EQ(table, expected);
    // Room is made only for bytes the file holds, whatever a length says.
    for (int32_t i = 1; i <= RankRows; ++i)
        EXPECT_LT(table[i].Name.capacity(), 1024) << i;
}

INSTANTIATE_TEST_SUITE_P(
    RankFormat, ParseBytes,
    ::testing::Values(
        // Row 2 with a one-byte name, row 10 with a date only, the rest empty.
        TParseCase{
            "EveryRowOfAHandWrittenFile",
            Mark + RowAB + Hex("FF FF FF 7F  01 00 00 00  7A 00 00 00  00 00 00 00") +
                EmptyRows(7) + Hex("01 00 00 00  00 00 00 00  01 00 00 00  39 00 00 00"),
            TOutcome::Loaded,
            {{1, {83456, "AB", "2001/05/23"}}, {2, {2147483647, "z", ""}}, {10, {1, "", "9"}}}},
        TParseCase{"BytesAfterRowTenAreIgnored",
                   Mark + RowQ + EmptyRows(9) + Hex("F2 03 00 00  DE AD BE EF  01"),
                   TOutcome::Loaded,
                   {{1, {7, "Q", ""}}}},
        // Row 1: name length 0, date length -3; row 2 is read from the
        // integers right after them. Row 3: name length -2147483648.
        TParseCase{"LengthOfZeroOrLessReadsNoIntegers",
                   Mark + Hex("05 00 00 00  00 00 00 00  FD FF FF FF") +
                       Hex("09 00 00 00  01 00 00 00  58 00 00 00"
                           "02 00 00 00  59 00 00 00  5A 00 00 00") +
                       Hex("0B 00 00 00  00 00 00 80  00 00 00 00") + EmptyRows(7),
                   TOutcome::Loaded,
                   {{1, {5, "", ""}}, {2, {9, "X", "YZ"}}, {3, {11, "", ""}}}},
        TParseCase{"CharacterIntegerKeepsOnlyItsLowEightBits",
                   Mark +
                       Hex("01 00 00 00  03 00 00 00"
                           "41 01 00 00  82 FF FF FF  FF FF FF FF"
                           "01 00 00 00  30 00 00 7F") +
                       EmptyRows(9),
                   TOutcome::Loaded,
                   {{1, {1, "\x41\x82\xff", "0"}}}},
        // 1011, and 1010 with a high byte set: the mark is a whole integer.
        TParseCase{"Mark1011", Hex("F3 03 00 00") + EmptyRows(10), TOutcome::NotARanking, {}},
        TParseCase{
            "MarkWithAHighByte", Hex("F2 03 00 01") + EmptyRows(10), TOutcome::NotARanking, {}},
        TParseCase{"MarkOnly", Mark, TOutcome::EndOfFile, {}},
        TParseCase{"NoBytes", {}, TOutcome::EndOfFile, {}},
        TParseCase{"OneByteOfTheMark", Hex("F2"), TOutcome::EndOfFile, {}},
        TParseCase{"ThreeBytesOfTheMark", Hex("F2 03 00"), TOutcome::EndOfFile, {}},
        // Row 2 has its time, a name of 3 of which 1 byte is there, and then
        // half an integer: its date is not reached.
        TParseCase{"CutInsideAnInteger",
                   Mark + Hex("64 00 00 00  01 00 00 00  41 00 00 00  01 00 00 00  42 00 00 00") +
                       Hex("C8 00 00 00  03 00 00 00  43 00 00 00  44 00"),
                   TOutcome::EndOfFile,
                   {{1, {100, "A", "B"}}, {2, {200, "C", "then"}}}},
        TParseCase{"CutBetweenRows",
                   Mark + Hex("01 00 00 00  00 00 00 00  00 00 00 00") +
                       Hex("02 00 00 00  01 00 00 00  4E 00 00 00  00 00 00 00") +
                       Hex("03 00 00 00  00 00 00 00  00 00 00 00"),
                   TOutcome::EndOfFile,
                   {{1, {1, "", ""}}, {2, {2, "N", ""}}, {3, {3, "", ""}}}},
        // A name of 2^31 - 1 bytes in a file that holds two of them.
        TParseCase{"HugeLengthReadsWhatIsThere",
                   Mark + Hex("01 00 00 00  FF FF FF 7F  61 00 00 00  62 00 00 00"),
                   TOutcome::EndOfFile,
                   {{1, {1, "ab", "then"}}}}),
    CaseName);

// A table with row 1 filled, its bytes, and the name as the player sees it.
struct TEncodeCase : TNamedCase {
    TRankEntry Row1;
    QByteArray Bytes;
};

class EncodeTable : public ::testing::TestWithParam<TEncodeCase> {};

TEST_P(EncodeTable, GivesTheBytesByteForByteAndReadsBack)
{
    const TEncodeCase& c = GetParam();
    TRanking table;
    table[1] = c.Row1;
    EXPECT_EQ(EncodeRanking(table), c.Bytes);
    TRanking loaded = StartTable();
    ASSERT_TRUE(ParseRanking(c.Bytes, loaded));
    EXPECT_EQ(loaded, table);
}

INSTANTIATE_TEST_SUITE_P(
    RankFormat, EncodeTable,
    ::testing::Values(TEncodeCase{"ARow", {83456, "AB", "2001/05/23"}, Mark + RowAB + EmptyRows(9)},
                      // 124 bytes: the mark and 30 zero integers.
                      TEncodeCase{"EmptyTable", {}, Hex("F2 03 00 00") + QByteArray(120, '\0')},
                      // Each byte is one integer from 0 to 255, never a
                      // sign-extended char: ぬぺ, ぬ.
                      TEncodeCase{"DoubleByteNames",
                                  {5000, "\x82\xca\x82\xd8", "\x82\xca"},
                                  Mark + RowDoubleByte + EmptyRows(9)},
                      // Whatever followed row 10 in the file read is gone.
                      TEncodeCase{
                          "AfterBytesPastRowTen", {7, "Q", ""}, Mark + RowQ + EmptyRows(9)}),
    CaseName);

TEST(RankFormat, DoubleByteNameIsShownAsTyped)
{
    EXPECT_EQ(Platform::FromCodePage("\x82\xca\x82\xd8"), QStringLiteral("ぬぺ"));
}

} // namespace
