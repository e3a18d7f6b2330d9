#include "platform/data_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

namespace kestrin {

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Kestrin");
}

QString earlierDataFolder() { return dataFolder() + QStringLiteral("/Kestrin"); }

QStringList moveDataFiles(const QString &from, const QString &to)
{
    const QDir source(from);
    const QFileInfoList files = source.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    if (files.isEmpty()) {
        QDir().rmdir(from);
        return {};
    }
    QStringList kept;
    QDir().mkpath(to);
    for (const QFileInfo &file : files) {
        const QString target = to + QLatin1Char('/') + file.fileName();
        const QFileInfo present(target);
        // What the new folder holds and is not older was written by this release: it stays.
        if (present.exists() && (!present.isFile() || present.lastModified() >= file.lastModified())) {
            kept << file.fileName();
            continue;
        }
        // rename() replaces an older file in one step; QFile::rename() would refuse to.
        if (std::rename(QFile::encodeName(file.filePath()).constData(), QFile::encodeName(target).constData()) != 0)
            kept << file.fileName();
    }
    if (kept.isEmpty())
        QDir().rmdir(from);
    return kept;
}

} // namespace kestrin
