#pragma once

// The keyboard focus on a sway desktop, asked of the compositor through its
// IPC socket (SWAYSOCK): which window has it, whose process that window is,
// and a window focused again.  The Wayland sender learns from it whether its
// keys can reach a program other than Plumtype, and gives the focus back to
// the program it types into when a click on Plumtype took it.

#include "desktopsession.h"

#include <QByteArray>

class SwayFocus
{
public:
    // The socket named by SWAYSOCK (I3SOCK where that is missing).
    SwayFocus();

    // There is a socket to ask.
    bool available() const { return !m_path.isEmpty(); }
    // The focused window; Unreadable when the compositor did not answer.
    DesktopSession::Focused focused() const;
    // Focuses the window with this container id; false when the compositor
    // refused (the window has gone) or did not answer.
    bool focus(qint64 id) const;

private:
    // One request and its reply on a connection of its own; empty with
    // *ok false when the compositor did not answer within a second.
    QByteArray request(quint32 type, const QByteArray &payload, bool *ok) const;

    QByteArray m_path;
};
