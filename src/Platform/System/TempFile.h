// SPDX-License-Identifier: MIT
#pragma once
// The temporary file that a save writes beside its target before renaming it
// over the target, and the removal of those that killed saves left behind.
// Such a file is named "<target>.nupenupe-<13 base-36 digits>.tmp" and is
// locked (flock) by its save from the moment it exists until it is renamed
// or removed, so a temporary whose lock can be had belongs to no running
// save. (POSIX only.)

// Qt
#include <QByteArray>

namespace Platform {

// Creates a new temporary beside `target`, with the rights 0666 less the
// umask like any file the game makes, locked for this save; puts its name in
// `temp`. Returns its descriptor, or -1 with errno set.
int CreateTempBeside(const QByteArray& target, QByteArray& temp);

// Removes the temporaries of `target` that no running save holds: names of
// exactly the form above, regular files of ours with no second name, whose
// lock can be taken. Nothing else is touched, whatever its name (a player's
// "Rank.Dat.old" stays), and nothing is reported: what cannot go stays.
void RemoveDeadTemps(const QByteArray& target);

} // namespace Platform
