#include "facebutton.h"

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

    if (m_dwell >= 0 || m_scan != ScanMark::None)
        paintAccessMarks(p, r, labelRect(), m_dwell, m_scan);
}

void FaceButton::setAccessMarks(double dwellProgress, ScanMark scan)
{
    // The bar moves in whole pixels: repaint only when it shows a change.
    const auto pixels = [this](double d) { return d < 0 ? -1 : qRound(d * width()); };
    if (pixels(dwellProgress) == pixels(m_dwell) && scan == m_scan)
        return;
    m_dwell = dwellProgress;
    m_scan = scan;
    update();
}

QRect FaceButton::labelRect()
{
    if (m_picture.isNull())
        return QRect();
    if (m_labelKey != m_picture.cacheKey()) {
        m_labelKey = m_picture.cacheKey();
        const QImage image = m_picture.toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb background = image.pixel(0, 0);
        int top = image.height(), bottom = -1, left = image.width(), right = -1;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if ((line[x] & 0xFFFFFF) == (background & 0xFFFFFF))
                    continue;
                top = std::min(top, y);
                bottom = y;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        m_label = bottom < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
    }
    if (m_label.isNull())
        return QRect();
    const QRect target = pictureRect();
    const QSize size = target.size();
    const double sx = double(size.width()) / m_picture.width();
    const double sy = double(size.height()) / m_picture.height();
    return QRect(target.left() + int(m_label.left() * sx), target.top() + int(m_label.top() * sy),
                 int(std::ceil(m_label.width() * sx)), int(std::ceil(m_label.height() * sy)));
}

void FaceButton::paintAccessMarks(QPainter &p, const QRect &r, const QRect &label,
                                  double dwellProgress, ScanMark scan)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    if (scan != ScanMark::None) {
        // Thick on top and bottom; at the sides only as thick as the room
        // beside the label allows, so that the frame never hides a letter.
        const int thick = scan == ScanMark::Group ? 5 : scan == ScanMark::Item ? 7 : 9;
        const QColor colour = scan == ScanMark::Group  ? QColor(0x00, 0x30, 0xD0)
                              : scan == ScanMark::Item ? QColor(0xF0, 0x10, 0x10)
                                                       : QColor(0x00, 0xB0, 0x00);
        int leftSide = thick, rightSide = thick;
        if (!label.isNull()) {
            leftSide = std::clamp(label.left() - r.left() - 1, 3, thick);
            rightSide = std::clamp(r.right() - label.right() - 1, 3, thick);
        }
        const QRect inner = r.adjusted(leftSide, thick, -rightSide, -thick);
        QRegion band = QRegion(r).subtracted(QRegion(inner));
        p.setClipRegion(band);
        p.fillRect(r, colour);
        // A black edge outside and a white line inside keep the frame clear
        // on every key colour.
        p.setClipping(false);
        p.setPen(Qt::black);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (scan != ScanMark::Group)
            p.drawRect(r.adjusted(1, 1, -2, -2));
        p.setPen(Qt::white);
        p.drawRect(inner.adjusted(-1, -1, 0, 0));
    }
    if (dwellProgress >= 0) {
        // A bar under the label that fills from left to right; above the
        // label when there is no room under it.
        const int margin = scan == ScanMark::None ? 3 : 10;
        const int height = 8;
        QRect track(r.left() + margin, r.bottom() - margin - height + 1, r.width() - 2 * margin,
                    height);
        if (!label.isNull() && label.bottom() >= track.top()) {
            const QRect above(track.left(), r.top() + margin, track.width(), height);
            if (label.top() > above.bottom())
                track = above;
        }
        p.setPen(Qt::black);
        p.setBrush(QColor(0xF4, 0xF4, 0xF4));
        p.drawRect(track.adjusted(0, 0, -1, -1));
        const int filled = qRound((track.width() - 2) * std::min(1.0, dwellProgress));
        p.fillRect(QRect(track.left() + 1, track.top() + 1, filled, track.height() - 2),
                   QColor(0x10, 0x20, 0xC0));
    }
    p.restore();
}
