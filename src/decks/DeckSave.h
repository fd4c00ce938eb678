#pragma once
// Putting a new version of a deck on disk, and what stands in its way.
//
// A deck is replaced, never written in place: the new workbook goes to a
// temporary file in the deck's folder, every write, the flush to the disk and
// the file's size are checked, and only then is it renamed over the deck and
// the folder synced. Until the rename the deck is untouched; a failure removes
// the temporary file and says why in words the user knows.
//
// Writers take turns: the one replacing a deck holds an advisory lock on it
// (released by the kernel when the process ends, however it ends), and each
// makes sure, once it holds the lock, that the deck is still the version it
// read.

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

namespace decks {

// Why a save failed, as the user is told.
inline const QString kDiskFullReason = QStringLiteral("The disk is full.");
inline const QString kFolderNotWritableReason = QStringLiteral("The folder cannot be written.");
inline const QString kReadOnlyDiskReason = QStringLiteral("The deck is on a read-only disk.");
inline const QString kReadOnlyDeckReason = QStringLiteral("The deck is read-only.");

// The reason for a failed system call of a save (errno): a full disk or quota
// (or a file size limit), a folder that refuses new files, a read-only file
// system; anything else in the system's words.
QString saveFailureReason(int error);

// What tells one version of a file from another: its size, its modification
// and change times, and its identity on the disk. The change time catches
// an in-place write that put the modification time back; the identity, a
// program that saves through a new file.
struct FileStamp {
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileStamp &) const = default;
    bool sameFile(const FileStamp &o) const { return device == o.device && inode == o.inode; }
};

FileStamp stampOf(const struct stat &st);
// The stamp of the file at path; a missing file has none (size -1).
FileStamp stampOfPath(const QString &path);

// The message to show while another program has the deck open for editing
// (LibreOffice marks such a file with ".~lock.NAME#" beside it, naming the
// user and the host); empty when none has.
QString openElsewhereMessage(const QString &deckPath);

// How the next replacement is to fail, for tests of what the callers do
// with a failure (the kernel's own failures are tested with a file size
// limit): the error comes from the step named, as the system call's would.
enum class SaveFault {
    None,
    DiskFull,           // the write half-way through the file fails with ENOSPC
    FolderNotWritable,  // the temporary file cannot be made (EACCES)
};

// Replaces the deck at path with bytes, taking the lock on it first; it must
// still be the version `expected` (else DeckChanged, nothing written).
// Temporary files left beside it by a save that was killed are removed.
// Returns the stamp of the deck written. Throws DeckError with the reason
// (saveFailureReason) when the deck cannot be replaced; the deck is then
// as it was and no temporary file is left.
FileStamp replaceDeck(const QString &path, const QByteArray &bytes, const FileStamp &expected,
                      SaveFault fault = SaveFault::None);

// The temporary files of saves of the deck at path that never finished.
QStringList leftoverSaves(const QString &path);

}  // namespace decks
