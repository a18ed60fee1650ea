#include "sending/swayfocus.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The message types of sway's IPC.
constexpr quint32 kRunCommand = 0;
constexpr quint32 kGetTree = 4;
constexpr char kMagic[] = "i3-ipc";
constexpr int kMagicSize = 6;
constexpr int kHeaderSize = kMagicSize + 8;
constexpr int kTimeoutMs = 1000;
// A reply larger than this is no tree of a desktop.
constexpr quint32 kLargestReply = 64u << 20;

qint64 monotonicMs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Reads or writes all `size` bytes before the deadline.
bool transfer(int fd, char *data, size_t size, bool writing, qint64 deadline)
{
    size_t done = 0;
    while (done < size) {
        const qint64 left = deadline - monotonicMs();
        if (left <= 0)
            return false;
        pollfd pfd { fd, short(writing ? POLLOUT : POLLIN), 0 };
        const int ready = poll(&pfd, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = writing ? ::send(fd, data + done, size - done, MSG_NOSIGNAL)
                                  : ::recv(fd, data + done, size - done, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

SwayFocus::SwayFocus()
{
    m_path = qgetenv("SWAYSOCK");
    if (m_path.isEmpty())
        m_path = qgetenv("I3SOCK");
    if (m_path.size() >= qsizetype(sizeof(sockaddr_un::sun_path)))
        m_path.clear();
}

QByteArray SwayFocus::request(quint32 type, const QByteArray &payload, bool *ok) const
{
    *ok = false;
    if (m_path.isEmpty())
        return QByteArray();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return QByteArray();
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, m_path.constData(), size_t(m_path.size()));
    const qint64 deadline = monotonicMs() + kTimeoutMs;
    bool connected =
            ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd pfd { fd, POLLOUT, 0 };
        int error = 0;
        socklen_t length = sizeof error;
        connected = poll(&pfd, 1, kTimeoutMs) == 1
                    && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    QByteArray reply;
    if (connected) {
        QByteArray message(kMagic, kMagicSize);
        const quint32 header[2] = { quint32(payload.size()), type };
        message.append(reinterpret_cast<const char *>(header), sizeof header);
        message.append(payload);
        char answer[kHeaderSize];
        if (transfer(fd, message.data(), size_t(message.size()), true, deadline)
            && transfer(fd, answer, sizeof answer, false, deadline)
            && std::memcmp(answer, kMagic, kMagicSize) == 0) {
            quint32 length = 0;
            std::memcpy(&length, answer + kMagicSize, sizeof length);
            if (length <= kLargestReply) {
                reply.resize(qsizetype(length));
                *ok = transfer(fd, reply.data(), length, false, deadline);
            }
        }
    }
    ::close(fd);
    return *ok ? reply : QByteArray();
}

DesktopSession::Focused SwayFocus::focused() const
{
    bool ok = false;
    const QByteArray tree = request(kGetTree, QByteArray(), &ok);
    return ok ? DesktopSession::focusedInSwayTree(tree) : DesktopSession::Focused();
}

bool SwayFocus::focus(qint64 id) const
{
    bool ok = false;
    const QByteArray reply =
            request(kRunCommand, QByteArray("[con_id=") + QByteArray::number(id) + "] focus", &ok);
    if (!ok)
        return false;
    // One result per command: [{"success": true}].
    const QJsonArray results = QJsonDocument::fromJson(reply).array();
    return !results.isEmpty()
           && results.first().toObject().value(QLatin1String("success")).toBool();
}
