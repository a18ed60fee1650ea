// Live typing into the password field of another program: the receiver is a
// login form whose accessibility is on.  Its password field takes the focus
// (Tab), Plumtype's letter keys type "sunshine" into it, and Plumtype's
// typing area shows dots; the focus goes back to the user name (Tab)
// and a word typed there is learned, "sunshine" never.  Run by
// run_password.sh on a private session bus inside x11session.sh.

#include "driving.h"
#include "testfolder.h"

#include "access/access.h"
#include "sending/passwordguard.h"
#include "sending/passwordshield.h"
#include "sending/programtyping.h"

#include "receiverfiles.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;
using HandsFree::Id;

namespace {

const QStringList kKeys = {
    "000|s", "000|u", "000|n", "000|h", "000|i", "000|e", "001|hello", "000|[return]", "000|[copy]",
};

// Accessibility is on for the desktop, as the accessibility bus says.
bool accessibilityOn()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
            u"org.a11y.Bus"_s, u"/org/a11y/bus"_s, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get.setArguments({ u"org.a11y.Status"_s, u"IsEnabled"_s });
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get);
    return reply.type() == QDBusMessage::ReplyMessage
           && reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
}

} // namespace

class tst_PasswordField : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void liveTypingIntoAPasswordField();

private:
    // Tab moves the receiver's focus to `field`; true once `seen` holds.  The
    // receiver may take up the accessibility events a moment after Plumtype
    // asked for them: until `seen` holds the focus goes round again.
    bool moveFocus(const QString &field, const std::function<bool()> &seen);

    QString m_text;
    QString m_focus;
    QString m_window;
};

void tst_PasswordField::initTestCase()
{
    m_text = qEnvironmentVariable("RECEIVER_TEXT");
    m_focus = qEnvironmentVariable("RECEIVER_FOCUS");
    m_window = qEnvironmentVariable("RECEIVER_WINDOW");
    if (m_text.isEmpty() || QGuiApplication::platformName() != u"xcb")
        QSKIP("run by run_password.sh on an X server");
}

bool tst_PasswordField::moveFocus(const QString &field, const std::function<bool()> &seen)
{
    const QString fieldFile = m_text + u".field"_s;
    const QString other = field == u"user" ? u"password"_s : u"user"_s;
    for (int round = 0; round < 10; ++round) {
        for (int i = 0; i < 4 && readFile(fieldFile) != field; ++i) {
            QProcess::execute(u"xdotool"_s, { u"key"_s, u"Tab"_s });
            waitForFile(fieldFile, field, 500);
        }
        if (QTest::qWaitFor(seen, 1500))
            return true;
        qInfo("the focus change was not seen: round again");
        QProcess::execute(u"xdotool"_s, { u"key"_s, u"Tab"_s });
        waitForFile(fieldFile, other, 500);
    }
    return false;
}

void tst_PasswordField::liveTypingIntoAPasswordField()
{
    TestFolder folder;
    folder.keyboard(u"t.kbd"_s, kKeys);
    QFile::remove(folder.file(u"words/Pairs.txt"_s));
    auto w = folder.start(0);
    w->handsFree->change(Id::LearnOn, 1);
    QVERIFY(QTest::qWaitFor([&] { return w->learningReady(); }, 10000));
    w->loadmap(w->keyboardPath(u"t.kbd"_s));

    // Live typing on: the focus is followed on the accessibility bus, and
    // accessibility is on for the desktop meanwhile.
    QVERIFY(!accessibilityOn());
    w->handsFree->change(Id::LiveTyping, 1);
    auto *guard = qobject_cast<AccessibilityGuard *>(w->programTyping->passwords()->guard());
    QVERIFY(guard);
    QVERIFY2(QTest::qWaitFor([&] { return guard->isListening(); }, 10000),
             "the accessibility bus was not reached");
    QVERIFY(accessibilityOn());
    PasswordShield *shield = w->programTyping->passwords();

    // The receiver has the focus; its user name field, then its password field.
    for (int i = 0; i < 20 && readFile(m_focus) != u"active"_s; ++i) {
        QProcess::execute(u"xdotool"_s, { u"windowactivate"_s, m_window });
        waitForFile(m_focus, u"active"_s, 250);
    }
    QCOMPARE(readFile(m_focus), u"active"_s);
    // The program the keys go to, as the window manager names it.
    QProcess pid;
    pid.start(u"xdotool"_s, { u"getwindowpid"_s, m_window });
    QVERIFY(pid.waitForFinished());
    const qint64 receiverPid = pid.readAll().trimmed().toLongLong();
    QVERIFY(receiverPid > 0);
    QCOMPARE(w->programTyping->sender()->targetProcess(), receiverPid);
    QVERIFY(!shield->intoPassword());
    QVERIFY2(moveFocus(u"password"_s, [&] { return shield->intoPassword(); }),
             "the password field's focus was not seen");

    play(w.get(), u"t.kbd"_s, { u"s"_s, u"u"_s, u"n"_s, u"s"_s, u"h"_s, u"i"_s, u"n"_s, u"e"_s });
    QCOMPARE(waitForFile(m_text, u"sunshine"_s), u"sunshine"_s);
    QCOMPARE(w->Text1->Text(), u"••••••••"_s);
    for (int i = 0; i < 4; ++i)
        QVERIFY(!w->WordSelect(i)->isEnabled());

    // Back to the user name: what is typed there shows and is learned; the
    // dots stay.
    QVERIFY(moveFocus(u"user"_s, [&] { return !shield->intoPassword(); }));
    play(w.get(), u"t.kbd"_s, { u"[return]"_s, u"hello"_s });
    QCOMPARE(waitForFile(m_text + u".user"_s, u"Hello "_s), u"Hello "_s);
    QCOMPARE(readFile(m_text), u"sunshine"_s);
    QCOMPARE(w->Text1->Text(), u"••••••••\r\nHello "_s);

    play(w.get(), u"t.kbd"_s, { u"[copy]"_s, u"Okay"_s });
    w->saveLearned();
    QFile learned(folder.file(u"words/Learned.txt"_s));
    QVERIFY(learned.open(QIODevice::ReadOnly));
    const QByteArray file = learned.readAll();
    QVERIFY2(file.contains("hello"), file.constData());
    QVERIFY2(!file.toLower().contains("sun"), file.constData());

    // Off again: accessibility is as it was.
    w->handsFree->change(Id::LiveTyping, 0);
    QTRY_VERIFY(!accessibilityOn());
    w->close();
}

QTEST_MAIN(tst_PasswordField)
#include "tst_passwordfield.moc"
