// The Wayland sender typing into a native Wayland program: run_wayland.sh
// starts sway headless and the receiver, and names the receiver's files in
// PLUMTYPE_RECEIVER_TEXT and PLUMTYPE_RECEIVER_FOCUS.  Each row starts a new
// sender, so each checks that the very first key arrives.

#include "receiverfiles.h"
#include "sending/sender.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Characters from `first` on, `count` of them, all different.
QString run(char32_t first, int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QString::fromUcs4(std::u32string(1, first + i).data(), 1);
    return text;
}

} // namespace

class TestWaylandSender : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void withoutCompositor();
    void typing_data();
    void typing();
    void receiverKeepsFocus();

private:
    QString m_textFile;
    QString m_focusFile;
};

void TestWaylandSender::initTestCase()
{
    m_textFile = qEnvironmentVariable("PLUMTYPE_RECEIVER_TEXT");
    m_focusFile = qEnvironmentVariable("PLUMTYPE_RECEIVER_FOCUS");
    if (m_textFile.isEmpty() || m_focusFile.isEmpty())
        QSKIP("run by run_wayland.sh, which starts sway and the receiver");
    QTRY_COMPARE_WITH_TIMEOUT(readFile(m_focusFile), u"active"_s, 10000);
}

void TestWaylandSender::withoutCompositor()
{
    const QByteArray display = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "plumtype-no-such-compositor");
    QString why;
    const bool made = makeWaylandSender(&why) != nullptr;
    qputenv("WAYLAND_DISPLAY", display);
    QVERIFY(!made);
    QVERIFY(!why.isEmpty());
}

void TestWaylandSender::typing_data()
{
    // Each step is typed, except that a step of n "\b" presses BackSpace n times.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");

    const QString greek = run(U'α', 25);
    const QString han = run(U'\u4e00', 300);
    QTest::newRow("first key, any layout")
            << QStringList { u"Hello, wörld €\nł é 😀"_s } << u"Hello, wörld €\nł é 😀"_s;
    QTest::newRow("CR LF and tab")
            << QStringList { u"one\r\ntwo\tthree"_s } << u"one\ntwo\tthree"_s;
    QTest::newRow("backspace") << QStringList { u"Hello, wörld"_s, u"\b\b\b\b\b"_s, u"friend 😀"_s,
                                                u"\b"_s }
                               << u"Hello, friend "_s;
    QTest::newRow("keymap grows") << QStringList { u"abc"_s, greek + u"abc"_s, u"ÆØÅ"_s }
                                  << u"abc"_s + greek + u"abcÆØÅ"_s;
    QTest::newRow("keycodes run out") << QStringList { u"x"_s + han + u"x"_s + han.left(3) }
                                      << u"x"_s + han + u"x"_s + han.left(3);
}

void TestWaylandSender::typing()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);

    QString why;
    auto sender = makeWaylandSender(&why);
    QVERIFY2(sender, qPrintable(why));
    QCOMPARE(sender->name(), u"Wayland"_s);

    // What an earlier row left is erased first.
    const QString left = readFile(m_textFile);
    if (!left.isEmpty()) {
        QVERIFY(sender->backspace(int(left.size())));
        QTRY_COMPARE_WITH_TIMEOUT(readFile(m_textFile), QString(), 10000);
    }

    for (const QString &step : steps) {
        if (step.count(u'\b') == step.size())
            QVERIFY(sender->backspace(int(step.size())));
        else
            QVERIFY(sender->type(step));
    }
    sender->releaseAll();
    QTRY_COMPARE_WITH_TIMEOUT(readFile(m_textFile), expected, 10000);
    QVERIFY(sender->isReady());
}

void TestWaylandSender::receiverKeepsFocus()
{
    // The seat has no keyboard but the sender's: when a sender goes, sway
    // takes the keyboard focus from the receiver until the next one comes.
    // So the focus is looked at while a sender lives and after its keys
    // arrived.  The receiver writes its focus file when the focus changes,
    // some time after the keys: the file is waited for, not read once.
    QString why;
    auto sender = makeWaylandSender(&why);
    QVERIFY2(sender, qPrintable(why));
    const QString before = readFile(m_textFile);
    QVERIFY(sender->type(u"!"_s));
    sender->releaseAll();
    QTRY_COMPARE_WITH_TIMEOUT(readFile(m_textFile), before + u"!"_s, 10000);
    QCOMPARE(waitForFile(m_focusFile, u"active"_s, 10000), u"active"_s);
}

QTEST_GUILESS_MAIN(TestWaylandSender)
#include "tst_waylandsender.moc"
