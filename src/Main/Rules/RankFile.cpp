// SPDX-License-Identifier: MIT
#include "RankFile.h"

#include "RankFormat.h"

bool LoadRanking(const QString& fileName, TRanking& ranking, Platform::TFileAccess access)
{
    const std::optional<QByteArray> bytes = Platform::ReadWholeFile(fileName, access);
    return bytes && ParseRanking(*bytes, ranking);
}

void LoadRankingOrEmpty(const QString& fileName, TRanking& ranking, Platform::TFileAccess access)
{
    if (!LoadRanking(fileName, ranking, access))
        ClearRankTimes(ranking);
}

bool SaveRanking(const QString& fileName, const TRanking& ranking)
{
    Platform::SaveWholeFile(fileName, EncodeRanking(ranking));
    return true;
}

int32_t MergeRankEntry(const QString& fileName, TRanking& ranking, const TRankEntry& entry,
                       const Platform::TLockPause& pause)
{
    const Platform::TFileLock lock(fileName, Platform::TFileLock::DefaultWaitMs, pause);
    LoadRankingOrEmpty(fileName, ranking, Platform::TFileAccess::ReadWrite);
    const int32_t row = FindRankRow(ranking, entry.Time);
    if (row <= RankRows) {
        InsertRankRow(ranking, row, entry);
        SaveRanking(fileName, ranking);
    }
    return row;
}
