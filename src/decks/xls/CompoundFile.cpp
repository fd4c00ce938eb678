// GLib's headers name struct members "signals", which Qt defines as a
// macro: they come first.
#include <gsf/gsf.h>

#include "decks/xls/CompoundFile.h"

#include <QBuffer>

#include <memory>
#include <mutex>

namespace xls {
namespace {

struct GObjectUnref {
    void operator()(gpointer p) const { if (p) g_object_unref(p); }
};
template <typename T> using GPtr = std::unique_ptr<T, GObjectUnref>;

void initGsf()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // libgsf reports damaged containers through GLib warnings and
        // failed assertions as well as through its results; the results are
        // what this program acts on.
        g_log_set_handler("libgsf:msole", GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE
                                                         | G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG),
                          [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {}, nullptr);
    });
}

// Reads a whole stream. `budget` is what is left of the file's size: in a
// sound file the streams share no bytes, so together they never hold more
// than the file, and a damaged one cannot make this read the same bytes
// over and over.
QByteArray readStream(GsfInput *input, qint64 &budget)
{
    gsf_off_t size = gsf_input_size(input);
    if (size < 0 || size > budget)
        throw FormatError("the workbook container is damaged (its streams are larger than the file)");
    budget -= size;
    QByteArray data(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (size > 0
        && !gsf_input_read(input, static_cast<size_t>(size), reinterpret_cast<guint8 *>(data.data())))
        throw FormatError("the workbook container is damaged (a stream cannot be read)");
    return data;
}

void writeStream(GsfOutfile *outfile, const QString &name, const QByteArray &data)
{
    QByteArray utf8 = name.toUtf8();
    GPtr<GsfOutput> child(gsf_outfile_new_child(outfile, utf8.constData(), FALSE));
    if (!child)
        throw FormatError("cannot create a stream in the workbook container");
    if (!data.isEmpty()
        && !gsf_output_write(child.get(), static_cast<size_t>(data.size()),
                             reinterpret_cast<const guint8 *>(data.constData())))
        throw FormatError("cannot write a stream of the workbook container");
    if (!gsf_output_close(child.get()))
        throw FormatError("cannot close a stream of the workbook container");
}

}  // namespace

CompoundContent readCompoundFile(const QByteArray &file)
{
    initGsf();
    if (file.isEmpty())
        throw FormatError("the file is empty", FormatError::Kind::NotWorkbook);
    GPtr<GsfInput> input(gsf_input_memory_new(reinterpret_cast<const guint8 *>(file.constData()),
                                              file.size(), FALSE));
    if (!input)
        throw FormatError("cannot read the file");
    GError *err = nullptr;
    GPtr<GsfInfile> ole(gsf_infile_msole_new(input.get(), &err));
    if (err)
        g_error_free(err);
    if (!ole) {
        // A file with the compound file's signature is one, damaged.
        if (file.startsWith(QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")))
            throw FormatError("the workbook container is damaged");
        // Excel 2.x to 4.0 wrote a worksheet as a bare record stream, which
        // starts with its BOF record (0x0009, 0x0209 or 0x0409).
        if (file.size() >= 4 && (file[0] == 0x09 && (file[1] == 0x00 || file[1] == 0x02 || file[1] == 0x04)))
            throw FormatError("the workbook is in an old Excel 2.x-4.x format, which is not supported",
                              FormatError::Kind::UnsupportedVersion);
        throw FormatError("the file is not an Excel 97-2003 workbook", FormatError::Kind::NotWorkbook);
    }

    CompoundContent content;
    qint64 budget = file.size();
    bool haveWorkbook = false;
    bool encrypted = false;
    QByteArray book;
    bool haveBook = false;
    int n = gsf_infile_num_children(ole.get());
    for (int i = 0; i < n; ++i) {
        const char *cname = gsf_infile_name_by_index(ole.get(), i);
        QString name = QString::fromUtf8(cname ? cname : "");
        GPtr<GsfInput> child(gsf_infile_child_by_index(ole.get(), i));
        if (!child)
            throw FormatError("the workbook container is damaged (an entry cannot be opened)");
        if (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0) {
            content.unsupported << QStringLiteral("the embedded storage \"%1\" (macros or objects)").arg(name);
            continue;
        }
        if (name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0 && !haveWorkbook) {
            content.workbook = readStream(child.get(), budget);
            haveWorkbook = true;
        } else if (name.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0 && !haveBook && !haveWorkbook) {
            // Excel 5.0/95 names its workbook stream "Book"; a file that has
            // both is read from "Workbook", as Excel reads it.
            book = readStream(child.get(), budget);
            haveBook = true;
        } else {
            // An Office Open XML package encrypted with a password is kept
            // in a compound file as the streams EncryptionInfo and
            // EncryptedPackage ([MS-OFFCRYPTO] 2.3.4.4, 2.3.4.5).
            if (name == QLatin1String("EncryptedPackage") || name == QLatin1String("EncryptionInfo"))
                encrypted = true;
            content.others.push_back(Stream{name, readStream(child.get(), budget)});
        }
    }
    if (!haveWorkbook) {
        if (encrypted)
            throw FormatError("the workbook is protected by a password", FormatError::Kind::Protected);
        if (!haveBook)
            throw FormatError("the file holds no workbook", FormatError::Kind::NotWorkbook);
        content.workbook = std::move(book);
        content.book = true;
    } else if (haveBook) {
        content.others.push_back(Stream{QStringLiteral("Book"), std::move(book)});
    }
    return content;
}

void writeCompoundFile(const QByteArray &workbook, const std::vector<Stream> &others, QIODevice &device)
{
    initGsf();
    GPtr<GsfOutput> sink(gsf_output_memory_new());
    {
        GPtr<GsfOutfile> ole(gsf_outfile_msole_new(sink.get()));
        if (!ole)
            throw FormatError("cannot create the workbook container");
        writeStream(ole.get(), QStringLiteral("Workbook"), workbook);
        for (const Stream &s : others)
            writeStream(ole.get(), s.name, s.data);
        if (!gsf_output_close(GSF_OUTPUT(ole.get())))
            throw FormatError("cannot finish the workbook container");
    }
    const guint8 *bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    const gsf_off_t size = gsf_output_size(sink.get());
    if (!bytes || size <= 0)
        throw FormatError("cannot finish the workbook container");
    if (device.write(reinterpret_cast<const char *>(bytes), size) != size)
        throw FormatError("cannot write the workbook");
}

QByteArray writeCompoundFile(const QByteArray &workbook, const std::vector<Stream> &others)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    writeCompoundFile(workbook, others, buffer);
    return out;
}

}  // namespace xls
