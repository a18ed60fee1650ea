#include "windowlayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace WindowLayout {

namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

// A size: never below zero, and finite even where the arithmetic of extreme
// inputs overflows.
double size(double v)
{
    return std::isnan(v) ? 0 : std::clamp(v, 0.0, kLargest);
}

double place(double v)
{
    return std::isnan(v) ? 0 : std::clamp(v, -kLargest, kLargest);
}

} // namespace

Result compute(const Input &in)
{
    Result r;
    r.fullWidth = size(in.windowWidth - kMargin);
    r.keyHeight = size((in.windowHeight - in.anchorTop - kMargin) / kKeyHeightDivisor);
    r.keyWidth = r.fullWidth / kColumns;
    r.suggestionTop = place(in.anchorTop - in.suggestionHeight);
    r.suggestionWidth = 3 * r.keyWidth;
    r.suggestionLeft[0] = in.suggestionLeft;
    for (int i = 1; i < 4; ++i)
        r.suggestionLeft[i] = i * r.suggestionWidth;
    r.typingHeight = size(r.suggestionTop);
    r.typingWidth = size(in.windowWidth - kMargin - in.speakWidth);
    r.speakLeft = r.typingWidth;
    return r;
}

} // namespace WindowLayout
