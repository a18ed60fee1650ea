// Typing into other programs, driven through the real window with a sender
// that keeps what "the other program" received: "[send]", live typing after
// every kind of key, prompts that must not leak, and the window's focus.

#include "driving.h"
#include "testfolder.h"

#include "access/access.h"
#include "keyinjection.h"
#include "sending/focuskeeper.h"
#include "sending/programtyping.h"
#include "surface/dialog.h"

#include <QToolButton>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

using namespace Qt::StringLiterals;
using HandsFree::Id;

namespace {

// The other program: a text that BackSpace shortens by one character and
// Return breaks with LF, as a text field does.
class FakeSender : public KeySender
{
public:
    QString received;
    QStringList log;
    bool reaches = true;
    bool focusBack = true;
    KeySender::Focus focus = KeySender::Focus::Target;
    int focusRestored = 0; // asked before typing
    int givenBack = 0;     // asked after a click on Plumtype

    QString name() const override { return u"Fake"_s; }
    bool isReady() const override { return true; }
    bool reachesPrograms() const override { return reaches; }
    bool type(const QString &text) override
    {
        if (!missingCharacters(text).isEmpty())
            return false;
        QString t = text;
        t.replace(u"\r\n"_s, u"\n"_s);
        received += t;
        log.append(u"type:"_s + t);
        return true;
    }
    bool backspace(int count) override
    {
        received.chop(std::min<qsizetype>(count, received.size()));
        log.append(u"back:"_s + QString::number(count));
        return true;
    }
    // The characters that the desktop's layout has no key for.
    QString lacks;
    QStringList missingCharacters(const QString &text) override
    {
        return KeyInjection::missingCharacters(
                text, [](char32_t c) { return quint32(c); },
                [this](quint32 keysym) { return !lacks.contains(QChar(char16_t(keysym))); });
    }
    void releaseAll() override { }
    bool restoreFocus() override
    {
        ++givenBack;
        return focusBack;
    }
    Focus focusTarget() override
    {
        ++focusRestored;
        return focusBack ? focus : Focus::Nobody;
    }

    // A desktop that must allow typing first: its answers to the asking in
    // order, "allow" or "refuse", each a moment later; none left, none comes.
    Access state = Access::Allowed;
    QStringList answers;
    int asked = 0;
    Access access() const override { return state; }
    QString why() const override { return u"Not allowed: ask again."_s; }
    void askAccess() override
    {
        if (state == Access::Asking || state == Access::Allowed)
            return;
        state = Access::Asking;
        ++asked;
        if (answers.isEmpty())
            return;
        const bool allow = answers.takeFirst() == u"allow";
        QTimer::singleShot(20, &m_context, [this, allow] {
            state = allow ? Access::Allowed : Access::Refused;
            for (const auto &[context, done] : std::exchange(m_waiting, {})) {
                if (context)
                    done();
            }
        });
    }
    void whenAnswered(QObject *context, std::function<void()> done) override
    {
        m_waiting.append({ context, std::move(done) });
    }

private:
    QObject m_context;
    QList<std::pair<QPointer<QObject>, std::function<void()>>> m_waiting;
};

const QStringList kKeys = {
    "001|hello",  "001|world",  "002|then",    "000|H",        "000|i",        "004|.",
    "004|ing",    "004|,",      "000|[back]",  "000|[delete]", "000|[return]", "000|[clear]",
    "000|[copy]", "000|[send]", "000|[space]", "000|ö",        "000|ß",
};

struct Started
{
    TestFolder folder;
    std::unique_ptr<Form1> w;
    FakeSender *sender = nullptr;
};

std::unique_ptr<Started> start(bool live)
{
    auto s = std::make_unique<Started>();
    s->folder.keyboard(u"t.kbd"_s, kKeys);
    TextFile::write(s->folder.file(u"words/H words 1.txt"_s), u"|hello|help|\r\n"_s);
    s->w = s->folder.start(0);
    s->w->loadwords();
    s->w->loadmap(s->w->keyboardPath(u"t.kbd"_s));
    auto sender = std::make_unique<FakeSender>();
    s->sender = sender.get();
    s->w->programTyping->setSender(std::move(sender));
    s->w->handsFree->change(Id::LiveTyping, live);
    return s;
}

QString asReceived(QString text)
{
    return text.replace(u"\r\n"_s, u"\n"_s);
}

} // namespace

class tst_Sending : public QObject
{
    Q_OBJECT
private slots:
    void send_data();
    void send();
    void liveTyping_data();
    void liveTyping();
    void desktopMustAllow_data();
    void desktopMustAllow();
    void closingEndsTheWait();
    void layoutLacks_data();
    void layoutLacks();
    void liveTurnedOnMidText_data();
    void liveTurnedOnMidText();
    void sendWhereTheFocusIs_data();
    void sendWhereTheFocusIs();
    void clickGivesTheFocusBack_data();
    void clickGivesTheFocusBack();
    void offByDefault();
    void windowKeepsOffTheFocus();
};

void tst_Sending::send_data()
{
    QTest::addColumn<bool>("reaches");
    QTest::addColumn<bool>("focusBack");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("left");

    // Typed, focus given back, the typing area empties.
    QTest::newRow("typed") << true << true << u"Hello world\n"_s << QString();
    // No program to give the focus back to: nothing typed, nothing lost.
    QTest::newRow("no program") << true << false << QString() << u"Hello world \r\n"_s;
    // A desktop that takes no keys: the text is on the clipboard, and stays.
    QTest::newRow("clipboard") << false << true << u"Hello world\n"_s << u"Hello world \r\n"_s;
}

void tst_Sending::send()
{
    QFETCH(bool, reaches);
    QFETCH(bool, focusBack);
    QFETCH(QString, received);
    QFETCH(QString, left);

    auto s = start(false);
    s->sender->reaches = reaches;
    s->sender->focusBack = focusBack;
    play(s->w.get(), u"t.kbd"_s, { u"hello"_s, u"world"_s, u"[return]"_s });
    const QString typed = s->w->Text1->Text();
    QVERIFY(s->sender->received.isEmpty());

    if (reaches && focusBack)
        play(s->w.get(), u"t.kbd"_s, { u"[send]"_s });
    else
        play(s->w.get(), u"t.kbd"_s, { u"[send]"_s, u"Okay"_s });
    // The text the other program gets is the typing area as it stood, its
    // trailing space after "world" included.
    QCOMPARE(s->sender->received, received.isEmpty() ? QString() : asReceived(typed));
    QCOMPARE(s->w->Text1->Text(), left);
    QCOMPARE(s->sender->focusRestored, reaches ? 1 : 0);

    // An empty typing area sends nothing.
    if (left.isEmpty()) {
        s->sender->log.clear();
        play(s->w.get(), u"t.kbd"_s, { u"[send]"_s });
        QVERIFY(s->sender->log.isEmpty());
    }
}

void tst_Sending::liveTyping_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("received"); // empty: the same as the typing area

    QTest::newRow("words") << QStringList { u"hello"_s, u"world"_s, u"."_s } << QString();
    QTest::newRow("letters and suggestion")
            << QStringList { u"H"_s, u"#1"_s, u"world"_s } << QString();
    QTest::newRow("suffix glues on") << QStringList { u"hello"_s, u"ing"_s, u","_s } << QString();
    QTest::newRow("back and delete")
            << QStringList { u"hello"_s, u"world"_s, u"[back]"_s, u"[delete]"_s, u"then"_s }
            << QString();
    QTest::newRow("line break") << QStringList { u"hello"_s, u"[return]"_s, u"world"_s }
                                << QString();
    QTest::newRow("back over a line break")
            << QStringList { u"hello"_s, u"[return]"_s, u"[back]"_s, u"[back]"_s } << QString();
    // A prompt borrows the typing area: nothing of it reaches the program.
    QTest::newRow("copy's notice")
            << QStringList { u"hello"_s, u"[copy]"_s, u"Okay"_s, u"world"_s } << QString();
    QTest::newRow("clear keeps what was sent")
            << QStringList { u"hello"_s, u"world"_s, u"[clear]"_s, u"yes"_s, u"then"_s }
            << u"Hello world Then "_s;
    QTest::newRow("clear answered no")
            << QStringList { u"hello"_s, u"[clear]"_s, u"no"_s, u"world"_s } << QString();
    QTest::newRow("send after live typing")
            << QStringList { u"hello"_s, u"[send]"_s, u"world"_s } << u"Hello World "_s;
}

void tst_Sending::liveTyping()
{
    QFETCH(QStringList, script);
    QFETCH(QString, received);

    auto s = start(true);
    play(s->w.get(), u"t.kbd"_s, script);
    QCOMPARE(s->sender->received, received.isEmpty() ? asReceived(s->w->Text1->Text()) : received);
    // The caret stays at the end, where the other program's caret is.
    QCOMPARE(s->w->Text1->SelStart(), s->w->Text1->Text().size());
    s->w->Text1->setSelStart(1);
    s->w->Text1_Click();
    QCOMPARE(s->w->Text1->SelStart(), s->w->Text1->Text().size());
}

void tst_Sending::desktopMustAllow_data()
{
    // The desktop's answers; the script ("Okay" answers the notice that the
    // step before brings); what arrives, what stays, how often it was asked
    // and how many notices came.
    QTest::addColumn<bool>("live");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("left");
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("notices");

    QTest::newRow("send: asked once, allowed")
            << false << QStringList { u"allow"_s }
            << QStringList { u"hello"_s, u"[send]"_s, u"world"_s, u"[send]"_s } << u"Hello World "_s
            << QString() << 1 << 0;
    QTest::newRow("send: refused, the text stays; the next send asks again")
            << false << QStringList { u"refuse"_s, u"allow"_s }
            << QStringList { u"hello"_s, u"[send]"_s, u"Okay"_s, u"world"_s, u"[send]"_s }
            << u"Hello world "_s << QString() << 2 << 1;
    QTest::newRow("send: refused twice")
            << false << QStringList { u"refuse"_s, u"refuse"_s }
            << QStringList { u"hello"_s, u"[send]"_s, u"Okay"_s, u"[send]"_s, u"Okay"_s }
            << QString() << u"Hello "_s << 2 << 2;
    QTest::newRow("live: the first key asks, the keys wait for the answer")
            << true << QStringList { u"allow"_s } << QStringList { u"hello"_s, u"world"_s }
            << u"Hello world "_s << u"Hello world "_s << 1 << 0;
    QTest::newRow("live: refused, told once; send asks again and sends it all")
            << true << QStringList { u"refuse"_s, u"allow"_s }
            << QStringList { u"hello"_s, u"Okay"_s, u"world"_s, u"[back]"_s, u"[send]"_s }
            << u"Hello world"_s << QString() << 2 << 1;
    QTest::newRow("live: refused, then send refused too")
            << true << QStringList { u"refuse"_s, u"refuse"_s }
            << QStringList { u"hello"_s, u"Okay"_s, u"world"_s, u"[send]"_s, u"Okay"_s }
            << QString() << u"Hello world "_s << 2 << 2;
}

void tst_Sending::desktopMustAllow()
{
    QFETCH(bool, live);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, script);
    QFETCH(QString, received);
    QFETCH(QString, left);
    QFETCH(int, asked);
    QFETCH(int, notices);

    auto s = start(live);
    s->sender->state = KeySender::Access::NotAsked;
    s->sender->answers = answers;
    QStringList told;
    for (qsizetype i = 0; i < script.size(); ++i) {
        if (script.at(i) == u"Okay")
            continue;
        const bool notice = i + 1 < script.size() && script.at(i + 1) == u"Okay";
        const qsizetype before = told.size();
        if (notice) {
            told.append(QString());
            answerLater(s->w.get(), u"Okay"_s, &told.last());
        }
        play(s->w.get(), u"t.kbd"_s, { script.at(i) });
        // The notice may come a moment after the key (live typing's answer).
        if (notice)
            QTRY_VERIFY(!told.at(before).isEmpty());
    }
    QTRY_COMPARE(s->sender->received, received);
    QCOMPARE(s->w->Text1->Text(), left);
    QCOMPARE(s->sender->asked, asked);
    QCOMPARE(told.size(), notices);
    for (const QString &notice : std::as_const(told))
        QCOMPARE(notice, u"Not allowed: ask again."_s);
}

void tst_Sending::closingEndsTheWait()
{
    // No answer comes: closing the window ends Send's wait, and nothing is typed.
    auto s = start(false);
    s->sender->state = KeySender::Access::NotAsked;
    play(s->w.get(), u"t.kbd"_s, { u"hello"_s });
    QTimer::singleShot(50, s->w.get(), [&] { s->w->close(); });
    play(s->w.get(), u"t.kbd"_s, { u"[send]"_s });
    QCOMPARE(s->sender->asked, 1);
    QCOMPARE(s->sender->received, QString());
}

void tst_Sending::layoutLacks_data()
{
    // The characters the layout lacks; the script ("Okay" answers the
    // notice that the step before brings); the notices in order, what
    // arrives and what stays.
    QTest::addColumn<bool>("live");
    QTest::addColumn<QString>("lacks");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("notices");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("left");

    const QString sendOne =
            u"Your keyboard layout has no key for ö, so Plumtype cannot type it into the other "
            "program. Your text is still here. Add a keyboard layout that has it in your "
            "desktop's settings, or take the character out, then press Send again."_s;
    const QString sendTwo =
            u"Your keyboard layout has no key for ö ß, so Plumtype cannot type them into the "
            "other program. Your text is still here. Add a keyboard layout that has them in your "
            "desktop's settings, or take the characters out, then press Send again."_s;
    const QString liveOne =
            u"Your keyboard layout has no key for ö, so Plumtype cannot type it into the other "
            "program. What you write waits here until you take the character out or add a "
            "keyboard layout that has it in your desktop's settings: your next key then sends "
            "it."_s;

    QTest::newRow("send: nothing typed, the text stays; taken out, all goes")
            << false << u"ö"_s
            << QStringList { u"hello"_s, u"ö"_s, u"[send]"_s, u"Okay"_s, u"[back]"_s, u"[send]"_s }
            << QStringList { sendOne } << u"Hello "_s << QString();
    QTest::newRow("send: each lacking character once, in order")
            << false << u"ßö"_s << QStringList { u"ö"_s, u"ß"_s, u"ö"_s, u"[send]"_s, u"Okay"_s }
            << QStringList { sendTwo } << QString() << u"ößö"_s;
    // The key is not typed, nor those after it, and the user is told once;
    // once the character is out the next key sends all that waits.
    QTest::newRow("live: told once, the keys after it wait")
            << true << u"ö"_s << QStringList { u"hello"_s,  u"ö"_s,      u"Okay"_s, u"H"_s,
                                               u"[back]"_s, u"[back]"_s, u"world"_s }
            << QStringList { liveOne } << u"Hello world "_s << u"Hello world "_s;
    QTest::newRow("live: send says so again, the text stays")
            << true << u"ö"_s << QStringList { u"hello"_s, u"ö"_s,      u"Okay"_s,  u"[send]"_s,
                                               u"Okay"_s,  u"[back]"_s, u"[send]"_s }
            << QStringList { liveOne, sendOne } << u"Hello "_s << QString();
}

void tst_Sending::layoutLacks()
{
    QFETCH(bool, live);
    QFETCH(QString, lacks);
    QFETCH(QStringList, script);
    QFETCH(QStringList, notices);
    QFETCH(QString, received);
    QFETCH(QString, left);

    auto s = start(live);
    s->sender->lacks = lacks;
    QStringList told;
    for (qsizetype i = 0; i < script.size(); ++i) {
        if (script.at(i) == u"Okay")
            continue;
        const bool notice = i + 1 < script.size() && script.at(i + 1) == u"Okay";
        if (notice) {
            told.append(QString());
            answerLater(s->w.get(), u"Okay"_s, &told.last());
        }
        play(s->w.get(), u"t.kbd"_s, { script.at(i) });
        if (notice)
            QTRY_VERIFY(!told.constLast().isEmpty());
    }
    QCOMPARE(told, notices);
    QCOMPARE(s->sender->received, received);
    QCOMPARE(s->w->Text1->Text(), left);
}

void tst_Sending::liveTurnedOnMidText_data()
{
    QTest::addColumn<QStringList>("script"); // "+live" and "-live" turn live typing on and off
    QTest::addColumn<QString>("log");

    // What the typing area held before stays there: only what follows goes.
    QTest::newRow("on after a word")
            << QStringList { u"hello"_s, u"+live"_s, u"world"_s } << u"type:world "_s;
    QTest::newRow("on after a line")
            << QStringList { u"hello"_s, u"[return]"_s, u"+live"_s, u"then"_s } << u"type:Then "_s;
    QTest::newRow("on, off and on again")
            << QStringList { u"+live"_s, u"hello"_s, u"-live"_s, u"world"_s, u"+live"_s, u"then"_s }
            << u"type:Hello |type:then "_s;
    // Taking back the old text takes back what the program has.
    QTest::newRow("back over the old text")
            << QStringList { u"hello"_s, u"world"_s, u"+live"_s, u"[back]"_s, u"[back]"_s }
            << u"back:1|back:1"_s;
    QTest::newRow("on, nothing typed") << QStringList { u"hello"_s, u"+live"_s } << QString();
}

void tst_Sending::liveTurnedOnMidText()
{
    QFETCH(QStringList, script);
    QFETCH(QString, log);

    auto s = start(false);
    for (const QString &step : script) {
        if (step == u"+live" || step == u"-live")
            s->w->handsFree->change(Id::LiveTyping, step == u"+live");
        else
            play(s->w.get(), u"t.kbd"_s, { step });
    }
    QCOMPARE(s->sender->log.join(u'|'), log);
}

void tst_Sending::sendWhereTheFocusIs_data()
{
    using Focus = KeySender::Focus;
    QTest::addColumn<bool>("live");
    QTest::addColumn<int>("focus");
    QTest::addColumn<QString>("liveNotice"); // on the first key
    QTest::addColumn<QString>("sendNotice");
    QTest::addColumn<QString>("clipboard");

    const QString plumtype = u"Plumtype has the keyboard focus, so your text was not sent. Click "
                             "in the program you want to write in, then press Send again."_s;
    const QString nobody = u"There is no program to send your text to, so it was not sent. "
                           "Click in the program you want to write in, then press Send again."_s;
    const QString unknown = u"Plumtype cannot tell which program has the keyboard focus on this "
                            "desktop, so your text was not typed. It is on the clipboard: paste "
                            "it in the program you want to write in."_s;
    QTest::newRow("Plumtype holds the focus")
            << false << int(Focus::Plumtype) << QString() << plumtype << QString();
    QTest::newRow("no program") << false << int(Focus::Nobody) << QString() << nobody << QString();
    QTest::newRow("the desktop does not tell")
            << false << int(Focus::Unknown) << QString() << unknown << u"Hello world \n"_s;
    QTest::newRow("live, Plumtype holds the focus")
            << true << int(Focus::Plumtype)
            << u"Plumtype has the keyboard focus, so what you write is not sent. Click in the "
               "program you want to write in: your next key sends it there."_s
            << plumtype << QString();
    QTest::newRow("live, no program")
            << true << int(Focus::Nobody)
            << u"There is no program to send what you write to. Click in the program you want "
               "to write in: your next key sends it there."_s
            << nobody << QString();
    QTest::newRow("live, the desktop does not tell")
            << true << int(Focus::Unknown)
            << u"Plumtype cannot tell which program has the keyboard focus on this desktop, so "
               "what you write is not sent. Send puts it on the clipboard for you to paste."_s
            << unknown << u"Hello world \n"_s;
}

void tst_Sending::sendWhereTheFocusIs()
{
    QFETCH(bool, live);
    QFETCH(int, focus);
    QFETCH(QString, liveNotice);
    QFETCH(QString, sendNotice);
    QFETCH(QString, clipboard);

    QGuiApplication::clipboard()->clear();
    auto s = start(live);
    s->sender->focus = KeySender::Focus(focus);
    Form1 *w = s->w.get();
    QString told;
    if (live)
        answerLater(w, u"Okay"_s, &told);
    play(w, u"t.kbd"_s, { u"hello"_s });
    QCOMPARE(told, liveNotice);
    // Told once: the next keys are kept quietly.
    play(w, u"t.kbd"_s, { u"world"_s, u"[return]"_s });
    QCOMPARE(w->Text1->Text(), u"Hello world \r\n"_s);

    // Send types nothing anywhere, keeps the text and says what to do.
    told.clear();
    answerLater(w, u"Okay"_s, &told);
    play(w, u"t.kbd"_s, { u"[send]"_s });
    QCOMPARE(told, sendNotice);
    QCOMPARE(s->sender->log, QStringList());
    QCOMPARE(w->Text1->Text(), u"Hello world \r\n"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);

    // The user clicks in the program and sends again: all of it goes.
    s->sender->focus = KeySender::Focus::Target;
    play(w, u"t.kbd"_s, { u"[send]"_s });
    QCOMPARE(s->sender->log, QStringList { u"type:Hello world \n"_s });
    QCOMPARE(w->Text1->Text(), QString());
}

void tst_Sending::clickGivesTheFocusBack_data()
{
    QTest::addColumn<bool>("live");
    QTest::addColumn<QStringList>("clicks"); // "area", "Speak" or a key's text
    QTest::addColumn<int>("givenBack");
    QTest::addColumn<bool>("holding");

    QTest::newRow("a key") << false << QStringList { u"hello"_s } << 1 << false;
    QTest::newRow("a key, live") << true << QStringList { u"hello"_s } << 1 << false;
    QTest::newRow("Speak") << false << QStringList { u"Speak"_s } << 1 << false;
    // The user clicks into the typing area to write there with a keyboard:
    // Plumtype holds the focus, also over the keys clicked after.
    QTest::newRow("the typing area") << false << QStringList { u"area"_s } << 0 << true;
    QTest::newRow("the typing area, then keys")
            << false << QStringList { u"area"_s, u"hello"_s, u"world"_s } << 0 << true;
    // While live typing is on a keyboard writes into the program itself.
    QTest::newRow("the typing area, live") << true << QStringList { u"area"_s } << 1 << false;
}

void tst_Sending::clickGivesTheFocusBack()
{
    QFETCH(bool, live);
    QFETCH(QStringList, clicks);
    QFETCH(int, givenBack);
    QFETCH(bool, holding);

    auto s = start(live);
    Form1 *w = s->w.get();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    for (const QString &target : clicks) {
        QWidget *widget = target == u"area"    ? w->Text1->viewport()
                          : target == u"Speak" ? static_cast<QWidget *>(w->Speak)
                                               : w->Command1(keyIndex(w, target));
        QVERIFY2(widget, qPrintable(target));
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::qWait(20);
    }
    QCOMPARE(s->sender->givenBack, givenBack);
    QCOMPARE(w->programTyping->focusKeeper()->holding(), holding);
}

void tst_Sending::offByDefault()
{
    TestFolder folder;
    auto w = folder.start(0);
    QVERIFY(!w->programTyping->live());
    auto sender = std::make_unique<FakeSender>();
    FakeSender *fake = sender.get();
    w->programTyping->setSender(std::move(sender));
    QVERIFY(click(w.get(), u"I"_s));
    QVERIFY(click(w.get(), u"want"_s));
    QVERIFY(fake->log.isEmpty());
    QVERIFY(!w->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    // The home keyboard carries the key, and the Access menu the item.
    QVERIFY(keyIndex(w.get(), u"[send]"_s) != 0);
    QVERIFY(w->SendToProgram->isEnabled());
    w->SendToProgram->trigger();
    QCOMPARE(fake->received, u"I want "_s);
    QVERIFY(w->Text1->Text().isEmpty());
}

void tst_Sending::windowKeepsOffTheFocus()
{
    auto s = start(false);
    Form1 *w = s->w.get();
    w->move(40, 30);
    w->show();
    const QPoint place = w->pos();
    // The window is changed as it is, never made anew: a new window would be
    // placed and sized again, which reloads the keyboard under a scan.
    const WId id = w->winId();
    for (const bool on : { true, false, true }) {
        s->w->handsFree->change(Id::LiveTyping, on);
        QVERIFY(w->isVisible());
        QCOMPARE(w->pos(), place);
        QCOMPARE(w->winId(), id);
        QCOMPARE(w->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus), on);
        QCOMPARE(w->windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus), on);
        QCOMPARE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
        // A window of its own in the task bar either way.
        QCOMPARE(w->windowFlags() & Qt::WindowType_Mask, Qt::Window);
        QCOMPARE(w->testAttribute(Qt::WA_ShowWithoutActivating), on);
        QCOMPARE(w->Text1->focusPolicy() == Qt::NoFocus, on);
    }
    // The picker that "[load]" opens takes no focus either.
    QVERIFY(w->dialog->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
}

QTEST_MAIN(tst_Sending)
#include "tst_sending.moc"
