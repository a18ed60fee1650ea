#include "windowlayout.h"

#include <algorithm>

namespace WindowLayout {

Result compute(const Input &in)
{
    Result r;
    r.fullWidth = std::max(0.0, in.windowWidth - kMargin);
    r.keyHeight = std::max(0.0, (in.windowHeight - in.anchorTop - kMargin) / kKeyHeightDivisor);
    r.keyWidth = r.fullWidth / kColumns;
    r.suggestionTop = in.anchorTop - in.suggestionHeight;
    r.suggestionWidth = 3 * r.keyWidth;
    r.suggestionLeft[0] = in.suggestionLeft;
    for (int i = 1; i < 4; ++i)
        r.suggestionLeft[i] = i * r.suggestionWidth;
    r.typingHeight = std::max(0.0, r.suggestionTop);
    r.typingWidth = std::max(0.0, in.windowWidth - kMargin - in.speakWidth);
    r.speakLeft = r.typingWidth;
    return r;
}

} // namespace WindowLayout
