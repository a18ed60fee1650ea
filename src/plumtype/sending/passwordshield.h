#pragma once

// The window's side of password fields: while the focused object of the program
// typed into is a password field, live typing and "[send]" still type, but
// the typing area shows a dot for every character that went there, offers no
// suggestions for them, and learning never reads them.  The dots stay when
// the focus leaves the field.  The rules are in the core (passwordfields.h),
// the focus is followed by sending/passwordguard.*.

#include "keyinjection.h"
#include "passwordfields.h"
#include "sending/passwordguard.h"

#include <QObject>

#include <memory>

class HandsFreeAccess;
class WindowFace;
class ProgramTyping;

class PasswordShield : public QObject
{
    Q_OBJECT
public:
    PasswordShield(WindowFace *face, HandsFreeAccess *access, ProgramTyping *typing);

    // Tests put a guard of their own here.
    void setGuard(std::unique_ptr<PasswordGuard> guard);
    PasswordGuard *guard() const { return m_guard.get(); }

    // The keys typed now go into a password field.
    bool intoPassword();
    // "[send]" is in use: the focus is followed from now until Plumtype ends.
    void sendUsed();
    // Live typing sent `change` to the other program, which had `sentBefore`:
    // the new record of what was sent, with a dot for every character that
    // went into a password field.  The typing area shows the record.
    QString sent(const QString &sentBefore, const KeyInjection::Change &change);
    // What learning reads of the typing area's `text`.
    QString forLearning(const QString &text) const;

private:
    void updateWatching();

    WindowFace *m_face;
    ProgramTyping *m_typing;
    std::unique_ptr<PasswordGuard> m_guard;
    PasswordFields::Record m_record;
    bool m_sendUsed = false;
};
