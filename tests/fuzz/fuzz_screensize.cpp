// The screen size file: reading it, fitting the saved size to the screen, and
// storing the fitted size.

#include "fuzzcheck.h"

#include "screensize.h"
#include "textfile.h"

#include <QFile>
#include <QRegularExpression>

using namespace ScreenSizeFile;

namespace {

QString describe(const ScreenSize &s)
{
    return QStringLiteral("window %1 x %2, key %3 x %4")
            .arg(s.windowWidth)
            .arg(s.windowHeight)
            .arg(s.keyWidth)
            .arg(s.keyHeight);
}

bool known(double available)
{
    return std::isfinite(available) && available > 0;
}

// One side of the window: never above the available size when it is known,
// and not below the minimum unless the available size is smaller still.
void checkSide(double window, double least, double available, const QString &what)
{
    FUZZ_CHECK(std::isfinite(window), what);
    if (known(available))
        FUZZ_CHECK(window <= available, what);
    FUZZ_CHECK(window >= least || (known(available) && window == available), what);
}

// A key within its bounds: at least the minimum and no larger than the window,
// or the design key (which a window smaller than the design may not hold).
void checkKey(double key, double least, double window, double designKey, const QString &what)
{
    FUZZ_CHECK(std::isfinite(key) && key >= least, what);
    FUZZ_CHECK(key <= window || key == designKey, what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const double availableWidth = in.takeDouble();
    const double availableHeight = in.takeDouble();
    const qint64 n = qint64(in.takeInt(0xFFFFFFFFu)) - 0x7FFFFFFF;
    const QByteArray bytes = in.rest();

    // As the reader reads the file: the whole lines within its first 4 KB.
    QByteArray head = bytes;
    if (head.size() > 4096) {
        head.truncate(4096);
        const qsizetype end = std::max(head.lastIndexOf('\n'), head.lastIndexOf('\r'));
        if (end >= 0)
            head.truncate(end + 1);
    }
    const std::optional<ScreenSize> saved = fromLines(TextFile::splitLines(TextFile::decode(head)));
    const bool disk = diskTurn();
    const QString path = disk ? scratchFolder() + QStringLiteral("/screensize.dat") : QString();
    if (disk) {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                           && file.write(bytes) == bytes.size(),
                   path);
        file.close();
        const std::optional<ScreenSize> fromFile = read(path);
        FUZZ_CHECK(fromFile.has_value() == saved.has_value()
                           && (!saved || describe(*fromFile) == describe(*saved)),
                   shown(TextFile::decode(head)));
    }
    if (saved) {
        FUZZ_CHECK(std::isfinite(saved->windowWidth) && saved->windowWidth > 0, describe(*saved));
        FUZZ_CHECK(std::isfinite(saved->windowHeight) && saved->windowHeight > 0, describe(*saved));
    }

    const ScreenSize design = designSize();
    const ScreenSize s = fit(saved, availableWidth, availableHeight);
    const QString what = describe(s) + QStringLiteral(" from ")
                         + (saved ? describe(*saved) : QStringLiteral("nothing"))
                         + QStringLiteral(" in %1 x %2").arg(availableWidth).arg(availableHeight);
    checkSide(s.windowWidth, kMinWindowWidth, availableWidth, what);
    checkSide(s.windowHeight, kMinWindowHeight, availableHeight, what);
    checkKey(s.keyWidth, kMinKeyWidth, s.windowWidth, design.keyWidth, what);
    checkKey(s.keyHeight, kMinKeyHeight, s.windowHeight, design.keyHeight, what);

    // A usable saved size on a screen of unknown size is kept as it is.
    if (saved && saved->windowWidth >= kMinWindowWidth && saved->windowHeight >= kMinWindowHeight
        && !known(availableWidth) && !known(availableHeight))
        FUZZ_CHECK(s.windowWidth == saved->windowWidth && s.windowHeight == saved->windowHeight,
                   what);

    // Where the screen holds the smallest window, the fitted size is worth
    // storing, and storing it gives the same size back, to the twip.
    const bool roomy = (!known(availableWidth) || availableWidth >= kMinWindowWidth)
                       && (!known(availableHeight) || availableHeight >= kMinWindowHeight);
    if (roomy)
        FUZZ_CHECK(isStorable(s, availableWidth, availableHeight), what);
    if (roomy && disk) {
        FUZZ_CHECK(write(path, s), path);
        const std::optional<ScreenSize> back = read(path);
        FUZZ_CHECK(back.has_value(), what);
        FUZZ_CHECK(back->windowWidth == std::round(s.windowWidth)
                           && back->windowHeight == std::round(s.windowHeight)
                           && back->keyWidth == std::round(s.keyWidth)
                           && back->keyHeight == std::round(s.keyHeight),
                   describe(*back) + QStringLiteral(" stored for ") + what);
        // No name leaves its folder: a size file linked out is not written.
        const LinkTrap trap(QFileInfo(path).absolutePath());
        const QString linked = QFileInfo(path).absolutePath() + QStringLiteral("/linked.dat");
        trap.plant(QStringLiteral("linked.dat"), uint8_t(n));
        FUZZ_CHECK(!write(linked, s), linked);
        FUZZ_CHECK(trap.untouched(), linked);
    }

    // Any line: a finite number or 0, unless its digits overflow a double; a
    // plain integer reads as itself.
    for (const QString &line : TextFile::splitLines(TextFile::decode(bytes))) {
        const double v = leadingNumber(line);
        static const QRegularExpression manyDigits(QStringLiteral("[0-9]{300}"));
        FUZZ_CHECK(std::isfinite(v) || line.contains(manyDigits), shown(line));
    }
    FUZZ_CHECK(leadingNumber(QStringLiteral(" %1 ").arg(n)) == double(n), QString::number(n));
    return 0;
}
