#include "form1.h"

#include "facetext.h"
#include "surface/twips.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>

namespace {

QColor fromBgr(quint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

} // namespace

void Form1::buttons(FaceButton *butObj, QString &worDs, quint32 fgcolor, quint32 bgcolor)
{
    const FaceText::Plan plan =
            FaceText::plan(worDs, bgcolor, Twips::height(butObj), m_lastFontSize);
    m_lastFontSize = plan.fontSize;
    butObj->paintedCaption = worDs;
    if (plan.suggestionSurface)
        Picture1->resize(WordSelect(0)->size());
    worDs = plan.text;

    // Paint the text on the surface: centred or from the left edge, always
    // centred from top to bottom, each line after a break at the left edge.
    const QSize size = Picture1->size().expandedTo(QSize(1, 1));
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
    QString shown = worDs;
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

    const QString file = FaceText::pictureFile(butObj->Tag, worDs);
    if (!file.isEmpty()) {
        QPixmap picture(programPath(file));
        // A missing picture leaves the face the button had.
        if (!picture.isNull())
            butObj->setPicture(picture);
        return;
    }
    butObj->setPicture(face);
}

void Form1::buttons(FaceButton *butObj, const QString &worDs, quint32 fgcolor, quint32 bgcolor)
{
    QString text = worDs;
    buttons(butObj, text, fgcolor, bgcolor);
}
