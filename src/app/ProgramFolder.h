#pragma once
// The folder the program works in. A program folder the user cannot write
// (an installed copy) is replaced by a per-user program folder,
// $XDG_DATA_HOME/mnemora, made on first start with the installed Images/ and
// Decks/ copied into it.

#include <QString>

#include <functional>

namespace programfolder {

// Whether the program can write into a folder.
bool isWritable(const QString &folder);

// The per-user program folder.
QString perUserFolder();

// The folder to work in for the given program folder: the folder itself
// when it can be written, else the per-user program folder, made (with
// Images/ and Decks/ copied from the given folder) when it does not exist
// yet. Falls back to the given folder when the per-user one cannot be made.
// Tests hand in their own check for folders they cannot make read-only.
QString workingFolder(const QString &programFolder,
                      const std::function<bool(const QString &folder)> &writable = isWritable);

}  // namespace programfolder
