// Choosing the sender, and the clipboard sender that serves when no other can.

#include "sending/sender.h"

#include "desktopsession.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

class ClipboardSender : public KeySender
{
public:
    explicit ClipboardSender(const QString &why) : m_why(why) { }

    QString name() const override { return QStringLiteral("Clipboard"); }
    bool isReady() const override { return true; }
    // Why no sender that reaches programs could serve, when one was tried.
    QString why() const override { return m_why; }
    bool reachesPrograms() const override { return false; }

    bool type(const QString &text) override
    {
        QString platformText = text;
#ifndef Q_OS_WIN
        platformText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
        QGuiApplication::clipboard()->setText(platformText);
        return true;
    }
    bool backspace(int) override
    {
        return false;
    }
    void releaseAll() override { }

private:
    QString m_why;
};

// The X11 sender, when X is there, to help the portal sender.
std::unique_ptr<KeySender> xSender()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && QGuiApplication::platformName() != u"xcb")
        return nullptr;
    return makeX11Sender(nullptr);
}

} // namespace

#ifndef PLUMTYPE_HAVE_WAYLAND
// Built without the Wayland sender.
std::unique_ptr<KeySender> makeWaylandSender(QString *why)
{
    if (why)
        *why = QStringLiteral("Plumtype was built without typing into Wayland programs.");
    return nullptr;
}
#endif

std::unique_ptr<KeySender> makeClipboardSender()
{
    return std::make_unique<ClipboardSender>(QString());
}

std::unique_ptr<KeySender> makeSender(KeySender::Backend backend)
{
    QString why;
    std::unique_ptr<KeySender> sender;
    switch (backend) {
    case KeySender::Backend::X11:
        sender = makeX11Sender(&why);
        break;
    case KeySender::Backend::Wayland:
        sender = makeWaylandSender(&why);
        break;
    case KeySender::Backend::Clipboard:
        break;
    case KeySender::Backend::Portal:
        sender = makePortalSender(&why, xSender());
        break;
    case KeySender::Backend::Automatic: {
        const QString platform = QGuiApplication::platformName();
        const DesktopSession::Environment env = DesktopSession::fromProcess();
        const bool hasX = env.x11Display;
        const bool waylandSession = DesktopSession::isWaylandSession(env);
        const bool gnomeOrKde = DesktopSession::isGnomeOrKde(env);
        if (platform == QLatin1String("xcb")) {
            // An X11 session, or Plumtype running under XWayland: on wlroots
            // desktops the virtual keyboard reaches native programs too.
            if (waylandSession && !gnomeOrKde)
                sender = makeWaylandSender(&why);
            // Elsewhere (GNOME, KDE) the desktop portal reaches native
            // programs too; the X11 sender still finds the program written
            // in, and types when the portal offers no keyboard.
            if (!sender && waylandSession)
                sender = makePortalSender(&why, xSender());
            if (!sender)
                sender = makeX11Sender(&why);
        } else if (platform.startsWith(QLatin1String("wayland"))
                   || (waylandSession && platform != QLatin1String("offscreen")
                       && platform != QLatin1String("minimal"))) {
            // GNOME and KDE offer no virtual keyboard, but the desktop portal.
            if (!gnomeOrKde)
                sender = makeWaylandSender(&why);
            if (!sender)
                sender = makePortalSender(&why, hasX ? xSender() : nullptr);
            if (!sender && hasX)
                sender = makeX11Sender(&why);
        }
        // Anything else (offscreen, minimal) never types into the desktop.
        break;
    }
    }
    if (sender)
        return sender;
    return std::make_unique<ClipboardSender>(why);
}
