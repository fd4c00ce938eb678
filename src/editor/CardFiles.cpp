#include "editor/CardFiles.h"

#include "base/Trap.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace editor {

QString pictureFileName(const QString &fileName, const std::function<PictureAt(const QString &)> &at)
{
    const PictureAt own = at(fileName);
    if (own != PictureAt::Different)
        return fileName;
    // The number goes before the extension: cat.jpg -> cat-2.jpg; a name
    // without one (or only a leading dot) takes it at the end.
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? fileName.left(dot) : fileName;
    const QString extension = dot > 0 ? fileName.mid(dot) : QString();
    for (int n = 2; n < 100000; ++n) {
        const QString name = QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(extension);
        if (at(name) != PictureAt::Different)
            return name;
    }
    throw StepFailed(QStringLiteral("no free name for the picture"));
}

PictureAt comparePicture(const QString &source, const QString &target)
{
    const QFileInfo from(source), to(target);
    if (!to.exists())
        return PictureAt::Nothing;
    if (from.canonicalFilePath() == to.canonicalFilePath())
        return PictureAt::Same;
    if (!to.isFile() || from.size() != to.size())
        return PictureAt::Different;
    QFile a(source), b(target);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return PictureAt::Different;
    while (!a.atEnd()) {
        if (a.read(1 << 16) != b.read(1 << 16))
            return PictureAt::Different;
    }
    return PictureAt::Same;
}

bool deckCanBeWritten(const QString &path)
{
    QFile deck(path);
    if (!deck.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return false;
    deck.close();
    QTemporaryFile probe(QFileInfo(path).absolutePath() + QStringLiteral("/.mnemora-XXXXXX"));
    return probe.open();
}

QString saveFailureReason(const QString &reason, const QString &path)
{
    const QString lead = QStringLiteral("Cannot save %1: ").arg(path);
    if (!path.isEmpty() && reason.startsWith(lead) && reason.mid(lead.size()).contains(path))
        return reason.mid(lead.size());
    return reason;
}

}  // namespace editor
