#include "decks/DeckPaths.h"

#include "decks/DeckStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace decks {

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString deckNameOf(const QString &fileName)
{
    const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

bool isDeckFileName(const QString &deckName, const QString &fileName)
{
    if (deckName.isEmpty())
        return false;
    for (const char *extension : {".xls", ".xlsx", ".ods"}) {
        if (deckName + QLatin1String(extension) == fileName)
            return true;
    }
    return false;
}

QString studyCopyFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        throw DeckError("no runtime folder for study copies");
    const QString folder = runtime + QStringLiteral("/mnemora");
    constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

    QFileInfo info(folder);
    if (!QFileInfo::exists(folder) && !info.isSymLink()) {
        if (!QDir().mkpath(folder) || !QFile::setPermissions(folder, ownerOnly))
            throw DeckError("cannot create the study-copy folder");
        info.refresh();
    }
    // Only a real folder of this user is trusted: not a link, not somebody
    // else's folder.
    if (info.isSymLink() || !info.isDir() || info.ownerId() != ::getuid())
        throw DeckError("the study-copy folder is not private");
    if ((info.permissions() & ~(ownerOnly | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser)) != 0) {
        if (!QFile::setPermissions(folder, ownerOnly))
            throw DeckError("cannot make the study-copy folder private");
    }
    return folder;
}

}  // namespace decks
