#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// The marks of dwell clicking and switch scanning, for people who see
// little: a frame round the highlighted group and the highlighted key filled,
// and a fill rising over the key being dwelt on, all in one colour the user
// chooses.  Every colour offered stands out from every key colour by a
// contrast of at least 4.5 to 1 (relative luminance as in the web's
// accessibility guidelines), and the label on a filled key is drawn in the
// ink, black or white, that stands out from it most.
namespace AccessMarks {

// A colour as 0xAARRGGBB, as the toolkit's QRgb holds it.
using Rgb = quint32;

// The frame round a highlighted group, in pixels.
inline constexpr int kFrameWidth = 8;
// The contrast every mark colour keeps from every key colour.
inline constexpr double kLeastContrast = 4.5;
// A "[dwell]" or "[scan]" key while its feature is paused: amber.
inline constexpr Rgb kPausedColour = 0xFFFFB000;

struct NamedColour
{
    QString name;
    Rgb rgb;
};
// The colours offered, the first being the default.
const QList<NamedColour> &colours();
// The colour of a choice; the default for an index out of range.
Rgb colour(int index);

// Relative luminance, 0 for black to 1 for white.
double luminance(Rgb rgb);
// (lighter + 0.05) / (darker + 0.05): 1 to 21.
double contrast(Rgb a, Rgb b);
// Black or white, whichever stands out more from `background`.
Rgb ink(Rgb background);

// The colours keys, suggestions and buttons are painted in (RGB), which a
// mark must stand out from: the six key kinds, the suggestion and editor
// buttons, and the paused state.
QList<Rgb> keyColours();

} // namespace AccessMarks
