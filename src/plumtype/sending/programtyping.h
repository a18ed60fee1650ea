#pragma once

// Typing into other programs from the main window: "[send]", live typing and
// the window's focus while it types (sending/sendto.cpp).  Of the window it
// sees only its WindowFace (windowface.h); its settings are hands-free
// access's.

#include "sending/sender.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>

class FocusKeeper;
class HandsFreeAccess;
class WindowFace;
class PasswordShield;

class ProgramTyping : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // A child of the face's window.
    ProgramTyping(WindowFace *face, HandsFreeAccess *access);
    ~ProgramTyping() override;

    // The setting "Type into other programs".
    bool live() const { return m_live; }
    // The sender, made on first use.
    KeySender *sender();
    // Tests put a sender of their own here.
    void setSender(std::unique_ptr<KeySender> sender);

    // "[send]": the whole typing area goes to the program that last had the
    // focus, and the typing area empties.
    void send();
    // A key changed the typing area: while live typing is on, the other
    // program gets the difference.  Nothing is sent while a prompt, a game,
    // the editor or key-text entry has the typing area.
    void sync();
    // "[clear]": the record of what was sent empties; nothing is sent.
    void forget();
    // What the other program has been sent since the last clear.
    const QString &record() const { return m_sent; }
    // Every key and modifier let go, borrowed keycodes given back.
    void releaseAll();
    // A window that a key opens keeps off the focus as the main window
    // does; the windows added to the face are given this at once.
    void keepFocusOff(QWidget *window);
    // Plumtype's windows and the focus.
    FocusKeeper *focusKeeper() const { return m_focus; }

    // The settings were changed: the mode is taken up or left.
    void apply();

    // What goes into password fields (sending/passwordshield.h).
    PasswordShield *passwords() const { return m_shield; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // On X11 the window manager names the active window in a property of
    // the root window: each change of it is a program taking the focus.
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override;

private:
    void noteFocusSoon();
    // The desktop must allow typing first (sending/sendaccess.cpp): Send
    // waits for its answer, live typing holds its keys until then.  False,
    // the user told why, when it did not allow it.
    bool awaitAccess(KeySender *s);
    bool liveAccess(KeySender *s);
    // Makes sure the keys typed next reach the program written in; says on
    // the Okay keyboard why not when they cannot (`always`, or once until
    // keys reach it again).
    bool readyToType(KeySender *s, bool always);
    // A click on Plumtype is over: the focus goes back where the user writes.
    void giveFocusBack();

    WindowFace *m_face;
    HandsFreeAccess *m_access;
    std::unique_ptr<KeySender> m_sender;
    int m_senderBackend = -1; // the choice the sender was made for
    QString m_sent;
    bool m_live = false;
    FocusKeeper *m_focus = nullptr;
    bool m_toldUnreachable = false;
    bool m_toldRefused = false;
    bool m_toldFocus = false;
    bool m_toldMissing = false; // live typing: told that the layout lacks a character
    bool m_sending = false;
    QTimer m_noteFocus;
    PasswordShield *m_shield = nullptr;
    // On X11: the root window and the property that names the active window.
    unsigned long m_rootWindow = 0;
    unsigned long m_activeWindowAtom = 0;
};
