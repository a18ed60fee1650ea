// Typing into every program on GNOME and KDE under Wayland: the desktop
// portal's remote desktop (org.freedesktop.portal.RemoteDesktop) with a
// keyboard only.  The user allows it once in the desktop's own dialog; the
// session is then kept for the life of the program, and where the portal can
// keep it across restarts its restore token is kept in the user's config
// folder (plumtype/portal-token, readable by the user alone).
//
// Everything over the bus is asynchronous: asking starts the calls and
// returns, and the answers come while the event loop runs (PortalSession in
// the core decides what each answer means and which call comes next).  Keys
// go as keysyms, so the desktop finds them in its own layout; a press and
// its release are one call each.  The portal handles calls on threads of its
// own, so calls sent together may overtake each other (a letter before the
// one typed first, Shift released late): each call waits for the reply to
// the one before, in a queue that type() fills and returns.

#include "sending/sender.h"

#include "keyinjection.h"
#include "portalsession.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>

#include <xkbcommon/xkbcommon.h>

using namespace Qt::StringLiterals;
using PortalSession::Step;

namespace {

const QString kService = u"org.freedesktop.portal.Desktop"_s;
const QString kPath = u"/org/freedesktop/portal/desktop"_s;
const QString kRemoteDesktop = u"org.freedesktop.portal.RemoteDesktop"_s;

QString tokenFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + u"/plumtype/portal-token"_s;
}

QString readToken()
{
    QFile file(tokenFile());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.read(4096)).trimmed();
}

// Written anew, readable by the user alone, in a folder of the user alone.
void writeToken(const QString &token)
{
    const QString path = tokenFile();
    QDir().mkpath(QFileInfo(path).path());
    QFile::setPermissions(QFileInfo(path).path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    file.write(token.toUtf8() + '\n');
    file.commit();
}

// The results of a Response; object paths read as text.
QVariantMap mapOf(const QVariant &value)
{
    QVariantMap map = value.canConvert<QDBusArgument>()
                              ? qdbus_cast<QVariantMap>(value.value<QDBusArgument>())
                              : value.toMap();
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it->canConvert<QDBusObjectPath>() && it->typeId() != QMetaType::QString)
            *it = it->value<QDBusObjectPath>().path();
    }
    return map;
}

} // namespace

class PortalSender final : public QObject, public KeySender
{
    Q_OBJECT
public:
    PortalSender(const QDBusConnection &bus, std::unique_ptr<KeySender> other)
        : m_bus(bus), m_other(std::move(other)), m_machine(readToken())
    {
    }
    ~PortalSender() override { closeSession(m_machine.session()); }

    QString name() const override { return u"Portal"_s; }
    bool isReady() const override { return m_bus.isConnected(); }
    QString why() const override { return m_fallback ? m_fallback->why() : m_machine.why(); }
    bool reachesPrograms() const override { return !m_fallback || m_fallback->reachesPrograms(); }

    bool type(const QString &text) override;
    bool backspace(int count) override;
    QStringList missingCharacters(const QString &text) override;
    void releaseAll() override
    {
        if (m_other)
            m_other->releaseAll();
    }

    void noteFocus() override
    {
        if (m_other)
            m_other->noteFocus();
    }
    bool restoreFocus() override;

    Access access() const override;
    void askAccess() override { next(m_machine.ask()); }
    void whenAnswered(QObject *context, std::function<void()> done) override
    {
        m_waiting.append({ QPointer<QObject>(context), std::move(done) });
    }

private slots:
    void response(const QDBusMessage &message);
    void sessionClosed() { ended(true); }

private:
    void next(const PortalSession::Call &call);
    void probe();
    void request(const PortalSession::Call &call);
    void watch(const QString &path, bool on);
    void answered(Step step, quint32 code, const QVariantMap &results);
    void ended(bool closed);
    void closeSession(const QString &session);
    bool sendKeysyms(const QList<quint32> &keysyms);
    void sendNext();

    QDBusConnection m_bus;
    // On X: finds the program written in and gives the focus back, and
    // types when the portal offers no keyboard.
    std::unique_ptr<KeySender> m_other;
    std::unique_ptr<KeySender> m_clipboard;
    KeySender *m_fallback = nullptr; // serves when the portal offers no keyboard
    PortalSession::Machine m_machine;
    Step m_step = Step::None;
    QString m_requestPath; // the Request whose Response is awaited
    QString m_watchedSession;
    QList<std::pair<quint32, uint>> m_keys; // keysyms and states still to go
    bool m_keyUnderWay = false;
    QList<std::pair<QPointer<QObject>, std::function<void()>>> m_waiting;
};

KeySender::Access PortalSender::access() const
{
    switch (m_machine.access()) {
    case PortalSession::Access::Allowed:
    case PortalSession::Access::Unavailable: // the clipboard serves
        return Access::Allowed;
    case PortalSession::Access::Asking:
        return Access::Asking;
    case PortalSession::Access::Refused:
        return Access::Refused;
    case PortalSession::Access::NotAsked:
        break;
    }
    return Access::NotAsked;
}

bool PortalSender::restoreFocus()
{
    // Keys go to whatever has the focus: not to Plumtype's own window.  An
    // offscreen window holds no focus of the desktop's.
    const QString platform = QGuiApplication::platformName();
    if (qGuiApp->applicationState() != Qt::ApplicationActive || platform == u"offscreen"
        || platform == u"minimal")
        return true;
    return m_other && m_other->restoreFocus();
}

void PortalSender::next(const PortalSession::Call &call)
{
    if (const QString stale = m_machine.takeSessionToClose(); !stale.isEmpty())
        closeSession(stale);
    switch (call.step) {
    case Step::None:
        break;
    case Step::Probe:
        probe();
        break;
    default:
        request(call);
        break;
    }
    if (m_machine.access() != PortalSession::Access::Asking)
        ended(false);
}

void PortalSender::probe()
{
    m_step = Step::Probe;
    QDBusMessage get = QDBusMessage::createMethodCall(
            kService, kPath, u"org.freedesktop.DBus.Properties"_s, u"GetAll"_s);
    get << kRemoteDesktop;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *w;
        if (reply.isError())
            answered(Step::Probe, PortalSession::kEnded, {});
        else
            answered(Step::Probe, PortalSession::kGranted, reply.value());
    });
}

void PortalSender::request(const PortalSession::Call &call)
{
    // The Response is watched before the call, so that it cannot come first.
    watch(m_requestPath, false);
    m_step = call.step;
    m_requestPath = PortalSession::requestPath(m_bus.baseService(), call.token);
    watch(m_requestPath, true);

    QString method;
    QList<QVariant> args;
    // CreateSession has no session yet.
    const QVariant session = call.session.isEmpty()
                                     ? QVariant()
                                     : QVariant::fromValue(QDBusObjectPath(call.session));
    switch (call.step) {
    case Step::CreateSession:
        method = u"CreateSession"_s;
        args = { call.options };
        break;
    case Step::SelectDevices:
        method = u"SelectDevices"_s;
        args = { session, call.options };
        break;
    default:
        method = u"Start"_s;
        args = { session, QString(), call.options }; // no parent window to name
        break;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kRemoteDesktop, method);
    message.setArguments(args);
    const Step step = call.step;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, step](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *w;
                if (step != m_step)
                    return;
                if (reply.isError()) {
                    answered(step, PortalSession::kEnded, {});
                } else if (reply.value().path() != m_requestPath) {
                    // A portal that names its Requests otherwise.
                    watch(m_requestPath, false);
                    m_requestPath = reply.value().path();
                    watch(m_requestPath, true);
                }
            });
}

void PortalSender::watch(const QString &path, bool on)
{
    if (path.isEmpty())
        return;
    if (on)
        m_bus.connect(kService, path, u"org.freedesktop.portal.Request"_s, u"Response"_s, this,
                      SLOT(response(QDBusMessage)));
    else
        m_bus.disconnect(kService, path, u"org.freedesktop.portal.Request"_s, u"Response"_s, this,
                         SLOT(response(QDBusMessage)));
}

void PortalSender::response(const QDBusMessage &message)
{
    if (message.path() != m_requestPath || message.arguments().size() < 2)
        return;
    watch(m_requestPath, false);
    m_requestPath.clear();
    answered(m_step, message.arguments().at(0).toUInt(), mapOf(message.arguments().at(1)));
}

void PortalSender::answered(Step step, quint32 code, const QVariantMap &results)
{
    const QString tokenBefore = m_machine.restoreToken();
    const PortalSession::Call call = m_machine.answered(step, code, results);
    if (m_machine.restoreToken() != tokenBefore)
        writeToken(m_machine.restoreToken());
    if (m_machine.access() == PortalSession::Access::Unavailable && !m_fallback) {
        if (!m_other)
            m_clipboard = makeClipboardSender();
        m_fallback = m_other ? m_other.get() : m_clipboard.get();
    }
    if (m_machine.access() == PortalSession::Access::Allowed
        && m_watchedSession != m_machine.session()) {
        m_watchedSession = m_machine.session();
        m_bus.connect(kService, m_watchedSession, u"org.freedesktop.portal.Session"_s, u"Closed"_s,
                      this, SLOT(sessionClosed()));
    }
    next(call);
}

void PortalSender::ended(bool closed)
{
    if (closed) {
        watch(m_requestPath, false);
        m_requestPath.clear();
        m_step = Step::None;
        m_machine.closed();
    }
    if (m_machine.access() == PortalSession::Access::Asking)
        return;
    const auto waiting = std::exchange(m_waiting, {});
    for (const auto &[context, done] : waiting) {
        if (context)
            done();
    }
}

void PortalSender::closeSession(const QString &session)
{
    if (session.isEmpty() || !m_bus.isConnected())
        return;
    if (session == m_watchedSession) {
        m_bus.disconnect(kService, m_watchedSession, u"org.freedesktop.portal.Session"_s,
                         u"Closed"_s, this, SLOT(sessionClosed()));
        m_watchedSession.clear();
    }
    m_bus.send(QDBusMessage::createMethodCall(kService, session,
                                              u"org.freedesktop.portal.Session"_s, u"Close"_s));
}

bool PortalSender::sendKeysyms(const QList<quint32> &keysyms)
{
    if (m_machine.access() != PortalSession::Access::Allowed || !m_bus.isConnected())
        return false;
    for (const quint32 keysym : keysyms) {
        m_keys.append({ keysym, 1u });
        m_keys.append({ keysym, 0u });
    }
    if (!m_keyUnderWay)
        sendNext();
    return true;
}

void PortalSender::sendNext()
{
    m_keyUnderWay = false;
    if (m_keys.isEmpty())
        return;
    if (m_machine.access() != PortalSession::Access::Allowed) {
        m_keys.clear();
        return;
    }
    const auto [keysym, state] = m_keys.takeFirst();
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kRemoteDesktop,
                                                          u"NotifyKeyboardKeysym"_s);
    message.setArguments({ QVariant::fromValue(QDBusObjectPath(m_machine.session())), QVariantMap(),
                           int(keysym), state });
    m_keyUnderWay = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        // A session the portal no longer knows takes no more keys; its
        // Closed signal tells the rest.
        if (w->isError())
            m_keys.clear();
        sendNext();
    });
}

namespace {

quint32 keysymOf(char32_t c)
{
    return xkb_utf32_to_keysym(c);
}

} // namespace

// The desktop drops, without a word, a keysym that its current layout has no
// key for (GNOME does).  Where Plumtype runs under XWayland the X keymap is
// that layout, so such a text is found before anything of it is typed; a
// native Wayland Plumtype cannot see the layout and types as it comes.
//
// X holds keycodes up to 255 only, and the desktop's keymap has more: every
// keymap made with the evdev rules puts the keyboard's own Dollar and Euro
// keys (KEY_DOLLAR, KEY_EURO) beyond that, whatever the layout, and the
// desktop types $ and € on them.  No other character lies there.
QStringList PortalSender::missingCharacters(const QString &text)
{
    if (m_fallback || !m_other)
        return {};
    const std::optional<QSet<quint32>> layout = m_other->layoutKeysyms();
    if (!layout)
        return {};
    return KeyInjection::missingCharacters(text, keysymOf, [&](quint32 keysym) {
        return layout->contains(keysym) || keysym == XKB_KEY_dollar || keysym == XKB_KEY_EuroSign;
    });
}

bool PortalSender::type(const QString &text)
{
    if (m_fallback)
        return m_fallback->type(text);
    if (!missingCharacters(text).isEmpty())
        return false;
    return sendKeysyms(KeyInjection::textKeysyms(text, keysymOf));
}

bool PortalSender::backspace(int count)
{
    if (m_fallback)
        return m_fallback->backspace(count);
    return sendKeysyms(QList<quint32>(std::max(count, 0), KeyInjection::kBackSpace));
}

std::unique_ptr<KeySender> makePortalSender(QString *why, std::unique_ptr<KeySender> other)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto fail = [&](const QString &reason) {
        if (why)
            *why = reason;
        return nullptr;
    };
    if (!bus.isConnected())
        return fail(u"Plumtype could not reach the desktop's session bus."_s);
    // Asking the bus itself is quick; the portal answers only when asked
    // for a session.
    QDBusConnectionInterface *daemon = bus.interface();
    const bool running = daemon->isServiceRegistered(kService).value();
    if (!running && !daemon->activatableServiceNames().value().contains(kService))
        return fail(u"This desktop has no desktop portal, so Plumtype cannot type into its "
                    u"programs through it."_s);
    return std::make_unique<PortalSender>(bus, std::move(other));
}

#include "portalsender.moc"
