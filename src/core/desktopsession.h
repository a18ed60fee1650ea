#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Where Plumtype runs and who has the keyboard focus, decided without a
// display: the session read from the environment, the platform asked of Qt,
// whether the window must keep off the focus, and the focused window in the
// tree a sway compositor describes.
namespace DesktopSession {

// What the environment tells of the session.
struct Environment
{
    QString sessionType;         // XDG_SESSION_TYPE
    bool waylandDisplay = false; // WAYLAND_DISPLAY is set
    bool x11Display = false;     // DISPLAY is set
    bool platformChosen = false; // QT_QPA_PLATFORM is set: the user chose
    QString currentDesktop;      // XDG_CURRENT_DESKTOP
};
Environment fromProcess();

// A Wayland session: told by XDG_SESSION_TYPE, or by WAYLAND_DISPLAY where
// the session type is not set (a compositor started from a text console).
bool isWaylandSession(const Environment &env);
// GNOME and KDE offer programs no virtual keyboard.
bool isGnomeOrKde(const Environment &env);
// The platform Plumtype asks Qt for: "xcb" in a Wayland session with an X
// display (XWayland), where its window can refuse the focus and its keys can
// be told from the program's; empty when the default stays (an X11 session,
// no X display, or a platform the user chose).
QByteArray preferredPlatform(const Environment &env);

// The main window keeps off the keyboard focus: always on X (X11 or
// XWayland, where a sender reaches other programs and a window can refuse
// the focus), and on any platform while live typing is on.
bool keepsFocusOff(const QString &platformName, bool liveTyping);

// The focused window in the reply to a sway "get_tree" request.
struct Focused
{
    enum Kind {
        Unreadable, // not a tree
        NoWindow,   // a workspace, an output or a group has the focus
        Window,     // a window has it
    };
    Kind kind = Unreadable;
    qint64 id = 0;  // the focused node's container id, to focus it again
    qint64 pid = 0; // a window's process, 0 when the compositor does not know it
};
Focused focusedInSwayTree(const QByteArray &json);

} // namespace DesktopSession
