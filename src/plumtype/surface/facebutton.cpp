#include "facebutton.h"

#include "accessmarks.h"
#include "facetext.h"

#include <QAccessibleWidget>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <QStyleOptionButton>

namespace {

// Screen readers and switch-access tools see a face button as a button named
// by what it does, and can press it.
class FaceButtonAccessible : public QAccessibleWidget
{
public:
    explicit FaceButtonAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::Button) { }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<const FaceButton *>(widget())->spokenName();
        return QAccessibleWidget::text(t);
    }
    // Under the scan highlight a key is selected, so that screen readers
    // follow the scan.
    QAccessible::State state() const override
    {
        QAccessible::State st = QAccessibleWidget::state();
        st.selectable = true;
        st.selected =
                static_cast<const FaceButton *>(widget())->scanMark() != FaceButton::ScanMark::None;
        return st;
    }
    QStringList actionNames() const override
    {
        return QStringList { pressAction() } + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        if (name == pressAction()) {
            auto *button = static_cast<FaceButton *>(widget());
            if (button->isEnabled())
                button->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface *faceButtonFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("FaceButton") && object && object->isWidgetType())
        return new FaceButtonAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

QRgb g_markColour = AccessMarks::colour(0);

// A frame `width` pixels wide just inside `r`.
void paintFrame(QPainter &p, const QRect &r, int width, const QColor &colour)
{
    const QRegion band = QRegion(r).subtracted(QRegion(r.adjusted(width, width, -width, -width)));
    for (const QRect &part : band)
        p.fillRect(part, colour);
}

// The part of `r` a dwell of `progress` has filled: from the bottom up.
QRect risen(const QRect &r, double progress)
{
    const int height = qRound(r.height() * std::clamp(progress, 0.0, 1.0));
    return QRect(r.left(), r.bottom() - height + 1, r.width(), height);
}

} // namespace

FaceButton::FaceButton(QWidget *parent) : QAbstractButton(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(faceButtonFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FaceButton::setBackColor(const QColor &colour)
{
    m_back = colour;
    update();
}

void FaceButton::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

QString FaceButton::spokenName() const
{
    // The caption painted last is the label the face shows.
    return FaceText::spokenName(Tag, paintedCaption, ToolTipText);
}

QRect FaceButton::pictureRect() const
{
    // The picture is drawn in the middle, scaled down when it is larger.
    const QRect r = rect();
    QSize size = m_picture.size();
    const QSize room = r.adjusted(2, 2, -2, -2).size();
    if (size.width() > room.width() || size.height() > room.height())
        size.scale(room, Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), size);
    target.moveCenter(r.center() + QPoint(1, 1));
    return target;
}

QSize FaceButton::sizeHint() const
{
    return m_picture.isNull() ? QSize(80, 40) : m_picture.size();
}

void FaceButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    const bool down = isDown();
    p.fillRect(r, m_back);

    if (!m_picture.isNull()) {
        QRect target = pictureRect();
        if (down)
            target.translate(1, 1);
        p.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != m_picture.size());
        if (!isEnabled())
            p.setOpacity(0.55);
        p.drawPixmap(target, m_picture);
        p.setOpacity(1.0);
    }

    // A raised edge, sunk while pressed, like the buttons the users know.
    const QColor light = down ? QColor(64, 64, 64) : QColor(255, 255, 255);
    const QColor dark = down ? QColor(255, 255, 255) : QColor(64, 64, 64);
    p.setPen(light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(QColor(160, 160, 160));
    p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
    p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);

    const QRgb colour = g_markColour;
    const QRgb ink = AccessMarks::ink(colour);
    if (m_scan == ScanMark::Item) {
        p.drawImage(r.topLeft(), filledFace(colour, ink));
    } else if (m_scan == ScanMark::Selected) {
        p.drawImage(r.topLeft(), filledFace(ink, colour));
        paintFrame(p, r, AccessMarks::kFrameWidth, QColor::fromRgb(colour));
    }
    if (m_dwell >= 0) {
        // Over a filled key the dwell rises in the other colours.
        const bool filled = m_scan == ScanMark::Item;
        const QRect part = risen(r, m_dwell);
        if (!part.isEmpty())
            p.drawImage(part.topLeft(), filledFace(filled ? ink : colour, filled ? colour : ink),
                        part.translated(-r.topLeft()));
    }
}

void FaceButton::setAccessMarks(double dwellProgress, ScanMark scan)
{
    // The fill rises in whole pixels: repaint only when it shows a change.
    const auto pixels = [this](double d) { return d < 0 ? -1 : qRound(d * height()); };
    if (pixels(dwellProgress) == pixels(m_dwell) && scan == m_scan)
        return;
    const bool wasSelected = m_scan != ScanMark::None;
    m_dwell = dwellProgress;
    m_scan = scan;
    update();
    if (wasSelected != (scan != ScanMark::None) && QAccessible::isActive()) {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void FaceButton::setMarkColour(QRgb colour)
{
    g_markColour = colour;
}

QRgb FaceButton::markColour()
{
    return g_markColour;
}

const QImage &FaceButton::filledFace(QRgb fill, QRgb ink)
{
    const qint64 key = m_picture.cacheKey();
    if (!m_filled.isNull() && m_filledKey == key && m_filledSize == size()
        && m_filledColours[0] == fill && m_filledColours[1] == ink
        && m_filledColours[2] == m_back.rgb())
        return m_filled;
    m_filledKey = key;
    m_filledSize = size();
    m_filledColours[0] = fill;
    m_filledColours[1] = ink;
    m_filledColours[2] = m_back.rgb();

    // The face as it shows, then each pixel taken from fill to ink by how
    // far it is from the background: the label keeps its shape and its
    // smooth edges, pictures included.
    QImage face(size(), QImage::Format_RGB32);
    face.fill(m_back);
    if (!m_picture.isNull()) {
        QPainter p(&face);
        const QRect target = pictureRect();
        p.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != m_picture.size());
        p.drawPixmap(target, m_picture);
    }
    const QRgb back = m_back.rgb();
    for (int y = 0; y < face.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(face.scanLine(y));
        for (int x = 0; x < face.width(); ++x) {
            const QRgb c = line[x];
            const int distance =
                    std::max({ std::abs(qRed(c) - qRed(back)), std::abs(qGreen(c) - qGreen(back)),
                               std::abs(qBlue(c) - qBlue(back)) });
            const int a = std::min(255, distance * 2);
            const auto mix = [a](int from, int to) { return from + (to - from) * a / 255; };
            line[x] = qRgb(mix(qRed(fill), qRed(ink)), mix(qGreen(fill), qGreen(ink)),
                           mix(qBlue(fill), qBlue(ink)));
        }
    }
    m_filled = face;
    return m_filled;
}

void FaceButton::paintAccessMarks(QPainter &p, const QRect &r, double dwellProgress, ScanMark scan)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor colour = QColor::fromRgb(g_markColour);
    const int frame = AccessMarks::kFrameWidth;
    // Inverting keeps the control's own label readable under the mark.
    const auto invert = [&p](const QRect &area) {
        p.setCompositionMode(QPainter::CompositionMode_Difference);
        p.fillRect(area, Qt::white);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    };
    if (scan == ScanMark::Item)
        invert(r);
    if (dwellProgress >= 0)
        invert(risen(r, dwellProgress));
    if (scan == ScanMark::Item || scan == ScanMark::Selected)
        paintFrame(p, r, std::min({ frame, r.width() / 3, r.height() / 3 }), colour);
    p.restore();
}
