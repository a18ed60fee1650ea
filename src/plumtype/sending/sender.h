#pragma once

// Typing into other programs: a sender presses keys in whatever program has
// the keyboard focus.  Which sender serves is chosen at start from the
// platform and the session (a setting can force one):
//
//   sending/sender.h          KeySender, the backends' common face, and makeSender
//   sending/x11sender.cpp     X11 and XWayland programs: XTest
//   sending/waylandsender.cpp wlroots compositors: a virtual keyboard of our own
//   sending/portalsender.cpp  GNOME, KDE: the desktop portal's remote desktop keyboard
//   sending/sendto.cpp        ProgramTyping: "[send]", live typing, the window's focus
//
// The planning that needs no display (text to key presses, the spare keycodes,
// what live typing must send) is in the core: keyinjection.h.

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QObject;

class KeySender
{
public:
    // New choices go at the end: settings store the number.
    enum class Backend { Automatic, X11, Wayland, Clipboard, Portal };
    // Whether the desktop lets this sender type.  Only the portal sender
    // must ask, in a dialog of the desktop's own; the others are Allowed.
    enum class Access { Allowed, NotAsked, Asking, Refused };

    virtual ~KeySender() = default;

    // "X11", "Wayland", "Portal" or "Clipboard".
    virtual QString name() const = 0;
    // False when the sender could not start; why() then says why in a
    // sentence for the user.
    virtual bool isReady() const = 0;
    virtual QString why() const { return QString(); }
    // False when typed keys cannot reach the focused program at all (the
    // clipboard fallback): "[send]" leaves the text on the clipboard then.
    virtual bool reachesPrograms() const { return true; }

    // Types `text` into the focused program: every character as the user
    // would type it whatever the desktop's keyboard layout, a line break
    // (LF or CR LF) as one Return.  Returns once the keys are sent; false
    // when they could not be.
    virtual bool type(const QString &text) = 0;
    // The characters of `text` that this sender cannot type into the other
    // program on the desktop's current keyboard layout, each once in order;
    // empty when it can type them all or cannot tell.  type() types nothing
    // of a text that has any.
    virtual QStringList missingCharacters(const QString &text)
    {
        Q_UNUSED(text);
        return {};
    }
    // The keysyms that the desktop's current keyboard layout has a key for
    // (in its current group, on any level the sender reaches), read now;
    // nullopt when this sender does not read the layout.
    virtual std::optional<QSet<quint32>> layoutKeysyms() { return std::nullopt; }
    // Presses BackSpace `count` times.
    virtual bool backspace(int count) = 0;
    // Releases every key and modifier this sender holds down and gives back
    // any keycode it borrowed.  Cheap when nothing is held; called on hide,
    // on quit, when the mode is turned off and on termination signals.
    virtual void releaseAll() = 0;

    // The program that has the focus now, when it is not Plumtype, is the one
    // to type into; the sender remembers it.  Called when the focus moves.
    virtual void noteFocus() { }
    // Gives the focus back to the program remembered by noteFocus when a
    // window of Plumtype has taken it; true when that program has the focus
    // afterwards (or nothing had to be done).
    virtual bool restoreFocus() { return true; }
    // The process of the program that gets the keys, when the desktop names
    // it; 0 when it does not.
    virtual qint64 targetProcess() { return 0; }

    virtual Access access() const { return Access::Allowed; }
    // Asks the desktop, unless asking already or allowed, and returns at
    // once: the answer comes later, while the event loop runs.  After a
    // refusal, why() says what happened and how to allow it.
    virtual void askAccess() { }
    // `done` is called once when the asking under way ends (allowed,
    // refused or the session gone), unless `context` is gone by then.
    virtual void whenAnswered(QObject *context, std::function<void()> done)
    {
        Q_UNUSED(context);
        Q_UNUSED(done);
    }

    // Who has the keyboard focus, as far as the keys typed next go.
    enum class Focus {
        Target,   // another program: the keys reach it
        Plumtype, // a window of Plumtype, and it could not be given back
        Nobody,   // no program to type into
        Unknown,  // this desktop does not tell where the keys would go
    };
    // Called before typing: gives the focus back as restoreFocus does and
    // says who has it afterwards.  Target only when the sender has seen
    // that a program other than Plumtype has it.
    virtual Focus focusTarget() { return restoreFocus() ? Focus::Target : Focus::Nobody; }
};

// The sender for this platform and session, or the forced one.  Never null:
// when nothing else can serve, the clipboard sender.
std::unique_ptr<KeySender> makeSender(KeySender::Backend backend);

// The backends; each returns null when it cannot serve here (wrong platform,
// no connection, the protocol missing), with the reason in `why`.
std::unique_ptr<KeySender> makeX11Sender(QString *why);
std::unique_ptr<KeySender> makeWaylandSender(QString *why);
std::unique_ptr<KeySender> makeClipboardSender();
// Null when the session bus or the desktop portal is missing.  `other`, when
// given, is the X11 sender: it finds the program written in and gives the
// focus back, and it types when the portal turns out to offer no keyboard
// (the clipboard does when there is no `other`).
std::unique_ptr<KeySender> makePortalSender(QString *why, std::unique_ptr<KeySender> other = {});
