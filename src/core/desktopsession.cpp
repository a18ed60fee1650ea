#include "desktopsession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace DesktopSession {

Environment fromProcess()
{
    Environment env;
    env.sessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    env.waylandDisplay = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    env.x11Display = !qEnvironmentVariableIsEmpty("DISPLAY");
    env.platformChosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    env.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    return env;
}

bool isWaylandSession(const Environment &env)
{
    if (env.sessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0)
        return true;
    // An X11 session that someone gave a Wayland socket to stays X11.
    if (env.sessionType.compare(QLatin1String("x11"), Qt::CaseInsensitive) == 0)
        return false;
    return env.waylandDisplay;
}

bool isGnomeOrKde(const Environment &env)
{
    const QString desktop = env.currentDesktop.toUpper();
    return desktop.contains(QLatin1String("GNOME")) || desktop.contains(QLatin1String("KDE"));
}

QByteArray preferredPlatform(const Environment &env)
{
    if (env.platformChosen || !env.x11Display || !isWaylandSession(env))
        return QByteArray();
    return QByteArrayLiteral("xcb");
}

bool keepsFocusOff(const QString &platformName, bool liveTyping)
{
    return liveTyping || platformName == QLatin1String("xcb");
}

namespace {

// Depth first, as sway nests: outputs, workspaces, containers, windows.  A
// tree deeper than any desktop builds is not followed further.
bool findFocused(const QJsonObject &node, int depth, Focused *out)
{
    if (depth > 64)
        return false;
    if (node.value(QLatin1String("focused")).toBool()) {
        const QString type = node.value(QLatin1String("type")).toString();
        const bool window = type == QLatin1String("con") || type == QLatin1String("floating_con");
        // A container of several windows holds the focus while they are
        // chosen as a group: keys go to none of them.
        const bool leaf = node.value(QLatin1String("nodes")).toArray().isEmpty()
                          && node.value(QLatin1String("floating_nodes")).toArray().isEmpty();
        out->kind = window && leaf ? Focused::Window : Focused::NoWindow;
        out->id = qint64(node.value(QLatin1String("id")).toDouble());
        out->pid =
                out->kind == Focused::Window
                        ? std::max<qint64>(0, qint64(node.value(QLatin1String("pid")).toDouble()))
                        : 0;
        return true;
    }
    for (const char *children : { "nodes", "floating_nodes" }) {
        const QJsonArray list = node.value(QLatin1String(children)).toArray();
        for (const QJsonValue &child : list) {
            if (child.isObject() && findFocused(child.toObject(), depth + 1, out))
                return true;
        }
    }
    return false;
}

} // namespace

Focused focusedInSwayTree(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    Focused focused;
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return focused;
    focused.kind = Focused::NoWindow;
    findFocused(doc.object(), 0, &focused);
    return focused;
}

} // namespace DesktopSession
