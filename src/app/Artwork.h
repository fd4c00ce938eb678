#pragma once
// The program's own artwork, drawn with QPainter so that it stays sharp at
// any screen density: the faces of the picture buttons (each shows its label
// as a picture) and the backgrounds of the window and its panels.

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace artwork {

enum class FaceStyle {
    Standard,  // the ordinary picture buttons
    Right,     // white on green
    Wrong,     // white on red
};

// A button face of the given logical size showing the label, drawn for the
// screen's density; its rounded corners are transparent.
QPixmap buttonFace(const QString &label, QSize size, qreal devicePixelRatio,
                   FaceStyle style = FaceStyle::Standard);
// The same face as an image, for the button pictures written as files
// (Images/showque.jpg, Images/showans.jpg): opaque, its corners in the
// window's ground colour.
QImage buttonFaceImage(const QString &label, QSize pixelSize,
                       FaceStyle style = FaceStyle::Standard);

enum class Backdrop {
    Window,     // the main window's client area
    Banner,     // the start view's title banner: name and version
    About,      // the About panel
    LinedCard,  // the question and answer panels
    Options,    // the options view, with its heading "Options"
    Statistics, // the statistics view
    Choices,    // the multiple-choice panel
};

// A background of the given logical size, drawn for the screen's density.
// Parts outside a rounded panel are transparent.
QPixmap backdrop(Backdrop kind, QSize size, qreal devicePixelRatio);
// The same background as an image carrying the device pixel ratio.
QImage backdropImage(Backdrop kind, QSize size, qreal devicePixelRatio);

// The program's icon (three fanned index cards on a rounded blue square),
// size x size pixels with a transparent surround: the window's icon and the
// icon installed for the desktop's menu.
QImage appIcon(int size);

// The plain ground colour of the window, for anything drawn opaque beside it.
QColor windowColour();

}  // namespace artwork
