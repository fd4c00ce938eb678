#pragma once
// The small set of controls the window is built from, beyond Qt's own:
// picture boxes used as panels, picture buttons, labels that grow in height
// to fit their wrapped text, and interval timers.

#include "app/Artwork.h"

#include <QAbstractButton>
#include <QLabel>
#include <QObject>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

// Loads a picture file (BMP, GIF, JPEG, PNG). A file or folder that does not
// exist throws PictureMissing; a file that is not a readable picture throws
// StepFailed.
QPixmap loadPictureFile(const QString &path);

// A panel with a background picture drawn from the program's artwork.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(artwork::Backdrop backdrop, QWidget *parent);
    // The name assistive technology gives a panel: what its picture shows.
    static QString accessibleNameOf(artwork::Backdrop backdrop);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    artwork::Backdrop backdrop_;
    QPixmap cache_;
};

// A clickable picture. By default the picture is the program's face for the
// button's label; setPicture() replaces it (for instance with a file).
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    PictureButton(const QString &label, artwork::FaceStyle style, QWidget *parent);

    void setPicture(const QPixmap &picture);
    // The label text the face shows (the default picture).
    QString label() const { return label_; }
    // Where the current picture came from: empty for the drawn face, else
    // the file's path.
    QString pictureSource() const { return source_; }
    void setPictureSource(const QString &source) { source_ = source; }
    // The key that presses the button, named in its tooltip. Every picture
    // button takes Space while it has the focus.
    void setKeyName(const QString &key);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QString label_;
    artwork::FaceStyle style_;
    QPixmap picture_;
    QString source_;
};

// A label at a fixed width that wraps its text and grows downwards to fit.
// Card texts are plain text, never markup.
class WrapLabel : public QLabel {
    Q_OBJECT
public:
    explicit WrapLabel(QWidget *parent);
    // Sets the text and the width (in pixels) and fits the height.
    void setTextAndWidth(const QString &text, int width);
    void fitHeight();

protected:
    void changeEvent(QEvent *event) override;
};

// A picture control that scales its picture to its box.
class ImageBox : public QLabel {
    Q_OBJECT
public:
    explicit ImageBox(QWidget *parent);
    void setPicture(const QPixmap &picture, const QString &source);
    void clearPicture();
    QString pictureSource() const { return source_; }

private:
    QString source_;
};

// An interval timer that ticks only while it is enabled and its interval is
// above zero. Enabling a running timer or giving it the interval it already
// has does not restart its count.
class IntervalTimer : public QObject {
    Q_OBJECT
public:
    explicit IntervalTimer(QObject *parent);
    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled_; }
    void setInterval(int msec);
    int interval() const { return interval_; }
    bool isActive() const { return timer_.isActive(); }

signals:
    void Timer();

private:
    void apply();
    QTimer timer_;
    bool enabled_ = false;
    int interval_ = 0;
};
