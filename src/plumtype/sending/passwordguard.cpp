// The password guard: the accessibility bus followed on a thread of its own,
// and the terminals of a program looked at when it is not on the bus.
#include "sending/passwordguard.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QLoggingCategory>
#include <QSet>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

// QT_LOGGING_RULES="plumtype.passwords.debug=true" shows the focus events.
Q_LOGGING_CATEGORY(lcGuard, "plumtype.passwords", QtWarningMsg)

namespace {

const QString kBusService = QStringLiteral("org.a11y.Bus");
const QString kBusPath = QStringLiteral("/org/a11y/bus");
const QString kStatus = QStringLiteral("org.a11y.Status");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kRegistry = QStringLiteral("org.a11y.atspi.Registry");
const QString kRegistryPath = QStringLiteral("/org/a11y/atspi/registry");
const QString kObjectEvents = QStringLiteral("org.a11y.atspi.Event.Object");
const QString kWindowEvents = QStringLiteral("org.a11y.atspi.Event.Window");
const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kDBus = QStringLiteral("org.freedesktop.DBus");
const QString kConnectionName = QStringLiteral("plumtype-password-guard");
// The events the programs are asked to send, in both spellings: some
// toolkits read only the one, some only the other, from the registry's list.
const QStringList kEvents = {
    QStringLiteral("object:state-changed:focused"),
    QStringLiteral("Object:StateChanged:Focused"),
    QStringLiteral("window:activate"),
    QStringLiteral("Window:Activate"),
    QStringLiteral("window:deactivate"),
    QStringLiteral("Window:Deactivate"),
};
constexpr uint kPasswordTextRole = 40; // ATSPI_ROLE_PASSWORD_TEXT
// No answer from a program within this long: it is passed over.  Only the
// guard's thread waits, and a busy desktop may take a while.
constexpr int kCallTimeoutMs = 3000;

} // namespace

// Lives on the guard's thread: every call to the buses is made here, where
// waiting for an answer stops nothing the user sees.
class AccessibilityWatcher : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    void start();
    void stop();

signals:
    void listening(bool on);
    void focusGained(const QString &app, qint64 pid, const QString &object, bool password);
    void focusLost(const QString &app, const QString &object);
    void windowActive(const QString &app, qint64 pid, bool active);
    void appGone(const QString &app);

private slots:
    void stateChanged(const QDBusMessage &message);
    void windowEvent(const QDBusMessage &message);
    void nameOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);

private:
    QDBusMessage call(const QDBusConnection &bus, const QString &service, const QString &path,
                      const QString &interface, const QString &method,
                      const QVariantList &arguments = {});
    // The process of a program on the bus; 0 when it cannot be told.
    qint64 processOf(const QString &app);
    void registerEvents();

    bool m_running = false;
    bool m_enabledByUs = false; // we turned accessibility on for the desktop
    QHash<QString, qint64> m_processes;
};

QDBusMessage AccessibilityWatcher::call(const QDBusConnection &bus, const QString &service,
                                        const QString &path, const QString &interface,
                                        const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

void AccessibilityWatcher::start()
{
    if (m_running)
        return;
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected()) {
        emit listening(false);
        return;
    }
    const QDBusMessage address =
            call(session, kBusService, kBusPath, kBusService, QStringLiteral("GetAddress"));
    if (address.type() != QDBusMessage::ReplyMessage || address.arguments().isEmpty()
        || address.arguments().first().toString().isEmpty()) {
        emit listening(false);
        return;
    }
    QDBusConnection::disconnectFromBus(kConnectionName);
    QDBusConnection bus =
            QDBusConnection::connectToBus(address.arguments().first().toString(), kConnectionName);
    if (!bus.isConnected()) {
        stop();
        emit listening(false);
        return;
    }
    m_running = true;
    bus.connect(QString(), QString(), kObjectEvents, QStringLiteral("StateChanged"), this,
                SLOT(stateChanged(QDBusMessage)));
    bus.connect(QString(), QString(), kWindowEvents, QStringLiteral("Activate"), this,
                SLOT(windowEvent(QDBusMessage)));
    bus.connect(QString(), QString(), kWindowEvents, QStringLiteral("Deactivate"), this,
                SLOT(windowEvent(QDBusMessage)));
    bus.connect(kDBus, QStringLiteral("/org/freedesktop/DBus"), kDBus,
                QStringLiteral("NameOwnerChanged"), this,
                SLOT(nameOwnerChanged(QString, QString, QString)));
    registerEvents();
    // Programs tell the bus about their objects only while accessibility is
    // on; it is turned on as a screen reader would, and off again at the end
    // when it was off before.  The events are asked for first: a program
    // that joins the bus now learns at once that someone listens.
    const QDBusMessage enabled =
            call(session, kBusService, kBusPath, kProperties, QStringLiteral("Get"),
                 { kStatus, QStringLiteral("IsEnabled") });
    const bool wasEnabled = enabled.type() == QDBusMessage::ReplyMessage
                            && !enabled.arguments().isEmpty()
                            && enabled.arguments().first().value<QDBusVariant>().variant().toBool();
    if (!wasEnabled) {
        const QDBusMessage set = call(
                session, kBusService, kBusPath, kProperties, QStringLiteral("Set"),
                { kStatus, QStringLiteral("IsEnabled"), QVariant::fromValue(QDBusVariant(true)) });
        m_enabledByUs = set.type() == QDBusMessage::ReplyMessage;
    }

    qCDebug(lcGuard) << "listening on" << bus.name() << "accessibility was on" << !m_enabledByUs;
    emit listening(true);
}

void AccessibilityWatcher::registerEvents()
{
    QDBusConnection bus(kConnectionName);
    for (const QString &event : kEvents) {
        const QDBusMessage reply =
                call(bus, kRegistry, kRegistryPath, kRegistry, QStringLiteral("RegisterEvent"),
                     { event, QStringList(), QString() });
        // Older registries take the event alone.
        if (reply.type() == QDBusMessage::ErrorMessage)
            call(bus, kRegistry, kRegistryPath, kRegistry, QStringLiteral("RegisterEvent"),
                 { event });
    }
}

void AccessibilityWatcher::stop()
{
    if (m_running) {
        // The registry forgets the events of a connection that leaves.
        QDBusConnection::disconnectFromBus(kConnectionName);
        m_running = false;
    }
    m_processes.clear();
    if (m_enabledByUs) {
        call(QDBusConnection::sessionBus(), kBusService, kBusPath, kProperties,
             QStringLiteral("Set"),
             { kStatus, QStringLiteral("IsEnabled"), QVariant::fromValue(QDBusVariant(false)) });
        m_enabledByUs = false;
    }
}

qint64 AccessibilityWatcher::processOf(const QString &app)
{
    const auto it = m_processes.constFind(app);
    if (it != m_processes.constEnd())
        return *it;
    const QDBusMessage reply =
            call(QDBusConnection(kConnectionName), kDBus, QStringLiteral("/org/freedesktop/DBus"),
                 kDBus, QStringLiteral("GetConnectionUnixProcessID"), { app });
    qint64 pid = 0;
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        pid = reply.arguments().first().toLongLong();
    // A question that went unanswered is asked again with the next event.
    if (pid != 0)
        m_processes.insert(app, pid);
    return pid;
}

void AccessibilityWatcher::stateChanged(const QDBusMessage &message)
{
    const QList<QVariant> args = message.arguments();
    if (!m_running || args.size() < 2 || args.at(0).toString() != u"focused")
        return;
    const QString app = message.service();
    const QString object = message.path();
    const qint64 pid = processOf(app);
    // Plumtype's own window: never the program typed into.
    if (pid == QCoreApplication::applicationPid())
        return;
    if (args.at(1).toInt() == 0) {
        qCDebug(lcGuard) << "focus lost" << app << pid << object;
        emit focusLost(app, object);
        return;
    }
    const QDBusMessage role = call(QDBusConnection(kConnectionName), app, object, kAccessible,
                                   QStringLiteral("GetRole"));
    const bool password = role.type() == QDBusMessage::ReplyMessage && !role.arguments().isEmpty()
                          && role.arguments().first().toUInt() == kPasswordTextRole;
    qCDebug(lcGuard) << "focus gained" << app << pid << object << "password" << password;
    emit focusGained(app, pid, object, password);
}

void AccessibilityWatcher::windowEvent(const QDBusMessage &message)
{
    if (!m_running)
        return;
    const QString app = message.service();
    const qint64 pid = processOf(app);
    if (pid == QCoreApplication::applicationPid())
        return;
    qCDebug(lcGuard) << "window" << message.member() << app << pid;
    emit windowActive(app, pid, message.member() == u"Activate");
}

void AccessibilityWatcher::nameOwnerChanged(const QString &name, const QString &,
                                            const QString &newOwner)
{
    if (newOwner.isEmpty() && name.startsWith(u':')) {
        m_processes.remove(name);
        emit appGone(name);
    }
}

// ---- AccessibilityGuard ----

AccessibilityGuard::AccessibilityGuard() = default;

AccessibilityGuard::~AccessibilityGuard()
{
    if (!m_thread)
        return;
    // Accessibility is put back as it was before Plumtype ends.
    QMetaObject::invokeMethod(m_watcher, &AccessibilityWatcher::stop, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait(2 * kCallTimeoutMs);
}

void AccessibilityGuard::setWatching(bool on)
{
    if (on == m_watching)
        return;
    m_watching = on;
    if (!m_thread) {
        m_thread = new QThread(this);
        m_thread->setObjectName(QStringLiteral("password guard"));
        m_watcher = new AccessibilityWatcher;
        m_watcher->moveToThread(m_thread);
        connect(m_thread, &QThread::finished, m_watcher, &QObject::deleteLater);
        connect(m_watcher, &AccessibilityWatcher::listening, this, [this](bool listening) {
            m_listening = listening && m_watching;
            emit changed();
        });
        connect(m_watcher, &AccessibilityWatcher::focusGained, this,
                [this](const QString &app, qint64 pid, const QString &object, bool password) {
                    m_tracker.focusGained(app, pid, object, password);
                    emit changed();
                });
        connect(m_watcher, &AccessibilityWatcher::focusLost, this,
                [this](const QString &app, const QString &object) {
                    m_tracker.focusLost(app, object);
                    emit changed();
                });
        connect(m_watcher, &AccessibilityWatcher::windowActive, this,
                [this](const QString &app, qint64 pid, bool active) {
                    m_tracker.windowActive(app, pid, active);
                    emit changed();
                });
        connect(m_watcher, &AccessibilityWatcher::appGone, this,
                [this](const QString &app) { m_tracker.appGone(app); });
        m_thread->start();
    }
    if (on) {
        QMetaObject::invokeMethod(m_watcher, &AccessibilityWatcher::start, Qt::QueuedConnection);
    } else {
        m_listening = false;
        m_tracker.clear();
        QMetaObject::invokeMethod(m_watcher, &AccessibilityWatcher::stop, Qt::QueuedConnection);
    }
}

bool AccessibilityGuard::isPasswordField(qint64 targetPid)
{
    if (!m_watching)
        return false;
    if (m_tracker.targetField(targetPid) == PasswordFields::FocusTracker::Field::Password)
        return true;
    // A terminal is no password field to the bus even while its program
    // asks for one.
    return targetPid != 0 && terminalAwaitsPassword(targetPid);
}

namespace {

// A window that is on no desktop (offscreen, minimal) has no focus to follow.
class NoGuard : public PasswordGuard
{
public:
    void setWatching(bool on) override { m_watching = on; }
    bool isWatching() const override { return m_watching; }
    bool isPasswordField(qint64) override { return false; }

private:
    bool m_watching = false;
};

} // namespace

std::unique_ptr<PasswordGuard> makePasswordGuard()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == u"offscreen" || platform == u"minimal")
        return std::make_unique<NoGuard>();
    return std::make_unique<AccessibilityGuard>();
}

// ---- terminals ----

namespace {

// The controlling terminal of a process as /proc/PID/stat gives it (0 for
// none or when it cannot be read).
quint64 terminalOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = file.read(4096);
    // The command name may hold anything; the fields follow its last ')'.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    // state ppid pgrp session tty_nr
    return fields.size() > 4 ? fields.at(4).toULongLong() : 0;
}

QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks.filePath(task + QStringLiteral("/children")));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &child : file.readAll().split(' ')) {
            bool ok = false;
            const qint64 id = child.trimmed().toLongLong(&ok);
            if (ok && id > 0)
                children.append(id);
        }
    }
    return children;
}

// A pseudo-terminal slave, /dev/pts/N, from its device number.
QString ptsPath(quint64 device)
{
    const unsigned major = (device >> 8) & 0xfff;
    const unsigned minor = (device & 0xff) | ((device >> 12) & 0xfff00);
    if (major < 136 || major > 143)
        return QString();
    return QStringLiteral("/dev/pts/%1").arg((quint64(major - 136) << 20) | minor);
}

} // namespace

bool terminalAwaitsPassword(qint64 pid)
{
    if (pid <= 0)
        return false;
    const quint64 own = terminalOf(pid);
    QSet<quint64> seen;
    for (qint64 child : childrenOf(pid)) {
        const quint64 device = terminalOf(child);
        if (device == 0 || device == own || seen.contains(device))
            continue;
        seen.insert(device);
        const QString path = ptsPath(device);
        if (path.isEmpty())
            continue;
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info;
        termios mode;
        const bool read =
                ::fstat(fd, &info) == 0 && info.st_rdev == device && ::tcgetattr(fd, &mode) == 0;
        ::close(fd);
        // A password prompt reads a line without showing it; a shell's line
        // editor and full-screen programs read key by key.
        if (read && !(mode.c_lflag & ECHO) && (mode.c_lflag & ICANON))
            return true;
    }
    return false;
}

#include "passwordguard.moc"
