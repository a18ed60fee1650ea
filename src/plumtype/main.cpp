#include "form1.h"

#include "desktopsession.h"

#include "pictograms.h"
#include "programfolder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

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

// In a Wayland session Plumtype runs as an XWayland client when it can: its
// window can then refuse the keyboard focus, and the keys it sends can be
// told from the program's.  The session is told by XDG_SESSION_TYPE, or by
// WAYLAND_DISPLAY where a compositor started from a text console set no
// session type.  A platform the user chose stays.
void preferXWayland()
{
    const QByteArray platform = DesktopSession::preferredPlatform(DesktopSession::fromProcess());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

// A termination signal closes the window as the close box does, so that the
// keys Plumtype holds are let go and nothing learned is lost.
int g_signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

void closeOnSignals(QWidget *window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window, notifier] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
        notifier->setEnabled(false);
        window->close();
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : { SIGTERM, SIGINT, SIGHUP })
        ::sigaction(signal, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    preferXWayland();
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
    closeOnSignals(&window);
    // Closing the window ends the program, also while it is a tool window
    // (live typing), which does not count as the last window closed.
    QObject::connect(&window, &Form1::closing, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    if (parser.isSet(screenshotOption))
        return screenshot(window, parser.value(screenshotOption));
    return app.exec();
}
