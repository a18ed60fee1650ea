#pragma once

#include <QString>
#include <QVariantMap>
#include <QtGlobal>

// Typing through the desktop portal (org.freedesktop.portal.RemoteDesktop)
// without a bus: which calls a keyboard session takes, in which order, with
// which options, and what the desktop's answers mean.  The sender makes the
// calls and hands the answers back; everything else is decided here.
//
// A session is asked for once and kept: first the portal's properties are
// read (its version, whether it offers keyboards), then CreateSession,
// SelectDevices (a keyboard, kept across restarts where the portal can) and
// Start, which shows the desktop's dialog.  Each of the last three answers
// through a Request object's Response signal: 0 granted, 1 refused by the
// user, 2 ended otherwise (the dialog closed, a failure).
namespace PortalSession {

inline constexpr quint32 kKeyboard = 1;            // device type bit
inline constexpr quint32 kPersistUntilRevoked = 2; // persist_mode
inline constexpr quint32 kGranted = 0;
inline constexpr quint32 kRefused = 1;
inline constexpr quint32 kEnded = 2;
// A portal of this version or later keeps a session across restarts.
inline constexpr quint32 kPersistVersion = 2;

enum class Access {
    NotAsked,    // nothing asked yet, or the session ended since
    Asking,      // calls under way; the desktop's dialog may be open
    Allowed,     // the session has started with a keyboard
    Refused,     // the user said no or closed the dialog; asking again may help
    Unavailable, // this desktop's portal offers no keyboard: asking again will not help
};

enum class Step { None, Probe, CreateSession, SelectDevices, Start };

// The next call for the sender to make.  For CreateSession, SelectDevices
// and Start, `options` holds the handle_token of the Request to watch.
struct Call
{
    Step step = Step::None;
    QString session;     // the session handle (SelectDevices, Start)
    QVariantMap options; // the call's a{sv}
    QString token;       // the handle_token in `options`
};

class Machine
{
public:
    // `restoreToken`: kept from an earlier run, empty when none.
    explicit Machine(const QString &restoreToken = QString());

    Access access() const { return m_access; }
    // The session handle while the access is Allowed (and while asking,
    // once CreateSession has answered).
    QString session() const { return m_session; }
    // The token to keep for the next run; empty when the portal gave none.
    QString restoreToken() const { return m_restoreToken; }
    // Why the last request did not end in Allowed, a sentence for the user.
    QString why() const { return m_why; }

    // Asks for a session when none is there or the last was refused: the
    // first call.  A Step::None call when already asking or allowed, or
    // when the portal was found unavailable.
    Call ask();
    // The answer to the call of `step`: `code` as the Response signal gives it
    // (for Probe: kGranted with the properties in `results`, kEnded when they
    // could not be read).  The next call, Step::None when the answer ended the
    // asking or belongs to no call under way.
    Call answered(Step step, quint32 code, const QVariantMap &results);
    // The portal closed the session (the user stopped it, the desktop ended
    // it): the next ask starts anew.
    void closed();
    // The session handle that the sender should close: one left behind by a
    // refusal or a failure.  Empty once taken.
    QString takeSessionToClose();

private:
    Call request(Step step);

    Access m_access = Access::NotAsked;
    Step m_waiting = Step::None;
    quint32 m_version = 0;
    QString m_session;
    QString m_toClose;
    QString m_restoreToken;
    QString m_why;
};

// The object path of the Request that a call with `token` makes, for the
// connection with the unique name `uniqueName` (":1.42" gives "1_42").
QString requestPath(const QString &uniqueName, const QString &token);

} // namespace PortalSession
