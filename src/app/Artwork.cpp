#include "app/Artwork.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace artwork {
namespace {

// ---------------------------------------------------------------------------
// Palette shared by every picture, so that the views look like one program.

const QColor kInk(0x1c, 0x3d, 0x63);         // headings on light grounds
const QColor kSkyTop(0xf5, 0xf8, 0xfc);      // window ground, top
const QColor kSkyBottom(0xe2, 0xea, 0xf3);   // window ground, bottom
const QColor kPaper(0xff, 0xfd, 0xf6);       // index card
const QColor kPaperEdge(0xd6, 0xcf, 0xbd);
const QColor kRuleBlue(0x9d, 0xc1, 0xe4);
const QColor kMarginRed(0xe0, 0x6c, 0x6f);
const QColor kTeal(0x2f, 0x9c, 0x9a);
const QColor kAmber(0xf2, 0xb3, 0x3d);
const QColor kAccentLine(0x3f, 0x8f, 0xc4);

struct FacePalette {
    QColor top;
    QColor bottom;
    QColor border;
    QColor text;
};

FacePalette facePalette(FaceStyle style)
{
    switch (style) {
    case FaceStyle::Right:
        return {QColor(0x3b, 0xa3, 0x58), QColor(0x23, 0x7d, 0x3e), QColor(0x18, 0x5c, 0x2c), Qt::white};
    case FaceStyle::Wrong:
        return {QColor(0xdb, 0x4b, 0x45), QColor(0xb0, 0x2d, 0x29), QColor(0x80, 0x1e, 0x1b), Qt::white};
    case FaceStyle::Standard:
        break;
    }
    return {QColor(0x31, 0x70, 0xb3), QColor(0x1d, 0x4d, 0x84), QColor(0x14, 0x37, 0x5f), Qt::white};
}

// The program's typeface: DejaVu Sans, else whatever sans-serif face the
// system offers.
QFont uiFont(int pixelSize, bool bold, int stretch = QFont::Unstretched)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Noto Sans"), QStringLiteral("FreeSans")});
    font.setStyleHint(QFont::SansSerif, QFont::PreferAntialias);
    font.setPixelSize(std::max(1, pixelSize));
    font.setBold(bold);
    font.setStretch(stretch);
    return font;
}

// The largest font not above preferredPx whose rendering of text fits within
// maxWidth and maxHeight. When the normal width does not fit, the condensed
// cut is tried (if allowed) before the size shrinks.
QFont fittedFont(const QString &text, qreal maxWidth, qreal maxHeight, int preferredPx, bool bold,
                 bool allowCondensed = true)
{
    const int minPx = 6;
    QFont last = uiFont(minPx, bold, allowCondensed ? QFont::Condensed : QFont::Unstretched);
    for (int px = std::max(preferredPx, minPx); px >= minPx; --px) {
        for (const int stretch : {int(QFont::Unstretched), int(QFont::Condensed)}) {
            if (stretch != QFont::Unstretched && !allowCondensed)
                continue;
            QFont font = uiFont(px, bold, stretch);
            const QFontMetricsF fm(font);
            if (fm.horizontalAdvance(text) <= maxWidth && fm.capHeight() <= maxHeight)
                return font;
            last = font;
        }
    }
    return last;
}

// The device pixels of a logical size, rounded so that the picture's
// device-independent size rounds back to the logical size.
QSize devicePixels(QSize size, qreal dpr)
{
    return (QSizeF(size) * dpr).toSize().expandedTo(QSize(1, 1));
}

qreal snap(qreal v, qreal dpr)
{
    return std::round(v * dpr) / dpr;
}

// Draws text with its capital letters centred vertically on centre.y().
void drawCentredText(QPainter &p, const QPointF &centre, const QString &text, const QFont &font,
                     const QColor &colour, qreal dpr, const QColor &shadow = QColor())
{
    p.setFont(font);
    const QFontMetricsF fm(font);
    const qreal x = snap(centre.x() - fm.horizontalAdvance(text) / 2.0, dpr);
    const qreal baseline = snap(centre.y() + fm.capHeight() / 2.0, dpr);
    if (shadow.isValid()) {
        p.setPen(shadow);
        p.drawText(QPointF(x, baseline + 1.0 / dpr * std::max(1.0, dpr * 0.75)), text);
    }
    p.setPen(colour);
    p.drawText(QPointF(x, baseline), text);
}

// ---------------------------------------------------------------------------
// Button faces

void paintFace(QPainter &p, const QRectF &area, const QString &label, FaceStyle style, qreal dpr)
{
    const FacePalette pal = facePalette(style);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const qreal h = area.height();
    const qreal radius = std::clamp(h * 0.22, 2.0, 7.0);
    const qreal half = 0.5 / dpr;  // keeps a one-device-pixel border crisp
    const QRectF box = area.adjusted(half, half, -half, -half);

    QPainterPath shape;
    shape.addRoundedRect(box, radius, radius);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0.0, pal.top);
    fill.setColorAt(1.0, pal.bottom);
    p.fillPath(shape, fill);

    // A soft sheen on the upper half.
    QPainterPath sheen;
    sheen.addRoundedRect(box.adjusted(1, 1, -1, -h * 0.5), radius * 0.8, radius * 0.8);
    QLinearGradient gloss(box.topLeft(), QPointF(box.left(), box.top() + h * 0.5));
    gloss.setColorAt(0.0, QColor(255, 255, 255, 46));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 8));
    p.fillPath(sheen, gloss);

    p.setPen(QPen(pal.border, 1.0 / dpr * std::max(1.0, std::round(dpr))));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);

    if (label.isEmpty())
        return;
    const qreal padX = std::clamp(h * 0.3, 3.0, 12.0);
    const int preferredPx = std::max(6, int(std::lround(h * 0.52)));
    const QFont font = fittedFont(label, area.width() - 2 * padX, h * 0.62, preferredPx, true);
    drawCentredText(p, area.center(), label, font, pal.text, dpr, QColor(0, 0, 0, 70));
}

QImage renderFace(const QString &label, QSize size, qreal dpr, FaceStyle style, const QColor &ground)
{
    const QSize pixels = devicePixels(size, dpr);
    QImage image(pixels,
                 ground.isValid() ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(ground.isValid() ? ground : QColor(Qt::transparent));
    QPainter p(&image);
    paintFace(p, QRectF(QPointF(0, 0), QSizeF(size)), label, style, dpr);
    return image;
}

// ---------------------------------------------------------------------------
// Motifs

// One index card, centred on centre and turned by angle degrees.
void drawCard(QPainter &p, const QPointF &centre, const QSizeF &size, qreal angle, const QColor &colour,
              bool lined)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF r(-size.width() / 2, -size.height() / 2, size.width(), size.height());
    const qreal radius = size.height() * 0.07;

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 38));
    p.drawRoundedRect(r.translated(size.height() * 0.03, size.height() * 0.06), radius, radius);

    p.setBrush(colour);
    p.setPen(QPen(colour.darker(128), std::max(1.0, size.height() * 0.018)));
    p.drawRoundedRect(r, radius, radius);

    if (lined) {
        const qreal w = std::max(1.0, size.height() * 0.022);
        const qreal left = r.left() + size.width() * 0.08;
        const qreal right = r.right() - size.width() * 0.08;
        const qreal top = r.top() + size.height() * 0.27;
        p.setPen(QPen(kMarginRed, w));
        p.drawLine(QPointF(r.left() + w, top), QPointF(r.right() - w, top));
        p.setPen(QPen(kRuleBlue, w));
        const qreal step = size.height() * 0.16;
        for (qreal y = top + step; y < r.bottom() - step * 0.6; y += step)
            p.drawLine(QPointF(r.left() + w, y), QPointF(r.right() - w, y));
        // A few "written" strokes on the card.
        p.setPen(QPen(kInk, w * 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(left, top - size.height() * 0.1), QPointF(left + size.width() * 0.42, top - size.height() * 0.1));
        p.setPen(QPen(QColor(kInk.red(), kInk.green(), kInk.blue(), 120), w * 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(left, top + step - w * 2.5), QPointF(right - size.width() * 0.18, top + step - w * 2.5));
        p.drawLine(QPointF(left, top + 2 * step - w * 2.5), QPointF(left + size.width() * 0.5, top + 2 * step - w * 2.5));
    }
    p.restore();
}

// Three fanned index cards filling box.
void drawCardStack(QPainter &p, const QRectF &box)
{
    // A card is 5 by 3; the fan needs about 1.25 by 0.95 of a card's width.
    const qreal cw = std::min(box.width() / 1.25, box.height() / 0.95);
    const QSizeF card(cw, cw * 0.6);
    const QPointF c = box.center();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    drawCard(p, c + QPointF(-cw * 0.10, -cw * 0.05), card, -13, kTeal, false);
    drawCard(p, c + QPointF(cw * 0.02, -cw * 0.02), card, -4, kAmber, false);
    drawCard(p, c + QPointF(cw * 0.07, cw * 0.07), card, 5, kPaper, true);
    p.restore();
}

QPainterPath gearPath(const QPointF &c, qreal r)
{
    QPainterPath body;
    body.addEllipse(c, r * 0.74, r * 0.74);
    const int teeth = 8;
    for (int i = 0; i < teeth; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-r * 0.19, -r, r * 0.38, r * 0.5), r * 0.06, r * 0.06);
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(360.0 / teeth * i);
        body = body.united(t.map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(c, r * 0.3, r * 0.3);
    return body.subtracted(hole);
}

void fillSky(QPainter &p, const QRectF &r)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, kSkyTop);
    g.setColorAt(1.0, kSkyBottom);
    p.fillRect(r, g);
}

// A heading band along the top: light, with an accent rule below it.
void drawHeaderBand(QPainter &p, const QRectF &r, qreal bandHeight, qreal dpr)
{
    const QRectF band(r.left(), r.top(), r.width(), bandHeight);
    QLinearGradient g(band.topLeft(), band.bottomLeft());
    g.setColorAt(0.0, QColor(255, 255, 255, 235));
    g.setColorAt(1.0, QColor(0xec, 0xf2, 0xf9));
    p.fillRect(band, g);
    const qreal line = std::max(2.0, std::round(2.0 * dpr) / dpr);
    p.fillRect(QRectF(band.left(), band.bottom() - line, band.width(), line), kAccentLine);
}

// ---------------------------------------------------------------------------
// Backdrops

void paintWindow(QPainter &p, const QRectF &r)
{
    fillSky(p, r);
    // A faint glow at the upper left keeps the plain ground from looking flat.
    QRadialGradient glow(r.topLeft() + QPointF(r.width() * 0.2, r.height() * 0.1), std::max(r.width(), r.height()) * 0.8);
    glow.setColorAt(0.0, QColor(255, 255, 255, 110));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(r, glow);
}

void paintBanner(QPainter &p, const QRectF &r, qreal dpr)
{
    const qreal h = r.height();
    const qreal w = r.width();
    const qreal radius = std::clamp(std::min(w, h) * 0.1, 3.0, 12.0);
    const qreal half = 0.5 / dpr;
    QPainterPath panel;
    panel.addRoundedRect(r.adjusted(half, half, -half, -half), radius, radius);

    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0.0, QColor(0x1a, 0x45, 0x7a));
    g.setColorAt(1.0, QColor(0x24, 0x80, 0x94));
    p.fillPath(panel, g);

    // Quiet rings in the far corner.
    p.save();
    p.setClipPath(panel);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 22 - i * 5), std::max(1.0, h * 0.05)));
        const qreal rr = h * (0.55 + i * 0.3);
        p.drawEllipse(QPointF(r.right() - h * 0.05, r.bottom() + h * 0.05), rr, rr);
    }
    p.restore();

    p.setPen(QPen(QColor(0x10, 0x2e, 0x52), 1.0 / dpr));
    p.drawPath(panel);

    const QString name = QStringLiteral("Mnemora");
    const QString version = QStringLiteral("version 1.0");
    const bool wide = w >= h * 1.9;
    const qreal margin = std::min(w, h) * 0.1;

    if (wide) {
        const QRectF motif(r.left() + margin, r.top() + h * 0.14, std::min(h * 0.9, w * 0.32), h * 0.72);
        drawCardStack(p, motif);
        const QRectF text(motif.right() + margin * 0.9, r.top(), r.right() - motif.right() - margin * 1.9, h);
        const QFont big = fittedFont(name, text.width(), h * 0.4, int(h * 0.34), true, false);
        const QFontMetricsF fmBig(big);
        const QFont small = fittedFont(version, text.width(), h * 0.14, std::max(8, int(h * 0.11)), false, false);
        const QFontMetricsF fmSmall(small);
        const qreal gap = fmBig.capHeight() * 0.45;
        const qreal block = fmBig.capHeight() + gap + fmSmall.capHeight();
        const qreal top = r.top() + (h - block) / 2.0;
        const qreal nameWidth = fmBig.horizontalAdvance(name);
        const qreal x = text.left() + (text.width() - nameWidth) / 2.0;
        p.setFont(big);
        p.setPen(QColor(0, 0, 0, 60));
        p.drawText(QPointF(snap(x, dpr), snap(top + fmBig.capHeight(), dpr) + 1), name);
        p.setPen(Qt::white);
        p.drawText(QPointF(snap(x, dpr), snap(top + fmBig.capHeight(), dpr)), name);
        // The version under the name, lined up with the name's right edge.
        p.setFont(small);
        p.setPen(QColor(0xd6, 0xea, 0xf5));
        const qreal vx = x + nameWidth - fmSmall.horizontalAdvance(version);
        p.drawText(QPointF(snap(vx, dpr), snap(top + block, dpr)), version);
    } else {
        const QRectF motif(r.left() + w * 0.3, r.top() + margin, w * 0.4, h * 0.42);
        drawCardStack(p, motif);
        const QFont big = fittedFont(name, w - 2 * margin, h * 0.22, int(h * 0.18), true, false);
        const QFont small = fittedFont(version, w - 2 * margin, h * 0.08, std::max(8, int(h * 0.065)), false, false);
        const QFontMetricsF fmBig(big);
        drawCentredText(p, QPointF(r.center().x(), r.top() + h * 0.68), name, big, Qt::white, dpr, QColor(0, 0, 0, 60));
        drawCentredText(p, QPointF(r.center().x(), r.top() + h * 0.68 + fmBig.capHeight() * 1.2), version, small,
                        QColor(0xd6, 0xea, 0xf5), dpr);
    }
}

void paintAbout(QPainter &p, const QRectF &r, qreal dpr)
{
    fillSky(p, r);
    const qreal w = r.width();
    const qreal h = r.height();
    // A gentle band of colour across the top third, holding the card motif.
    const qreal bandH = std::round(h * 0.3);
    QLinearGradient band(r.topLeft(), QPointF(r.right(), r.top()));
    band.setColorAt(0.0, QColor(0x1a, 0x45, 0x7a));
    band.setColorAt(1.0, QColor(0x24, 0x80, 0x94));
    p.fillRect(QRectF(r.left(), r.top(), w, bandH), band);
    p.fillRect(QRectF(r.left(), r.top() + bandH, w, std::max(2.0, std::round(2 * dpr) / dpr)),
               QColor(kAmber.red(), kAmber.green(), kAmber.blue(), 220));
    const qreal motifH = bandH * 0.78;
    drawCardStack(p, QRectF(r.center().x() - motifH * 0.7, r.top() + (bandH - motifH) / 2.0, motifH * 1.4, motifH));

    // A thin frame around the rest of the panel.
    p.setRenderHint(QPainter::Antialiasing);
    const qreal inset = std::max(6.0, w * 0.025);
    const qreal half = 0.5 / dpr;
    p.setPen(QPen(QColor(0xbf, 0xd0, 0xe2), 1.0 / dpr));
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawRoundedRect(QRectF(r.left() + inset, r.top() + bandH + inset, w - 2 * inset, h - bandH - 2 * inset)
                          .adjusted(half, half, -half, -half),
                      6, 6);
}

void paintLinedCard(QPainter &p, const QRectF &r, qreal dpr)
{
    p.setRenderHint(QPainter::Antialiasing);
    const qreal half = 0.5 / dpr;
    const QRectF box = r.adjusted(half, half, -half, -half);
    QPainterPath card;
    card.addRoundedRect(box, 4, 4);
    p.fillPath(card, kPaper);

    p.save();
    p.setClipPath(card);
    p.setRenderHint(QPainter::Antialiasing, false);
    const qreal line = 1.0;  // one logical pixel; sharp at any density
    const qreal step = std::round(std::clamp(r.height() / 8.0, 14.0, 24.0));
    const qreal redY = r.top() + std::round(std::clamp(r.height() * 0.17, 14.0, 34.0));
    for (qreal y = redY + step; y < r.bottom() - step * 0.4; y += step)
        p.fillRect(QRectF(r.left(), y, r.width(), line), QColor(kRuleBlue.red(), kRuleBlue.green(), kRuleBlue.blue(), 175));
    p.fillRect(QRectF(r.left(), redY, r.width(), line), QColor(kMarginRed.red(), kMarginRed.green(), kMarginRed.blue(), 235));
    p.fillRect(QRectF(r.left(), redY + line + 1.0 / dpr, r.width(), line * 0.5),
               QColor(kMarginRed.red(), kMarginRed.green(), kMarginRed.blue(), 80));
    p.restore();

    p.setPen(QPen(kPaperEdge, 1.0 / dpr));
    p.setBrush(Qt::NoBrush);
    p.drawPath(card);
}

void paintOptions(QPainter &p, const QRectF &r, qreal dpr)
{
    fillSky(p, r);
    const qreal bandH = std::min(44.0, std::round(r.height() * 0.16));
    drawHeaderBand(p, r, bandH, dpr);

    p.setRenderHint(QPainter::Antialiasing);
    const qreal gearR = bandH * 0.3;
    const QPointF gearC(r.left() + 14 + gearR, r.top() + bandH * 0.47);
    p.fillPath(gearPath(gearC, gearR), kTeal);

    const QString heading = QStringLiteral("Options");
    const QFont font = fittedFont(heading, r.width() - gearR * 2 - 40, bandH * 0.5, int(bandH * 0.46), true);
    const QFontMetricsF fm(font);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QPointF(snap(gearC.x() + gearR + 10, dpr), snap(gearC.y() + fm.capHeight() / 2.0, dpr)), heading);
}

void paintStatistics(QPainter &p, const QRectF &r, qreal dpr)
{
    fillSky(p, r);
    p.fillRect(QRectF(r.left(), r.top(), r.width(), std::max(3.0, std::round(3 * dpr) / dpr)), kAccentLine);
}

void paintChoices(QPainter &p, const QRectF &r, qreal dpr)
{
    p.setRenderHint(QPainter::Antialiasing);
    const qreal half = 0.5 / dpr;
    const QRectF box = r.adjusted(half, half, -half, -half);
    QPainterPath panel;
    panel.addRoundedRect(box, 6, 6);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, QColor(0xfb, 0xfc, 0xfe));
    g.setColorAt(1.0, QColor(0xe9, 0xf0, 0xf8));
    p.fillPath(panel, g);
    p.save();
    p.setClipPath(panel);
    p.fillRect(QRectF(r.left(), r.top(), std::max(4.0, std::round(4 * dpr) / dpr), r.height()), kTeal);
    p.restore();
    p.setPen(QPen(QColor(0xb4, 0xc8, 0xde), 1.0 / dpr));
    p.setBrush(Qt::NoBrush);
    p.drawPath(panel);
}

QImage renderBackdrop(Backdrop kind, QSize size, qreal dpr)
{
    const QSize pixels = devicePixels(size, dpr);
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF r(QPointF(0, 0), QSizeF(size));
    switch (kind) {
    case Backdrop::Window: paintWindow(p, r); break;
    case Backdrop::Banner: paintBanner(p, r, dpr); break;
    case Backdrop::About: paintAbout(p, r, dpr); break;
    case Backdrop::LinedCard: paintLinedCard(p, r, dpr); break;
    case Backdrop::Options: paintOptions(p, r, dpr); break;
    case Backdrop::Statistics: paintStatistics(p, r, dpr); break;
    case Backdrop::Choices: paintChoices(p, r, dpr); break;
    }
    return image;
}

}  // namespace

QColor windowColour()
{
    return QColor((kSkyTop.red() + kSkyBottom.red()) / 2, (kSkyTop.green() + kSkyBottom.green()) / 2,
                  (kSkyTop.blue() + kSkyBottom.blue()) / 2);
}

QImage appIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(size * 0.04, size * 0.04, size * 0.92, size * 0.92);
    QLinearGradient ground(r.topLeft(), r.bottomLeft());
    ground.setColorAt(0.0, facePalette(FaceStyle::Standard).top);
    ground.setColorAt(1.0, facePalette(FaceStyle::Standard).bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(ground);
    p.drawRoundedRect(r, size * 0.18, size * 0.18);
    drawCardStack(p, r.adjusted(size * 0.1, size * 0.12, -size * 0.1, -size * 0.1));
    return image;
}

QImage buttonFaceImage(const QString &label, QSize pixelSize, FaceStyle style)
{
    // Files have no transparency: the rounded corners show the window's ground.
    QImage image = renderFace(label, pixelSize, 1.0, style, windowColour());
    image.setDevicePixelRatio(1.0);
    return image;
}

QPixmap buttonFace(const QString &label, QSize size, qreal devicePixelRatio, FaceStyle style)
{
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QString key = QStringLiteral("mnemora-face/%1/%2x%3/%4/%5")
                            .arg(label)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(dpr)
                            .arg(int(style));
    QPixmap pm;
    if (QPixmapCache::find(key, &pm))
        return pm;
    pm = QPixmap::fromImage(renderFace(label, size, dpr, style, QColor()));
    pm.setDevicePixelRatio(dpr);
    QPixmapCache::insert(key, pm);
    return pm;
}

QImage backdropImage(Backdrop kind, QSize size, qreal devicePixelRatio)
{
    return renderBackdrop(kind, size, devicePixelRatio > 0 ? devicePixelRatio : 1.0);
}

QPixmap backdrop(Backdrop kind, QSize size, qreal devicePixelRatio)
{
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pm = QPixmap::fromImage(renderBackdrop(kind, size, dpr));
    pm.setDevicePixelRatio(dpr);
    return pm;
}

}  // namespace artwork
