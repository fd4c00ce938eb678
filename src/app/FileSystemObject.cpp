#include "app/FileSystemObject.h"

#include "app/Trap.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    const QByteArray bytes = text.toUtf8() + "\r\n";
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw StepFailed(QStringLiteral("cannot write: %1").arg(path));
}

std::function<std::unique_ptr<FileSystemObject>()> &FileSystemObject::factory()
{
    static std::function<std::unique_ptr<FileSystemObject>()> make;
    return make;
}

std::unique_ptr<FileSystemObject> FileSystemObject::Create()
{
    if (factory())
        return factory()();
    return std::make_unique<FileSystemObject>();
}
