// makeicons <outdir> <pictogram>=<icon name>...: writes the programs' icons
// in the sizes of the icon theme, as <outdir>/hicolor/<n>x<n>/apps/<icon name>.png.

#include "pictograms.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QStringList>

#include <cstdio>

namespace {

void complain(const QString &message)
{
    std::fprintf(stderr, "makeicons: %s\n", qPrintable(message));
}

constexpr int kSizes[] = { 16, 22, 24, 32, 48, 64, 128, 256 };

} // namespace

int main(int argc, char *argv[])
{
    // Drawing needs a GUI application, but no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        complain(QStringLiteral("usage: makeicons <outdir> <pictogram>=<icon name>..."));
        return 2;
    }
    for (const QString &pair : args.mid(2)) {
        const QString pictogram = pair.section(u'=', 0, 0);
        const QString iconName = pair.section(u'=', 1);
        for (int side : kSizes) {
            const QImage image = Pictograms::draw(pictogram, QSize(side, side));
            const QString folder =
                    QStringLiteral("%1/hicolor/%2x%2/apps").arg(args.at(1)).arg(side);
            const QString path = folder + u'/' + iconName + QStringLiteral(".png");
            if (image.isNull() || iconName.isEmpty() || !QDir().mkpath(folder)
                || !image.save(path, "PNG")) {
                complain(QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(path)));
                return 1;
            }
        }
    }
    return 0;
}
