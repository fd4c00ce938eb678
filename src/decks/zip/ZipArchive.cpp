#include "decks/zip/ZipArchive.h"

#include "decks/Workbook.h"

#include <QHash>

#include <zip.h>

#include <QSet>

#include <algorithm>

namespace deckzip {

bool looksLikeZip(const QByteArray &bytes)
{
    return bytes.startsWith(QByteArrayLiteral("PK\x03\x04"));
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
    // Compared name -> the first entry of that name, made on the first lookup
    // that finds no exact match.
    mutable QHash<QByteArray, zip_uint64_t> names;
    mutable bool named = false;

    zip_int64_t locate(const QString &name) const
    {
        const QByteArray utf8 = name.toUtf8();
        const zip_int64_t exact = zip_name_locate(archive, utf8.constData(), ZIP_FL_ENC_RAW);
        if (exact >= 0)
            return exact;
        if (!named) {
            named = true;
            const zip_int64_t n = zip_get_num_entries(archive, 0);
            for (zip_int64_t i = 0; i < n; ++i)
                if (const char *entry = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW)) {
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
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()),
                                                    0, &error);
    if (source)
        d->archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!d->archive) {
        if (source)
            zip_source_free(source);
        throw decks::FormatError("not a readable ZIP archive");
    }
    // Two entries of one name would give one program the first and another
    // the last: such an archive is damaged, whichever is meant.
    const zip_int64_t count = zip_get_num_entries(d->archive, 0);
    QSet<QByteArray> names;
    names.reserve(static_cast<qsizetype>(std::min<zip_int64_t>(count, 1 << 16)));
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(d->archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (!name)
            continue;
        const qsizetype before = names.size();
        names.insert(QByteArray(name));
        if (names.size() == before) {
            zip_discard(d->archive);
            throw decks::FormatError("the archive holds two entries of one name");
        }
    }
}

ZipArchive::~ZipArchive()
{
    zip_discard(d->archive);  // read-only: nothing to write
}

bool ZipArchive::contains(const QString &name) const { return d->locate(name) >= 0; }

QByteArray ZipArchive::read(const QString &name, qint64 maxSize) const
{
    const zip_int64_t index = d->locate(name);
    if (index < 0)
        throw decks::FormatError("a part of the workbook is missing");
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(d->archive, static_cast<zip_uint64_t>(index), 0, &st) == 0 && (st.valid & ZIP_STAT_ENCRYPTION_METHOD)
        && st.encryption_method != ZIP_EM_NONE)
        throw decks::FormatError("the workbook is protected by a password", decks::FormatError::Kind::Protected);
    zip_file_t *file = zip_fopen_index(d->archive, static_cast<zip_uint64_t>(index), 0);
    if (!file)
        throw decks::FormatError("a part of the workbook cannot be read");
    QByteArray out;
    constexpr qint64 kChunk = 64 * 1024;
    for (;;) {
        // The declared size is not trusted: the cap counts what comes out.
        if (out.size() > maxSize) {
            zip_fclose(file);
            throw decks::FormatError("a part of the workbook is too large", decks::FormatError::Kind::TooLarge);
        }
        const qsizetype at = out.size();
        if (out.capacity() < at + kChunk)
            out.reserve(std::max<qsizetype>(2 * out.capacity(), at + kChunk));
        out.resize(at + kChunk);
        const zip_int64_t n = zip_fread(file, out.data() + at, static_cast<zip_uint64_t>(kChunk));
        if (n < 0) {
            zip_fclose(file);
            throw decks::FormatError("a part of the workbook is damaged");
        }
        out.resize(at + n);
        if (n == 0)
            break;
    }
    zip_fclose(file);
    if (out.size() > maxSize)
        throw decks::FormatError("a part of the workbook is too large", decks::FormatError::Kind::TooLarge);
    return out;
}

namespace testing {

QByteArray zipOf(const QList<QPair<QString, QByteArray>> &parts, bool deflate)
{
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, nullptr);
    zip_source_keep(buffer);
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, nullptr);
    for (const auto &[name, data] : parts) {
        zip_source_t *s = zip_source_buffer(archive, data.constData(), static_cast<zip_uint64_t>(data.size()), 0);
        const zip_int64_t index = zip_file_add(archive, name.toUtf8().constData(), s, ZIP_FL_OVERWRITE);
        if (!deflate)
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    zip_close(archive);
    zip_stat_t st;
    zip_source_stat(buffer, &st);
    QByteArray out(static_cast<qsizetype>(st.size), '\0');
    zip_source_open(buffer);
    zip_source_read(buffer, out.data(), st.size);
    zip_source_close(buffer);
    zip_source_free(buffer);
    return out;
}

}  // namespace testing

}  // namespace deckzip
