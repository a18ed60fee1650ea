// snapshot: draws Plumtype's window with a given keyboard loaded into a PNG,
// for looking at keyboards and faces without clicking through them.
//   snapshot <keyboard.kbd> <out.png> [width height]
// The window size is the outer size in pixels; without it the design size is
// used.  Runs on a fresh program folder laid out from the shipped data.

#include "form1.h"
#include "programfolder.h"
#include "screensize.h"
#include "surface/twips.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 && args.size() != 5) {
        QTextStream(stderr) << "usage: snapshot <keyboard.kbd> <out.png> [width height]\n";
        return 2;
    }
    QTemporaryDir folder;
    ProgramFolder::layOut(QStringLiteral(PLUMTYPE_DATA_DIR), folder.path());
    ScreenSize size = ScreenSizeFile::designSize();
    if (args.size() == 5) {
        size.windowWidth = Twips::fromPx(args.at(3).toInt());
        size.windowHeight = Twips::fromPx(args.at(4).toInt());
    }
    ScreenSizeFile::write(folder.filePath(QStringLiteral("screensize.dat")), size);

    Form1 w(folder.path());
    w.show();
    while (w.starting || w.loadingmap || w.lastbutton < 2)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    w.loadmap(w.keyboardPath(args.at(1)));
    QCoreApplication::processEvents();
    if (!w.grab().save(args.at(2))) {
        QTextStream(stderr) << "snapshot: cannot write " << args.at(2) << '\n';
        return 1;
    }
    return 0;
}
