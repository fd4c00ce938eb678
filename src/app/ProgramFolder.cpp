#include "app/ProgramFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace programfolder {

namespace {

// Copies the files under from/sub into to/sub, folders and all.
bool copyTree(const QString &from, const QString &to, const QString &sub)
{
    const QDir source(from);
    if (!QDir().mkpath(to + QLatin1Char('/') + sub))
        return false;
    QDirIterator it(from + QLatin1Char('/') + sub, QDir::AllEntries | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString target = to + QLatin1Char('/') + source.relativeFilePath(entry.filePath());
        const bool done = entry.isDir() ? QDir().mkpath(target) : QFile::copy(entry.filePath(), target);
        if (!done)
            return false;
        if (!entry.isDir())
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    return true;
}

}  // namespace

bool isWritable(const QString &folder)
{
    return QFileInfo(folder).isWritable();
}

QString perUserFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/mnemora");
}

QString workingFolder(const QString &programFolder, const std::function<bool(const QString &)> &writable)
{
    if (writable(programFolder))
        return programFolder;
    const QString user = perUserFolder();
    if (QFileInfo::exists(user))
        return user;
    // Made under a temporary name and renamed when complete, so that a start
    // cut short leaves no half-made folder that later starts would take.
    const QString making = user + QStringLiteral(".new");
    QDir(making).removeRecursively();
    if (copyTree(programFolder, making, QStringLiteral("Images"))
        && copyTree(programFolder, making, QStringLiteral("Decks")) && QDir().rename(making, user))
        return user;
    QDir(making).removeRecursively();
    return programFolder;
}

}  // namespace programfolder
