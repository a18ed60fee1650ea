#include "accessmarks.h"

#include "facetext.h"
#include "keyboardfile.h"

#include <algorithm>
#include <cmath>

namespace AccessMarks {

namespace {

double linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

Rgb fromBgr(BgrColour bgr)
{
    return 0xFF000000u | ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
}

} // namespace

const QList<NamedColour> &colours()
{
    static const QList<NamedColour> named = {
        { QStringLiteral("Dark blue"), 0xFF0030C0 }, { QStringLiteral("Black"), 0xFF000000 },
        { QStringLiteral("Dark red"), 0xFF900000 },  { QStringLiteral("Dark green"), 0xFF005000 },
        { QStringLiteral("Purple"), 0xFF600080 },
    };
    return named;
}

Rgb colour(int index)
{
    const QList<NamedColour> &all = colours();
    return all.at(index >= 0 && index < all.size() ? index : 0).rgb;
}

double luminance(Rgb rgb)
{
    return 0.2126 * linear(int((rgb >> 16) & 0xFF)) + 0.7152 * linear(int((rgb >> 8) & 0xFF))
           + 0.0722 * linear(int(rgb & 0xFF));
}

double contrast(Rgb a, Rgb b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb ink(Rgb background)
{
    const Rgb black = 0xFF000000;
    const Rgb white = 0xFFFFFFFF;
    return contrast(background, black) >= contrast(background, white) ? black : white;
}

QList<Rgb> keyColours()
{
    QList<Rgb> all;
    for (const KeyKind &kind : KeyKinds::all())
        all.append(fromBgr(kind.colour));
    all.append(fromBgr(FaceText::kSuggestionColour));
    all.append(fromBgr(FaceText::kEditorColour));
    all.append(kPausedColour);
    return all;
}

} // namespace AccessMarks
