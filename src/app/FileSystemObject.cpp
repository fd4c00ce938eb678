#include "app/FileSystemObject.h"

#include "base/Trap.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>

bool FileSystemObject::FileExists(const QString &path) const
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && !info.isDir();
}

void FileSystemObject::DeleteFile(const QString &path)
{
    if (!FileExists(path))
        throw StepFailed(QStringLiteral("file not found: %1").arg(path));
    if (!(QFile::permissions(path) & QFileDevice::WriteOwner))
        throw StepFailed(QStringLiteral("file is read-only: %1").arg(path));
    if (!QFile::remove(path))
        throw StepFailed(QStringLiteral("cannot delete: %1").arg(path));
}

void FileSystemObject::WriteTextLine(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw StepFailed(QStringLiteral("cannot create: %1").arg(path));
    // Encoded a piece at a time: a large deck's text is never copied whole.
    QStringEncoder utf8(QStringEncoder::Utf8);
    constexpr qsizetype kPiece = 64 * 1024;
    bool written = true;
    for (qsizetype at = 0; written && at < text.size(); at += kPiece) {
        const QByteArray piece = utf8.encode(QStringView(text).mid(at, kPiece));
        written = file.write(piece) == piece.size();
    }
    written = written && file.write("\r\n", 2) == 2;
    if (!written || utf8.hasError() || !file.commit())
        throw StepFailed(QStringLiteral("cannot write: %1").arg(path));
}

