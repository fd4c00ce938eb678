// The compound-file functions as the program sees them: each goes to the
// container module (CompoundFileModule.cpp), loaded on first use from
// beside the program, or from where the build put it (for the tests and
// benchmarks, which run from other folders).

#include "decks/xls/CompoundFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

namespace xls {
namespace {

using Read = void (*)(const QByteArray &, CompoundContent &);
using Write = void (*)(const QByteArray &, const std::vector<Stream> &, QIODevice &);

struct Module {
    Read read = nullptr;
    Write write = nullptr;
};

const Module &module()
{
    static const Module m = [] {
        QStringList folders{QStringLiteral(MNEMORA_MODULE_DIR)};
        if (QCoreApplication::instance())
            folders.prepend(QCoreApplication::applicationDirPath());
        Module found;
        for (const QString &folder : folders) {
            QLibrary library(folder + QStringLiteral("/libmnemora_ole.so"));
            if (!QFileInfo::exists(library.fileName()) || !library.load())
                continue;
            found.read = reinterpret_cast<Read>(library.resolve("mnemora_readCompoundFile"));
            found.write = reinterpret_cast<Write>(library.resolve("mnemora_writeCompoundFile"));
            if (found.read && found.write)
                break;
            found = {};
        }
        return found;
    }();
    if (!m.read)
        throw FormatError("the program's workbook module (libmnemora_ole.so) cannot be loaded");
    return m;
}

}  // namespace

CompoundContent readCompoundFile(const QByteArray &file)
{
    CompoundContent content;
    module().read(file, content);
    return content;
}

void writeCompoundFile(const QByteArray &workbook, const std::vector<Stream> &others, QIODevice &device)
{
    module().write(workbook, others, device);
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
