#pragma once

#include <QString>
#include <QStringList>

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

// The smallest window that still leaves keys large enough to hit: keys of at
// least 450 x 300 twips (30 x 20 pixels on a common screen) in the layout.
inline constexpr double kMinWindowWidth = 5650;
inline constexpr double kMinWindowHeight = 5760;
inline constexpr double kMinKeyWidth = 450;
inline constexpr double kMinKeyHeight = 300;

// Reads the four numbers from the first lines only; a line without a number
// gives 0.  nullopt when the file cannot be read, has fewer than four lines,
// or gives no positive, finite window size.
std::optional<ScreenSize> read(const QString &path);
// The same from the file's lines.
std::optional<ScreenSize> fromLines(const QStringList &lines);

// The size to open the window with: the saved one where it is usable, a
// window larger than the available screen area shrunk to fit it, and the
// design size (itself fitted) where the saved size is missing, not finite or
// smaller than the minimum.  Key sizes outside their bounds become the design
// key.  The available size is in twips; 0 or less means unknown.
ScreenSize fit(const std::optional<ScreenSize> &saved, double availableWidth,
               double availableHeight);

// Whether a window size is worth storing: every number finite, the window not
// below the minimum and not above the largest size given (0 or less: no
// bound), and positive keys.  Anything else would break the next start.
bool isStorable(const ScreenSize &size, double maxWidth, double maxHeight);

bool write(const QString &path, const ScreenSize &size);

// The number at the start of a line, spaces around it ignored; 0 when none.
double leadingNumber(const QString &line);

} // namespace ScreenSizeFile
