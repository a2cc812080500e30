// SPDX-License-Identifier: MIT
// The main window's ranking: where the file lives, showing it, and the
// update at the end of a finished game.
#include "Main.h"

#include "RankPlace.h"
#include "Clock.h"
#include "CodePage.h"
#include "Platform.h"
#include "Rank.h"
// Qt
#include <QScopedValueRollback>
#include <QStandardPaths>

QString TForm1::RankPath() const
{
    return RankFilePath(AppDir, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void TForm1::ReadRanking(Platform::TFileAccess access)
{
    LoadRankingOrEmpty(RankPath(), Ranking, access);
}

void TForm1::EnterRanking()
{
    // Read for writing: a ranking that cannot be saved is reported now,
    // before the player is asked for a name.
    ReadRanking(Platform::TFileAccess::ReadWrite);
    int32_t r = FindRankRow(Ranking, ElapsedMs);
    if (r == RankMissed)
        r = 0;
    if (r > 0)
        InsertRankRow(Ranking, r,
                      {ElapsedMs, QByteArray(), Platform::ToCodePage(Platform::LocalDateText())});
    Form3->ShowRanking(r);

    // The ranking window clears RankWaiting when it hides, after copying the
    // typed name into row r.
    RankWaiting = true;
    Platform::WaitUntil([this] { return !RankWaiting; });
    if (r == 0)
        return;

    // Another running copy may have saved meanwhile, or be saving right now:
    // merge into a fresh read under the file's lock. The windows keep running
    // while the lock is awaited; board clicks and the ranking button wait for
    // the save, so that nothing starts a second update or reads the table
    // under this one.
    const QScopedValueRollback saving(RankSaving, true);
    MergeRankEntry(RankPath(), Ranking, {ElapsedMs, Ranking[r].Name, Ranking[r].Date},
                   Platform::ProcessEventsFor);
}

void TForm1::BtnRankClick()
{
    // While a finished game waits for its name or saves it, the pending
    // entry and the name being typed stay as they are.
    if (RankWaiting || RankSaving)
        return;
    ReadRanking();
    Form3->ShowRanking(0);
}
