// The display-free rules of switch input: which keysyms and lock states a
// grab covers, presses paired with releases against auto-repeat, selections
// that wait for the switch to go up, the devices offered, the note of
// floated devices, records of Linux input devices and the settings text.

#include "switchinput.h"

#include <QTest>

#include <cstring>

using namespace Qt::StringLiterals;
using namespace SwitchInput;

Q_DECLARE_METATYPE(SwitchInput::Session)

namespace {

// One 24-byte record of a 64-bit machine: a time of 16 bytes, then type,
// code and value.
QByteArray record(quint16 type, quint16 code, qint32 value)
{
    QByteArray r(16, '\x7f');
    r.append(reinterpret_cast<const char *>(&type), 2);
    r.append(reinterpret_cast<const char *>(&code), 2);
    r.append(reinterpret_cast<const char *>(&value), 4);
    return r;
}

// Pairing driven by a script: "dK@T" a press of key K at time T, "uK@T" a
// release, "|" the end of a batch.  The log: "+K" and "-K" for what the
// scan is told.
QString pair(const QString &script)
{
    Pairing p;
    QStringList log;
    auto note = [&](const QList<Pairing::Change> &changes) {
        for (const Pairing::Change &c : changes)
            log << (c.down ? u"+"_s : u"-"_s) + QString::number(c.key);
    };
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
        if (step == u"|") {
            note(p.settle());
            continue;
        }
        const int key = step.mid(1, step.indexOf(u'@') - 1).toInt();
        const quint32 time = step.mid(step.indexOf(u'@') + 1).toUInt();
        if (step.startsWith(u'd'))
            note(p.press(key, time));
        else
            p.release(key, time);
    }
    note(p.settle());
    return log.join(u' ');
}

} // namespace

class TestSwitchInput : public QObject
{
    Q_OBJECT

private slots:
    void keysyms_data();
    void keysyms();
    void evdevKeys_data();
    void evdevKeys();
    void lockCombinations_data();
    void lockCombinations();
    void pairing_data();
    void pairing();
    void gate_data();
    void gate();
    void devices();
    void nextDevice_data();
    void nextDevice();
    void note_data();
    void note();
    void evdevRecords();
    void sessions_data();
    void sessions();
    void settingsText_data();
    void settingsText();
};

void TestSwitchInput::keysyms_data()
{
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<uint>("keysym");
    QTest::addColumn<int>("back"); // the Qt key of that keysym

    QTest::newRow("space") << 0x20 << 0x20u << 0x20;
    QTest::newRow("return") << 0x01000004 << 0xff0du << 0x01000004;
    QTest::newRow("keypad enter") << 0x01000005 << 0xff8du << 0x01000005;
    QTest::newRow("letter as its small letter") << 0x41 << 0x61u << 0x41;
    QTest::newRow("z") << 0x5a << 0x7au << 0x5a;
    QTest::newRow("digit") << 0x31 << 0x31u << 0x31;
    QTest::newRow("a grave") << 0xc0 << 0xe0u << 0xc0;
    QTest::newRow("multiplication sign is no letter") << 0xd7 << 0xd7u << 0xd7;
    QTest::newRow("F1") << 0x01000030 << 0xffbeu << 0x01000030;
    QTest::newRow("F12") << 0x0100003b << 0xffc9u << 0x0100003b;
    QTest::newRow("F35") << 0x01000052 << 0xffe0u << 0x01000052;
    QTest::newRow("backspace") << 0x01000003 << 0xff08u << 0x01000003;
    QTest::newRow("escape") << 0x01000000 << 0xff1bu << 0x01000000;
    QTest::newRow("delete") << 0x01000007 << 0xffffu << 0x01000007;
    QTest::newRow("scroll lock") << 0x01000026 << 0xff14u << 0x01000026;
    QTest::newRow("shift has none") << 0x01000020 << 0u << 0;
    QTest::newRow("unknown key") << 0x01ffffff << 0u << 0;
}

void TestSwitchInput::keysyms()
{
    QFETCH(int, qtKey);
    QFETCH(uint, keysym);
    QFETCH(int, back);
    QCOMPARE(keysymOf(qtKey), keysym);
    if (keysym)
        QCOMPARE(qtKeyOf(keysym), back);
}

void TestSwitchInput::evdevKeys_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<int>("button"); // as a mouse button switch

    QTest::newRow("KEY_SPACE") << 57 << 0x20 << 0;
    QTest::newRow("KEY_ENTER") << 28 << 0x01000004 << 0;
    QTest::newRow("KEY_KPENTER") << 96 << 0x01000005 << 0;
    QTest::newRow("KEY_1") << 2 << 0x31 << 0;
    QTest::newRow("KEY_0") << 11 << 0x30 << 0;
    QTest::newRow("KEY_A") << 30 << 0x41 << 0;
    QTest::newRow("KEY_F1") << 59 << 0x01000030 << 0;
    QTest::newRow("KEY_F12") << 88 << 0x0100003b << 0;
    QTest::newRow("KEY_F13") << 183 << 0x0100003c << 0;
    QTest::newRow("KEY_LEFTSHIFT has none") << 42 << 0 << 0;
    QTest::newRow("BTN_LEFT") << 0x110 << 0 << 1;
    QTest::newRow("BTN_RIGHT") << 0x111 << 0 << 2;
    QTest::newRow("BTN_MIDDLE is none") << 0x112 << 0 << 0;
    QTest::newRow("BTN_0") << 0x100 << 0 << 1;
    QTest::newRow("BTN_THUMB") << 0x121 << 0 << 2;
}

void TestSwitchInput::evdevKeys()
{
    QFETCH(int, code);
    QFETCH(int, qtKey);
    QFETCH(int, button);
    QCOMPARE(qtKeyOfEvdev(code), qtKey);
    QCOMPARE(switchOfEvdevButton(code), button);
}

void TestSwitchInput::lockCombinations_data()
{
    QTest::addColumn<uint>("numLock");
    QTest::addColumn<uint>("capsLock");
    QTest::addColumn<uint>("scrollLock");
    QTest::addColumn<QList<unsigned>>("masks");

    QTest::newRow("the usual three")
            << 0x10u << 0x02u << 0x80u
            << QList<unsigned> { 0, 0x10, 0x02, 0x12, 0x80, 0x90, 0x82, 0x92 };
    QTest::newRow("no scroll lock")
            << 0x10u << 0x02u << 0u << QList<unsigned> { 0, 0x10, 0x02, 0x12 };
    QTest::newRow("no locks at all") << 0u << 0u << 0u << QList<unsigned> { 0 };
    QTest::newRow("two locks on one modifier")
            << 0x10u << 0x10u << 0u << QList<unsigned> { 0, 0x10 };
}

void TestSwitchInput::lockCombinations()
{
    QFETCH(uint, numLock);
    QFETCH(uint, capsLock);
    QFETCH(uint, scrollLock);
    QFETCH(QList<unsigned>, masks);
    QCOMPARE(SwitchInput::lockCombinations(numLock, capsLock, scrollLock), masks);
}

void TestSwitchInput::pairing_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("log");

    QTest::newRow("a press and its release") << u"d1@10 | u1@90 |"_s << u"+1 -1"_s;
    QTest::newRow("detectable repeat: presses without releases")
            << u"d1@10 | d1@500 | d1@530 | u1@900 |"_s << u"+1 -1"_s;
    QTest::newRow("plain repeat: release and press at one time")
            << u"d1@10 | u1@500 d1@500 | u1@530 d1@530 | u1@900 |"_s << u"+1 -1"_s;
    QTest::newRow("a quick second press in one batch") << u"d1@10 u1@40 d1@60 |"_s << u"+1 -1 +1"_s;
    QTest::newRow("a release alone is dropped") << u"u1@10 |"_s << QString();
    QTest::newRow("two keys held together")
            << u"d1@10 | d2@20 | u2@500 d2@500 | u1@600 | u2@700 |"_s << u"+1 +2 -1 -2"_s;
    QTest::newRow("release pending at the end of the script") << u"d1@10 u1@20"_s << u"+1 -1"_s;
}

void TestSwitchInput::pairing()
{
    QFETCH(QString, script);
    QFETCH(QString, log);
    QCOMPARE(pair(script), log);
}

void TestSwitchInput::gate_data()
{
    QTest::addColumn<QString>("script"); // dN, uN, sK (slot K selected)
    QTest::addColumn<QString>("done");   // the slots carried out, with the step

    QTest::newRow("selected by a press: waits for its release") << u"d1 s7 u1"_s << u"u1=7"_s;
    QTest::newRow("selected by a release: at once") << u"d1 u1 s7"_s << u"s7=7"_s;
    QTest::newRow("both switches down: waits for the last") << u"d1 d2 s7 u2 u1"_s << u"u1=7"_s;
    QTest::newRow("a later selection replaces the waiting one") << u"d1 s7 s8 u1"_s << u"u1=8"_s;
    QTest::newRow("nothing selected, nothing done") << u"d1 u1"_s << QString();
    QTest::newRow("cleared while down") << u"d1 s7 c u1"_s << QString();
}

void TestSwitchInput::gate()
{
    QFETCH(QString, script);
    QFETCH(QString, done);
    Gate g;
    QStringList log;
    for (const QString &step : script.split(u' ')) {
        const int n = step.mid(1).toInt();
        int now = 0;
        if (step.startsWith(u'd'))
            g.down(n);
        else if (step.startsWith(u'u'))
            now = g.up(n);
        else if (step.startsWith(u's'))
            now = g.selected(n);
        else
            g.clear();
        if (now)
            log << step + u'=' + QString::number(now);
    }
    QCOMPARE(log.join(u' '), done);
}

void TestSwitchInput::devices()
{
    using Use = Device::Use;
    const QList<Device> list = {
        { 2, u"Virtual core pointer"_s, Use::MasterPointer, 3, false, true },
        { 3, u"Virtual core keyboard"_s, Use::MasterKeyboard, 2, true, false },
        { 4, u"Virtual core XTEST pointer"_s, Use::SlavePointer, 2, false, true },
        { 5, u"Virtual core XTEST keyboard"_s, Use::SlaveKeyboard, 3, true, false },
        { 6, u"Power Button"_s, Use::SlaveKeyboard, 3, true, false },
        { 7, u"Xvfb mouse"_s, Use::SlavePointer, 2, false, true },
        { 8, u"Xvfb keyboard"_s, Use::SlaveKeyboard, 3, true, false },
        { 9, u"Ablenet switch interface"_s, Use::Floating, 0, true, false },
        { 10, u"Ablenet switch interface"_s, Use::SlavePointer, 2, false, true },
        { 11, u"mute light"_s, Use::SlaveKeyboard, 3, false, false },
        { 12, u"Second pointer"_s, Use::MasterPointer, 13, false, true },
        { 14, u"Second XTEST keyboard"_s, Use::SlaveKeyboard, 13, true, false },
    };
    QCOMPARE(switchDevices(list),
             QStringList({ u"Ablenet switch interface"_s, u"Xvfb keyboard"_s, u"Xvfb mouse"_s }));
    QCOMPARE(findDevice(list, u"Xvfb mouse"_s)->id, 7);
    // Of a keyboard and a pointer of one name, the first slave.
    QCOMPARE(findDevice(list, u"Ablenet switch interface"_s)->id, 9);
    // A master is found only when there is nothing else of its name.
    QCOMPARE(findDevice(list, u"Second pointer"_s)->id, 12);
    QVERIFY(!findDevice(list, u"gone"_s));
    QVERIFY(!findDevice(list, QString()));
}

void TestSwitchInput::nextDevice_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("next");

    const QStringList two = { u"A"_s, u"B"_s };
    QTest::newRow("any keyboard to the first") << QString() << two << u"A"_s;
    QTest::newRow("first to second") << u"A"_s << two << u"B"_s;
    QTest::newRow("last wraps to any keyboard") << u"B"_s << two << QString();
    QTest::newRow("a device gone goes back") << u"C"_s << two << QString();
    QTest::newRow("no devices stays") << QString() << QStringList() << QString();
}

void TestSwitchInput::nextDevice()
{
    QFETCH(QString, current);
    QFETCH(QStringList, names);
    QFETCH(QString, next);
    QCOMPARE(SwitchInput::nextDevice(current, names), next);
}

void TestSwitchInput::note_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("firstDevice");
    QTest::addColumn<int>("firstMaster");
    QTest::addColumn<QString>("firstName");

    QTest::newRow("one line") << QByteArray("8 3 Xvfb keyboard\n") << 1 << 8 << 3
                              << u"Xvfb keyboard"_s;
    QTest::newRow("CR LF and no name") << QByteArray("9 2\r\n") << 1 << 9 << 2 << QString();
    QTest::newRow("garbage skipped")
            << QByteArray("x 3 a\n-1 3 b\n8 0 c\n70000 3 d\n\n10 3 ok") << 1 << 10 << 3 << u"ok"_s;
    QTest::newRow("UTF-8 name") << QByteArray("8 3 Schalter \xc3\xa4\n") << 1 << 8 << 3
                                << u"Schalter ä"_s;
    QTest::newRow("empty") << QByteArray() << 0 << 0 << 0 << QString();
}

void TestSwitchInput::note()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    QFETCH(int, firstDevice);
    QFETCH(int, firstMaster);
    QFETCH(QString, firstName);
    const QList<Floated> read = readNote(bytes);
    QCOMPARE(read.size(), count);
    if (count == 0)
        return;
    QCOMPARE(read.first().device, firstDevice);
    QCOMPARE(read.first().master, firstMaster);
    QCOMPARE(read.first().name, firstName);
    // Written again, it reads back the same.
    QCOMPARE(readNote(writeNote(read)), read);
    // A line break in a name cannot split the note.
    QCOMPARE(writeNote({ { 8, 3, u"a\nb"_s } }), QByteArray("8 3 a b\n"));
}

void TestSwitchInput::evdevRecords()
{
    // A press, a repeat, a sync, a release; the last record cut in two.
    QByteArray buffer = record(1, 57, 1) + record(1, 57, 2) + record(0, 0, 0) + record(1, 57, 0);
    QByteArray rest = buffer.right(10);
    buffer.chop(10);
    QList<EvdevEvent> events = takeEvdevEvents(&buffer, 24);
    QCOMPARE(events.size(), 3);
    QCOMPARE(buffer.size(), 14);
    QCOMPARE(events.at(0).code, quint16(57));
    QCOMPARE(edgeOf(events.at(0)), Edge::Down);
    QCOMPARE(edgeOf(events.at(1)), Edge::None);
    QCOMPARE(edgeOf(events.at(2)), Edge::None);
    buffer += rest;
    events = takeEvdevEvents(&buffer, 24);
    QCOMPARE(events.size(), 1);
    QCOMPARE(edgeOf(events.at(0)), Edge::Up);
    QVERIFY(buffer.isEmpty());
    // 32-bit records: 16 bytes.
    QByteArray small = record(1, 0x110, 1).mid(8);
    events = takeEvdevEvents(&small, 16);
    QCOMPARE(events.size(), 1);
    QCOMPARE(events.at(0).code, quint16(0x110));
    // A record size that cannot be takes nothing.
    QByteArray odd = record(1, 57, 1);
    QVERIFY(takeEvdevEvents(&odd, 4).isEmpty());
    QCOMPARE(odd.size(), 24);
}

void TestSwitchInput::sessions_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("sessionType");
    QTest::addColumn<bool>("waylandDisplay");
    QTest::addColumn<Session>("session");

    QTest::newRow("X11 desktop") << u"xcb"_s << u"x11"_s << false << Session::X11;
    QTest::newRow("no session type") << u"xcb"_s << QString() << false << Session::X11;
    QTest::newRow("XWayland by session type")
            << u"xcb"_s << u"wayland"_s << false << Session::XWayland;
    QTest::newRow("XWayland by display alone")
            << u"xcb"_s << QString() << true << Session::XWayland;
    QTest::newRow("native Wayland") << u"wayland"_s << u"wayland"_s << true << Session::Wayland;
    QTest::newRow("wayland-egl") << u"wayland-egl"_s << QString() << true << Session::Wayland;
    QTest::newRow("offscreen") << u"offscreen"_s << QString() << false << Session::Other;
}

void TestSwitchInput::sessions()
{
    QFETCH(QString, platform);
    QFETCH(QString, sessionType);
    QFETCH(bool, waylandDisplay);
    QFETCH(Session, session);
    QCOMPARE(sessionOf(platform, sessionType, waylandDisplay), session);
}

void TestSwitchInput::settingsText_data()
{
    QTest::addColumn<Session>("session");
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("says");  // a part of the text
    QTest::addColumn<QString>("never"); // a part it must not have

    QTest::newRow("X11 keys") << Session::X11 << QString() << false
                              << u"whichever program has the focus"_s << u"input group"_s;
    QTest::newRow("X11 device") << Session::X11 << u"Xvfb keyboard"_s << false
                                << u"the chosen device is Plumtype's alone"_s << u"input group"_s;
    QTest::newRow("XWayland, may not read devices")
            << Session::XWayland << QString() << false
            << u"only while its window or another X program has the focus"_s << u"read directly"_s;
    QTest::newRow("XWayland tells how")
            << Session::XWayland << u"switch"_s << false << u"add yourself to the input group"_s
            << u"read directly"_s;
    QTest::newRow("Wayland, device read")
            << Session::Wayland << u"switch"_s << true << u"read directly"_s << u"input group"_s;
    QTest::newRow("Wayland, no device yet") << Session::Wayland << QString() << true
                                            << u"Choose your switch device"_s << u"input group"_s;
    QTest::newRow("offscreen") << Session::Other << QString() << true
                               << u"only while its window has the focus"_s << u"device"_s;
}

void TestSwitchInput::settingsText()
{
    QFETCH(Session, session);
    QFETCH(QString, device);
    QFETCH(bool, readable);
    QFETCH(QString, says);
    QFETCH(QString, never);
    const QString text = whereSwitchesWork(session, device, readable);
    QVERIFY2(text.contains(says), qPrintable(text));
    QVERIFY2(!text.contains(never), qPrintable(text));
}

QTEST_MAIN(TestSwitchInput)
#include "tst_switchinput.moc"
