// SPDX-License-Identifier: MIT
#pragma once
// Where the ranking file "Rank.Dat" is kept.

// Qt
#include <QString>

// The path of "Rank.Dat" for the game whose executable lies in `exeDir`. A
// game folder of its own (the portable folder, the build) is known by the
// card pictures lying beside the executable; it keeps the ranking there when
// it can be written or already holds one. Anywhere else, as in a system
// install, whose pictures lie apart from the executable, the ranking is kept
// in the player's data folder `dataDir`, which is made when missing: a system
// install is never written to, whoever plays, root included.
QString RankFilePath(const QString& exeDir, const QString& dataDir);
