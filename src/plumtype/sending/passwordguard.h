#pragma once

// Whether the keys that Plumtype types go into a password field.  Two sources:
//
//   - the accessibility bus: the focus events of the programs on the desktop,
//     and the role of the object that took the focus (PASSWORD_TEXT);
//   - for a program that is not on the bus, when the desktop names its
//     process (X11): a terminal window of it whose program reads a line
//     without echo, as password prompts do (sudo, ssh, read -s).
//
// Nothing here blocks the caller: the bus is talked to on a thread of its
// own, and a question is answered from what is known at that moment.  A
// missing bus means "not known to be a password field".

#include "passwordfields.h"

#include <QObject>

#include <memory>

class QThread;

class PasswordGuard : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts or stops following the focus on the desktop.
    virtual void setWatching(bool on) = 0;
    virtual bool isWatching() const = 0;
    // The focused object of the program with process `targetPid` (0 when the
    // desktop does not name it) is known to be a password field.
    virtual bool isPasswordField(qint64 targetPid) = 0;

signals:
    // Something became known: a focus moved, or the bus was reached.
    void changed();
};

// The guard over the accessibility bus and the terminals.
std::unique_ptr<PasswordGuard> makePasswordGuard();

// A terminal window of process `pid` is waiting for a password: a child of it
// on a pseudo-terminal other than its own reads a whole line without echo.
bool terminalAwaitsPassword(qint64 pid);

class AccessibilityWatcher;

class AccessibilityGuard : public PasswordGuard
{
    Q_OBJECT
public:
    AccessibilityGuard();
    ~AccessibilityGuard() override;

    void setWatching(bool on) override;
    bool isWatching() const override { return m_watching; }
    bool isPasswordField(qint64 targetPid) override;

    // The bus was reached and the focus events are coming (tests wait on it).
    bool isListening() const { return m_listening; }

private:
    PasswordFields::FocusTracker m_tracker;
    QThread *m_thread = nullptr;
    AccessibilityWatcher *m_watcher = nullptr;
    bool m_watching = false;
    bool m_listening = false;
};
