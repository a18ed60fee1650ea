#include "facebutton.h"

#include "facetext.h"

#include <QAccessibleWidget>
#include <QPainter>
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
    const QString named = FaceText::spokenName(Tag, ToolTipText);
    if (!named.isEmpty())
        return named;
    QString caption = paintedCaption;
    caption.replace(QLatin1String("\r\n"), QLatin1String(" "));
    return caption.trimmed();
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
        QSize size = m_picture.size();
        const QSize room = r.adjusted(2, 2, -2, -2).size();
        if (size.width() > room.width() || size.height() > room.height())
            size.scale(room, Qt::KeepAspectRatio);
        QRect target(QPoint(0, 0), size);
        target.moveCenter(r.center() + QPoint(1, 1));
        if (down)
            target.translate(1, 1);
        p.setRenderHint(QPainter::SmoothPixmapTransform, size != m_picture.size());
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
}
