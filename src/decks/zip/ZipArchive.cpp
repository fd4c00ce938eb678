#include "decks/zip/ZipArchive.h"

#include "decks/xls/Workbook.h"

#include "decks/zip/LazyLibrary.h"

#include <zip.h>

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
        return -1;
    }
    return n;
}

struct ZipArchive::Impl {
    zip_t *archive = nullptr;
    const QByteArray *bytes = nullptr;

    zip_int64_t locate(const QString &name) const
    {
        return libzip().zip_name_locate(archive, name.toUtf8().constData(), ZIP_FL_ENC_RAW);
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
        throw xls::XlsError("not a readable ZIP archive");
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
        throw xls::XlsError("a part of the workbook is missing");
    zip_file_t *file = libzip().zip_fopen_index(d->archive, static_cast<zip_uint64_t>(index), 0);
    if (!file)
        throw xls::XlsError("a part of the workbook cannot be read");
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
            throw xls::XlsError(stream->error());
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
