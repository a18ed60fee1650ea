#include "instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace Instance {

namespace {

constexpr int kAskFirstMs = 5000;
constexpr int kAnswerMs = 2000;
// A caller says one short line; one that says more, or nothing for this
// long, is let go.
constexpr int kCallerLimit = 64;
constexpr int kCallerMs = 5000;

// The socket's address, or false when the path is too long for one.
bool address(const QString &path, sockaddr_un &addr)
{
    const QByteArray name = QFile::encodeName(path);
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (name.isEmpty() || name.size() >= qsizetype(sizeof addr.sun_path))
        return false;
    std::memcpy(addr.sun_path, name.constData(), size_t(name.size()));
    return true;
}

// Whether a socket's other end is a process of this user.
bool sameUser(int fd)
{
    ucred peer = {};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

enum class Asked { Answered, NoOne };

// Asks the Plumtype listening on `socket` to bring its window forward.  It
// counts as answered once connected: a Plumtype busy with something else
// brings its window forward as soon as it can.
Asked askFirst(const QString &socket)
{
    sockaddr_un addr;
    if (!address(socket, addr))
        return Asked::NoOne;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return Asked::NoOne;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return Asked::NoOne;
    }
    static const char kRaise[] = "raise\n";
    [[maybe_unused]] const ssize_t sent = ::send(fd, kRaise, sizeof kRaise - 1, MSG_NOSIGNAL);
    pollfd wait = { fd, POLLIN, 0 };
    if (::poll(&wait, 1, kAnswerMs) > 0) {
        char answer[16];
        [[maybe_unused]] const ssize_t got = ::recv(fd, answer, sizeof answer, 0);
    }
    ::close(fd);
    return Asked::Answered;
}

} // namespace

QString socketPath(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QString key = QString::fromLatin1(
            QCryptographicHash::hash(QFile::encodeName(canonical.isEmpty() ? folder : canonical),
                                     QCryptographicHash::Sha256)
                    .toHex()
                    .left(24));
    // The user's runtime folder is theirs alone; elsewhere the name carries
    // the user's number.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && runtime.size() < 60)
        return runtime + QStringLiteral("/plumtype-") + key;
    const QString name = QStringLiteral("/plumtype-%1-%2").arg(::getuid()).arg(key);
    const QString temp = QDir::tempPath();
    return temp.size() < 60 ? temp + name : QStringLiteral("/tmp") + name;
}

FolderClaim claimFolder(QLockFile &lock, const QString &socket, bool askFirstStart)
{
    lock.setStaleLockTime(0); // stale only when its Plumtype is gone
    const QDeadlineTimer deadline(kAskFirstMs);
    for (;;) {
        if (lock.tryLock(0))
            return FolderClaim::Ours;
        if (lock.error() != QLockFile::LockFailedError)
            return FolderClaim::Unlocked; // a folder that cannot be written
        if (!askFirstStart)
            return FolderClaim::Unanswered;
        if (askFirst(socket) == Asked::Answered)
            return FolderClaim::Running;
        // The first may still be starting, or just have ended.
        if (deadline.hasExpired())
            return FolderClaim::Unanswered;
        QThread::msleep(100);
    }
}

void bringForward(QWidget *window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    // A window that keeps off the focus (wherever Plumtype types into other
    // programs) is only raised: the focus stays where the user writes.
    if (!window->testAttribute(Qt::WA_ShowWithoutActivating))
        window->activateWindow();
}

SecondStarts::SecondStarts(const QString &socket, QWidget *window)
    : m_path(socket), m_window(window)
{
    sockaddr_un addr;
    if (!address(socket, addr)) {
        m_error = QStringLiteral("the socket's name is too long: %1").arg(socket);
        return;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    // The lock is ours: a socket of that name is one a crashed Plumtype left.
    ::unlink(addr.sun_path);
    const mode_t mask = ::umask(0077);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) == 0;
    ::umask(mask);
    if (!bound || ::listen(fd, 8) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        if (bound)
            ::unlink(addr.sun_path);
        return;
    }
    m_listener = fd;
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SecondStarts::acceptCallers);
}

SecondStarts::~SecondStarts()
{
    for (auto it = m_callers.cbegin(); it != m_callers.cend(); ++it) {
        delete it->notifier;
        ::close(it.key());
    }
    if (m_listener >= 0) {
        ::close(m_listener);
        ::unlink(QFile::encodeName(m_path).constData());
    }
}

void SecondStarts::acceptCallers()
{
    for (;;) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return; // none waiting (or one that went away meanwhile)
        if (!sameUser(fd)) {
            ::close(fd);
            continue;
        }
        Caller &caller = m_callers[fd];
        caller.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(caller.notifier, &QSocketNotifier::activated, this, [this, fd] { readCaller(fd); });
        QTimer::singleShot(kCallerMs, this, [this, fd, n = caller.notifier] {
            // The same number may have been given to a later caller.
            if (m_callers.value(fd).notifier == n)
                dropCaller(fd);
        });
    }
}

void SecondStarts::readCaller(int fd)
{
    auto it = m_callers.find(fd);
    if (it == m_callers.end())
        return;
    char bytes[kCallerLimit];
    const ssize_t got = ::recv(fd, bytes, sizeof bytes, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (got <= 0) {
        dropCaller(fd);
        return;
    }
    it->said.append(bytes, got);
    if (!it->said.contains('\n')) {
        if (it->said.size() > kCallerLimit)
            dropCaller(fd);
        return;
    }
    bringForward(m_window);
    static const char kRaised[] = "raised\n";
    [[maybe_unused]] const ssize_t sent =
            ::send(fd, kRaised, sizeof kRaised - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    dropCaller(fd);
}

void SecondStarts::dropCaller(int fd)
{
    const auto it = m_callers.constFind(fd);
    if (it == m_callers.cend())
        return;
    delete it->notifier;
    m_callers.erase(it);
    ::close(fd);
}

} // namespace Instance
