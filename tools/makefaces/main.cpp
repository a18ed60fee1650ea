// makefaces <outdir>: writes the face pictures of the command keys that are
// shipped beside the program.

#include "pictograms.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QStringList>

#include <cstdio>

namespace {

void complain(const QString &message)
{
    std::fprintf(stderr, "makefaces: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing text needs a GUI application, but no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        complain(QStringLiteral("usage: makefaces <outdir>"));
        return 2;
    }

    const QDir outDir(args.at(1));
    if (!outDir.exists() && !QDir().mkpath(outDir.path())) {
        complain(QStringLiteral("cannot create folder %1").arg(outDir.path()));
        return 1;
    }

    const QSize size = Pictograms::faceSize();
    for (const auto &[fileName, pictogram] : Pictograms::faceFiles()) {
        const QImage image = Pictograms::draw(pictogram, size);
        const QString path = outDir.filePath(fileName);
        const bool bitmap = fileName.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive);
        const bool written = !image.isNull()
                             && (bitmap ? image.save(path, "BMP") : image.save(path, "JPEG", 100));
        if (!written) {
            complain(QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(path)));
            return 1;
        }
    }
    return 0;
}
