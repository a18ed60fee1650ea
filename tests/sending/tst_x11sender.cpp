// The X11 sender typing into the receiver on a private X server
// (x11session.sh starts it): texts arrive whatever the layout, BackSpaces
// take whole characters, modifiers the user holds neither change the text
// nor stay released, and the focus comes back to the receiver.

#include "sending/sender.h"

#include "receiverfiles.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace Qt::StringLiterals;

namespace {

bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

int emptyKeycodes(Display *display)
{
    int min = 0, max = 0, perKeycode = 0;
    XDisplayKeycodes(display, &min, &max);
    KeySym *syms = XGetKeyboardMapping(display, KeyCode(min), max - min + 1, &perKeycode);
    int empty = 0;
    for (int kc = 0; kc <= max - min; ++kc) {
        bool any = false;
        for (int i = 0; i < perKeycode; ++i)
            any = any || syms[kc * perKeycode + i] != NoSymbol;
        empty += any ? 0 : 1;
    }
    XFree(syms);
    return empty;
}

} // namespace

class TestX11Sender : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void typing_data();
    void typing();
    void backspaces();
    void heldModifiers_data();
    void heldModifiers();
    void focusComesBack();

private:
    void clearReceiver();

    std::unique_ptr<KeySender> m_sender;
    Display *m_display = nullptr;
    QString m_text;
    QString m_focus;
    int m_emptyAtStart = 0;
};

void TestX11Sender::initTestCase()
{
    m_text = qEnvironmentVariable("RECEIVER_TEXT");
    m_focus = qEnvironmentVariable("RECEIVER_FOCUS");
    if (m_text.isEmpty() || qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("run through x11session.sh: it starts the X server and the receiver");
    m_display = XOpenDisplay(nullptr);
    QVERIFY(m_display);
    m_emptyAtStart = emptyKeycodes(m_display);
    QString why;
    m_sender = makeX11Sender(&why);
    QVERIFY2(m_sender, qPrintable(why));
    QCOMPARE(m_sender->name(), u"X11"_s);
    QVERIFY(m_sender->reachesPrograms());
}

void TestX11Sender::cleanupTestCase()
{
    if (!m_display)
        return;
    // Every borrowed keycode is given back.
    m_sender->releaseAll();
    QCOMPARE(emptyKeycodes(m_display), m_emptyAtStart);
    m_sender.reset();
    run(u"setxkbmap"_s, { u"us"_s });
    XCloseDisplay(m_display);
}

void TestX11Sender::init()
{
    clearReceiver();
}

// Select all and delete, typed by the sender itself, in any layout.
void TestX11Sender::clearReceiver()
{
    if (readFile(m_text).isEmpty())
        return;
    QVERIFY(run(u"xdotool"_s, { u"key"_s, u"--clearmodifiers"_s, u"ctrl+a"_s, u"Delete"_s }));
    QCOMPARE(waitForFile(m_text, QString()), QString());
}

void TestX11Sender::typing_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("text");

    const QString hello = u"Hello, wörld €\r\nłé😀 yz YZ"_s;
    QTest::newRow("us") << u"us"_s << hello;
    // y and z change places; € sits on AltGr, ł is missing.
    QTest::newRow("de") << u"de"_s << hello;
    // ł and € on AltGr, ö and é missing.
    QTest::newRow("pl") << u"pl"_s << hello + u" Łódź"_s;
    // More missing characters than spare keycodes: they are bound in turn.
    QTest::newRow("us, many missing") << u"us"_s << u"ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż\tok"_s;
}

void TestX11Sender::typing()
{
    QFETCH(QString, layout);
    QFETCH(QString, text);
    QVERIFY(run(u"setxkbmap"_s, { layout }));
    QVERIFY(m_sender->type(text));
    QString expected = text;
    expected.replace(u"\r\n"_s, u"\n"_s);
    QCOMPARE(waitForFile(m_text, expected), expected);
}

void TestX11Sender::backspaces()
{
    QVERIFY(run(u"setxkbmap"_s, { u"us"_s }));
    QVERIFY(m_sender->type(u"one\r\ntwo😀"_s));
    QCOMPARE(waitForFile(m_text, u"one\ntwo😀"_s), u"one\ntwo😀"_s);
    // The emoji, "two" and the line break: five characters.
    QVERIFY(m_sender->backspace(5));
    QVERIFY(m_sender->type(u"!"_s));
    QCOMPARE(waitForFile(m_text, u"one!"_s), u"one!"_s);
}

void TestX11Sender::heldModifiers_data()
{
    QTest::addColumn<QString>("key"); // keysym name
    QTest::addColumn<bool>("toggles");

    QTest::newRow("shift") << u"Shift_L"_s << false;
    QTest::newRow("ctrl") << u"Control_R"_s << false;
    QTest::newRow("AltGr") << u"ISO_Level3_Shift"_s << false;
    QTest::newRow("caps lock") << u"Caps_Lock"_s << true;
}

void TestX11Sender::heldModifiers()
{
    QFETCH(QString, key);
    QFETCH(bool, toggles);
    QVERIFY(run(u"setxkbmap"_s, { u"de"_s }));
    const KeyCode keycode = XKeysymToKeycode(m_display, XStringToKeysym(qPrintable(key)));
    QVERIFY(keycode != 0);
    QVERIFY(run(u"xdotool"_s, { toggles ? u"key"_s : u"keydown"_s, key }));

    const QString text = u"aB€ł"_s;
    QVERIFY(m_sender->type(text));
    const QString arrived = waitForFile(m_text, text);

    XkbStateRec state;
    XkbGetState(m_display, XkbUseCoreKbd, &state);
    char keys[32];
    XQueryKeymap(m_display, keys);
    const bool down = keys[keycode / 8] & (1 << (keycode % 8));
    QVERIFY(run(u"xdotool"_s, { toggles ? u"key"_s : u"keyup"_s, key }));

    QCOMPARE(arrived, text);
    if (toggles)
        QVERIFY(state.locked_mods & LockMask);
    else
        QVERIFY(down);
}

void TestX11Sender::focusComesBack()
{
    m_sender->noteFocus(); // the receiver has it
    QCOMPARE(readFile(m_focus), u"active"_s);

    // A window of this process (as Plumtype's would be) takes the focus.
    const Window root = DefaultRootWindow(m_display);
    const Window mine = XCreateSimpleWindow(m_display, root, 0, 0, 200, 100, 0, 0, 0);
    const unsigned long pid = getpid();
    XChangeProperty(m_display, mine, XInternAtom(m_display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char *>(&pid), 1);
    XStoreName(m_display, mine, "Plumtype");
    XMapRaised(m_display, mine);
    XSync(m_display, False);
    QVERIFY(run(u"xdotool"_s, { u"search"_s, u"--sync"_s, u"--name"_s, u"^Plumtype$"_s }));
    // Through the window manager when there is one.  A busy window manager
    // may pass over a request, or still be reading the keymaps the typing
    // before changed: it is asked again, for up to 30 s.
    const QString id = QString::number(mine);
    for (int i = 0; i < 60 && readFile(m_focus) != u"inactive"_s; ++i) {
        if (!run(u"xdotool"_s, { u"windowactivate"_s, id }))
            run(u"xdotool"_s, { u"windowfocus"_s, id });
        waitForFile(m_focus, u"inactive"_s, 500);
    }
    QCOMPARE(readFile(m_focus), u"inactive"_s);
    m_sender->noteFocus(); // ours: the receiver stays the program to type into

    QVERIFY(m_sender->restoreFocus());
    QCOMPARE(waitForFile(m_focus, u"active"_s), u"active"_s);
    QVERIFY(m_sender->type(u"back"_s));
    QCOMPARE(waitForFile(m_text, u"back"_s), u"back"_s);
    XDestroyWindow(m_display, mine);
    XSync(m_display, False);
}

QTEST_MAIN(TestX11Sender)
#include "tst_x11sender.moc"
