#pragma once

#include <QString>

#include <optional>

// "screensize.dat": the window and key size remembered between runs, in twips,
// one number a line: window height, window width, key height, key width.
struct ScreenSize
{
    double windowHeight = 0;
    double windowWidth = 0;
    double keyHeight = 0;
    double keyWidth = 0;
};

namespace ScreenSizeFile {

// The size the window is designed for, used when no usable file exists.
ScreenSize designSize();

// Reads the four numbers; a line without a number gives 0.  nullopt when the
// file cannot be read, has fewer than four lines, or gives no usable window size.
std::optional<ScreenSize> read(const QString &path);

bool write(const QString &path, const ScreenSize &size);

// The number at the start of a line, spaces around it ignored; 0 when none.
double leadingNumber(const QString &line);

} // namespace ScreenSizeFile
