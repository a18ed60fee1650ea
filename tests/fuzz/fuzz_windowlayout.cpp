// The window layout: sizes never negative, never infinite or NaN.

#include "fuzzcheck.h"

#include "windowlayout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    WindowLayout::Input input;
    double *fields[] = { &input.windowWidth, &input.windowHeight,     &input.anchorTop,
                         &input.speakWidth,  &input.suggestionHeight, &input.suggestionLeft };
    for (double *field : fields) {
        const double v = in.takeDouble();
        if (!std::isfinite(v))
            return 0; // the window gives finite numbers only
        *field = v;
    }
    const WindowLayout::Result r = WindowLayout::compute(input);
    const QString what = QStringLiteral("window %1 x %2, anchor %3, speak %4, suggestions %5 at %6")
                                 .arg(input.windowWidth)
                                 .arg(input.windowHeight)
                                 .arg(input.anchorTop)
                                 .arg(input.speakWidth)
                                 .arg(input.suggestionHeight)
                                 .arg(input.suggestionLeft);
    const double sizes[] = { r.keyWidth,        r.keyHeight,    r.fullWidth,
                             r.suggestionWidth, r.typingHeight, r.typingWidth };
    for (double v : sizes)
        FUZZ_CHECK(std::isfinite(v) && v >= 0, what);
    const double places[] = { r.suggestionTop,     r.suggestionLeft[0], r.suggestionLeft[1],
                              r.suggestionLeft[2], r.suggestionLeft[3], r.speakLeft };
    for (double v : places)
        FUZZ_CHECK(std::isfinite(v), what);
    // Twelve keys fill the width of the typing area's frame.
    FUZZ_CHECK(r.keyWidth * WindowLayout::kColumns <= r.fullWidth * (1 + 1e-12), what);
    FUZZ_CHECK(r.typingWidth <= r.fullWidth || input.speakWidth < 0, what);
    return 0;
}
