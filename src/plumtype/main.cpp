#include "form1.h"

#include "pictograms.h"
#include "programfolder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>
#include <QTextStream>

namespace {

// The files shipped with the program: share/plumtype beside the bin folder,
// or the folder PLUMTYPE_DATA names.
QString shippedData()
{
    const QString fromEnv = qEnvironmentVariable("PLUMTYPE_DATA");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../share/plumtype"));
}

// --screenshot: waits until the home keyboard is shown, saves a picture of
// the window and ends; 1 when there is no home keyboard or no picture.
int screenshot(Form1 &window, const QString &path)
{
    const QDeadlineTimer deadline(30000);
    while (window.starting || window.loadingmap || window.lastbutton < 2) {
        if (deadline.hasExpired())
            break;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    if (!QFileInfo::exists(window.keyboardPath(QStringLiteral("home.kbd")))
        || window.lastbutton < 3) {
        QTextStream(stderr) << "plumtype: the home keyboard was not shown\n";
        return 1;
    }
    if (!window.grab().save(path)) {
        QTextStream(stderr) << "plumtype: cannot write " << path << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("plumtype"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PLUMTYPE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.plumtype.Plumtype"));
    QGuiApplication::setWindowIcon(
            QPixmap::fromImage(Pictograms::draw(QStringLiteral("plumtype"), QSize(64, 64))));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plumtype, an on-screen keyboard."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption screenshotOption(
            QStringLiteral("screenshot"),
            QStringLiteral("Start as usual, save a picture of the window once the home keyboard "
                           "is shown, and end."),
            QStringLiteral("file.png"));
    parser.addOption(screenshotOption);
    parser.process(app);

    // The program folder is the user's data folder: the shipped files that
    // are missing there are copied in; nothing the user has is overwritten.
    // When that folder cannot be made or written, the shipped folder serves,
    // and nothing is saved.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const ProgramFolder::Choice choice = ProgramFolder::choose(shippedData(), folder);
    // One line, however many files could not be copied.
    if (!choice.readOnlyReason.isEmpty()) {
        QTextStream(stderr) << "plumtype: nothing can be saved: " << choice.readOnlyReason << '\n';
    } else if (!choice.laidOut.failed.isEmpty()) {
        QTextStream(stderr) << "plumtype: " << choice.laidOut.failed.size()
                            << " shipped files could not be copied to " << folder << '\n';
    }

    Form1 window(choice.folder, choice.readOnlyReason);
    window.show();
    if (parser.isSet(screenshotOption))
        return screenshot(window, parser.value(screenshotOption));
    return app.exec();
}
