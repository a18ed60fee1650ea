#include "pictograms.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <memory>

namespace Pictograms {

namespace {

// Colours. Text and outlines are near-black; each command has one strong
// colour of its own so the keys can be told apart at a glance.
const QColor kInk(0x20, 0x20, 0x20);
const QColor kRed(0xC6, 0x28, 0x28);
const QColor kBlue(0x1A, 0x4F, 0xA0);
const QColor kGreen(0x1B, 0x7A, 0x3A);
const QColor kIndigo(0x28, 0x35, 0x93);
const QColor kPurple(0x7B, 0x1F, 0xA2);
const QColor kHomePurple(0x4A, 0x14, 0x66);
const QColor kOrange(0xF5, 0xA6, 0x23);
const QColor kDarkOrange(0xB8, 0x6E, 0x00);
const QColor kYellow(0xF2, 0xB6, 0x00);
const QColor kPink(0xF0, 0x80, 0x90);

const QColor kWhiteKey(0xFF, 0xFF, 0xFF);
const QColor kHomeKey(0xFF, 0xC0, 0xFF); // the purple of keyboard keys

QFont boldFont(qreal pixelSize)
{
    QFont font;
    font.setFamilies({ QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"),
                       QStringLiteral("Sans Serif") });
    font.setBold(true);
    font.setPixelSize(std::max(1, qRound(pixelSize)));
    return font;
}

QPen thickPen(const QColor &colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Fills a shape and strokes its edge in the same colour, which rounds the
// corners a little and keeps small shapes solid.
void fillRounded(QPainter &p, const QPolygonF &shape, const QColor &colour, qreal edge)
{
    p.setPen(thickPen(colour, edge));
    p.setBrush(colour);
    p.drawPolygon(shape);
}

// ---------------------------------------------------------------------------
// Command key pictograms. Each draws into a box 100 units high and `width`
// units wide; the painter is already transformed into that box.

struct Face
{
    const char *name;
    const char *word;
    qreal width; // width of the pictogram box in units, height is 100
    void (*paint)(QPainter &p, const QColor &background);
};

void paintHome(QPainter &p, const QColor &background)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kHomePurple);
    p.drawRect(QRectF(68, 12, 14, 30)); // chimney, mostly hidden by the roof
    const QPolygonF house(
            { { 50, 5 }, { 97, 48 }, { 84, 48 }, { 84, 96 }, { 16, 96 }, { 16, 48 }, { 3, 48 } });
    fillRounded(p, house, kHomePurple, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawRoundedRect(QRectF(39, 60, 22, 37), 4, 4); // door
}

void paintDelete(QPainter &p, const QColor &background)
{
    // The backspace key: a pentagon pointing left with a cross in it.
    const QPolygonF key({ { 5, 50 }, { 42, 8 }, { 135, 8 }, { 135, 92 }, { 42, 92 } });
    fillRounded(p, key, kRed, 10);
    p.setPen(thickPen(background, 13));
    p.drawLine(QPointF(70, 29), QPointF(110, 71));
    p.drawLine(QPointF(110, 29), QPointF(70, 71));
}

void paintReturn(QPainter &p, const QColor &)
{
    // The enter arrow: down from the top right, then left to a solid head.
    QPainterPath stem;
    stem.moveTo(104, 8);
    stem.lineTo(104, 62);
    stem.lineTo(40, 62);
    QPen pen = thickPen(kBlue, 17);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(stem);
    const QPolygonF head({ { 6, 62 }, { 46, 26 }, { 46, 98 } });
    fillRounded(p, head, kBlue, 6);
}

void paintBack(QPainter &p, const QColor &)
{
    // A curved undo arrow: the head points left, the tail turns back round.
    QPainterPath curve;
    curve.moveTo(36, 30);
    curve.lineTo(72, 30);
    curve.arcTo(QRectF(44, 30, 56, 56), 90, -180);
    curve.lineTo(26, 86);
    p.setPen(thickPen(kGreen, 17));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    const QPolygonF head({ { 4, 30 }, { 42, 0 }, { 42, 60 } });
    fillRounded(p, head, kGreen, 6);
}

void paintClear(QPainter &p, const QColor &background)
{
    // A sheet with a big cross over it.
    const QPolygonF sheet({ { 12, 5 }, { 64, 5 }, { 88, 29 }, { 88, 95 }, { 12, 95 } });
    p.setPen(thickPen(kInk, 9));
    p.setBrush(background);
    p.drawPolygon(sheet);
    p.drawPolyline(QPolygonF({ { 64, 5 }, { 64, 29 }, { 88, 29 } }));
    p.setPen(thickPen(kRed, 15));
    p.drawLine(QPointF(31, 42), QPointF(69, 80));
    p.drawLine(QPointF(69, 42), QPointF(31, 80));
}

void paintCopy(QPainter &p, const QColor &background)
{
    // Two overlapping sheets.
    p.setPen(thickPen(kBlue, 10));
    p.setBrush(background);
    p.drawRoundedRect(QRectF(10, 6, 52, 62), 6, 6);
    p.drawRoundedRect(QRectF(38, 32, 52, 62), 6, 6);
    p.setPen(thickPen(kBlue, 7));
    p.drawLine(QPointF(50, 52), QPointF(78, 52));
    p.drawLine(QPointF(50, 74), QPointF(78, 74));
}

void paintWeb(QPainter &p, const QColor &background)
{
    // A globe: a solid disc with a meridian and the equator cut out of it.
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(50, 50), 46, 46);
    p.setPen(thickPen(background, 7));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(50, 50), 18, 46);
    p.drawLine(QPointF(4, 50), QPointF(96, 50));
    QPainterPath disc;
    disc.addEllipse(QPointF(50, 50), 42, 42);
    p.setClipPath(disc);
    p.drawLine(QPointF(0, 27), QPointF(100, 27));
    p.drawLine(QPointF(0, 73), QPointF(100, 73));
    p.setClipping(false);
}

void paintSave(QPainter &p, const QColor &background)
{
    // A floppy disk.
    const QPolygonF disk({ { 6, 6 }, { 78, 6 }, { 94, 22 }, { 94, 94 }, { 6, 94 } });
    fillRounded(p, disk, kIndigo, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawRect(QRectF(26, 4, 44, 28));               // metal shutter
    p.drawRoundedRect(QRectF(20, 52, 60, 44), 4, 4); // label
    p.setBrush(kIndigo);
    p.drawRect(QRectF(52, 10, 11, 18)); // opening in the shutter
    p.setPen(thickPen(kIndigo, 7));
    p.drawLine(QPointF(32, 66), QPointF(68, 66));
    p.drawLine(QPointF(32, 82), QPointF(68, 82));
}

void paintLoad(QPainter &p, const QColor &)
{
    // An open folder: the back with its tab, and the front flap tipped open.
    const QPolygonF back({ { 6, 12 }, { 40, 12 }, { 50, 24 }, { 98, 24 }, { 98, 92 }, { 6, 92 } });
    p.setPen(thickPen(kInk, 7));
    p.setBrush(kDarkOrange);
    p.drawPolygon(back);
    const QPolygonF front({ { 24, 42 }, { 118, 42 }, { 98, 92 }, { 6, 92 } });
    p.setBrush(kOrange);
    p.drawPolygon(front);
}

void paintEdit(QPainter &p, const QColor &)
{
    // A pencil, point down to the left.
    p.save();
    p.translate(50, 50);
    p.rotate(-45);
    const qreal half = 15;
    const QPolygonF body({ { -30, -half }, { 34, -half }, { 34, half }, { -30, half } });
    const QPolygonF point({ { -56, 0 }, { -30, -half }, { -30, half } });
    const QPolygonF lead({ { -56, 0 }, { -47, -5.2 }, { -47, 5.2 } });
    const QRectF rubber(34, -half, 20, 2 * half);
    p.setPen(thickPen(kInk, 6));
    p.setBrush(kYellow);
    p.drawPolygon(body);
    p.setBrush(QColor(0xF6, 0xD9, 0xA8));
    p.drawPolygon(point);
    p.setBrush(kPink);
    p.drawRoundedRect(rubber, 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(lead);
    p.restore();
}

void paintGame(QPainter &p, const QColor &background)
{
    // A die showing five.
    p.setPen(Qt::NoPen);
    p.setBrush(kPurple);
    p.drawRoundedRect(QRectF(6, 6, 88, 88), 18, 18);
    p.setBrush(background);
    const qreal r = 10;
    for (const QPointF &pip :
         { QPointF(29, 29), QPointF(71, 29), QPointF(50, 50), QPointF(29, 71), QPointF(71, 71) }) {
        p.drawEllipse(pip, r, r);
    }
}

void paintSend(QPainter &p, const QColor &)
{
    // A paper plane flying off to the right: the text leaves for another
    // program.
    const QPolygonF upper({ { 4, 50 }, { 116, 6 }, { 46, 62 } });
    const QPolygonF lower({ { 46, 62 }, { 116, 6 }, { 80, 94 } });
    const QPolygonF fold({ { 46, 62 }, { 80, 94 }, { 50, 96 } });
    fillRounded(p, upper, kBlue, 5);
    fillRounded(p, lower, kIndigo, 5);
    fillRounded(p, fold, kInk, 4);
}

const Face kFaces[] = {
    { "home", "Home", 100, paintHome },      { "delete", "Delete", 140, paintDelete },
    { "return", "Enter", 120, paintReturn }, { "back", "Back", 110, paintBack },
    { "clear", "Clear", 100, paintClear },   { "copy", "Copy", 100, paintCopy },
    { "web", "Web", 100, paintWeb },         { "save", "Save", 100, paintSave },
    { "load", "Open", 124, paintLoad },      { "edit", "Edit", 100, paintEdit },
    { "game", "Game", 100, paintGame },      { "send", "Send", 120, paintSend },
};

const Face *findFace(const QString &name)
{
    for (const Face &face : kFaces) {
        if (name == QLatin1String(face.name))
            return &face;
    }
    return nullptr;
}

// Pixel size of `word` in the bold face font so that it fits `box`.
qreal fittedTextSize(const QString &word, const QSizeF &box)
{
    qreal px = box.height() * 0.92;
    for (int i = 0; i < 40 && px > 4; ++i) {
        const QFontMetricsF metrics(boldFont(px));
        if (metrics.horizontalAdvance(word) <= box.width() && metrics.capHeight() <= box.height())
            break;
        px *= 0.94;
    }
    return px;
}

// A face: the pictogram above, the word in bold below it.
QImage drawFace(const Face &face, const QSize &size)
{
    const QColor background =
            QLatin1String(face.name) == QLatin1String("home") ? kHomeKey : kWhiteKey;
    QImage image(size, QImage::Format_RGB32);
    image.fill(background);

    const qreal w = size.width();
    const qreal h = size.height();
    const qreal margin = std::max<qreal>(1, h * 0.05);
    const QString word = QString::fromLatin1(face.word);

    // The word takes about the lower third; the word sits on its baseline with
    // room for a descender below.
    const qreal textPx = fittedTextSize(word, QSizeF(w - 2 * margin, h * 0.27));
    const QFont font = boldFont(textPx);
    const QFontMetricsF metrics(font);
    const qreal baseline = h - margin - metrics.descent() * 0.8;
    const qreal textTop = baseline - metrics.capHeight();

    const qreal gap = std::max<qreal>(1, h * 0.06);
    const qreal iconHeight = std::max<qreal>(1, textTop - gap - margin);
    const qreal unit = std::min(iconHeight / 100, (w - 2 * margin) / face.width);
    const qreal iconWidth = face.width * unit;

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    p.save();
    p.translate((w - iconWidth) / 2, margin + (iconHeight - 100 * unit) / 2);
    p.scale(unit, unit);
    face.paint(p, background);
    p.restore();

    p.setFont(font);
    p.setPen(kInk);
    const qreal textWidth = metrics.horizontalAdvance(word);
    p.drawText(QPointF((w - textWidth) / 2, baseline), word);
    return image;
}

// ---------------------------------------------------------------------------
// Pictures on plain buttons, transparent around the shape.

QImage transparentImage(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage drawSpeak(const QSize &size)
{
    QImage image = transparentImage(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(size.width(), size.height());
    p.translate((size.width() - side) / 2, (size.height() - side) / 2);
    p.scale(side / 100, side / 100);

    // The speaker: a box and its cone.
    const QPolygonF speaker(
            { { 6, 35 }, { 24, 35 }, { 50, 12 }, { 50, 88 }, { 24, 65 }, { 6, 65 } });
    fillRounded(p, speaker, kInk, 6);

    // Sound waves spreading to the right.
    p.setPen(thickPen(kInk, 10));
    p.setBrush(Qt::NoBrush);
    const QPointF mouth(50, 50);
    for (qreal r : { 16.0, 31.0, 46.0 }) {
        const QRectF circle(mouth.x() - r, mouth.y() - r, 2 * r, 2 * r);
        p.drawArc(circle, -45 * 16, 90 * 16);
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage drawArrow(const QString &name, const QSize &size)
{
    QImage image = transparentImage(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const bool vertical = name == QLatin1String("up") || name == QLatin1String("down");
    const qreal w = size.width();
    const qreal h = size.height();
    // Length along the arrow and breadth across it, keeping a sturdy shape
    // whatever the proportions of the picture.
    const qreal alongSpace = vertical ? h : w;
    const qreal acrossSpace = vertical ? w : h;
    const qreal length = alongSpace * 0.9;
    const qreal breadth = std::min(acrossSpace * 0.9, length * 0.95);

    // A right-pointing arrow in (along, across) with along 0..1, across -0.5..0.5.
    const QPolygonF unitArrow({ { 0.0, -0.17 },
                                { 0.52, -0.17 },
                                { 0.52, -0.5 },
                                { 1.0, 0.0 },
                                { 0.52, 0.5 },
                                { 0.52, 0.17 },
                                { 0.0, 0.17 } });

    p.translate(w / 2, h / 2);
    if (name == QLatin1String("down"))
        p.rotate(90);
    else if (name == QLatin1String("left"))
        p.rotate(180);
    else if (name == QLatin1String("up"))
        p.rotate(-90);
    p.translate(-length / 2, 0);
    p.scale(length, breadth);

    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(unitArrow);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The pictures on the plum tile (the splash and the program icons) are drawn
// on a canvas of 256 by 256 units, centred in the image.
void onTile(QPainter &p, const QSize &size)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const qreal side = std::min(size.width(), size.height());
    p.translate((size.width() - side) / 2, (size.height() - side) / 2);
    p.scale(side / 256, side / 256);
}

// A rounded square shaded from top to bottom.
void paintTile(QPainter &p, const QColor &top, const QColor &bottom)
{
    QLinearGradient tileShade(0, 0, 0, 256);
    tileShade.setColorAt(0, top);
    tileShade.setColorAt(1, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(tileShade);
    p.drawRoundedRect(QRectF(2, 2, 252, 252), 44, 44);
}

// A plum with a leaf, centred at 128,76.
void paintPlum(QPainter &p)
{
    const QPointF plumCentre(128, 76);
    p.setPen(thickPen(Qt::white, 6));
    QRadialGradient plumShade(plumCentre + QPointF(-14, -16), 56);
    plumShade.setColorAt(0, QColor(0xD9, 0xA6, 0xF5));
    plumShade.setColorAt(0.45, QColor(0xA8, 0x4F, 0xD8));
    plumShade.setColorAt(1, QColor(0x7A, 0x2B, 0xB0));
    p.setBrush(plumShade);
    p.drawEllipse(plumCentre, 46, 43);
    p.setPen(thickPen(QColor(0x5A, 0x1C, 0x80), 5));
    p.setBrush(Qt::NoBrush);
    QPainterPath crease;
    crease.moveTo(128, 40);
    crease.cubicTo(112, 62, 112, 92, 124, 114);
    p.drawPath(crease);
    p.setPen(thickPen(QColor(0x6D, 0x43, 0x22), 6));
    p.drawLine(QPointF(128, 36), QPointF(134, 18)); // stem
    QPainterPath leaf;
    leaf.moveTo(134, 24);
    leaf.cubicTo(146, 6, 170, 8, 180, 16);
    leaf.cubicTo(168, 32, 148, 36, 134, 24);
    p.setPen(thickPen(Qt::white, 4));
    p.setBrush(QColor(0x4C, 0xAF, 0x50));
    p.drawPath(leaf);
}

// A keyboard: a white plate 188 by 70 with three rows of keys and a space bar.
void paintKeyboard(QPainter &p, const QPointF &topLeft)
{
    const QRectF plate(topLeft, QSizeF(188, 70));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(plate, 12, 12);
    p.setBrush(QColor(0x4A, 0x17, 0x66));
    const qreal keyW = 17;
    const qreal keyH = 13;
    const qreal pitch = 21.5;
    for (int row = 0; row < 3; ++row) {
        const int keys = row == 2 ? 7 : 8;
        const qreal rowWidth = (keys - 1) * pitch + keyW;
        const qreal x0 = plate.center().x() - rowWidth / 2;
        const qreal y = plate.top() + 8 + row * 15.5;
        for (int k = 0; k < keys; ++k) {
            if (row == 2 && (k >= 2 && k <= 4))
                continue; // room for the space bar
            p.drawRoundedRect(QRectF(x0 + k * pitch, y, keyW, keyH), 3, 3);
        }
        if (row == 2)
            p.drawRoundedRect(QRectF(x0 + 2 * pitch, y, 2 * pitch + keyW, keyH), 3, 3);
    }
}

const QColor kPlumTop(0x6A, 0x2C, 0x91);
const QColor kPlumBottom(0x3F, 0x12, 0x5C);

QImage drawSplash(const QSize &size)
{
    QImage image = transparentImage(size);
    QPainter p(&image);
    onTile(p, size);
    paintTile(p, kPlumTop, kPlumBottom);
    paintPlum(p);
    paintKeyboard(p, QPointF(34, 132));

    // The name.
    const QString title = QStringLiteral("Plumtype");
    const qreal textPx = fittedTextSize(title, QSizeF(200, 36));
    const QFont font = boldFont(textPx);
    p.setFont(font);
    p.setPen(Qt::white);
    const QFontMetricsF metrics(font);
    const qreal textWidth = metrics.horizontalAdvance(title);
    p.drawText(QPointF(128 - textWidth / 2, 238 - metrics.descent() * 0.5), title);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Plumtype's icon: the splash without its name, plum and keyboard centred.
QImage drawPlumtypeIcon(const QSize &size)
{
    QImage image = transparentImage(size);
    QPainter p(&image);
    onTile(p, size);
    paintTile(p, kPlumTop, kPlumBottom);
    p.translate(0, 22);
    paintPlum(p);
    paintKeyboard(p, QPointF(34, 132));
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Wordloom's icon: a list on a sheet turning into a keyboard, on a tile of
// its own colour.
QImage drawWordloomIcon(const QSize &size)
{
    QImage image = transparentImage(size);
    QPainter p(&image);
    onTile(p, size);
    paintTile(p, QColor(0x1E, 0x7F, 0x8E), QColor(0x0C, 0x45, 0x52));

    // The sheet, its title and its words.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(40, 24, 96, 112), 10, 10);
    p.setPen(thickPen(QColor(0x4A, 0x17, 0x66), 10));
    p.drawLine(QPointF(56, 46), QPointF(118, 46));
    p.setPen(thickPen(QColor(0x6A, 0x8A, 0x90), 7));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(56, 70 + i * 18), QPointF(i % 2 ? 100 : 112, 70 + i * 18));

    // The arrow from the sheet down to the keys.
    p.setPen(thickPen(QColor(0xF5, 0xA6, 0x23), 12));
    p.setBrush(Qt::NoBrush);
    QPainterPath bend;
    bend.moveTo(150, 62);
    bend.cubicTo(196, 62, 198, 92, 198, 118);
    p.drawPath(bend);
    fillRounded(p, QPolygonF({ QPointF(178, 112), QPointF(218, 112), QPointF(198, 138) }),
                QColor(0xF5, 0xA6, 0x23), 6);

    paintKeyboard(p, QPointF(34, 158));
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

QImage draw(const QString &name, const QSize &size)
{
    if (size.isEmpty())
        return QImage();
    if (const Face *face = findFace(name))
        return drawFace(*face, size);
    if (name == QLatin1String("speak"))
        return drawSpeak(size);
    if (name == QLatin1String("up") || name == QLatin1String("down")
        || name == QLatin1String("left") || name == QLatin1String("right"))
        return drawArrow(name, size);
    if (name == QLatin1String("splash"))
        return drawSplash(size);
    if (name == QLatin1String("plumtype"))
        return drawPlumtypeIcon(size);
    if (name == QLatin1String("wordloom"))
        return drawWordloomIcon(size);
    return QImage();
}

QList<QPair<QString, QString>> faceFiles()
{
    return {
        { QStringLiteral("home.bmp"), QStringLiteral("home") },
        { QStringLiteral("delete.jpg"), QStringLiteral("delete") },
        { QStringLiteral("return.jpg"), QStringLiteral("return") },
        { QStringLiteral("back.jpg"), QStringLiteral("back") },
        { QStringLiteral("clear.jpg"), QStringLiteral("clear") },
        { QStringLiteral("copy.jpg"), QStringLiteral("copy") },
        { QStringLiteral("web.jpg"), QStringLiteral("web") },
        { QStringLiteral("save.jpg"), QStringLiteral("save") },
        { QStringLiteral("load.jpg"), QStringLiteral("load") },
        { QStringLiteral("edit.jpg"), QStringLiteral("edit") },
        { QStringLiteral("game.jpg"), QStringLiteral("game") },
        { QStringLiteral("send.jpg"), QStringLiteral("send") },
    };
}

QSize faceSize()
{
    return QSize(96, 52);
}

namespace {

struct Aside
{
    QList<QPair<QString, QSize>> asked;
    QList<QImage> drawn;
    std::unique_ptr<QThread> thread;
};
Aside *g_aside = nullptr;

} // namespace

DrawnAside::DrawnAside(const QList<QPair<QString, QSize>> &pictures)
{
    Q_ASSERT(!g_aside);
    auto *aside = new Aside;
    aside->asked = pictures;
    aside->thread.reset(QThread::create([aside] {
        QFontDatabase::families();
        for (const auto &[name, size] : std::as_const(aside->asked))
            aside->drawn.append(draw(name, size));
    }));
    aside->thread->start();
    g_aside = aside;
}

DrawnAside::~DrawnAside()
{
    g_aside->thread->wait();
    delete g_aside;
    g_aside = nullptr;
}

QImage drawSoon(const QString &name, const QSize &size)
{
    if (g_aside) {
        const qsizetype at = g_aside->asked.indexOf(qMakePair(name, size));
        if (at >= 0) {
            g_aside->thread->wait();
            return g_aside->drawn.value(at);
        }
    }
    return draw(name, size);
}

} // namespace Pictograms
