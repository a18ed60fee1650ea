#pragma once

// Typing into other programs: a sender presses keys in whatever program has
// the keyboard focus.  Which sender serves is chosen at start from the
// platform and the session (a setting can force one):
//
//   sending/sender.h          KeySender, the backends' common face, and makeSender
//   sending/x11sender.cpp     X11 and XWayland programs: XTest
//   sending/waylandsender.cpp wlroots compositors: a virtual keyboard of our own
//   sending/sendto.cpp        ProgramTyping: "[send]", live typing, the window's focus
//
// The planning that needs no display (text to key presses, the spare keycodes,
// what live typing must send) is in the core: keyinjection.h.

#include <QString>

#include <memory>

class KeySender
{
public:
    enum class Backend { Automatic, X11, Wayland, Clipboard };

    virtual ~KeySender() = default;

    // "X11", "Wayland" or "Clipboard".
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
