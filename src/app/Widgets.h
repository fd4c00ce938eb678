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

// A card's text in the panel it stands in: the label covers the panel's
// text area and wraps its text at the area's edge, a word too long for a
// line breaks where it must. A text taller than the area is drawn smaller,
// down to the legible floor, and what still does not fit scrolls (the
// wheel, or scrollBy()). Card texts are plain text, never markup.
class WrapLabel : public QLabel {
    Q_OBJECT
public:
    explicit WrapLabel(QWidget *parent);
    // The smallest point size the text may be drawn at to fit the area.
    void setFloorPointSize(double points);
    // The font the text is drawn at: the label's own, or a smaller one down
    // to the floor when the text does not fit.
    QFont fittedFont() const;
    // The text's height at the fitted font, and how far it is scrolled.
    int contentHeight() const;
    int scrollOffset() const { return offset_; }
    int maxScroll() const { return qMax(0, contentHeight() - height()); }
    // Scrolls by pixels (down when positive); false when nothing moved.
    bool scrollBy(int pixels);
    // Where a line of the text stands in the label now (line from 0; -1 for
    // the last), or an empty rectangle.
    QRect lineRect(int line) const;
    int lineCount() const;

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void changeEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // Lays the text out again when the text, the font or the size changed.
    void ensureLaidOut() const;
    // The lines of the text wrapped at width in font f, as rectangles.
    QList<QRectF> wrap(const QFont &f, qreal width) const;
    double floorPoints_ = 0;
    mutable int offset_ = 0;
    mutable QString laidOutText_;
    mutable QFont fitted_;
    mutable QList<QRectF> lines_;
    mutable int contentHeight_ = 0;
    mutable QString laidOutKey_;
};

// The verdict: its text on a black badge with rounded corners.
class BadgeLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A picture control that fits its picture in its box, its aspect kept.
class ImageBox : public QLabel {
    Q_OBJECT
public:
    explicit ImageBox(QWidget *parent);
    void setPicture(const QPixmap &picture, const QString &source);
    void clearPicture();
    QString pictureSource() const { return source_; }

protected:
    void paintEvent(QPaintEvent *) override;

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
