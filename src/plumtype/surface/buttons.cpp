#include "form1.h"

#include "facetext.h"
#include "surface/twips.h"

#include "pictograms.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>

namespace {

QColor fromBgr(quint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// A face of `size`: `picture` in its upper part, `label` on one line below.
QPixmap pictureWithLabel(const QPixmap &picture, const QString &label, const QSize &size,
                         const QColor &back, const QColor &ink)
{
    QPixmap face(size);
    face.fill(back);
    QPainter p(&face);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);
    const int margin = std::max(1, size.height() / 20);
    const int labelHeight = std::max(6, size.height() * 36 / 100);
    const QRect pictureRoom(margin, margin, size.width() - 2 * margin,
                            size.height() - labelHeight - 2 * margin);
    QSize shown = picture.size();
    shown.scale(pictureRoom.size().expandedTo(QSize(1, 1)), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), shown);
    target.moveCenter(pictureRoom.center());
    p.drawPixmap(target, picture);

    const QRect labelRoom(margin, size.height() - labelHeight - margin, size.width() - 2 * margin,
                          labelHeight);
    QFont font = Fonts::verdana(8, true);
    font.setPixelSize(std::max(6, labelHeight * 85 / 100));
    for (int i = 0; i < 8 && QFontMetrics(font).horizontalAdvance(label) > labelRoom.width()
                    && font.pixelSize() > 7;
         ++i)
        font.setPixelSize(font.pixelSize() - 1);
    p.setFont(font);
    p.setPen(ink);
    const QFontMetrics fm(font);
    p.drawText(labelRoom, Qt::AlignCenter, fm.elidedText(label, Qt::ElideRight, labelRoom.width()));
    p.end();
    return face;
}

} // namespace

Form1::Face Form1::paintFace(const QString &kind, const QString &output, const QString &worDs,
                             quint32 fgcolor, quint32 bgcolor, const QSize &surface,
                             double heightTwips, int previousFontSize) const
{
    const FaceText::Plan plan = FaceText::plan(worDs, bgcolor, heightTwips, previousFontSize);
    Face f;
    f.fontSize = plan.fontSize;
    f.caption = worDs;
    f.text = plan.text;
    const QSize size = surface.expandedTo(QSize(1, 1));

    // A key that sends the text shows the Send picture with its own label.
    const QString label = worDs.simplified();
    const QString labelled = FaceText::labelledPicture(kind, label, output);
    if (!labelled.isEmpty()) {
        QPixmap picture(programPath(labelled));
        if (picture.isNull())
            picture = QPixmap::fromImage(
                    Pictograms::draw(QStringLiteral("send"), Pictograms::faceSize()));
        f.picture = pictureWithLabel(picture, label, size, fromBgr(bgcolor), fromBgr(fgcolor));
        return f;
    }
    // A missing picture leaves the face the button had: no picture then.
    const QString file = FaceText::pictureFile(kind, f.text);
    if (!file.isEmpty()) {
        f.picture = QPixmap(programPath(file));
        return f;
    }

    // Paint the text on the surface: centred or from the left edge, always
    // centred from top to bottom, each line after a break at the left edge.
    QPixmap face(size);
    face.fill(fromBgr(bgcolor));
    QPainter p(&face);
    // Fonts are looked up once per size: a keyboard load paints 120 faces.
    static QHash<int, QFont> fonts;
    auto found = fonts.find(plan.fontSize);
    if (found == fonts.end())
        found = fonts.insert(plan.fontSize, Fonts::verdana(plan.fontSize, true));
    const QFont &font = *found;
    p.setFont(font);
    p.setPen(fromBgr(fgcolor));
    const QFontMetrics fm(font);
    QString shown = f.text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList lines = shown.split(u'\n');
    int textWidth = 0;
    for (const QString &line : lines)
        textWidth = std::max(textWidth, fm.horizontalAdvance(line));
    const int textHeight = fm.height() * static_cast<int>(lines.size());
    const int x = plan.centred ? size.width() / 2 - textWidth / 2 : 0;
    int y = size.height() / 2 - textHeight / 2;
    for (int i = 0; i < lines.size(); ++i) {
        p.drawText(i == 0 ? x : 0, y + fm.ascent(), lines.at(i));
        y += fm.height();
    }
    p.end();
    f.picture = face;
    return f;
}

void Form1::showFace(FaceButton *butObj, const Face &face)
{
    m_lastFontSize = face.fontSize;
    butObj->paintedCaption = face.caption;
    if (!face.picture.isNull())
        butObj->setPicture(face.picture);
}

void Form1::buttons(FaceButton *butObj, QString &worDs, quint32 fgcolor, quint32 bgcolor)
{
    // The suggestion buttons are painted at their own size.
    if (bgcolor == FaceText::kSuggestionColour)
        Picture1->resize(WordSelect(0)->size());
    const Face face = paintFace(butObj->Tag, butObj->ToolTipText, worDs, fgcolor, bgcolor,
                                Picture1->size(), Twips::height(butObj), m_lastFontSize);
    showFace(butObj, face);
    worDs = face.text;
}

void Form1::buttons(FaceButton *butObj, const QString &worDs, quint32 fgcolor, quint32 bgcolor)
{
    QString text = worDs;
    buttons(butObj, text, fgcolor, bgcolor);
}
