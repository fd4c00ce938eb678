// Draws the pictures of the program folder's Images/ at build time: the two
// pictures of the Show Answer / Show Question button and the card pictures of
// the sample "Shapes" deck. Everything is drawn here with QPainter.
//
//   mkimages <folder> [file ...]       writes the named files (all by default)
//   mkimages --icon <png> <size>       writes the program's icon, size pixels
//   mkimages --contact-sheet <png>     writes every face and background on one
//                                      sheet, for looking the artwork over

#include "app/Artwork.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QStringList>
#include <QTextStream>

#include <cmath>
#include <functional>
#include <map>

namespace {

constexpr int kJpegQuality = 92;

// The Show Answer button is 1395 x 315 twips, 93 x 21 pixels at 96 DPI; its
// pictures are drawn at twice that so they stay sharp when scaled into it.
const QSize kShowButtonPixels(186, 42);
// The card pictures of the Shapes deck.
const QSize kCardPixels(240, 192);

enum class Shape { Circle, Square, Triangle, Star, Hexagon };

QPolygonF regularPolygon(QPointF c, qreal radius, int corners, qreal startDegrees)
{
    QPolygonF poly;
    for (int i = 0; i < corners; ++i) {
        const qreal a = (startDegrees + 360.0 * i / corners) * M_PI / 180.0;
        poly << QPointF(c.x() + radius * std::cos(a), c.y() + radius * std::sin(a));
    }
    return poly;
}

QImage shapePicture(Shape shape, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // A light, slightly warm ground with a soft vignette.
    const QRectF r(QPointF(0, 0), QSizeF(size));
    QLinearGradient ground(r.topLeft(), r.bottomLeft());
    ground.setColorAt(0.0, QColor(0xfb, 0xfa, 0xf6));
    ground.setColorAt(1.0, QColor(0xef, 0xee, 0xe8));
    p.fillRect(r, ground);

    const QPointF c = r.center();
    const qreal s = std::min(r.width(), r.height());
    QPainterPath path;
    QColor colour;
    switch (shape) {
    case Shape::Circle:
        colour = QColor(0xe0, 0x4f, 0x4a);
        path.addEllipse(c, s * 0.34, s * 0.34);
        break;
    case Shape::Square:
        colour = QColor(0x2f, 0x73, 0xc4);
        path.addRect(QRectF(c.x() - s * 0.3, c.y() - s * 0.3, s * 0.6, s * 0.6));
        break;
    case Shape::Triangle: {
        colour = QColor(0x2c, 0x9e, 0x62);
        // Equilateral, its bounding box centred on the picture.
        const qreal side = s * 0.76;
        const qreal height = side * std::sqrt(3.0) / 2.0;
        QPolygonF tri;
        tri << QPointF(c.x(), c.y() - height / 2) << QPointF(c.x() + side / 2, c.y() + height / 2)
            << QPointF(c.x() - side / 2, c.y() + height / 2);
        path.addPolygon(tri);
        path.closeSubpath();
        break;
    }
    case Shape::Star: {
        colour = QColor(0xf0, 0xa8, 0x24);
        const qreal outer = s * 0.38;
        const qreal inner = outer * 0.382;  // a regular five-pointed star
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const qreal a = (-90.0 + 36.0 * i) * M_PI / 180.0;
            const qreal rad = (i % 2 == 0) ? outer : inner;
            star << QPointF(c.x() + rad * std::cos(a), c.y() + s * 0.03 + rad * std::sin(a));
        }
        path.addPolygon(star);
        path.closeSubpath();
        break;
    }
    case Shape::Hexagon:
        colour = QColor(0x86, 0x55, 0xc0);
        path.addPolygon(regularPolygon(c, s * 0.35, 6, 0));
        path.closeSubpath();
        break;
    }

    // A soft shadow, the flat shape, and a slightly darker edge.
    p.save();
    p.translate(s * 0.015, s * 0.03);
    p.fillPath(path, QColor(0, 0, 0, 28));
    p.restore();
    p.fillPath(path, colour);
    p.setPen(QPen(colour.darker(125), std::max(2.0, s * 0.015), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(path);
    return image;
}

using Maker = std::function<QImage()>;

const std::map<QString, Maker> &makers()
{
    static const std::map<QString, Maker> all = {
        {QStringLiteral("showans.jpg"),
         [] { return artwork::buttonFaceImage(QStringLiteral("Show Answer"), kShowButtonPixels); }},
        {QStringLiteral("showque.jpg"),
         [] { return artwork::buttonFaceImage(QStringLiteral("Show Question"), kShowButtonPixels); }},
        {QStringLiteral("circle.jpg"), [] { return shapePicture(Shape::Circle, kCardPixels); }},
        {QStringLiteral("square.jpg"), [] { return shapePicture(Shape::Square, kCardPixels); }},
        {QStringLiteral("triangle.jpg"), [] { return shapePicture(Shape::Triangle, kCardPixels); }},
        {QStringLiteral("star.jpg"), [] { return shapePicture(Shape::Star, kCardPixels); }},
        {QStringLiteral("hexagon.jpg"), [] { return shapePicture(Shape::Hexagon, kCardPixels); }},
    };
    return all;
}

int writeFiles(const QString &folder, QStringList names)
{
    QTextStream err(stderr);
    if (!QDir().mkpath(folder)) {
        err << "mkimages: cannot make folder " << folder << "\n";
        return 1;
    }
    if (names.isEmpty()) {
        for (const auto &entry : makers())
            names << entry.first;
    }
    for (const QString &name : names) {
        const auto it = makers().find(name);
        if (it == makers().end()) {
            err << "mkimages: no picture is called " << name << "\n";
            return 1;
        }
        const QString path = QDir(folder).filePath(name);
        const QImage image = it->second().convertToFormat(QImage::Format_RGB32);
        if (!image.save(path, "JPEG", kJpegQuality)) {
            err << "mkimages: cannot write " << path << "\n";
            return 1;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Contact sheet

struct Sheet {
    QImage image{1500, 3200, QImage::Format_RGB32};
    QPainter p;
    int x = 16;
    int y = 16;
    int rowHeight = 0;

    Sheet()
    {
        image.fill(QColor(0xc8, 0xcc, 0xd2));
        p.begin(&image);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(11);
        p.setFont(f);
    }

    void newRow(int gap = 14)
    {
        y += rowHeight + gap;
        x = 16;
        rowHeight = 0;
    }

    void heading(const QString &text)
    {
        newRow(rowHeight ? 18 : 0);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(14);
        p.save();
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(QPointF(x, y + 14), text);
        p.restore();
        y += 22;
    }

    // Places an image at its device pixel size with a caption under it.
    void place(const QImage &img, const QString &caption, bool ground = false)
    {
        QImage shown = img;
        shown.setDevicePixelRatio(1.0);
        if (x + shown.width() > image.width() - 16)
            newRow();
        if (ground)
            p.fillRect(QRect(x - 4, y - 4, shown.width() + 8, shown.height() + 8), artwork::windowColour());
        p.drawImage(QPoint(x, y), shown);
        p.setPen(QColor(0x30, 0x30, 0x30));
        p.drawText(QPointF(x, y + shown.height() + 13), caption);
        rowHeight = std::max(rowHeight, shown.height() + 18);
        x += std::max(shown.width(), int(p.fontMetrics().horizontalAdvance(caption))) + 16;
    }
};

QImage faceImage(const QString &label, QSize size, qreal dpr, artwork::FaceStyle style)
{
    return artwork::buttonFace(label, size, dpr, style).toImage();
}

int writeContactSheet(const QString &file)
{
    using artwork::Backdrop;
    using artwork::FaceStyle;
    struct Face {
        QString label;
        QSize size;
        FaceStyle style;
    };
    const QList<Face> faces = {
        {QStringLiteral("Open Deck"), {197, 25}, FaceStyle::Standard},
        {QStringLiteral("Add Deck"), {197, 25}, FaceStyle::Standard},
        {QStringLiteral("Options"), {197, 25}, FaceStyle::Standard},
        {QStringLiteral("Exit"), {197, 25}, FaceStyle::Standard},
        {QStringLiteral("Done"), {67, 21}, FaceStyle::Standard},
        {QStringLiteral("Show Answer"), {93, 21}, FaceStyle::Standard},
        {QStringLiteral("Show Question"), {93, 21}, FaceStyle::Standard},
        {QStringLiteral("Right"), {65, 22}, FaceStyle::Right},
        {QStringLiteral("Wrong"), {67, 22}, FaceStyle::Wrong},
        {QStringLiteral("End"), {66, 21}, FaceStyle::Standard},
        {QStringLiteral("End"), {65, 21}, FaceStyle::Standard},
        {QStringLiteral("<<"), {67, 21}, FaceStyle::Standard},
        {QStringLiteral("Add"), {67, 21}, FaceStyle::Standard},
        {QStringLiteral("Remove"), {67, 21}, FaceStyle::Standard},
        {QStringLiteral(">>"), {67, 21}, FaceStyle::Standard},
        {QStringLiteral("Browse"), {67, 21}, FaceStyle::Standard},
    };

    Sheet sheet;
    for (const qreal dpr : {1.0, 2.0}) {
        sheet.heading(QStringLiteral("Button faces at device pixel ratio %1").arg(dpr));
        for (const Face &f : faces)
            sheet.place(faceImage(f.label, f.size, dpr, f.style),
                        QStringLiteral("%1x%2").arg(f.size.width()).arg(f.size.height()), true);
    }
    sheet.heading(QStringLiteral("Faces at 1x, enlarged 3 times"));
    for (const Face &f : {faces[0], faces[5], faces[6], faces[7], faces[8], faces[13]}) {
        const QImage img = faceImage(f.label, f.size, 1.0, f.style);
        QImage grounded(img.size(), QImage::Format_RGB32);
        grounded.fill(artwork::windowColour());
        QPainter(&grounded).drawImage(0, 0, img);
        sheet.place(grounded.scaled(img.size() * 3), f.label);
    }

    sheet.heading(QStringLiteral("Backgrounds at their size (1x)"));
    sheet.place(artwork::backdropImage(Backdrop::Window, {437, 369}, 1), QStringLiteral("Window 437x369"));
    sheet.place(artwork::backdropImage(Backdrop::About, {437, 369}, 1), QStringLiteral("About 437x369"));
    sheet.place(artwork::backdropImage(Backdrop::Options, {437, 369}, 1), QStringLiteral("Options 437x369"));
    sheet.place(artwork::backdropImage(Backdrop::Statistics, {437, 369}, 1), QStringLiteral("Statistics 437x369"));
    sheet.place(artwork::backdropImage(Backdrop::LinedCard, {405, 163}, 1), QStringLiteral("LinedCard 405x163"));
    sheet.place(artwork::backdropImage(Backdrop::Choices, {405, 163}, 1), QStringLiteral("Choices 405x163"));
    sheet.place(artwork::backdropImage(Backdrop::Banner, {405, 150}, 1), QStringLiteral("Banner 405x150"), true);
    sheet.place(artwork::backdropImage(Backdrop::Banner, {437, 110}, 1), QStringLiteral("Banner 437x110"), true);
    sheet.place(artwork::backdropImage(Backdrop::Banner, {240, 200}, 1), QStringLiteral("Banner 240x200"), true);

    sheet.heading(QStringLiteral("Backgrounds at 2x"));
    sheet.place(artwork::backdropImage(Backdrop::Banner, {405, 150}, 2), QStringLiteral("Banner 405x150 @2x"), true);
    sheet.place(artwork::backdropImage(Backdrop::LinedCard, {405, 163}, 2), QStringLiteral("LinedCard @2x"));

    sheet.heading(QStringLiteral("Files written to Images/"));
    for (const auto &entry : makers())
        sheet.place(entry.second(), entry.first);

    sheet.newRow();
    sheet.p.end();
    const QImage out = sheet.image.copy(0, 0, sheet.image.width(), std::min(sheet.image.height(), sheet.y + 8));
    if (!out.save(file, "PNG")) {
        QTextStream(stderr) << "mkimages: cannot write " << file << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--contact-sheet"))
        return writeContactSheet(args[1]);
    if (args.size() == 3 && args[0] == QLatin1String("--icon"))
        return artwork::appIcon(args[2].toInt()).save(args[1], "PNG") ? 0 : 1;
    if (args.isEmpty() || args[0].startsWith(QLatin1String("--"))) {
        QTextStream(stderr) << "usage: mkimages <folder> [file ...]\n"
                               "       mkimages --icon <file.png> <size>\n"
                               "       mkimages --contact-sheet <file.png>\n";
        return 2;
    }
    return writeFiles(args[0], args.mid(1));
}
