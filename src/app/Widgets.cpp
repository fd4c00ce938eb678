#include "app/Widgets.h"

#include "base/Trap.h"

#include <QEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

QPixmap loadPictureFile(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir())
        throw PictureMissing(QStringLiteral("picture not found: %1").arg(path));
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull())
        throw StepFailed(QStringLiteral("not a readable picture: %1").arg(path));
    return QPixmap::fromImage(image);
}

PictureBox::PictureBox(artwork::Backdrop backdrop, QWidget *parent)
    : QWidget(parent), backdrop_(backdrop)
{
    setAccessibleName(accessibleNameOf(backdrop));
}

QString PictureBox::accessibleNameOf(artwork::Backdrop backdrop)
{
    switch (backdrop) {
    case artwork::Backdrop::Window:
        return QStringLiteral("Mnemora");
    case artwork::Backdrop::Banner:
        return QStringLiteral("Mnemora 1.0");
    case artwork::Backdrop::About:
        return QStringLiteral("About Mnemora");
    case artwork::Backdrop::LinedCard:
        return QStringLiteral("Card");
    case artwork::Backdrop::Options:
        return QStringLiteral("Options");
    case artwork::Backdrop::Statistics:
        return QStringLiteral("Statistics");
    case artwork::Backdrop::Choices:
        return QStringLiteral("Choices");
    }
    return QStringLiteral("Mnemora");
}

void PictureBox::paintEvent(QPaintEvent *)
{
    const qreal dpr = devicePixelRatioF();
    if (cache_.isNull() || cache_.deviceIndependentSize().toSize() != size() || cache_.devicePixelRatio() != dpr)
        cache_ = artwork::backdrop(backdrop_, size(), dpr);
    QPainter p(this);
    p.drawPixmap(0, 0, cache_);
}

PictureButton::PictureButton(const QString &label, artwork::FaceStyle style, QWidget *parent)
    : QAbstractButton(parent), label_(label), style_(style)
{
    setText(label);
    setAccessibleName(label);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setKeyName(QStringLiteral("Space"));
}

void PictureButton::setKeyName(const QString &key)
{
    setToolTip(QStringLiteral("%1 (%2)").arg(label_, key));
}

void PictureButton::setPicture(const QPixmap &picture)
{
    picture_ = picture;
    update();
}

QSize PictureButton::sizeHint() const
{
    return size();
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (picture_.isNull()) {
        p.drawPixmap(0, 0, artwork::buttonFace(label_, size(), devicePixelRatioF(), style_));
    } else {
        p.drawPixmap(rect(), picture_);
    }
    if (isDown()) {
        p.fillRect(rect(), QColor(0, 0, 0, 50));
    }
    if (!isEnabled()) {
        p.fillRect(rect(), QColor(255, 255, 255, 140));
    }
    if (hasFocus()) {
        // A frame seen at a glance on any face: amber around a white line,
        // just inside the button's edge.
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        const qreal radius = qMin(frame.height() * 0.3, 6.0);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0xff, 0xb0, 0x00), 3));
        p.drawRoundedRect(frame, radius, radius);
        p.setPen(QPen(Qt::white, 1));
        p.drawRoundedRect(frame.adjusted(2, 2, -2, -2), radius, radius);
    }
}

WrapLabel::WrapLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAttribute(Qt::WA_TranslucentBackground);
}

void WrapLabel::setTextAndWidth(const QString &text, int width)
{
    setText(text);
    resize(width, height());
    fitHeight();
}

void WrapLabel::fitHeight()
{
    const int h = text().isEmpty() ? fontMetrics().height() : heightForWidth(width());
    resize(width(), qMax(h, fontMetrics().height()));
}

void WrapLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitHeight();
}

ImageBox::ImageBox(QWidget *parent) : QLabel(parent)
{
    setScaledContents(true);
}

void ImageBox::setPicture(const QPixmap &picture, const QString &source)
{
    setPixmap(picture);
    source_ = source;
}

void ImageBox::clearPicture()
{
    clear();
    source_.clear();
}

IntervalTimer::IntervalTimer(QObject *parent) : QObject(parent)
{
    connect(&timer_, &QTimer::timeout, this, &IntervalTimer::Timer);
}

void IntervalTimer::setEnabled(bool enabled)
{
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    apply();
}

void IntervalTimer::setInterval(int msec)
{
    if (interval_ == msec)
        return;
    interval_ = msec;
    if (timer_.isActive() && msec > 0)
        timer_.start(msec);  // a new interval counts from now
    else
        apply();
}

void IntervalTimer::apply()
{
    if (enabled_ && interval_ > 0) {
        if (!timer_.isActive())
            timer_.start(interval_);
    } else {
        timer_.stop();
    }
}
