#include "screensize.h"

#include "textfile.h"

#include <algorithm>
#include <cmath>

namespace ScreenSizeFile {

ScreenSize designSize()
{
    // The design client area is 11880 x 8190; the outer size adds the frame,
    // the title and the menu bar.  The key is the template key's design size.
    return { 8925, 12000, 615, 1215 };
}

double leadingNumber(const QString &line)
{
    // Only the digits 0 to 9 are written, and only they convert.
    auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype i = 0;
    while (i < line.size() && (line.at(i) == u' ' || line.at(i) == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < line.size() && (line.at(i) == u'-' || line.at(i) == u'+'))
        ++i;
    bool digits = false;
    while (i < line.size() && isDigit(line.at(i))) {
        ++i;
        digits = true;
    }
    if (i < line.size() && line.at(i) == u'.') {
        ++i;
        while (i < line.size() && isDigit(line.at(i))) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0;
    bool ok = false;
    const double value = line.mid(start, i - start).toDouble(&ok);
    // Digits that overflow a double stand for a number too large to use.
    if (!ok)
        return line.at(start) == u'-' ? -HUGE_VAL : HUGE_VAL;
    return value;
}

std::optional<ScreenSize> read(const QString &path)
{
    // Four short lines: whatever stands beyond the first few kilobytes is
    // not a size, however large the file.
    const auto lines = TextFile::readLines(path, 4096);
    if (!lines)
        return std::nullopt;
    return fromLines(*lines);
}

std::optional<ScreenSize> fromLines(const QStringList &lines)
{
    if (lines.size() < 4)
        return std::nullopt;
    ScreenSize s;
    s.windowHeight = leadingNumber(lines.at(0));
    s.windowWidth = leadingNumber(lines.at(1));
    s.keyHeight = leadingNumber(lines.at(2));
    s.keyWidth = leadingNumber(lines.at(3));
    if (!(s.windowHeight > 0) || !(s.windowWidth > 0) || !std::isfinite(s.windowHeight)
        || !std::isfinite(s.windowWidth))
        return std::nullopt;
    return s;
}

ScreenSize fit(const std::optional<ScreenSize> &saved, double availableWidth,
               double availableHeight)
{
    const ScreenSize design = designSize();
    ScreenSize s = saved.value_or(design);
    const bool usable = std::isfinite(s.windowWidth) && std::isfinite(s.windowHeight)
                        && s.windowWidth >= kMinWindowWidth && s.windowHeight >= kMinWindowHeight;
    if (!usable)
        s = design;
    if (std::isfinite(availableWidth) && availableWidth > 0)
        s.windowWidth = std::min(s.windowWidth, availableWidth);
    if (std::isfinite(availableHeight) && availableHeight > 0)
        s.windowHeight = std::min(s.windowHeight, availableHeight);
    auto keyWithin = [](double key, double least, double most) {
        return std::isfinite(key) && key >= least && key <= most;
    };
    if (!keyWithin(s.keyWidth, kMinKeyWidth, s.windowWidth))
        s.keyWidth = design.keyWidth;
    if (!keyWithin(s.keyHeight, kMinKeyHeight, s.windowHeight))
        s.keyHeight = design.keyHeight;
    return s;
}

bool isStorable(const ScreenSize &size, double maxWidth, double maxHeight)
{
    const double numbers[] = { size.windowHeight, size.windowWidth, size.keyHeight, size.keyWidth };
    for (double v : numbers) {
        if (!std::isfinite(v))
            return false;
    }
    if (size.windowWidth < kMinWindowWidth || size.windowHeight < kMinWindowHeight)
        return false;
    if ((maxWidth > 0 && size.windowWidth > maxWidth)
        || (maxHeight > 0 && size.windowHeight > maxHeight))
        return false;
    return size.keyWidth > 0 && size.keyHeight > 0;
}

bool write(const QString &path, const ScreenSize &size)
{
    // Whole twips, however large: a long cannot hold every storable size.
    auto number = [](double v) { return QString::number(std::round(v), 'f', 0); };
    return TextFile::write(
            path, TextFile::joinLines({ number(size.windowHeight), number(size.windowWidth),
                                        number(size.keyHeight), number(size.keyWidth) }));
}

} // namespace ScreenSizeFile
