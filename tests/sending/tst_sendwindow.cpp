// Plumtype's window typing into another program: the receiver has the focus,
// which Plumtype's new window leaves it; a click into the typing area takes
// it, Plumtype's keys and suggestions are clicked, and "[send]" (and then
// live typing) must put exactly the typed text there and leave the receiver
// with the focus.  Run inside x11session.sh on a real X server, or by
// run_wayland.sh under sway, where an offscreen window types through the
// Wayland sender and never has the focus to give back, or by
// tests/portal/gnomesession.sh under GNOME, where it types through the
// desktop portal once the desktop's dialog has been answered.

#include "driving.h"
#include "testfolder.h"

#include "access/access.h"
#include "sending/programtyping.h"

#include "receiverfiles.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>

// X headers last: they define macros (None, Bool, Status) that Qt's clash with.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace Qt::StringLiterals;
using HandsFree::Id;

namespace {

const QStringList kKeys = {
    "001|hello",    "004|,",    "000|w",    "000|ö",      "000|€",      "000|[space]",
    "000|[return]", "001|then", "001|more", "000|[back]", "000|[send]", "000|[delete]",
};

QString lf(QString text)
{
    return text.replace(u"\r\n"_s, u"\n"_s);
}

} // namespace

class tst_SendWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sendThenLive();

private:
    QString m_text;
    QString m_focus;
    QString m_window;
    bool m_wayland = false;
    bool m_portal = false;
};

void tst_SendWindow::initTestCase()
{
    m_text = qEnvironmentVariable("RECEIVER_TEXT");
    m_focus = qEnvironmentVariable("RECEIVER_FOCUS");
    m_window = qEnvironmentVariable("RECEIVER_WINDOW");
    m_wayland = QGuiApplication::platformName() == u"offscreen"
                && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    m_portal = m_wayland && !qEnvironmentVariableIsEmpty("PORTAL_ANSWER");
    if (m_text.isEmpty() || (!m_wayland && QGuiApplication::platformName() != u"xcb"))
        QSKIP("run by x11session.sh on an X server or by run_wayland.sh under sway");
}

void tst_SendWindow::sendThenLive()
{
    TestFolder folder;
    folder.keyboard(u"t.kbd"_s, kKeys);
    TextFile::write(folder.file(u"words/W words 2.txt"_s), u"|wörld|world|\r\n"_s);
    auto w = folder.start(0);
    w->loadwords();
    if (m_portal) {
        // Chosen in the settings; the first Send asks the desktop.
        w->handsFree->change(Id::SendBackend, int(HandsFree::SendBackend::Portal));
    } else if (m_wayland) {
        // Chosen in the settings, as no platform would choose it for an
        // offscreen window.  The new virtual keyboard needs a moment before
        // the compositor takes its first key.
        w->handsFree->change(Id::SendBackend, int(HandsFree::SendBackend::Wayland));
        w->programTyping->sender();
        QTest::qWait(300);
    }
    QCOMPARE(w->programTyping->sender()->name(), m_portal    ? u"Portal"_s
                                                 : m_wayland ? u"Wayland"_s
                                                             : u"X11"_s);

    // The new window leaves the receiver its focus.  The user clicks into
    // Plumtype's typing area, which takes the focus for the keyboard; the
    // keys clicked after leave it there, and Send gives it back.  (An
    // offscreen window never takes it.)
    if (!m_wayland) {
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::qWait(300);
        QCOMPARE(readFile(m_focus), u"active"_s);
        QVERIFY(!w->isActiveWindow());
        QTest::mouseClick(w->Text1->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(waitForFile(m_focus, u"inactive"_s), u"inactive"_s);
        QTRY_VERIFY(w->isActiveWindow());
    }

    // Words, a suffix, letters, a suggestion, a line break, a mistake taken
    // back; then "[send]".
    play(w.get(), u"t.kbd"_s,
         { u"hello"_s, u","_s, u"w"_s, u"ö"_s, u"#0"_s, u"€"_s, u"[return]"_s, u"then"_s, u"more"_s,
           u"[back]"_s });
    const QString typed = w->Text1->Text();
    QVERIFY2(typed.startsWith(u"Hello, wörld €\r\n"_s), qPrintable(typed));
    // A notice instead would be answered and fail the test, not hang it.
    QString notice;
    answerLater(w.get(), u"Okay"_s, &notice);
    play(w.get(), u"t.kbd"_s, { u"[send]"_s });
    QCOMPARE(notice, QString());
    QCOMPARE(waitForFile(m_text, lf(typed)), lf(typed));
    QVERIFY(w->Text1->Text().isEmpty());
    // The focus went back to the receiver and stays there.
    QCOMPARE(waitForFile(m_focus, u"active"_s), u"active"_s);

    // Live typing: each key arrives as it is clicked, and the window, shown
    // again, leaves the receiver its focus.
    w->handsFree->change(Id::LiveTyping, 1);
    QTest::qWait(300);
    QCOMPARE(readFile(m_focus), u"active"_s);
    const QString before = readFile(m_text);
    play(w.get(), u"t.kbd"_s,
         { u"[space]"_s, u"hello"_s, u"more"_s, u"[back]"_s, u"then"_s, u"[delete]"_s, u"w"_s,
           u"ö"_s, u"#0"_s });
    const QString expected = before + lf(w->Text1->Text());
    QCOMPARE(waitForFile(m_text, expected), expected);
    QCOMPARE(readFile(m_focus), u"active"_s);

    w->handsFree->change(Id::LiveTyping, 0);
    if (!m_wayland) {
        // Nothing offers the window the focus: no WM_TAKE_FOCUS, and an
        // input hint of false.
        Display *display = XOpenDisplay(nullptr);
        QVERIFY(display);
        Atom *protocols = nullptr;
        int count = 0;
        QVERIFY(XGetWMProtocols(display, Window(w->winId()), &protocols, &count));
        const Atom takeFocus = XInternAtom(display, "WM_TAKE_FOCUS", False);
        QVERIFY(std::find(protocols, protocols + count, takeFocus) == protocols + count);
        XFree(protocols);
        XWMHints *hints = XGetWMHints(display, Window(w->winId()));
        QVERIFY(hints && (hints->flags & InputHint) && !hints->input);
        XFree(hints);
        XCloseDisplay(display);
        // A real click on a key, live typing off: the key writes in
        // Plumtype, and the receiver keeps the focus.
        const QString area = w->Text1->Text();
        FaceButton *key = w->Command1(keyIndex(w.get(), u"then"_s));
        QVERIFY(key);
        const QPoint at = key->mapToGlobal(key->rect().center());
        QProcess::execute(u"xdotool"_s, { u"mousemove"_s, QString::number(at.x()),
                                          QString::number(at.y()), u"click"_s, u"1"_s });
        QTRY_VERIFY(w->Text1->Text() != area);
        QTest::qWait(300);
        QCOMPARE(readFile(m_focus), u"active"_s);
        QCOMPARE(readFile(m_text), expected);
    }
    w->close();
}

QTEST_MAIN(tst_SendWindow)
#include "tst_sendwindow.moc"
