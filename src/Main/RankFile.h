#pragma once
// The top-ten ranking and its file "Rank.Dat".

#include "Main/Deal.h"
// Qt
#include <QByteArray>
#include <QString>
// std
#include <cstdint>
#include <stdexcept>

// One ranking row. Time 0 marks an empty row; Name and Date are byte
// strings in the Japanese code page.
struct TRankEntry {
    int32_t Time = 0;
    QByteArray Name;
    QByteArray Date;
    bool operator==(const TRankEntry&) const = default;
};

constexpr int32_t RankRows = 10;
// Rows 1 to 10, row 1 the best.
using TRanking = TOneBased<TRankEntry, RankRows>;
inline const QString RankFileName = QStringLiteral("Rank.Dat");

// The first integer of every ranking file.
constexpr int32_t RankFileMark = 1010;

// A failed read or write of the ranking file. what() is the UTF-8 text the
// error box shows; Code is the errno of the failed call, or EndOfFile when
// the file ended before the ranking did.
class TInOutError : public std::runtime_error {
public:
    // Negative, so that it can never be mistaken for an errno value.
    static constexpr int EndOfFile = -1;

    explicit TInOutError(int code);
    int Code;
};

// Reads the ranking file into `ranking`. Returns false, leaving the table as
// it was, when there is no such file (or a directory of that name) or when it
// does not start with the file mark. Throws TInOutError when the file ends
// early; the rows read by then keep what the file gave them.
bool LoadRanking(const QString& fileName, TRanking& ranking);

// The parsing behind LoadRanking, on the file's bytes.
bool ParseRanking(const QByteArray& bytes, TRanking& ranking);

// Writes all ten rows. A regular file is replaced in one step, so a failed
// save leaves the previous ranking as it was; a device is written in place.
// Returns true when everything was written; throws TInOutError otherwise.
bool SaveRanking(const QString& fileName, const TRanking& ranking);

// The row (1 to 10) a new time belongs in: the first empty row or the first
// row with a slower time; a tie goes behind the earlier results. 11 when the
// time does not make the table.
int32_t FindRankRow(const TRanking& ranking, int32_t time);

// Moves rows `row` to 9 one place down (row 10 falls off) and puts `entry`
// into row `row`. A row outside 1 to 10 (11 from FindRankRow) changes nothing.
void InsertRankRow(TRanking& ranking, int32_t row, const TRankEntry& entry);
