// The portal sender typing into a native Wayland program under GNOME:
// gnomesession.sh starts mutter headless, the desktop portal with GNOME's
// backend, the receiver, and a stand-in for the person that answers the
// portal's dialog with the word in PORTAL_ANSWER.  The dialog is real: the
// desktop's own window, answered through accessibility.

#include "sending/sender.h"

#include "receiverfiles.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void answerWith(const QString &word)
{
    QFile file(qEnvironmentVariable("PORTAL_ANSWER"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(word.toUtf8());
}

// The answers the dialogs got so far.
QStringList dialogs()
{
    return readFile(qEnvironmentVariable("PORTAL_DIALOGS")).split(u'\n', Qt::SkipEmptyParts);
}

// Asks and waits for the answer.
KeySender::Access askAndWait(KeySender *sender)
{
    sender->askAccess();
    QDeadlineTimer deadline(30000);
    while (sender->access() == KeySender::Access::Asking && !deadline.hasExpired())
        QTest::qWait(20);
    return sender->access();
}

} // namespace

class TestPortalSender : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refused_data();
    void refused();
    void typing_data();
    void typing();
    void oneDialogForTheSession();

private:
    QString m_text;
    std::unique_ptr<KeySender> m_sender; // kept across the typing rows
    int m_dialogsBefore = 0;
};

void TestPortalSender::initTestCase()
{
    m_text = qEnvironmentVariable("RECEIVER_TEXT");
    if (m_text.isEmpty() || qEnvironmentVariableIsEmpty("PORTAL_ANSWER"))
        QSKIP("run by gnomesession.sh, which starts GNOME headless and the receiver");
    QCOMPARE(waitForFile(qEnvironmentVariable("RECEIVER_FOCUS"), u"active"_s, 10000), u"active"_s);
}

void TestPortalSender::refused_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("refused") << u"refuse"_s;
    QTest::newRow("dialog closed") << u"close"_s;
}

void TestPortalSender::refused()
{
    QFETCH(QString, answer);

    QString why;
    auto sender = makePortalSender(&why);
    QVERIFY2(sender, qPrintable(why));
    QCOMPARE(sender->name(), u"Portal"_s);
    QCOMPARE(sender->access(), KeySender::Access::NotAsked);
    const qsizetype before = dialogs().size();
    answerWith(answer);
    QCOMPARE(askAndWait(sender.get()), KeySender::Access::Refused);
    // The answer is logged once the dialog has gone, a moment after.
    QTRY_COMPARE_WITH_TIMEOUT(dialogs().size(), before + 1, 10000);
    QCOMPARE(dialogs().constLast(), answer);
    QVERIFY(sender->why().contains(u"still here"_s));
    // Nothing is typed.
    QVERIFY(!sender->type(u"refused"_s));
    QTest::qWait(300);
    QCOMPARE(readFile(m_text), QString());
}

void TestPortalSender::typing_data()
{
    // Each step is typed, except that a step of n "\b" presses BackSpace n times.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");

    QTest::newRow("first send: asked, allowed")
            << QStringList { u"Hello, wörld €\n"_s } << u"Hello, wörld €\n"_s;
    QTest::newRow("CR LF, capitals and AltGr")
            << QStringList { u"Zwei\r\nÄpfel @ 5 €, üben ß"_s } << u"Zwei\nÄpfel @ 5 €, üben ß"_s;
    QTest::newRow("backspace") << QStringList { u"Hello, wörld"_s, u"\b\b\b\b\b"_s, u"friend"_s }
                               << u"Hello, friend"_s;
    QTest::newRow("a thousand characters") << QStringList {
        u"The quick brown fox jumps over the lazy dog. "_s.repeated(22).left(1000)
    } << u"The quick brown fox jumps over the lazy dog. "_s.repeated(22).left(1000);
}

void TestPortalSender::typing()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);

    if (!m_sender) {
        QString why;
        m_sender = makePortalSender(&why);
        QVERIFY2(m_sender, qPrintable(why));
        m_dialogsBefore = int(dialogs().size());
        answerWith(u"allow"_s);
        QCOMPARE(askAndWait(m_sender.get()), KeySender::Access::Allowed);
        // The focus is back with the receiver once the dialog has gone.
        QCOMPARE(waitForFile(qEnvironmentVariable("RECEIVER_FOCUS"), u"active"_s, 10000),
                 u"active"_s);
    }
    QVERIFY(m_sender->reachesPrograms());

    // What an earlier row left is erased first.
    const QString left = readFile(m_text);
    if (!left.isEmpty()) {
        QVERIFY(m_sender->backspace(int(left.size())));
        QCOMPARE(waitForFile(m_text, QString(), 10000), QString());
    }
    for (const QString &step : steps) {
        if (step.count(u'\b') == step.size())
            QVERIFY(m_sender->backspace(int(step.size())));
        else
            QVERIFY(m_sender->type(step));
    }
    // Slow desktops (software rendering, a busy machine) take their time.
    QCOMPARE(waitForFile(m_text, expected, 120000), expected);
}

void TestPortalSender::oneDialogForTheSession()
{
    QVERIFY(m_sender);
    // Asking again while allowed shows no dialog.
    m_sender->askAccess();
    QCOMPARE(m_sender->access(), KeySender::Access::Allowed);
    QTest::qWait(1000);
    QCOMPARE(dialogs().size(), m_dialogsBefore + 1);
}

QTEST_MAIN(TestPortalSender)
#include "tst_portalsender.moc"
