#include "screensize.h"

#include "textfile.h"

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
    qsizetype i = 0;
    while (i < line.size() && (line.at(i) == u' ' || line.at(i) == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < line.size() && (line.at(i) == u'-' || line.at(i) == u'+'))
        ++i;
    bool digits = false;
    while (i < line.size() && line.at(i).isDigit()) {
        ++i;
        digits = true;
    }
    if (i < line.size() && line.at(i) == u'.') {
        ++i;
        while (i < line.size() && line.at(i).isDigit()) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0;
    return line.mid(start, i - start).toDouble();
}

std::optional<ScreenSize> read(const QString &path)
{
    const auto lines = TextFile::readLines(path);
    if (!lines || lines->size() < 4)
        return std::nullopt;
    ScreenSize s;
    s.windowHeight = leadingNumber(lines->at(0));
    s.windowWidth = leadingNumber(lines->at(1));
    s.keyHeight = leadingNumber(lines->at(2));
    s.keyWidth = leadingNumber(lines->at(3));
    if (s.windowHeight <= 0 || s.windowWidth <= 0)
        return std::nullopt;
    return s;
}

bool write(const QString &path, const ScreenSize &size)
{
    auto number = [](double v) { return QString::number(std::lround(v)); };
    return TextFile::write(
            path, TextFile::joinLines({ number(size.windowHeight), number(size.windowWidth),
                                        number(size.keyHeight), number(size.keyWidth) }));
}

} // namespace ScreenSizeFile
