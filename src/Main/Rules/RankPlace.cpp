// SPDX-License-Identifier: MIT
#include "RankPlace.h"

#include "CardStrip.h"
#include "RankFile.h"
// Qt
#include <QDir>
#include <QFileInfo>

QString RankFilePath(const QString& exeDir, const QString& dataDir)
{
    // Rights alone cannot tell a game folder from a system install: root may
    // write either.
    const QDir exe(exeDir);
    const QString beside = exe.filePath(RankFileName);
    if (QFileInfo(exe.filePath(CardStrip::FileName)).isFile() &&
        (QFileInfo(exeDir).isWritable() || QFileInfo::exists(beside)))
        return QDir::toNativeSeparators(beside);
    QDir().mkpath(dataDir);
    return QDir::toNativeSeparators(QDir(dataDir).filePath(RankFileName));
}
