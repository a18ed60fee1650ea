#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QSize>
#include <QString>

// Bold, high-contrast pictures drawn with QPainter: the faces of the command
// keys, the loudspeaker of the Speak button, the arrows of the key editor and
// the splash picture.  Everything is drawn in proportional coordinates, so any
// size works; the shapes are chosen to stay readable when scaled down.
namespace Pictograms {

// Draws the named pictogram into an image of the given size.
// Names: "home","delete","return","back","clear","copy","web","save","load","edit","game"
//        (faces of command keys, opaque RGB32 on the key's own background colour),
//        "speak" (a loudspeaker with sound waves), "up","down","left","right" (arrows),
//        "splash" (a friendly logo shown briefly while a keyboard loads),
//        "plumtype", "wordloom" (the programs' icons); these are ARGB32 with a
//        transparent background.
// Returns a null image for an unknown name or an empty size.
QImage draw(const QString &name, const QSize &size);

// The face picture files the program ships: {"home.bmp","home"}, {"delete.jpg","delete"}, ...
// {"game.jpg","game"}; the first of each pair is the file name, the second the pictogram name.
QList<QPair<QString, QString>> faceFiles();

// The size the face files are written at.
QSize faceSize();

// Pictures wanted soon after the program starts, drawn on a thread of their
// own while the window is being made.  That thread reads the fonts first, so
// the window's first text finds them ready.  One at a time; it lives while
// the QGuiApplication does, and its end waits for the thread.
class DrawnAside
{
public:
    explicit DrawnAside(const QList<QPair<QString, QSize>> &pictures);
    ~DrawnAside();
    DrawnAside(const DrawnAside &) = delete;
    DrawnAside &operator=(const DrawnAside &) = delete;
};

// The picture drawn aside, once it is ready; else drawn now.
QImage drawSoon(const QString &name, const QSize &size);

} // namespace Pictograms
