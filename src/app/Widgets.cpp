#include "app/Widgets.h"

#include "base/Trap.h"

#include <QEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QTextLayout>
#include <QWheelEvent>
#include <QtMath>

namespace {

// The room, in pixels, kept at the right of a scrolling card text for the
// bar that shows where it stands.
constexpr int kScrollBarRoom = 8;

}  // namespace

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

void WrapLabel::setFloorPointSize(double points)
{
    floorPoints_ = points;
    laidOutKey_.clear();
    update();
}

namespace {

// Lays a text out in lines of the width given, breaking a word longer than
// the line anywhere; the lines' rectangles, top to bottom.
QList<QRectF> layOutLines(QTextLayout &layout, qreal width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QList<QRectF> rects;
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        rects << QRectF(0, y, line.naturalTextWidth(), line.height());
        y += line.height();
    }
    layout.endLayout();
    return rects;
}

}  // namespace

QList<QRectF> WrapLabel::wrap(const QFont &f, qreal width) const
{
    QTextLayout layout(text(), f);
    return layOutLines(layout, width);
}

void WrapLabel::ensureLaidOut() const
{
    const QString key = QStringLiteral("%1|%2|%3x%4|%5")
                            .arg(font().toString()).arg(floorPoints_).arg(width()).arg(height()).arg(text());
    if (key == laidOutKey_)
        return;
    laidOutKey_ = key;
    // A new text starts at its top.
    if (text() != laidOutText_) {
        laidOutText_ = text();
        offset_ = 0;
    }
    // The label's own size first; smaller, a quarter point at a time, down
    // to the floor while the text is taller than the label.
    QFont f = font();
    const bool byPoints = f.pointSizeF() > 0;
    double size = byPoints ? f.pointSizeF() : f.pixelSize();
    const double floor = byPoints && floorPoints_ > 0 ? qMin(size, floorPoints_) : size;
    for (;;) {
        lines_ = wrap(f, width());
        contentHeight_ = lines_.isEmpty() ? 0 : qCeil(lines_.last().bottom());
        if (contentHeight_ <= height() || size <= floor)
            break;
        size = qMax(floor, size - 0.25);
        byPoints ? f.setPointSizeF(size) : f.setPixelSize(qRound(size));
    }
    if (contentHeight_ > height()) {
        // A text that scrolls leaves room for the bar that shows where it is.
        lines_ = wrap(f, width() - kScrollBarRoom);
        contentHeight_ = lines_.isEmpty() ? 0 : qCeil(lines_.last().bottom());
    }
    fitted_ = f;
}

QFont WrapLabel::fittedFont() const
{
    ensureLaidOut();
    return fitted_;
}

int WrapLabel::contentHeight() const
{
    ensureLaidOut();
    return contentHeight_;
}

int WrapLabel::lineCount() const
{
    ensureLaidOut();
    return int(lines_.size());
}

QRect WrapLabel::lineRect(int line) const
{
    ensureLaidOut();
    if (line < 0)
        line = int(lines_.size()) + line;
    if (line < 0 || line >= lines_.size())
        return QRect();
    return lines_.at(line).translated(0, -offset_).toAlignedRect();
}

bool WrapLabel::scrollBy(int pixels)
{
    const int to = qBound(0, offset_ + pixels, maxScroll());
    if (to == offset_)
        return false;
    offset_ = to;
    update();
    return true;
}

void WrapLabel::paintEvent(QPaintEvent *)
{
    ensureLaidOut();
    offset_ = qBound(0, offset_, maxScroll());
    QPainter p(this);
    p.setClipRect(rect());
    p.setPen(palette().color(QPalette::WindowText));
    QTextLayout layout(text(), fitted_);
    layOutLines(layout, contentHeight_ > height() ? width() - kScrollBarRoom : width());
    layout.draw(&p, QPointF(0, -offset_));
    if (maxScroll() > 0) {
        // Where the part shown stands in the whole text: a thin bar at the
        // right edge.
        const qreal track = height() - 4;
        const qreal length = qMax<qreal>(12, track * height() / contentHeight_);
        const qreal top = 2 + (track - length) * offset_ / maxScroll();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 90));
        p.drawRoundedRect(QRectF(width() - 5, top, 4, length), 2, 2);
    }
}

void WrapLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    offset_ = qBound(0, offset_, maxScroll());
}

void WrapLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        offset_ = qBound(0, offset_, maxScroll());
}

void WrapLabel::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y();
    const int line = QFontMetrics(fittedFont()).lineSpacing();
    if (steps != 0 && scrollBy(-steps * line * 3 / 120))
        event->accept();
    else
        event->ignore();
}

void BadgeLabel::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const qreal radius = qMin(height() * 0.2, 8.0);
    p.drawRoundedRect(QRectF(rect()), radius, radius);
    p.end();
    QLabel::paintEvent(event);
}

ImageBox::ImageBox(QWidget *parent) : QLabel(parent)
{
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

void ImageBox::paintEvent(QPaintEvent *)
{
    const QPixmap picture = pixmap();
    if (picture.isNull())
        return;
    QSizeF size = picture.deviceIndependentSize();
    size.scale(QSizeF(this->size()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(target, picture, QRectF(picture.rect()));
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
