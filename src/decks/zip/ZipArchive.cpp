#include "decks/zip/ZipArchive.h"

#include "decks/Workbook.h"

#include <QHash>

#include "decks/zip/LazyLibrary.h"

#include <zip.h>

#include <QSet>

#include <algorithm>

namespace deckzip {

namespace {

// libzip, loaded when an archive is first opened.
struct Libzip {
    LazyLibrary library{MNEMORA_LIBZIP};
    MNEMORA_LAZY_FUNCTION(library, zip_close);
    MNEMORA_LAZY_FUNCTION(library, zip_discard);
    MNEMORA_LAZY_FUNCTION(library, zip_error_fini);
    MNEMORA_LAZY_FUNCTION(library, zip_error_init);
    MNEMORA_LAZY_FUNCTION(library, zip_fclose);
    MNEMORA_LAZY_FUNCTION(library, zip_file_add);
    MNEMORA_LAZY_FUNCTION(library, zip_fopen_index);
    MNEMORA_LAZY_FUNCTION(library, zip_fread);
    MNEMORA_LAZY_FUNCTION(library, zip_get_name);
    MNEMORA_LAZY_FUNCTION(library, zip_get_num_entries);
    MNEMORA_LAZY_FUNCTION(library, zip_name_locate);
    MNEMORA_LAZY_FUNCTION(library, zip_open_from_source);
    MNEMORA_LAZY_FUNCTION(library, zip_set_file_compression);
    MNEMORA_LAZY_FUNCTION(library, zip_source_buffer);
    MNEMORA_LAZY_FUNCTION(library, zip_source_buffer_create);
    MNEMORA_LAZY_FUNCTION(library, zip_source_close);
    MNEMORA_LAZY_FUNCTION(library, zip_source_free);
    MNEMORA_LAZY_FUNCTION(library, zip_source_keep);
    MNEMORA_LAZY_FUNCTION(library, zip_source_open);
    MNEMORA_LAZY_FUNCTION(library, zip_source_read);
    MNEMORA_LAZY_FUNCTION(library, zip_source_stat);
    MNEMORA_LAZY_FUNCTION(library, zip_stat_index);
    MNEMORA_LAZY_FUNCTION(library, zip_stat_init);
};

const Libzip &libzip()
{
    static const Libzip lib;
    return lib;
}

}  // namespace

bool looksLikeZip(const QByteArray &bytes)
{
    return bytes.startsWith(QByteArrayLiteral("PK\x03\x04"));
}

ZipStream::~ZipStream() { libzip().zip_fclose(static_cast<zip_file_t *>(file_)); }

qint64 ZipStream::read(char *data, qint64 size)
{
    if (error_)
        return -1;
    // The declared size is not trusted: the cap counts what comes out. One
    // byte more than the cap allows is asked for, to tell a part that ends
    // right at the cap from one that goes past it.
    const qint64 ask = std::min(size, left_ + 1);
    const zip_int64_t n = libzip().zip_fread(static_cast<zip_file_t *>(file_), data, static_cast<zip_uint64_t>(std::max<qint64>(ask, 0)));
    if (n < 0) {
        error_ = "a part of the workbook is damaged";
        return -1;
    }
    left_ -= n;
    if (left_ < 0) {
        error_ = "a part of the workbook is too large";
        tooLarge_ = true;
        return -1;
    }
    return n;
}

void ZipStream::throwError() const
{
    throw decks::FormatError(error_ ? error_ : "a part of the workbook is damaged",
                             tooLarge_ ? decks::FormatError::Kind::TooLarge : decks::FormatError::Kind::Damaged);
}

// A part name as it is compared: the packaging rules make part names equal
// when they differ only in ASCII case (ECMA-376 Part 2, Part Name
// Equivalence, [M1.12]), and some writers put Windows path separators into
// the entry names.
QByteArray comparedName(QByteArray name)
{
    for (char &c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        else if (c == '\\')
            c = '/';
    }
    return name;
}

struct ZipArchive::Impl {
    zip_t *archive = nullptr;
    const QByteArray *bytes = nullptr;
    // Compared name -> the first entry of that name, made on the first lookup
    // that finds no exact match.
    mutable QHash<QByteArray, zip_uint64_t> names;
    mutable bool named = false;

    zip_int64_t locate(const QString &name) const
    {
        const QByteArray utf8 = name.toUtf8();
        const zip_int64_t exact = libzip().zip_name_locate(archive, utf8.constData(), ZIP_FL_ENC_RAW);
        if (exact >= 0)
            return exact;
        if (!named) {
            named = true;
            const zip_int64_t n = libzip().zip_get_num_entries(archive, 0);
            for (zip_int64_t i = 0; i < n; ++i)
                if (const char *entry = libzip().zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW)) {
                    const QByteArray key = comparedName(QByteArray(entry));
                    if (!names.contains(key))
                        names.insert(key, static_cast<zip_uint64_t>(i));
                }
        }
        const auto it = names.constFind(comparedName(utf8));
        return it == names.cend() ? -1 : static_cast<zip_int64_t>(*it);
    }
};

ZipArchive::ZipArchive(const QByteArray &bytes) : d(std::make_unique<Impl>())
{
    d->bytes = &bytes;
    zip_error_t error;
    libzip().zip_error_init(&error);
    zip_source_t *source = libzip().zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()),
                                                    0, &error);
    if (source)
        d->archive = libzip().zip_open_from_source(source, ZIP_RDONLY, &error);
    libzip().zip_error_fini(&error);
    if (!d->archive) {
        if (source)
            libzip().zip_source_free(source);
        throw decks::FormatError("not a readable ZIP archive");
    }
    // Two entries of one name would give one program the first and another
    // the last: such an archive is damaged, whichever is meant.
    const zip_int64_t count = libzip().zip_get_num_entries(d->archive, 0);
    QSet<QByteArray> names;
    names.reserve(static_cast<qsizetype>(std::min<zip_int64_t>(count, 1 << 16)));
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = libzip().zip_get_name(d->archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (!name)
            continue;
        const qsizetype before = names.size();
        names.insert(QByteArray(name));
        if (names.size() == before) {
            libzip().zip_discard(d->archive);
            throw decks::FormatError("the archive holds two entries of one name");
        }
    }
}

ZipArchive::~ZipArchive()
{
    libzip().zip_discard(d->archive);  // read-only: nothing to write
}

bool ZipArchive::contains(const QString &name) const { return d->locate(name) >= 0; }

qint64 ZipArchive::declaredSize(const QString &name) const
{
    const zip_int64_t index = d->locate(name);
    zip_stat_t st;
    if (index < 0 || libzip().zip_stat_index(d->archive, static_cast<zip_uint64_t>(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        return -1;
    return static_cast<qint64>(std::min<zip_uint64_t>(st.size, INT64_MAX));
}

std::unique_ptr<ZipStream> ZipArchive::open(const QString &name, qint64 maxSize) const
{
    const zip_int64_t index = d->locate(name);
    if (index < 0)
        throw decks::FormatError("a part of the workbook is missing");
    zip_stat_t st;
    libzip().zip_stat_init(&st);
    if (libzip().zip_stat_index(d->archive, static_cast<zip_uint64_t>(index), 0, &st) == 0 && (st.valid & ZIP_STAT_ENCRYPTION_METHOD)
        && st.encryption_method != ZIP_EM_NONE)
        throw decks::FormatError("the workbook is protected by a password", decks::FormatError::Kind::Protected);
    zip_file_t *file = libzip().zip_fopen_index(d->archive, static_cast<zip_uint64_t>(index), 0);
    if (!file)
        throw decks::FormatError("a part of the workbook cannot be read");
    return std::unique_ptr<ZipStream>(new ZipStream(file, maxSize));
}

std::unique_ptr<ZipArchive> ZipArchive::twin() const { return std::make_unique<ZipArchive>(*d->bytes); }

QByteArray ZipArchive::read(const QString &name, qint64 maxSize) const
{
    const std::unique_ptr<ZipStream> stream = open(name, maxSize);
    QByteArray out;
    constexpr qint64 kChunk = 64 * 1024;
    for (;;) {
        const qsizetype at = out.size();
        if (out.capacity() < at + kChunk)
            out.reserve(std::max<qsizetype>(2 * out.capacity(), at + kChunk));
        out.resize(at + kChunk);
        const qint64 n = stream->read(out.data() + at, kChunk);
        if (n < 0)
            stream->throwError();
        out.resize(at + n);
        if (n == 0)
            break;
    }
    return out;
}

namespace testing {

QByteArray zipOf(const QList<QPair<QString, QByteArray>> &parts, bool deflate)
{
    zip_source_t *buffer = libzip().zip_source_buffer_create(nullptr, 0, 0, nullptr);
    libzip().zip_source_keep(buffer);
    zip_t *archive = libzip().zip_open_from_source(buffer, ZIP_TRUNCATE, nullptr);
    for (const auto &[name, data] : parts) {
        zip_source_t *s = libzip().zip_source_buffer(archive, data.constData(), static_cast<zip_uint64_t>(data.size()), 0);
        const zip_int64_t index = libzip().zip_file_add(archive, name.toUtf8().constData(), s, ZIP_FL_OVERWRITE);
        if (!deflate)
            libzip().zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    libzip().zip_close(archive);
    zip_stat_t st;
    libzip().zip_source_stat(buffer, &st);
    QByteArray out(static_cast<qsizetype>(st.size), '\0');
    libzip().zip_source_open(buffer);
    libzip().zip_source_read(buffer, out.data(), st.size);
    libzip().zip_source_close(buffer);
    libzip().zip_source_free(buffer);
    return out;
}

}  // namespace testing

}  // namespace deckzip
