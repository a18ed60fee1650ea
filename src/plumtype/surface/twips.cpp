#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace Twips {

double perPixel()
{
    static double value = [] {
        const QScreen *screen = QGuiApplication::primaryScreen();
        const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
        return 1440.0 / (dpi > 0 ? dpi : 96.0);
    }();
    return value;
}

int toPx(double twips)
{
    // No widget can be larger than this; a wild length from a file must not
    // overflow the conversion.
    constexpr double kLargest = QWIDGETSIZE_MAX;
    const double px = twips / perPixel();
    if (std::isnan(px))
        return 0;
    return static_cast<int>(std::lround(std::clamp(px, -kLargest, kLargest)));
}

double fromPx(int px)
{
    return px * perPixel();
}

double left(const QWidget *w)
{
    return fromPx(w->x());
}
double top(const QWidget *w)
{
    return fromPx(w->y());
}
double width(const QWidget *w)
{
    return fromPx(w->width());
}
double height(const QWidget *w)
{
    return fromPx(w->height());
}

void setLeft(QWidget *w, double twips)
{
    w->move(toPx(twips), w->y());
}
void setTop(QWidget *w, double twips)
{
    w->move(w->x(), toPx(twips));
}
void setWidth(QWidget *w, double twips)
{
    w->resize(std::max(0, toPx(twips)), w->height());
}
void setHeight(QWidget *w, double twips)
{
    w->resize(w->width(), std::max(0, toPx(twips)));
}

void setGeometry(QWidget *w, double left, double top, double width, double height)
{
    w->setGeometry(toPx(left), toPx(top), std::max(0, toPx(width)), std::max(0, toPx(height)));
}

} // namespace Twips

namespace Fonts {

QFont verdana(double pointSize, bool bold)
{
    QFont f;
    f.setFamilies({ QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"),
                    QStringLiteral("Bitstream Vera Sans"), QStringLiteral("Sans Serif") });
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QFont msSansSerif(double pointSize, bool bold)
{
    QFont f;
    f.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                    QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                    QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans") });
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

} // namespace Fonts
