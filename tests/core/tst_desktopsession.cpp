// The session read from the environment, the platform asked of Qt, the
// window that keeps off the focus, and the focused window in a sway tree.

#include "desktopsession.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace DesktopSession;

namespace {

// "type|wayland display|x display|platform chosen|desktop", 1 or 0 for the flags.
Environment envFrom(const QString &row)
{
    const QStringList f = row.split(u'|');
    Environment env;
    env.sessionType = f.value(0);
    env.waylandDisplay = f.value(1) == u"1";
    env.x11Display = f.value(2) == u"1";
    env.platformChosen = f.value(3) == u"1";
    env.currentDesktop = f.value(4);
    return env;
}

// A tree as sway gives it, with the windows that matter; the focused node
// is marked by `focus`.
QByteArray tree(const QString &focus)
{
    auto node = [&](const QString &name, const QString &type, int id, int pid,
                    const QString &children = QString()) {
        QString n = u"{\"id\":%1,\"name\":\"%2\",\"type\":\"%3\",\"focused\":%4"_s.arg(id).arg(
                name, type, name == focus ? u"true"_s : u"false"_s);
        if (pid)
            n += u",\"pid\":%1"_s.arg(pid);
        n += u",\"nodes\":[%1],\"floating_nodes\":[]}"_s.arg(children);
        return n;
    };
    const QString split = node(u"split"_s, u"con"_s, 7, 0,
                               node(u"editor"_s, u"con"_s, 8, 4100) + u","_s
                                       + node(u"plumtype"_s, u"con"_s, 9, 4200));
    const QString floating =
            u"{\"id\":10,\"type\":\"floating_con\",\"name\":\"floater\","
            "\"focused\":%1,\"pid\":4300,\"nodes\":[],\"floating_nodes\":[]}"_s.arg(
                    focus == u"floater" ? u"true"_s : u"false"_s);
    const QString ws = u"{\"id\":4,\"type\":\"workspace\",\"name\":\"1\",\"focused\":%1,"
                       "\"nodes\":[%2],\"floating_nodes\":[%3]}"_s.arg(
                               focus == u"1" ? u"true"_s : u"false"_s, split, floating);
    const QString output = node(u"HEADLESS-1"_s, u"output"_s, 3, 0, ws);
    return node(u"root"_s, u"root"_s, 1, 0, output).toUtf8();
}

} // namespace

class tst_DesktopSession : public QObject
{
    Q_OBJECT
private slots:
    void platform_data();
    void platform();
    void keepsFocusOff_data();
    void keepsFocusOff();
    void swayFocus_data();
    void swayFocus();
};

void tst_DesktopSession::platform_data()
{
    QTest::addColumn<QString>("env");
    QTest::addColumn<bool>("wayland");
    QTest::addColumn<QString>("platform");

    QTest::newRow("X11 session") << u"x11|0|1|0|openbox"_s << false << QString();
    QTest::newRow("Wayland session with XWayland") << u"wayland|1|1|0|sway"_s << true << u"xcb"_s;
    // sway started from a text console sets no session type.
    QTest::newRow("no session type, Wayland socket and X display")
            << u"|1|1|0|"_s << true << u"xcb"_s;
    QTest::newRow("no session type, Wayland socket, no X display")
            << u"|1|0|0|"_s << true << QString();
    QTest::newRow("Wayland session without XWayland")
            << u"wayland|1|0|0|GNOME"_s << true << QString();
    QTest::newRow("the user chose the platform") << u"wayland|1|1|1|sway"_s << true << QString();
    QTest::newRow("X11 session given a Wayland socket") << u"x11|1|1|0|"_s << false << QString();
    QTest::newRow("session type in capitals") << u"Wayland|0|1|0|KDE"_s << true << u"xcb"_s;
    QTest::newRow("text console") << u"tty|0|0|0|"_s << false << QString();
}

void tst_DesktopSession::platform()
{
    QFETCH(QString, env);
    QFETCH(bool, wayland);
    QFETCH(QString, platform);
    QCOMPARE(isWaylandSession(envFrom(env)), wayland);
    QCOMPARE(QString::fromLatin1(preferredPlatform(envFrom(env))), platform);
}

void tst_DesktopSession::keepsFocusOff_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("live");
    QTest::addColumn<bool>("off");

    QTest::newRow("X, live typing off") << u"xcb"_s << false << true;
    QTest::newRow("X, live typing on") << u"xcb"_s << true << true;
    QTest::newRow("Wayland, live typing off") << u"wayland"_s << false << false;
    QTest::newRow("Wayland, live typing on") << u"wayland"_s << true << true;
    QTest::newRow("offscreen, live typing off") << u"offscreen"_s << false << false;
}

void tst_DesktopSession::keepsFocusOff()
{
    QFETCH(QString, platform);
    QFETCH(bool, live);
    QFETCH(bool, off);
    QCOMPARE(DesktopSession::keepsFocusOff(platform, live), off);
}

void tst_DesktopSession::swayFocus_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("id");
    QTest::addColumn<qint64>("pid");

    QTest::newRow("a tiled window")
            << tree(u"editor"_s) << int(Focused::Window) << qint64(8) << qint64(4100);
    QTest::newRow("Plumtype's window")
            << tree(u"plumtype"_s) << int(Focused::Window) << qint64(9) << qint64(4200);
    QTest::newRow("a floating window")
            << tree(u"floater"_s) << int(Focused::Window) << qint64(10) << qint64(4300);
    QTest::newRow("an empty workspace")
            << tree(u"1"_s) << int(Focused::NoWindow) << qint64(4) << qint64(0);
    QTest::newRow("a group of windows")
            << tree(u"split"_s) << int(Focused::NoWindow) << qint64(7) << qint64(0);
    QTest::newRow("nothing focused")
            << tree(u"none"_s) << int(Focused::NoWindow) << qint64(0) << qint64(0);
    QTest::newRow("a window without a process")
            << QByteArray(R"({"type":"root","nodes":[{"type":"con","id":5,"focused":true,)"
                          R"("nodes":[]}]})")
            << int(Focused::Window) << qint64(5) << qint64(0);
    QTest::newRow("not JSON") << QByteArray("[{\"success\": true") << int(Focused::Unreadable)
                              << qint64(0) << qint64(0);
    QTest::newRow("a list, not a tree") << QByteArray("[{\"success\":true}]")
                                        << int(Focused::Unreadable) << qint64(0) << qint64(0);
}

void tst_DesktopSession::swayFocus()
{
    QFETCH(QByteArray, json);
    QFETCH(int, kind);
    QFETCH(qint64, id);
    QFETCH(qint64, pid);
    const Focused f = focusedInSwayTree(json);
    QCOMPARE(int(f.kind), kind);
    QCOMPARE(f.id, id);
    QCOMPARE(f.pid, pid);
}

QTEST_GUILESS_MAIN(tst_DesktopSession)
#include "tst_desktopsession.moc"
