#pragma once

// Typing into a password field of another program, without a display: what
// the typing area keeps of the characters sent there, what learning may read
// of it, and whose focused object decides whether the keys go into a password
// field.  The window's side is sending/passwordguard.* (the accessibility bus)
// and sending/passwordshield.* (the typing area and learning).
//
//   After live typing sent a change:
//     record = PasswordFields::afterSend(PasswordFields::follow(record, sentBefore),
//                                        change, tracker.targetField(pid) == Field::Password);
//     the typing area and the record of what was sent become record.text
//   At a commit point, learning reads:
//     PasswordFields::forLearning(PasswordFields::follow(record, typingArea))

#include "keyinjection.h"

#include <QHash>
#include <QList>
#include <QString>

namespace PasswordFields {

// What the typing area shows for a character that went into a password field.
inline constexpr char16_t kMaskCharacter = u'\u2022';

// The typing area's record of what live typing sent, as the typing area shows
// it.  A character that went into a password field stands as one
// kMaskCharacter (a surrogate pair too, so that one BackSpace still takes
// one), and `masked` marks it.  Line breaks are never masked: Return ends the
// entry of a password field, and a line break gives nothing away.
struct Record
{
    QString text;       // CR LF view, as the typing area holds it
    QList<bool> masked; // one per UTF-16 unit of text

    bool hasMask() const { return masked.contains(true); }
};

// Live typing sent `change` (its backspaces, then its text) from `before`, the
// record of what the other program had; `password`: the focused object there
// was a password field.  The characters backspaced over leave the record, the
// typed ones join it, masked when `password`.
Record afterSend(const Record &before, const KeyInjection::Change &change, bool password);

// The typing area went to `now` without live typing sending it (live typing
// turned off, a text opened): the characters that stayed at the start and at
// the end keep their mask, the others are not masked.
Record follow(const Record &before, const QString &now);

// The text that learning reads: every masked character as the digit 0.  To the
// learning rules a run that holds a digit is no word and leaves the next word
// without a previous one, so nothing sent into a password field is learned, no
// word that touches it, and no pair across it.
QString forLearning(const Record &record);

// Whose focused object counts, from the focus events of the accessibility
// bus.  Applications are told apart by their names on the bus; Plumtype's own
// events are never fed in.
class FocusTracker
{
public:
    enum class Field {
        Unknown,  // nothing known about the target's focus
        Other,    // the focused object is no password field, or nothing has the focus
        Password, // the focused object is a password field
    };

    // An object of `app` (process `pid`) took the focus; `password`: it is a
    // password field.  The application's window is active then.
    void focusGained(const QString &app, qint64 pid, const QString &object, bool password);
    // The object lost the focus; nothing of `app` has it until the next gain.
    void focusLost(const QString &app, const QString &object);
    // A window of `app` became active or stopped being active.
    void windowActive(const QString &app, qint64 pid, bool active);
    // The application left the bus.
    void appGone(const QString &app);
    void clear();

    // The focused object of the program to type into.  `targetPid`: its
    // process, 0 when the desktop does not name it (native Wayland programs).
    //  - With a process: the application of that process decides; Unknown
    //    when no application of it is on the bus (xterm, say) or no focus
    //    event of it was seen.
    //  - Without: the application that took the focus (or whose window became
    //    active) last; Unknown when its window is no longer active.
    Field targetField(qint64 targetPid) const;

private:
    struct App
    {
        qint64 pid = 0;
        QString object; // the focused object; empty for none
        bool password = false;
        bool known = false; // a focus event was seen
        bool active = false;
        quint64 stamp = 0; // when it last took the focus or its window became active
    };
    App &app(const QString &name, qint64 pid);
    static Field fieldOf(const App &a);

    QHash<QString, App> m_apps;
    quint64 m_clock = 0;
};

} // namespace PasswordFields
