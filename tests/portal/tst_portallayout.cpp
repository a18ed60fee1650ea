// Plumtype's window under GNOME on a US keyboard layout, typing through the
// desktop portal into a native Wayland program: gnomesession.sh starts it
// with PORTAL_LAYOUT=us and XWayland, whose keymap is the desktop's layout.
// GNOME drops the keys of characters its layout has no key for, so Send must
// type nothing of a text with one, say so and keep the text; without one,
// all of it arrives.  Live typing holds such a key back the same way.

#include "driving.h"
#include "testfolder.h"

#include "access/access.h"
#include "sending/programtyping.h"

#include "receiverfiles.h"

using namespace Qt::StringLiterals;
using HandsFree::Id;

namespace {

const QStringList kKeys = {
    "001|hello", "004|,", "000|w", "000|ö", "000|€", "000|[back]", "000|[send]", "000|[clear]",
};

// Clicks `key`; `notice` gets the prompt it brings, answered Okay.
void clickTold(Form1 *w, const QString &key, QString *notice)
{
    notice->clear();
    answerLater(w, u"Okay"_s, notice);
    play(w, u"t.kbd"_s, { key });
    QTRY_VERIFY_WITH_TIMEOUT(!notice->isEmpty(), 30000);
}

} // namespace

class tst_PortalLayout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void lackingCharacterKeepsTheText();
};

void tst_PortalLayout::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("RECEIVER_TEXT") || qEnvironmentVariableIsEmpty("DISPLAY")
        || qEnvironmentVariableIsEmpty("PORTAL_ANSWER"))
        QSKIP("run by gnomesession.sh with PORTAL_XWAYLAND=1 and PORTAL_LAYOUT=us");
    QCOMPARE(waitForFile(qEnvironmentVariable("RECEIVER_FOCUS"), u"active"_s, 10000), u"active"_s);
}

void tst_PortalLayout::lackingCharacterKeepsTheText()
{
    const QString received = qEnvironmentVariable("RECEIVER_TEXT");
    TestFolder folder;
    folder.keyboard(u"t.kbd"_s, kKeys);
    TextFile::write(folder.file(u"words/W words 2.txt"_s), u"|wörld|world|\r\n"_s);
    auto w = folder.start(0);
    w->loadwords();
    w->handsFree->change(Id::SendBackend, int(HandsFree::SendBackend::Portal));
    QCOMPARE(w->programTyping->sender()->name(), u"Portal"_s);

    // The first Send asks the desktop, which allows it; then it finds ö
    // missing from the layout and types nothing.
    play(w.get(), u"t.kbd"_s, { u"hello"_s, u","_s, u"w"_s, u"ö"_s, u"#0"_s, u"€"_s });
    QCOMPARE(w->Text1->Text(), u"Hello, wörld €"_s);
    QString notice;
    clickTold(w.get(), u"[send]"_s, &notice);
    QCOMPARE(notice,
             u"Your keyboard layout has no key for ö, so Plumtype cannot type it into the other "
             "program. Your text is still here. Add a keyboard layout that has it in your "
             "desktop's settings, or take the character out, then press Send again."_s);
    QCOMPARE(w->programTyping->sender()->access(), KeySender::Access::Allowed);
    QCOMPARE(w->Text1->Text(), u"Hello, wörld €"_s);
    QTest::qWait(1500);
    QCOMPARE(readFile(received), QString());

    // Without it, all of it goes, € included (a US layout has a key for it).
    play(w.get(), u"t.kbd"_s, { u"[clear]"_s, u"yes"_s, u"hello"_s, u"€"_s });
    QCOMPARE(w->Text1->Text(), u"Hello €"_s);
    // A notice instead would be answered and fail the test, not hang it; the
    // guard ends with the Send, so that it answers no later prompt.
    QString none;
    bool sending = true;
    whenReady(
            w.get(),
            [&] { return !sending || (!w->loadingmap && keyIndex(w.get(), u"Okay"_s) != 0); },
            [&] {
                if (!sending)
                    return;
                none = w->Text1->Text();
                click(w.get(), u"Okay"_s);
            });
    play(w.get(), u"t.kbd"_s, { u"[send]"_s });
    QCOMPARE(waitForFile(received, u"Hello €"_s, 60000), u"Hello €"_s);
    QVERIFY(w->Text1->Text().isEmpty());
    sending = false;
    QTest::qWait(20);

    // Live typing: ö is held back and the user told; taken out, the next
    // key goes.
    w->handsFree->change(Id::LiveTyping, 1);
    clickTold(w.get(), u"ö"_s, &notice);
    QCOMPARE(notice,
             u"Your keyboard layout has no key for ö, so Plumtype cannot type it into the other "
             "program. What you write waits here until you take the character out or add a "
             "keyboard layout that has it in your desktop's settings: your next key then sends "
             "it."_s);
    play(w.get(), u"t.kbd"_s, { u"[back]"_s, u"€"_s });
    QCOMPARE(waitForFile(received, u"Hello €€"_s, 60000), u"Hello €€"_s);
    QCOMPARE(none, QString());
    w->handsFree->change(Id::LiveTyping, 0);
    w->close();
}

QTEST_MAIN(tst_PortalLayout)
#include "tst_portallayout.moc"
