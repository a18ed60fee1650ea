#include "form1.h"

#include "desktopsession.h"
#include "filewrite.h"
#include "folderlookup.h"
#include "instance.h"
#include "pictograms.h"
#include "programfolder.h"
#include "speech/voice.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
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
// keys Plumtype holds are let go and nothing learned is lost.  Should the
// window's thread be stuck, the program ends anyway a few seconds later:
// every file is replaced atomically, so that cuts none.
int g_signalPipe[2] = { -1, -1 };
constexpr unsigned kSignalGraceSeconds = 3;
constexpr int kVoiceEndMs = 3000;
bool g_endedBySignal = false;

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    ::signal(SIGALRM, SIG_DFL);
    ::alarm(kSignalGraceSeconds);
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
        g_endedBySignal = true;
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

const QString kLockFile = QStringLiteral(".plumtype.lock");

// What writes that were killed before their rename left behind: only the
// temporary files of names Plumtype writes, in the folders it writes.
void clearLeftovers(const QString &folder)
{
    struct Place
    {
        const char *relative;
        QStringList names;
    };
    const Place places[] = {
        { "",
          { QStringLiteral("tmpkb.kbd"), QStringLiteral("screensize.dat"), QStringLiteral("*.url"),
            QStringLiteral("*.bmp"), QStringLiteral("*.jpg") } },
        { "Keyboards", { QStringLiteral("*.kbd") } },
        { "words", { QStringLiteral("*.txt") } },
        { "SavedText", { QStringLiteral("*.txt") } },
    };
    for (const Place &place : places) {
        const QString path = FolderLookup::resolve(folder, QString::fromLatin1(place.relative));
        FileWrite::clearLeftovers(path, place.names);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    preferXWayland();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("plumtype"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PLUMTYPE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.plumtype.Plumtype"));

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
    // The splash picture and the icons are drawn aside while the window is
    // being made, where a second processor can do it meanwhile.
    std::optional<Pictograms::DrawnAside> drawnAside;
    if (QThread::idealThreadCount() > 1)
        drawnAside.emplace(
                QList<QPair<QString, QSize>> { { QStringLiteral("splash"), QSize(256, 256) },
                                               { QStringLiteral("plumtype"), QSize(64, 64) },
                                               { QStringLiteral("splash"), QSize(64, 64) } });

    // The program folder is the user's data folder: the shipped files that
    // are missing there are copied in; nothing the user has is overwritten.
    // When that folder cannot be made or written, the shipped folder serves,
    // and nothing is saved.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    FileWrite::makeFolder(folder);
    QLockFile lock(folder + u'/' + kLockFile);
    const QString socket = Instance::socketPath(folder);
    // A picture is taken only of a window of its own.
    using Instance::FolderClaim;
    switch (Instance::claimFolder(lock, socket, !parser.isSet(screenshotOption))) {
    case FolderClaim::Running:
        QTextStream(stdout) << "plumtype: Plumtype is running already on " << folder
                            << "; its window has been brought forward.\n";
        return 0;
    case FolderClaim::Unanswered:
        QTextStream(stderr) << "plumtype: another Plumtype is using " << folder
                            << (parser.isSet(screenshotOption) ? "\n" : " and does not answer\n");
        return 1;
    case FolderClaim::Ours:
        QFile::setPermissions(folder + u'/' + kLockFile,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        // No write of ours can be under way: what killed ones left goes.
        clearLeftovers(folder);
        break;
    case FolderClaim::Unlocked:
        break;
    }
    const ProgramFolder::Choice choice = ProgramFolder::choose(shippedData(), folder);
    // The settings file's folder, made here for the user alone.
    FileWrite::makeFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                          + QStringLiteral("/plumtype"));
    // One line, however many files could not be copied.
    if (!choice.readOnlyReason.isEmpty()) {
        QTextStream(stderr) << "plumtype: nothing can be saved: " << choice.readOnlyReason << '\n';
    } else if (!choice.laidOut.failed.isEmpty()) {
        QTextStream(stderr) << "plumtype: " << choice.laidOut.failed.size()
                            << " shipped files could not be copied to " << folder << '\n';
    }

    auto window = std::make_unique<Form1>(choice.folder, choice.readOnlyReason);
    closeOnSignals(window.get());
    std::unique_ptr<Instance::SecondStarts> secondStarts;
    if (lock.isLocked()) {
        secondStarts = std::make_unique<Instance::SecondStarts>(socket, window.get());
        if (!secondStarts->isListening())
            QTextStream(stderr) << "plumtype: a second start cannot reach this one: "
                                << secondStarts->errorString() << '\n';
    }
    // Closing the window ends the program, also while it is a tool window
    // (live typing), which does not count as the last window closed.
    QObject::connect(window.get(), &Form1::closing, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window->show();
    if (parser.isSet(screenshotOption))
        return screenshot(*window, parser.value(screenshotOption));
    const int status = app.exec();
    // The window has closed and saved what there was to save.  A new start
    // may take the folder at once, while this one is still being torn down.
    secondStarts.reset();
    if (lock.isLocked())
        lock.unlock();
    // Ended by a signal (logout, kill), Plumtype does not wait for the
    // libraries' own ends: the speech service's can take seconds.
    if (g_endedBySignal) {
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(status);
    }
    // The window lets its voice go.  A voice still waiting on a speech
    // service that is slow to start gets a few seconds (the window is gone
    // meanwhile); beyond them its thread would outlive what it uses, and
    // the program ends without the libraries' own ends.
    window.reset();
    if (!Voice::waitForVoicesLetGo(kVoiceEndMs)) {
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(status);
    }
    return status;
}
