// The entry points of the container module (libmnemora_ole.so), which holds
// CompoundFile.cpp and so libgsf with the GLib libraries it brings: the
// program loads it when it first reads or writes a workbook
// (CompoundFileLoader.cpp), not at start-up.

#include "decks/xls/CompoundFile.h"

extern "C" Q_DECL_EXPORT void mnemora_readCompoundFile(const QByteArray &file, xls::CompoundContent &content)
{
    content = xls::readCompoundFile(file);
}

extern "C" Q_DECL_EXPORT void mnemora_writeCompoundFile(const QByteArray &workbook, const std::vector<xls::Stream> &others,
                                                       QIODevice &device)
{
    xls::writeCompoundFile(workbook, others, device);
}
