// Switches that reach Plumtype while another program has the focus, on a real
// X server with a window manager (x11session.sh): a switch user writes into
// the receiver by step scanning with Space and Return, which never reach
// it; a chosen device is floated while scanning is on and put back after,
// also when Plumtype is killed.

#include "driving.h"
#include "testfolder.h"

#include "access/access.h"
#include "access/switches.h"
#include "sending/programtyping.h"

#include "receiverfiles.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>

#include <csignal>

#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace Qt::StringLiterals;
using HandsFree::Id;
using Level = Scanning::Highlight::Level;

namespace {

// How the server has a device: floating, or attached to a master.
enum class Use { Missing, Attached, Floating };

class Server
{
public:
    Server() : m_display(XOpenDisplay(nullptr)) { }
    ~Server()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool ok() const { return m_display; }

    int id(const QString &name) const
    {
        int n = 0, found = 0;
        XIDeviceInfo *info = XIQueryDevice(m_display, XIAllDevices, &n);
        for (int i = 0; i < n; ++i) {
            if (QString::fromUtf8(info[i].name) == name && info[i].use != XIMasterPointer
                && info[i].use != XIMasterKeyboard)
                found = info[i].deviceid;
        }
        XIFreeDeviceInfo(info);
        return found;
    }
    Use use(const QString &name) const
    {
        int n = 0;
        Use found = Use::Missing;
        XIDeviceInfo *info = XIQueryDevice(m_display, XIAllDevices, &n);
        for (int i = 0; i < n; ++i) {
            if (QString::fromUtf8(info[i].name) == name)
                found = info[i].use == XIFloatingSlave ? Use::Floating : Use::Attached;
        }
        XIFreeDeviceInfo(info);
        return found;
    }
    // A key or button of that device alone, as its own hardware would send.
    void press(const QString &device, bool button, unsigned detail)
    {
        XDevice *dev = XOpenDevice(m_display, XID(id(device)));
        QVERIFY(dev);
        for (const Bool down : { True, False }) {
            if (button)
                XTestFakeDeviceButtonEvent(m_display, dev, detail, down, nullptr, 0, 0);
            else
                XTestFakeDeviceKeyEvent(m_display, dev, detail, down, nullptr, 0, 0);
            XSync(m_display, False);
            QTest::qWait(30);
        }
        XCloseDevice(m_display, dev);
    }
    unsigned keycode(KeySym sym) const { return XKeysymToKeycode(m_display, sym); }
    // Puts these keysyms on a keycode (NoSymbol empties it).
    void bind(unsigned code, KeySym sym)
    {
        KeySym syms[2] = { sym, sym };
        XChangeKeyboardMapping(m_display, int(code), 2, syms, 1);
        XSync(m_display, False);
    }

private:
    Display *m_display;
};

bool waitForUse(const Server &server, const QString &name, Use use, int ms = 10000)
{
    return QTest::qWaitFor([&] { return server.use(name) == use; }, ms);
}

// Presses a key on the X server's own keyboard through xdotool: the press a
// user makes on any keyboard.
void key(const QString &name)
{
    QProcess::execute(u"xdotool"_s, { u"key"_s, name });
}

} // namespace

class tst_Switches : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void stepScanningIntoReceiver();
    void heldSwitchDoesNotRepeat();
    void newKeymapIsGrabbedAgain();
    void chosenDevice_data();
    void chosenDevice();
    void killedPlumtypeLeavesNoDeviceFloating_data();
    void killedPlumtypeLeavesNoDeviceFloating();

private:
    void focusReceiver();
    // Waits until the window manager is done placing and sizing the new
    // window: a resize reloads the keyboard (the scan goes on where it is).
    void settle(Form1 *w);
    // Presses the key and waits until the scan has seen the release: the
    // next press is then no bounce.
    void tap(Form1 *w, const QString &name);

    QString m_text;
    QString m_focus;
    QString m_window;
};

void tst_Switches::initTestCase()
{
    m_text = qEnvironmentVariable("RECEIVER_TEXT");
    m_focus = qEnvironmentVariable("RECEIVER_FOCUS");
    m_window = qEnvironmentVariable("RECEIVER_WINDOW");
    if (m_text.isEmpty() || QGuiApplication::platformName() != u"xcb")
        QSKIP("run by x11session.sh on an X server");
}

void tst_Switches::focusReceiver()
{
    for (int i = 0; i < 20 && readFile(m_focus) != u"active"_s; ++i) {
        QProcess::execute(u"xdotool"_s, { u"windowactivate"_s, m_window });
        waitForFile(m_focus, u"active"_s, 250);
    }
    QCOMPARE(readFile(m_focus), u"active"_s);
}

void tst_Switches::settle(Form1 *w)
{
    QSignalSpy loads(w, &Form1::keyboardLoaded);
    for (int i = 0; i < 10; ++i) {
        loads.clear();
        QTest::qWait(500);
        if (loads.isEmpty() && !w->loadingmap)
            return;
    }
}

void tst_Switches::tap(Form1 *w, const QString &name)
{
    key(name);
    QTest::qWait(200);
    Q_UNUSED(w);
}

void tst_Switches::stepScanningIntoReceiver()
{
    TestFolder folder;
    auto w = folder.start(0);
    HandsFreeAccess *access = w->handsFree;
    access->change(Id::LiveTyping, 1);
    focusReceiver();
    settle(w.get());
    access->change(Id::ScanMode, int(HandsFree::ScanMode::Step));
    access->change(Id::ScanOn, 1);
    ScanController *scan = access->scan();
    QCOMPARE(scan->switchInputs()->x11()->grabbedKeycodes().size(), 3); // Space, Return, Enter

    // Where "want" is in the scan: its row, and its place in the row.
    const int want = keyIndex(w.get(), u"want"_s);
    QVERIFY(want > 0);
    const QList<QList<int>> groups = scan->scanner().groups();
    int group = -1, item = -1;
    for (int g = 0; g < groups.size() && group < 0; ++g) {
        if (groups.at(g).contains(want)) {
            group = g;
            item = int(groups.at(g).indexOf(want));
        }
    }
    QVERIFY(group > 0 && item > 0);

    // Space moves the highlight over the rows; the receiver keeps the focus
    // and gets no space.
    QCOMPARE(scan->scanner().highlight().group, 0);
    QElapsedTimer took;
    took.start();
    for (int g = 1; g <= group; ++g) {
        tap(w.get(), u"space"_s);
        QTRY_COMPARE(scan->scanner().highlight().group, g);
    }
    QVERIFY(scan->highlighted().contains(want));
    QVERIFY(access->targetWidget(want)->accessibleName().contains(u"want"_s)
            || w->Command1(want)->ToolTipText == u"want"_s);
    tap(w.get(), u"Return"_s);
    QTRY_VERIFY(scan->scanner().highlight().level == Level::Item);
    for (int i = 1; i <= item; ++i) {
        tap(w.get(), u"space"_s);
        QTRY_COMPARE(scan->scanner().highlight().item, i);
    }
    QCOMPARE(scan->highlighted(), QList<int> { want });
    QCOMPARE(readFile(m_text), QString());
    QCOMPARE(readFile(m_focus), u"active"_s);

    // Return selects: exactly the word and its space arrive, no Return.
    tap(w.get(), u"Return"_s);
    QCOMPARE(waitForFile(m_text, u"Want "_s), u"Want "_s);
    qInfo("\"want\" by step scanning: %d switch presses, %lld ms at a press each 200 ms",
          group + item + 2, took.elapsed());
    QTest::qWait(300);
    QCOMPARE(readFile(m_text), u"Want "_s);
    QCOMPARE(readFile(m_focus), u"active"_s);
    QCOMPARE(w->Text1->Text(), u"Want "_s);

    // Scanning off: the keys are the receiver's again.
    access->change(Id::ScanOn, 0);
    QVERIFY(scan->switchInputs()->x11()->grabbedKeycodes().isEmpty());
    key(u"space"_s);
    QCOMPARE(waitForFile(m_text, u"Want  "_s), u"Want  "_s);
    access->change(Id::LiveTyping, 0);
    access->change(Id::ScanMode, int(HandsFree::ScanMode::Automatic));
    w->close();
}

void tst_Switches::heldSwitchDoesNotRepeat()
{
    // "Advance while held" with the server's auto-repeat on: a Space held
    // for 3.5 s moves the highlight three times and selects nothing; its
    // release selects where the highlight is.
    QProcess::execute(u"xset"_s, { u"r"_s, u"on"_s });
    TestFolder folder;
    auto w = folder.start(0);
    HandsFreeAccess *access = w->handsFree;
    access->change(Id::LiveTyping, 1);
    focusReceiver();
    settle(w.get());
    access->change(Id::ScanMode, int(HandsFree::ScanMode::Held));
    access->change(Id::IntervalMs, 1000);
    access->change(Id::FirstItemPercent, 100);
    access->change(Id::ScanOn, 1);
    ScanController *scan = access->scan();
    const QList<int> third = scan->scanner().groups().value(3);
    QVERIFY(!third.isEmpty());
    const QString before = readFile(m_text);

    // However the test ends, Space is let go (held, it would repeat on).
    const auto letGo = qScopeGuard([] {
        QProcess::execute(u"xdotool"_s, { u"keyup"_s, u"space"_s });
    });
    QProcess::execute(u"xdotool"_s, { u"keydown"_s, u"space"_s });
    QTest::qWait(3500);
    QCOMPARE(scan->scanner().highlight().group, 3);
    QCOMPARE(w->Text1->Text(), QString());
    QCOMPARE(readFile(m_text), before);
    QProcess::execute(u"xdotool"_s, { u"keyup"_s, u"space"_s });
    // A row of several keys: its release goes into the row.
    QTRY_VERIFY(scan->scanner().highlight().level == Level::Item);
    QCOMPARE(scan->highlighted(), QList<int> { third.first() });
    QCOMPARE(readFile(m_text), before);
    access->change(Id::ScanOn, 0);
    access->change(Id::LiveTyping, 0);
    access->change(Id::ScanMode, int(HandsFree::ScanMode::Automatic));
    access->change(Id::IntervalMs, 1200);
    access->change(Id::FirstItemPercent, 150);
    w->close();
}

void tst_Switches::newKeymapIsGrabbedAgain()
{
    Server server;
    QVERIFY(server.ok());
    TestFolder folder;
    auto w = folder.start(0);
    HandsFreeAccess *access = w->handsFree;
    access->change(Id::ScanOn, 1);
    X11Switches *x11 = access->scan()->switchInputs()->x11();
    const int space = int(server.keycode(XK_space));
    QVERIFY(x11->grabbedKeycodes().contains(space));
    // Space moves to a keycode of its own: the grab follows it.
    const int spare = 250;
    server.bind(spare, XK_space);
    server.bind(unsigned(space), NoSymbol);
    QTRY_VERIFY(x11->grabbedKeycodes().contains(spare));
    QVERIFY(!x11->grabbedKeycodes().contains(space));
    server.bind(unsigned(space), XK_space);
    server.bind(spare, NoSymbol);
    QTRY_VERIFY(x11->grabbedKeycodes().contains(space));
    // Another key chosen for switch 1: that key is grabbed instead.
    access->change(Id::Switch1Key, Qt::Key_F7);
    QVERIFY(x11->grabbedKeycodes().contains(int(server.keycode(XK_F7))));
    QVERIFY(!x11->grabbedKeycodes().contains(space));
    access->change(Id::Switch1Key, Qt::Key_Space);
    access->change(Id::ScanOn, 0);
    w->close();
}

void tst_Switches::chosenDevice_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("button");

    QTest::newRow("a keyboard: its Space") << u"Xvfb keyboard"_s << false;
    QTest::newRow("a pointer: its left button") << u"Xvfb mouse"_s << true;
}

void tst_Switches::chosenDevice()
{
    QFETCH(QString, device);
    QFETCH(bool, button);
    Server server;
    QVERIFY(server.ok());

    TestFolder folder;
    auto w = folder.start(0);
    HandsFreeAccess *access = w->handsFree;
    access->change(Id::LiveTyping, 1);
    focusReceiver();
    settle(w.get());
    const QString before = readFile(m_text);

    // The settings window offers the server's devices, and wraps round.
    access->showSettings();
    FaceButton *choice = nullptr;
    for (FaceButton *b : access->settingsWindow()->findChildren<FaceButton *>()) {
        if (b->accessibleName().startsWith(u"Switch device"_s))
            choice = b;
    }
    QVERIFY(choice);
    SwitchInputs *inputs = access->scan()->switchInputs();
    QCOMPARE(inputs->devices(), QStringList({ u"Xvfb keyboard"_s, u"Xvfb mouse"_s }));
    QCOMPARE(choice->paintedCaption, u"Keys of any keyboard"_s);
    QStringList seen;
    for (int i = 0; i < 3; ++i) {
        choice->click();
        seen << choice->paintedCaption;
    }
    QCOMPARE(seen, QStringList({ u"Xvfb keyboard"_s, u"Xvfb mouse"_s, u"Keys of any keyboard"_s }));
    access->settingsWindow()->hide();

    inputs->setDevice(device);
    QCOMPARE(server.use(device), Use::Attached);
    access->change(Id::ScanMode, int(HandsFree::ScanMode::Step));
    access->change(Id::ScanOn, 1);
    QVERIFY(waitForUse(server, device, Use::Floating, 2000));
    QCOMPARE(inputs->problem(), QString());
    // The keys of other keyboards are left alone.
    QVERIFY(inputs->x11()->grabbedKeycodes().isEmpty());

    // The device's switch moves the highlight, and nothing reaches the
    // receiver.
    QCOMPARE(access->scan()->scanner().highlight().group, 0);
    server.press(device, button, button ? 1 : server.keycode(XK_space));
    QTRY_COMPARE(access->scan()->scanner().highlight().group, 1);
    QTest::qWait(200);
    QCOMPARE(readFile(m_text), before);
    // A Space of the server's own keyboard still types in the receiver.
    key(u"space"_s);
    QCOMPARE(waitForFile(m_text, before + u' '), before + u' ');
    QCOMPARE(access->scan()->scanner().highlight().group, 1);

    // Scanning off: the device is back on its master.
    access->change(Id::ScanOn, 0);
    QVERIFY(waitForUse(server, device, Use::Attached, 2000));
    inputs->setDevice(QString());
    access->change(Id::LiveTyping, 0);
    access->change(Id::ScanMode, int(HandsFree::ScanMode::Automatic));
    w->close();
}

void tst_Switches::killedPlumtypeLeavesNoDeviceFloating_data()
{
    QTest::addColumn<bool>("keeperKilledToo");

    QTest::newRow("the keeper puts it back") << false;
    QTest::newRow("the next start puts it back") << true;
}

void tst_Switches::killedPlumtypeLeavesNoDeviceFloating()
{
    QFETCH(bool, keeperKilledToo);
    Server server;
    QVERIFY(server.ok());
    const QString device = u"Xvfb keyboard"_s;
    QCOMPARE(server.use(device), Use::Attached);

    // Plumtype itself, with scanning on and the device chosen in its
    // settings file.
    QTemporaryDir home;
    QDir(home.path()).mkpath(u"config/plumtype"_s);
    QDir(home.path()).mkpath(u"runtime"_s);
    QFile::setPermissions(home.filePath(u"runtime"_s),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    auto settings = [&](bool on) {
        QFile conf(home.filePath(u"config/plumtype/plumtype.conf"_s));
        QVERIFY(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
        conf.write(QByteArray("[scan]\non=") + (on ? "1" : "0") + "\ndevice=Xvfb keyboard\n");
    };
    settings(true);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    env.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
    env.insert(u"XDG_RUNTIME_DIR"_s, home.filePath(u"runtime"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    const QString exe = QCoreApplication::applicationDirPath() + u"/plumtype"_s;
    QProcess plumtype;
    plumtype.setProcessEnvironment(env);
    plumtype.setProcessChannelMode(QProcess::ForwardedChannels);
    plumtype.start(exe, {});
    QVERIFY(plumtype.waitForStarted());
    QVERIFY(waitForUse(server, device, Use::Floating, 20000));
    const QString note = home.filePath(u"runtime/plumtype-floated-"_s)
                         + qEnvironmentVariable("DISPLAY").replace(u':', u'_');
    QTRY_VERIFY(QFile::exists(note));

    if (keeperKilledToo) {
        // Its keeper goes first: nothing is left to put the device back but
        // the note.
        QFile children(u"/proc/%1/task/%1/children"_s.arg(plumtype.processId()));
        QVERIFY(children.open(QIODevice::ReadOnly));
        const QList<QByteArray> pids = children.readAll().trimmed().split(' ');
        QCOMPARE(pids.size(), 1);
        QCOMPARE(::kill(pids.first().toInt(), SIGKILL), 0);
        QTest::qWait(200);
    }
    plumtype.kill(); // SIGKILL: nothing of Plumtype's own runs
    QVERIFY(plumtype.waitForFinished());
    if (!keeperKilledToo) {
        QVERIFY(waitForUse(server, device, Use::Attached, 5000));
        return;
    }
    QTest::qWait(500);
    QCOMPARE(server.use(device), Use::Floating);
    // The next start, scanning off, reads the note.
    settings(false);
    plumtype.start(exe, {});
    QVERIFY(plumtype.waitForStarted());
    QVERIFY(waitForUse(server, device, Use::Attached, 20000));
    QTRY_VERIFY(!QFile::exists(note));
    plumtype.terminate();
    QVERIFY(plumtype.waitForFinished(10000));
}

QTEST_MAIN(tst_Switches)
#include "tst_switches.moc"
