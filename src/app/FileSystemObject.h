#pragma once
// The file operations the window performs on study copies: tell whether a
// file exists, delete a file without forcing, and write a text file.

#include <QString>

#include <memory>

class FileSystemObject {
public:
    virtual ~FileSystemObject() = default;

    virtual bool FileExists(const QString &path) const;
    // Deletes the file. Without forcing: a read-only file is not deleted.
    // Throws StepFailed when the file is missing, read-only or not deleted.
    virtual void DeleteFile(const QString &path);
    // Creates the text file at path, replacing any file of that name, and
    // writes text followed by CR LF in UTF-8 as one line. The new file is
    // complete before it replaces the old one. Throws StepFailed on failure.
    virtual void WriteTextLine(const QString &path, const QString &text);
};
