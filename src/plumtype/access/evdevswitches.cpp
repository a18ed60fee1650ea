// A switch device read directly from /dev/input on Wayland desktops, where
// no program may grab keys for itself.  Reading it needs the right to (the
// input group); grabbing it keeps its events from the desktop and so from
// every other program.
#include "access/switches.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

EvdevSwitches::EvdevSwitches(QObject *parent) : QObject(parent) { }

EvdevSwitches::~EvdevSwitches()
{
    close();
}

QList<EvdevSwitches::Node> EvdevSwitches::nodes(const QString &folder)
{
    QList<Node> found;
    const QDir dir(folder);
    for (const QString &entry :
         dir.entryList({ QStringLiteral("event*") }, QDir::System | QDir::Files, QDir::Name)) {
        const QString path = dir.filePath(entry);
        const int fd =
                ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        char name[256] = {};
        if (::ioctl(fd, EVIOCGNAME(sizeof name - 1), name) >= 0 && name[0])
            found.append({ path, QString::fromUtf8(name).trimmed() });
        ::close(fd);
    }
    return found;
}

bool EvdevSwitches::readable(const QString &folder)
{
    const QDir dir(folder);
    const QStringList entries =
            dir.entryList({ QStringLiteral("event*") }, QDir::System | QDir::Files);
    return std::any_of(entries.begin(), entries.end(), [&](const QString &entry) {
        return ::access(QFile::encodeName(dir.filePath(entry)).constData(), R_OK) == 0;
    });
}

bool EvdevSwitches::open(const QString &name)
{
    for (const Node &n : nodes()) {
        if (n.name != name)
            continue;
        const int fd =
                ::open(QFile::encodeName(n.path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            break;
        openDescriptor(fd);
        // Grabbed, its events reach no other program.
        ::ioctl(fd, EVIOCGRAB, 1);
        m_problem.clear();
        return true;
    }
    close();
    m_problem = readable() ? QStringLiteral("The switch device \"%1\" is not connected.").arg(name)
                           : QStringLiteral("Plumtype may not read the switch device: add "
                                            "yourself to the input group (sudo adduser $USER "
                                            "input) and log in again.");
    return false;
}

void EvdevSwitches::openDescriptor(int fd)
{
    close();
    m_fd = fd;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EvdevSwitches::readRecords);
}

void EvdevSwitches::close()
{
    delete m_notifier;
    if (m_fd >= 0) {
        ::ioctl(m_fd, EVIOCGRAB, 0);
        ::close(m_fd);
    }
    m_fd = -1;
    m_buffer.clear();
}

void EvdevSwitches::readRecords()
{
    char chunk[64 * sizeof(input_event)];
    while (m_fd >= 0) {
        const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
        if (n > 0) {
            m_buffer.append(chunk, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno == ENODEV) {
            // The device went away (or the pipe closed).
            if (m_notifier)
                m_notifier->setEnabled(false);
        }
        break;
    }
    for (const SwitchInput::EvdevEvent &e :
         SwitchInput::takeEvdevEvents(&m_buffer, int(sizeof(input_event)))) {
        const SwitchInput::Edge edge = SwitchInput::edgeOf(e);
        if (edge == SwitchInput::Edge::None)
            continue;
        const bool down = edge == SwitchInput::Edge::Down;
        if (const int qt = SwitchInput::qtKeyOfEvdev(e.code))
            emit key(qt, down);
        else if (const int number = SwitchInput::switchOfEvdevButton(e.code))
            emit button(number, down);
    }
}
