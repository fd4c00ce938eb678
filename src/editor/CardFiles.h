#pragma once
// The files behind the card editor: the name a chosen picture is copied
// under, so that it never replaces another card's picture, and whether a
// deck can be written before the editor is opened on it.

#include <QString>

#include <functional>

namespace editor {

// What the pictures folder holds under a name, compared with the picture
// chosen.
enum class PictureAt {
    Nothing,    // no file of that name
    Same,       // the same picture (the same file, or one of equal content)
    Different,  // another picture
};

// The name a picture chosen as fileName takes in the pictures folder: its
// own name when no file holds it or the same picture already does, else the
// first of name-2.ext, name-3.ext, ... that is free or holds the same
// picture. at tells what the folder holds under a name. Throws StepFailed
// when no name is left.
QString pictureFileName(const QString &fileName, const std::function<PictureAt(const QString &)> &at);

// What the file target holds compared with the picture at source.
PictureAt comparePicture(const QString &source, const QString &target);

// Whether the deck file at path can be rewritten: the file opens for
// writing and its folder takes a new file (a deck is saved through a new
// file renamed over it). Nothing is changed.
bool deckCanBeWritten(const QString &path);

// The reason a save of the deck at path failed, as the user is told it:
// the file named once ("Cannot save PATH: Existing file PATH is not
// writable" says only the second part).
QString saveFailureReason(const QString &reason, const QString &path);

}  // namespace editor
