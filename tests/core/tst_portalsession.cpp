// The desktop portal's keyboard session without a bus: each row plays the
// desktop's answers to the calls, and the log holds the calls made.  A call
// is logged as its step and its options (the request tokens left out, but
// checked), "-" when there is none.

#include "portalsession.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace PortalSession;

namespace {

const QHash<QString, Step> kSteps = {
    { u"probe"_s, Step::Probe },
    { u"create"_s, Step::CreateSession },
    { u"select"_s, Step::SelectDevices },
    { u"start"_s, Step::Start },
};

QString stepName(Step step)
{
    switch (step) {
    case Step::None:
        return u"-"_s;
    case Step::Probe:
        return u"Probe"_s;
    case Step::CreateSession:
        return u"CreateSession"_s;
    case Step::SelectDevices:
        return u"SelectDevices"_s;
    case Step::Start:
        return u"Start"_s;
    }
    return QString();
}

QString accessName(Access access)
{
    switch (access) {
    case Access::NotAsked:
        return u"NotAsked"_s;
    case Access::Asking:
        return u"Asking"_s;
    case Access::Allowed:
        return u"Allowed"_s;
    case Access::Refused:
        return u"Refused"_s;
    case Access::Unavailable:
        return u"Unavailable"_s;
    }
    return QString();
}

} // namespace

class TestPortalSession : public QObject
{
    Q_OBJECT

private slots:
    void session_data();
    void session();
    void reasons_data();
    void reasons();
    void requestPath_data();
    void requestPath();
};

void TestPortalSession::session_data()
{
    // Actions: "ask", "closed", or "STEP CODE [key=value ...]" (numbers are
    // unsigned, anything else text).  The log has one entry an action, then
    // the access, the token kept and the session left to close.
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("log");

    const QStringList grantedV1 = {
        u"ask"_s,
        u"probe 0 version=1 AvailableDeviceTypes=7"_s,
        u"create 0 session_handle=/s/1"_s,
        u"select 0"_s,
        u"start 0 devices=1"_s,
    };
    QTest::newRow("granted, no persistence")
            << QString() << grantedV1
            << u"Probe | CreateSession | SelectDevices session=/s/1 types=1 | Start session=/s/1 "
               u"| - | Allowed token= close="_s;
    QTest::newRow("persisting portal, token kept from before")
            << u"old"_s
            << QStringList { u"ask"_s, u"probe 0 version=2 AvailableDeviceTypes=1"_s,
                             u"create 0 session_handle=/s/2"_s, u"select 0"_s,
                             u"start 0 devices=3 restore_token=new"_s }
            << u"Probe | CreateSession | SelectDevices persist_mode=2 restore_token=old "
               u"session=/s/2 types=1 | Start session=/s/2 | - | Allowed token=new close="_s;
    QTest::newRow("persisting portal, first run")
            << QString()
            << QStringList { u"ask"_s, u"probe 0 version=4 AvailableDeviceTypes=1"_s,
                             u"create 0 session_handle=/s/3"_s, u"select 0"_s,
                             u"start 0 devices=1"_s }
            << u"Probe | CreateSession | SelectDevices persist_mode=2 session=/s/3 types=1 "
               u"| Start session=/s/3 | - | Allowed token= close="_s;
    QTest::newRow("refused, then asked again without a probe")
            << QString()
            << QStringList { u"ask"_s,
                             u"probe 0 version=1 AvailableDeviceTypes=1"_s,
                             u"create 0 session_handle=/s/1"_s,
                             u"select 0"_s,
                             u"start 1"_s,
                             u"ask"_s }
            << u"Probe | CreateSession | SelectDevices session=/s/1 types=1 | Start session=/s/1 "
               u"| - | CreateSession | Asking token= close=/s/1"_s;
    QTest::newRow("dialog closed")
            << QString()
            << QStringList { u"ask"_s, u"probe 0 version=1 AvailableDeviceTypes=1"_s,
                             u"create 0 session_handle=/s/1"_s, u"select 0"_s, u"start 2"_s }
            << u"Probe | CreateSession | SelectDevices session=/s/1 types=1 | Start session=/s/1 "
               u"| - | Refused token= close=/s/1"_s;
    QTest::newRow("granted without a keyboard")
            << QString()
            << QStringList { u"ask"_s, u"probe 0 version=1 AvailableDeviceTypes=3"_s,
                             u"create 0 session_handle=/s/1"_s, u"select 0"_s,
                             u"start 0 devices=2"_s }
            << u"Probe | CreateSession | SelectDevices session=/s/1 types=1 | Start session=/s/1 "
               u"| - | Refused token= close=/s/1"_s;
    QTest::newRow("refused before a session")
            << QString()
            << QStringList { u"ask"_s, u"probe 0 version=1 AvailableDeviceTypes=1"_s,
                             u"create 2"_s }
            << u"Probe | CreateSession | - | Refused token= close="_s;
    QTest::newRow("no session handle")
            << QString()
            << QStringList { u"ask"_s, u"probe 0 version=1 AvailableDeviceTypes=1"_s,
                             u"create 0"_s }
            << u"Probe | CreateSession | - | Refused token= close="_s;
    QTest::newRow("portal offers no keyboard, never asked again")
            << QString()
            << QStringList { u"ask"_s, u"probe 0 version=2 AvailableDeviceTypes=2"_s, u"ask"_s,
                             u"closed"_s, u"ask"_s }
            << u"Probe | - | - | - | - | Unavailable token= close="_s;
    QTest::newRow("no portal") << QString() << QStringList { u"ask"_s, u"probe 2"_s, u"ask"_s }
                               << u"Probe | - | - | Unavailable token= close="_s;
    QTest::newRow("answers out of turn are ignored")
            << QString() << QStringList { u"ask"_s,
                                          u"select 0"_s,
                                          u"start 0 devices=1"_s,
                                          u"probe 0 version=1 AvailableDeviceTypes=1"_s,
                                          u"probe 0"_s,
                                          u"ask"_s }
            << u"Probe | - | - | CreateSession | - | - | Asking token= close="_s;
    QTest::newRow("closed while allowed: asked anew")
            << QString() << grantedV1 + QStringList { u"ask"_s, u"closed"_s, u"ask"_s }
            << u"Probe | CreateSession | SelectDevices session=/s/1 types=1 | Start session=/s/1 "
               u"| - | - | - | CreateSession | Asking token= close="_s;
    QTest::newRow("closed while asking: the late answer is ignored")
            << QString()
            << QStringList { u"ask"_s, u"probe 0 version=1 AvailableDeviceTypes=1"_s,
                             u"create 0 session_handle=/s/1"_s, u"closed"_s, u"select 0"_s }
            << u"Probe | CreateSession | SelectDevices session=/s/1 types=1 | - | - "
               u"| NotAsked token= close="_s;
}

void TestPortalSession::session()
{
    QFETCH(QString, kept);
    QFETCH(QStringList, actions);
    QFETCH(QString, log);

    Machine machine(kept);
    QStringList got;
    QSet<QString> tokens;
    for (const QString &action : actions) {
        const QStringList words = action.split(u' ');
        Call call;
        if (action == u"ask")
            call = machine.ask();
        else if (action == u"closed")
            machine.closed();
        else {
            QVERIFY2(kSteps.contains(words.at(0)), qPrintable(action));
            QVariantMap results;
            for (const QString &pair : words.mid(2)) {
                const QString key = pair.section(u'=', 0, 0);
                const QString value = pair.section(u'=', 1);
                bool number = false;
                const uint n = value.toUInt(&number);
                results.insert(key, number ? QVariant(n) : QVariant(value));
            }
            call = machine.answered(kSteps.value(words.at(0)), words.at(1).toUInt(), results);
        }
        QString entry = stepName(call.step);
        if (call.step != Step::None && call.step != Step::Probe) {
            // Every request watched has a token of its own.
            QCOMPARE(call.options.value(u"handle_token"_s).toString(), call.token);
            QVERIFY(!call.token.isEmpty() && !tokens.contains(call.token));
            tokens.insert(call.token);
            if (call.step == Step::CreateSession) {
                QVERIFY(!call.options.value(u"session_handle_token"_s).toString().isEmpty());
                QVERIFY(call.session.isEmpty());
            }
            QMap<QString, QString> shown;
            for (auto it = call.options.cbegin(); it != call.options.cend(); ++it) {
                if (it.key() == u"handle_token" || it.key() == u"session_handle_token")
                    continue;
                // The portal takes its numbers as uint32 only.
                if (it.value().typeId() != QMetaType::QString)
                    QCOMPARE(it.value().typeId(), int(QMetaType::UInt));
                shown.insert(it.key(), it.value().toString());
            }
            if (!call.session.isEmpty())
                shown.insert(u"session"_s, call.session);
            for (auto it = shown.cbegin(); it != shown.cend(); ++it)
                entry += u' ' + it.key() + u'=' + it.value();
        }
        got << entry;
    }
    got << u"%1 token=%2 close=%3"_s.arg(accessName(machine.access()), machine.restoreToken(),
                                         machine.takeSessionToClose());
    QCOMPARE(got.join(u" | "_s), log);
    // A session to close is handed over once.
    QCOMPARE(machine.takeSessionToClose(), QString());
}

void TestPortalSession::reasons_data()
{
    // The last answer, and words the sentence for the user must hold.
    QTest::addColumn<QString>("last");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("refused") << u"start 1"_s
                             << QStringList { u"did not allow"_s, u"still here"_s, u"send again"_s,
                                              u"Share"_s };
    QTest::newRow("closed") << u"start 2"_s
                            << QStringList { u"closed"_s, u"still here"_s, u"send again"_s };
    QTest::newRow("no keyboard") << u"start 0"_s << QStringList { u"keyboard"_s, u"still here"_s };
    QTest::newRow("no portal") << u"probe 2"_s << QStringList { u"offers no keyboard"_s };
}

void TestPortalSession::reasons()
{
    QFETCH(QString, last);
    QFETCH(QStringList, words);

    Machine machine;
    machine.ask();
    if (last.startsWith(u"probe"))
        machine.answered(Step::Probe, kEnded, {});
    else {
        machine.answered(Step::Probe, kGranted, { { u"AvailableDeviceTypes"_s, 1u } });
        machine.answered(Step::CreateSession, kGranted, { { u"session_handle"_s, u"/s"_s } });
        machine.answered(Step::SelectDevices, kGranted, {});
        machine.answered(Step::Start, last.section(u' ', 1).toUInt(), {});
    }
    for (const QString &word : words)
        QVERIFY2(machine.why().contains(word), qPrintable(machine.why()));
}

void TestPortalSession::requestPath_data()
{
    QTest::addColumn<QString>("unique");
    QTest::addColumn<QString>("path");

    QTest::newRow("usual") << u":1.42"_s << u"/org/freedesktop/portal/desktop/request/1_42/t"_s;
    QTest::newRow("several dots") << u":1.2.3"_s
                                  << u"/org/freedesktop/portal/desktop/request/1_2_3/t"_s;
    QTest::newRow("no colon") << u"5.6"_s << u"/org/freedesktop/portal/desktop/request/5_6/t"_s;
}

void TestPortalSession::requestPath()
{
    QFETCH(QString, unique);
    QFETCH(QString, path);
    QCOMPARE(PortalSession::requestPath(unique, u"t"_s), path);
}

QTEST_GUILESS_MAIN(TestPortalSession)
#include "tst_portalsession.moc"
