// Plumtype as an XWayland window on a headless sway (run_wayland.sh with
// XWAYLAND=1), clicked as a user clicks: sway's own cursor, moved and
// pressed through its IPC, over a virtual pointer.  A click on a key, live
// typing or not, leaves the keyboard focus with the receiver, a native
// Wayland program, and the word arrives there; a click into the typing area
// takes the focus for the keyboard, and Send gives it back before typing.
//
// The platform is chosen as Plumtype's own start chooses it, from the
// environment: sway started from a text console sets no XDG_SESSION_TYPE.

#include "driving.h"
#include "testfolder.h"

#include "access/access.h"
#include "desktopsession.h"
#include "sending/programtyping.h"

#include "receiverfiles.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using HandsFree::Id;

namespace {

QByteArray swaymsg(const QStringList &args)
{
    QProcess p;
    p.start(u"swaymsg"_s, args);
    p.waitForFinished(10000);
    return p.readAllStandardOutput();
}

// The process of the focused window, by sway's tree: 0 for none.
qint64 focusedPid(const QJsonObject &node)
{
    if (node.value(u"focused"_s).toBool())
        return qint64(node.value(u"pid"_s).toDouble());
    for (const char *key : { "nodes", "floating_nodes" }) {
        for (const QJsonValue &child : node.value(QLatin1String(key)).toArray()) {
            if (const qint64 pid = focusedPid(child.toObject()))
                return pid;
        }
    }
    return 0;
}

qint64 focusedPid()
{
    return focusedPid(QJsonDocument::fromJson(swaymsg({ u"-t"_s, u"get_tree"_s })).object());
}

// A click of sway's cursor on the middle of the widget.
void clickOn(QWidget *widget)
{
    const QPoint at = widget->mapToGlobal(widget->rect().center());
    swaymsg({ u"seat"_s, u"-"_s, u"cursor"_s, u"set"_s, QString::number(at.x()),
              QString::number(at.y()) });
    QTest::qWait(50);
    swaymsg({ u"seat"_s, u"-"_s, u"cursor"_s, u"press"_s, u"button1"_s });
    QTest::qWait(30);
    swaymsg({ u"seat"_s, u"-"_s, u"cursor"_s, u"release"_s, u"button1"_s });
}

} // namespace

class tst_SwayFocus : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void clicks_data();
    void clicks();

private:
    QString m_text;
    qint64 m_receiver = 0;
};

void tst_SwayFocus::initTestCase()
{
    m_text = qEnvironmentVariable("RECEIVER_TEXT");
    m_receiver = qEnvironmentVariable("RECEIVER_PID").toLongLong();
    if (m_text.isEmpty() || qEnvironmentVariableIsEmpty("SWAYSOCK"))
        QSKIP("run by run_wayland.sh with XWAYLAND=1 under sway");
    // Plumtype's start chose XWayland, and the receiver has the focus.
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
    QVERIFY(m_receiver > 0);
    QTRY_COMPARE(focusedPid(), m_receiver);
}

void tst_SwayFocus::clicks_data()
{
    QTest::addColumn<bool>("live");
    QTest::addColumn<bool>("intoTypingArea");

    QTest::newRow("live typing") << true << false;
    QTest::newRow("Send") << false << false;
    QTest::newRow("the typing area, then Send") << false << true;
}

void tst_SwayFocus::clicks()
{
    QFETCH(bool, live);
    QFETCH(bool, intoTypingArea);

    const QString before = readFile(m_text);
    TestFolder folder;
    auto w = folder.start(0);
    w->handsFree->change(Id::LiveTyping, live);
    QCOMPARE(w->programTyping->sender()->name(), u"Wayland"_s);
    QTest::qWait(500); // the window mapped, the virtual keyboard taken up
    // Floating at its own size: a tiled window that does not fit its tile
    // is drawn smaller than it is, and a click would land elsewhere than
    // the window's own coordinates say.
    swaymsg({ u"[pid=%1] floating enable, move position 100 10"_s.arg(
            QCoreApplication::applicationPid()) });
    QTRY_COMPARE(w->geometry().topLeft(), QPoint(100, 10));
    // A new size lays the keys out anew: clicked once they stay.
    QSignalSpy loads(w.get(), &Form1::keyboardLoaded);
    for (int i = 0; i < 10; ++i) {
        loads.clear();
        QTest::qWait(400);
        if (loads.isEmpty() && !w->loadingmap)
            break;
    }
    // A new window of Plumtype's does not take the focus either.
    QCOMPARE(focusedPid(), m_receiver);

    if (intoTypingArea) {
        // Writing with the keyboard in Plumtype's typing area: it has the focus.
        clickOn(w->Text1->viewport());
        QTRY_COMPARE(focusedPid(), QCoreApplication::applicationPid());
    }
    const int want = keyIndex(w.get(), u"want"_s);
    QVERIFY(want > 0);
    clickOn(w->Command1(want));
    QTRY_COMPARE(w->Text1->Text(), u"Want "_s);
    if (!intoTypingArea) {
        QTest::qWait(300);
        QCOMPARE(focusedPid(), m_receiver);
    }
    if (!live) {
        QTest::qWait(300);
        QCOMPARE(readFile(m_text), before);
        clickOn(w->Command1(keyIndex(w.get(), u"[send]"_s)));
        QTRY_VERIFY(w->Text1->Text().isEmpty());
    }
    QCOMPARE(waitForFile(m_text, before + u"Want "_s), before + u"Want "_s);
    QTest::qWait(300);
    QCOMPARE(focusedPid(), m_receiver);
    w->handsFree->change(Id::LiveTyping, 0);
    w->close();
}

int main(int argc, char *argv[])
{
    // As Plumtype's main() does.
    const QByteArray platform = DesktopSession::preferredPlatform(DesktopSession::fromProcess());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);
    tst_SwayFocus test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_swayfocus.moc"
