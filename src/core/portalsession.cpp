#include "portalsession.h"

#include <algorithm>
#include <atomic>

using namespace Qt::StringLiterals;

namespace PortalSession {

namespace {

// Tokens are unique for the whole process: the portal keeps a Request's
// object for a while after its answer, and a second session (a new sender)
// must not name one again.
std::atomic<int> g_serial { 0 };

QString nextToken()
{
    return u"plumtype%1"_s.arg(++g_serial);
}

const QString kHowToAllow = u"To allow it, send again and accept in the window the desktop shows "
                            u"(on GNOME: turn on Allow remote interaction, then choose Share)."_s;

QString refusedWhy()
{
    return u"You did not allow Plumtype to type into other programs, so nothing was typed. "
           u"Your text is still here.\r\n"_s
           + kHowToAllow;
}

QString endedWhy()
{
    return u"The desktop did not let Plumtype type into other programs (its window was closed), "
           u"so nothing was typed. Your text is still here.\r\n"_s
           + kHowToAllow;
}

QString noKeyboardWhy()
{
    return u"The desktop did not give Plumtype a keyboard, so nothing was typed. Your text is "
           u"still here.\r\n"_s
           + kHowToAllow;
}

QString unavailableWhy()
{
    return u"This desktop's portal offers no keyboard to programs, so Plumtype cannot type "
           u"into other programs through it."_s;
}

} // namespace

Machine::Machine(const QString &restoreToken) : m_restoreToken(restoreToken) { }

Call Machine::request(Step step)
{
    Call call;
    call.step = step;
    m_waiting = step;
    if (step == Step::Probe)
        return call;
    call.token = nextToken();
    call.options.insert(u"handle_token"_s, call.token);
    call.session = m_session;
    switch (step) {
    case Step::CreateSession:
        call.options.insert(u"session_handle_token"_s, nextToken());
        break;
    case Step::SelectDevices:
        call.options.insert(u"types"_s, kKeyboard);
        if (m_version >= kPersistVersion) {
            call.options.insert(u"persist_mode"_s, kPersistUntilRevoked);
            if (!m_restoreToken.isEmpty())
                call.options.insert(u"restore_token"_s, m_restoreToken);
        }
        break;
    default:
        break;
    }
    return call;
}

Call Machine::ask()
{
    if (m_access == Access::Asking || m_access == Access::Allowed
        || m_access == Access::Unavailable)
        return Call();
    m_access = Access::Asking;
    m_why.clear();
    // The properties are read once; a session refused or ended starts anew.
    return request(m_version == 0 ? Step::Probe : Step::CreateSession);
}

Call Machine::answered(Step step, quint32 code, const QVariantMap &results)
{
    if (m_access != Access::Asking || step == Step::None || step != m_waiting)
        return Call();
    m_waiting = Step::None;
    auto refuse = [&](const QString &why) {
        m_access = Access::Refused;
        m_why = why;
        if (!m_session.isEmpty())
            m_toClose = m_session;
        m_session.clear();
        return Call();
    };
    if (step == Step::Probe) {
        const quint32 types = results.value(u"AvailableDeviceTypes"_s).toUInt();
        if (code != kGranted || !(types & kKeyboard)) {
            m_access = Access::Unavailable;
            m_why = unavailableWhy();
            return Call();
        }
        m_version = std::max(1u, results.value(u"version"_s).toUInt());
        return request(Step::CreateSession);
    }
    if (code != kGranted)
        return refuse(code == kRefused ? refusedWhy() : endedWhy());
    switch (step) {
    case Step::CreateSession:
        // Older portals hand the handle over as a string, newer ones may as
        // an object path; either reads as text.
        m_session = results.value(u"session_handle"_s).toString();
        if (m_session.isEmpty())
            return refuse(endedWhy());
        return request(Step::SelectDevices);
    case Step::SelectDevices:
        return request(Step::Start);
    case Step::Start: {
        if (!(results.value(u"devices"_s).toUInt() & kKeyboard))
            return refuse(noKeyboardWhy());
        const QString token = results.value(u"restore_token"_s).toString();
        if (!token.isEmpty())
            m_restoreToken = token;
        m_access = Access::Allowed;
        return Call();
    }
    default:
        return Call();
    }
}

void Machine::closed()
{
    if (m_access == Access::Unavailable)
        return;
    m_access = Access::NotAsked;
    m_waiting = Step::None;
    m_session.clear();
}

QString Machine::takeSessionToClose()
{
    QString session;
    session.swap(m_toClose);
    return session;
}

QString requestPath(const QString &uniqueName, const QString &token)
{
    QString sender = uniqueName;
    if (sender.startsWith(u':'))
        sender.remove(0, 1);
    sender.replace(u'.', u'_');
    return u"/org/freedesktop/portal/desktop/request/"_s + sender + u'/' + token;
}

} // namespace PortalSession
