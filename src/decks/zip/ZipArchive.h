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

// One entry of an archive, inflated a chunk at a time under a size cap.
class ZipStream {
public:
    ~ZipStream();
    ZipStream(const ZipStream &) = delete;
    ZipStream &operator=(const ZipStream &) = delete;

    // Inflates up to `size` more bytes into `data`: how many came, 0 at the
    // entry's end, -1 when the entry is damaged or inflates past its cap
    // (then error() says which, and every later call fails too). It does
    // not throw, so that it can be called from a parser's input callback.
    qint64 read(char *data, qint64 size);
    const char *error() const { return error_; }
    // Throws decks::FormatError for the failure read() reported: too large
    // when the cap was passed, damaged otherwise.
    [[noreturn]] void throwError() const;

private:
    friend class ZipArchive;
    ZipStream(void *file, qint64 maxSize) : file_(file), left_(maxSize) {}
    void *file_;
    qint64 left_;  // bytes the cap still allows
    const char *error_ = nullptr;
    bool tooLarge_ = false;
};

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
    // The size an entry says it inflates to (not to be trusted: for
    // planning only); -1 when it is missing.
    qint64 declaredSize(const QString &name) const;
    // The inflated content of an entry. Throws when it is missing, cannot be
    // inflated (damaged, encrypted, a wrong checksum) or inflates past
    // maxSize bytes.
    QByteArray read(const QString &name, qint64 maxSize) const;
    // The entry as a stream, for reading it without holding all of it.
    // Throws when it is missing or cannot be opened; the cap and the damage
    // found while inflating are the stream's to report. The archive must
    // outlive the stream, and reads one stream at a time.
    std::unique_ptr<ZipStream> open(const QString &name, qint64 maxSize) const;
    // Another archive on the same bytes, for reading an entry on another
    // thread (one archive is not to be read from two threads at once).
    std::unique_ptr<ZipArchive> twin() const;

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
