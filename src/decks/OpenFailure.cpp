#include "decks/OpenFailure.h"

#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"
#include "decks/Workbook.h"

#include <QFile>
#include <QFileInfo>

namespace decks {

OpenFailure failureOfReaderError(const std::exception &error)
{
    // The readers name the kind of fault; the store passes it on.
    int kind = -1;
    if (const auto *unreadable = dynamic_cast<const DeckUnreadable *>(&error))
        kind = unreadable->kind();
    else if (const auto *format = dynamic_cast<const FormatError *>(&error))
        kind = static_cast<int>(format->kind());
    if (kind == static_cast<int>(FormatError::Kind::Protected))
        return OpenFailure::Protected;
    if (kind >= 0)
        return OpenFailure::NotWorkbook;
    // The store reports a workbook without the sheet, and a sheet with more
    // rows than a deck can count, in words of its own.
    const QString what = QString::fromUtf8(error.what());
    if (dynamic_cast<const DeckError *>(&error) && what.contains(QLatin1String("no sheet Sheet1")))
        return OpenFailure::NoSheet1;
    if (dynamic_cast<const DeckError *>(&error) && what.contains(QLatin1String("too many rows")))
        return OpenFailure::TooManyCards;
    return OpenFailure::NotWorkbook;
}

OpenFailure classifyOpenFailure(const QString &path)
{
    const QFileInfo info(path.trimmed());
    if (!info.exists())
        return OpenFailure::Missing;
    if (info.isDir())
        return OpenFailure::Folder;
    if (info.size() == 0)
        return OpenFailure::Empty;
    if (!QFile(info.filePath()).open(QIODevice::ReadOnly))
        return OpenFailure::Unknown;

    try {
        DeckConnection connection;
        connection.Open(info.filePath(), DeckConnection::Mode::ReadOnly);
        DeckRecordset rows;
        rows.Open(connection);
        if (buildStudyCopyText(rows) == kEmptyStudyCopy)
            return OpenFailure::NoCards;
    } catch (const std::exception &e) {
        return failureOfReaderError(e);
    }
    return OpenFailure::Unknown;
}

QString openFailureClause(OpenFailure failure)
{
    switch (failure) {
    case OpenFailure::Unknown:
        return QString();
    case OpenFailure::Missing:
        return QStringLiteral("it does not exist");
    case OpenFailure::Folder:
        return QStringLiteral("it is a folder, not a file");
    case OpenFailure::Empty:
        return QStringLiteral("it is empty (0 bytes)");
    case OpenFailure::Protected:
        return QStringLiteral("it is protected by a password");
    case OpenFailure::NotWorkbook:
        return QStringLiteral("it is not a workbook (.xls, .xlsx or .ods), or a damaged one");
    case OpenFailure::NoSheet1:
        return QStringLiteral("it has no sheet named Sheet1");
    case OpenFailure::NoCards:
        return QStringLiteral("its Sheet1 has no cards");
    case OpenFailure::TooManyCards:
        return QStringLiteral("it has more cards than a deck can hold (32,767)");
    }
    return QString();
}

QString openFailureSentence(const QString &path, OpenFailure failure)
{
    const QString clause = openFailureClause(failure);
    if (clause.isEmpty())
        return QString();
    QString name = QFileInfo(path.trimmed()).fileName();
    if (name.isEmpty())
        name = path;
    return QStringLiteral("\u201c%1\u201d cannot be studied because %2.").arg(name, clause);
}

}  // namespace decks
