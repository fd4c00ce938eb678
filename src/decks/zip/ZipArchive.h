#pragma once
// A ZIP archive held in memory, read through libzip: the container of .xlsx
// and .ods decks. Nothing here knows about spreadsheets.
//
// Every part is inflated under a size cap counted while inflating, so an
// entry that lies about its size, or a "zip bomb", costs no more than the
// cap. Failures throw decks::FormatError, as the other deck readers do.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

namespace deckzip {

// True when the bytes start like a ZIP archive ("PK\3\4").
bool looksLikeZip(const QByteArray &bytes);

class ZipArchive {
public:
    // Opens the archive; throws when the bytes are not a readable ZIP
    // archive. The bytes must outlive the archive.
    explicit ZipArchive(const QByteArray &bytes);
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // Whether the archive holds an entry of this name: of exactly this name,
    // or else of this name in another case or with "\\" for "/" (the first
    // such entry).
    bool contains(const QString &name) const;
    // The inflated content of an entry. Throws when it is missing, cannot be
    // inflated (damaged, encrypted, a wrong checksum) or inflates past
    // maxSize bytes.
    QByteArray read(const QString &name, qint64 maxSize) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

namespace testing {
// A ZIP archive of the given parts (name, content), for tests and fuzzing:
// deflated, or stored when `deflate` is false.
QByteArray zipOf(const QList<QPair<QString, QByteArray>> &parts, bool deflate = true);
}  // namespace testing

}  // namespace deckzip
