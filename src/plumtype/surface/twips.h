#pragma once

#include <QFont>
#include <QRect>
#include <QStringList>

class QWidget;

// Lengths of the window design are twips, 1440 to the inch.  This is the one
// place where they become pixels, through the screen's logical resolution.
namespace Twips {

double perPixel();
int toPx(double twips);
double fromPx(int px);

double left(const QWidget *w);
double top(const QWidget *w);
double width(const QWidget *w);
double height(const QWidget *w);
void setLeft(QWidget *w, double twips);
void setTop(QWidget *w, double twips);
void setWidth(QWidget *w, double twips);
void setHeight(QWidget *w, double twips);
void setGeometry(QWidget *w, double left, double top, double width, double height);

} // namespace Twips

// The fonts of the design, with similar faces where they are not installed.
namespace Fonts {
QFont verdana(double pointSize, bool bold);
QFont msSansSerif(double pointSize, bool bold);
} // namespace Fonts
