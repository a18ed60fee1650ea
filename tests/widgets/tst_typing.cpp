// Writing with the keys: words, text keys, suffixes, the command keys, the
// suggestion buttons, the prompts on the keyboard and the typing-area rules,
// driven through the real window.

#include "driving.h"
#include "testfolder.h"

#include "wordlists.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// Every kind of key the tests click, on one keyboard.
const QStringList kTestKeys = {
    "001|world",      "001|new york",   "002|then",         "003|hello",
    "000|H",          "000|i",          "000|a b",          "004|.",
    "004|s",          "004|,",          "000|[space]",      "000|[back]",
    "000|[delete]",   "000|[return]",   "000|[clear]",      "000|[copy]",
    "000|[lock]",     "999|Word Games", "999|LettersUpper", "999|HOME",
    "000|[add word]", "000|Zebra",      "001|[game]",
};

struct Started
{
    TestFolder folder;
    std::unique_ptr<Form1> w;
};

std::unique_ptr<Started> startOnTestKeys()
{
    auto s = std::make_unique<Started>();
    s->folder.keyboard(u"t.kbd"_s, kTestKeys);
    // Small lists that the suggestion tests can reason about.
    const QString words = s->folder.file(u"words/"_s);
    TextFile::write(words + u"T words 2.txt"_s, u"|the|then|they|this|there|\r\n"_s);
    TextFile::write(words + u"A words 2.txt"_s, u"|and|animal|banana|any|\r\n"_s);
    TextFile::write(words + u"A words 1.txt"_s, u"|axe|bed|axis|\r\n"_s);
    TextFile::write(words + u"O words 3.txt"_s, u"|one|ones|oneself|only|\r\n"_s);
    TextFile::write(words + u"O words 4.txt"_s, u"|ones|onet|onetime|\r\n"_s);
    s->w = s->folder.start(0);
    s->w->loadwords();
    s->w->loadmap(s->w->keyboardPath(u"t.kbd"_s));
    return s;
}

QStringList suggestions(Form1 *w)
{
    QStringList out;
    for (int i = 0; i < 4; ++i) {
        if (w->WordSelect(i)->isEnabled())
            out.append(w->WordSelect(i)->ToolTipText);
    }
    return out;
}

} // namespace

class TestTyping : public QObject
{
    Q_OBJECT

public slots:
    void open(const QUrl &url) { m_opened.append(url); }

private slots:
    void initTestCase();
    void init();
    void keys_data();
    void keys();
    void suggestionClick_data();
    void suggestionClick();
    void suggestionRow_data();
    void suggestionRow();
    void capitalsShiftBack();
    void missingKeyboard();
    void keyboardNamesIgnoreCase();
    void clearAsksFirst_data();
    void clearAsksFirst();
    void copyPutsTextOnClipboard();
    void closingDuringPrompt();
    void nestedPromptsUnwind();
    void addWordByEnter();
    void gameBlocksCommands();
    void keyTextEntry();
    void textBoxesStayEqual();
    void nameEntry_data();
    void nameEntry();
    void accessibleNames();
    void namesStartWithTheLabel_data();
    void namesStartWithTheLabel();
    void physicalKeys_data();
    void physicalKeys();
    void keepsEveryCharacter_data();
    void keepsEveryCharacter();
    void websiteAsksFirst_data();
    void websiteAsksFirst();

private:
    QList<QUrl> m_opened;
    // One window serves every test but the one that closes it; init() puts
    // it back to a fresh state.
    std::unique_ptr<Started> m_shared;
};

void TestTyping::initTestCase()
{
    m_shared = startOnTestKeys();
}

void TestTyping::init()
{
    Form1 *w = m_shared->w.get();
    w->keytextentry = false;
    w->capslock = QVariant();
    w->dogame->menuAction()->setEnabled(true);
    w->Text1->setText(QString());
    w->Text3->setText(QString());
    w->tp = 0;
    w->loadmap(w->keyboardPath(u"t.kbd"_s));
}

void TestTyping::keys_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("caret");

    QTest::newRow("word after a full stop")
            << u"Hello. "_s << 7 << 0 << QStringList { "world" } << u"Hello. World "_s << 13;
    QTest::newRow("word after a space")
            << u"Hello "_s << 6 << 0 << QStringList { "world" } << u"Hello world "_s << 12;
    QTest::newRow("word in an empty area")
            << QString() << 0 << 0 << QStringList { "world" } << u"World "_s << 6;
    QTest::newRow("after a question mark")
            << u"Why? "_s << 5 << 0 << QStringList { "world" } << u"Why? World "_s << 11;
    QTest::newRow("after an exclamation")
            << u"Oh! "_s << 4 << 0 << QStringList { "world" } << u"Oh! World "_s << 10;
    QTest::newRow("after a line break")
            << u"Hi\r\n"_s << 4 << 0 << QStringList { "world" } << u"Hi\r\nWorld "_s << 10;
    QTest::newRow("only the first letter")
            << QString() << 0 << 0 << QStringList { "new york" } << u"New york "_s << 9;
    QTest::newRow("selection replaced") << u"one two three"_s << 4 << 3 << QStringList { "world" }
                                        << u"one world  three"_s << 10;
    QTest::newRow("a word key with a command's text types it")
            << u"a "_s << 2 << 0 << QStringList { "[game]" } << u"a [game] "_s << 9;
    QTest::newRow("text key, no space")
            << u"x"_s << 1 << 0 << QStringList { "H", "i" } << u"xHi"_s << 3;
    QTest::newRow("text key with a space in it")
            << QString() << 0 << 0 << QStringList { "a b" } << u"a b"_s << 3;
    QTest::newRow("suffix glued") << u"end "_s << 4 << 0 << QStringList { "." } << u"end. "_s << 5;
    QTest::newRow("plural") << u"dog "_s << 4 << 0 << QStringList { "s" } << u"dogs "_s << 5;
    QTest::newRow("suffix at the very start inserts nothing")
            << u"dog"_s << 0 << 0 << QStringList { "s" } << u"dog"_s << 2;
    QTest::newRow("space goes to the end")
            << u"ab cd"_s << 2 << 0 << QStringList { "[space]" } << u"ab cd "_s << 6;
    QTest::newRow("back removes a line break whole")
            << u"ab\r\ncd"_s << 4 << 0 << QStringList { "[back]" } << u"abcd"_s << 2;
    QTest::newRow("back with one character before")
            << u"abc"_s << 1 << 0 << QStringList { "[back]" } << u"bc"_s << 0;
    QTest::newRow("back with nothing before")
            << u"abc"_s << 0 << 0 << QStringList { "[back]" } << u"abc"_s << 3;
    QTest::newRow("back twice over a line")
            << u"a\r\nbc"_s << 5 << 0 << QStringList { "[back]", "[back]", "[back]" } << u"a"_s
            << 1;
    QTest::newRow("delete a word")
            << u"one two "_s << 8 << 0 << QStringList { "[delete]" } << u"one "_s << 4;
    QTest::newRow("delete twice") << u"one two "_s << 8 << 0
                                  << QStringList { "[delete]", "[delete]" } << QString() << 0;
    QTest::newRow("delete across a line break")
            << u"one two\r\nthree"_s << 14 << 0 << QStringList { "[delete]" } << u"one "_s << 4;
    QTest::newRow("return splits the line")
            << u"abcd"_s << 2 << 0 << QStringList { "[return]" } << u"ab\r\ncd"_s << 4;
    QTest::newRow("return then a word capitalises")
            << u"Hi."_s << 3 << 0 << QStringList { "[return]", "world" } << u"Hi.\r\nWorld "_s
            << 11;
    QTest::newRow("add word by key")
            << u"[Add Word] Qorvex"_s << 17 << 0 << QStringList { "[return]" } << QString() << 0;
}

void TestTyping::keys()
{
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QStringList, keys);
    QFETCH(QString, result);
    QFETCH(int, caret);

    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->Text1->setText(text);
    w->Text1->setSelStart(selStart);
    w->Text1->setSelLength(selLength);
    w->Text1_Click();
    for (const QString &key : keys)
        QVERIFY2(click(w, key), qPrintable(key));
    QCOMPARE(w->Text1->Text(), result);
    QCOMPARE(w->Text1->SelStart(), caret);
    QCOMPARE(w->FileName, u"t.kbd"_s);
    if (QByteArray(QTest::currentDataTag()) == "add word by key") {
        const auto lines = TextFile::readLines(s->folder.file(u"words/UserAdded.txt"_s));
        QVERIFY(lines && lines->contains(u"Qorvex"_s));
        QCOMPARE(WordLists::suggest(w->wordlists, u"Qorv"_s), QStringList { u"Qorvex"_s });
    }
}

void TestTyping::suggestionClick_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");

    QTest::newRow("start of the text") << u"th"_s << u"Then "_s;
    QTest::newRow("after a sentence") << u"Hi. th"_s << u"Hi. Then "_s;
    QTest::newRow("inside a sentence") << u"hi th"_s << u"hi then "_s;
    QTest::newRow("after an opening sign") << u"say (th"_s << u"say (then "_s;
    QTest::newRow("capital typed by the user") << u"hi Th"_s << u"hi Then "_s;
}

void TestTyping::suggestionClick()
{
    QFETCH(QString, text);
    QFETCH(QString, result);

    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->Text1->setText(text);
    w->Text1->setSelStart(static_cast<int>(text.size()));
    w->Text1_Click();
    w->Text1_Change();
    QCOMPARE(w->WordSelect(1)->ToolTipText, u"then "_s);
    w->WordSelect(1)->click();
    QCOMPARE(w->Text1->Text(), result);
    QCOMPARE(w->Text1->SelStart(), result.size());
    // The row now offers the chosen word's list.
    QVERIFY(suggestions(w).contains(u"then "_s));
}

void TestTyping::suggestionRow_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("offered");

    QTest::newRow("first four of a run")
            << u"th"_s << QStringList { "the ", "then ", "they ", "this " };
    QTest::newRow("contained anywhere")
            << u"an"_s << QStringList { "and ", "animal ", "banana ", "any " };
    QTest::newRow("a break ends the run") << u"a"_s << QStringList { "axe " };
    QTest::newRow("a digit finds nothing") << u"4t"_s << QStringList {};
    // After a sign inside the word the row keeps what it offered for "th".
    QTest::newRow("e.g keeps the row")
            << u"th e.g"_s << QStringList { "the ", "then ", "they ", "this " };
}

void TestTyping::suggestionRow()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, offered);

    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->Text1->setText(u"x th"_s);
    w->tp = 4;
    w->Text1_Change();
    w->Text1->setText(u"x "_s + typed);
    w->Text1->setSelStart(static_cast<int>(typed.size()) + 2);
    w->Text1_Click();
    w->Text1_Change();
    QCOMPARE(suggestions(w), offered);
    // A blank suggestion does nothing when clicked.
    const QString before = w->Text1->Text();
    w->WordSelect(3)->ToolTipText = u"  "_s;
    w->WordSelect_Click(3);
    QCOMPARE(w->Text1->Text(), before);
}

void TestTyping::capitalsShiftBack()
{
    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    QVERIFY(click(w, u"LettersUpper"_s));
    QCOMPARE(w->FileName, u"LettersUpper.kbd"_s);
    QVERIFY(click(w, u"A"_s));
    QCOMPARE(w->FileName, u"LettersLower.kbd"_s);
    QCOMPARE(w->Text1->Text(), u"A"_s);

    // Caps lock keeps the capitals until a keyboard key clears it.
    w->loadmap(w->keyboardPath(u"LettersUpper.kbd"_s));
    QVERIFY(click(w, u"[lock]"_s));
    QVERIFY(keyIndex(w, u"[unlock]"_s) != 0);
    QVERIFY(click(w, u"B"_s));
    QVERIFY(click(w, u"C"_s));
    QCOMPARE(w->FileName, u"LettersUpper.kbd"_s);
    QCOMPARE(w->Text1->Text(), u"ABC"_s);
    w->loadmap(w->keyboardPath(u"t.kbd"_s));
    QVERIFY(click(w, u"LettersUpper"_s));
    QVERIFY(click(w, u"D"_s));
    QCOMPARE(w->FileName, u"LettersLower.kbd"_s);
}

void TestTyping::missingKeyboard()
{
    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->Text1->setText(u"kept"_s);
    QString asked;
    QString keyboard;
    whenReady(
            w, [&] { return !w->loadingmap && keyIndex(w, u"Okay"_s) != 0; },
            [&] {
                keyboard = w->FileName;
                asked = w->Text1->Text();
                click(w, u"Okay"_s);
            });
    QVERIFY(click(w, u"Word Games"_s));
    QCOMPARE(keyboard, u"Okay.kbd"_s);
    QCOMPARE(asked, u"Keyboard File: 'WordGames.kbd' Not Found!\r\nUse Edit Mode to make sure this "
                    "button text matches the correct Keyboard file name."_s);
    QCOMPARE(w->Text1->Text(), u"kept"_s);
    QCOMPARE(w->FileName, u"home.kbd"_s);
}

void TestTyping::keyboardNamesIgnoreCase()
{
    // "HOME" opens home.kbd; a name leading out of the folder opens nothing.
    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    QVERIFY(Form1::fileexists(w->keyboardPath(u"HOME.KBD"_s)));
    QVERIFY(!Form1::fileexists(w->keyboardPath(u"nothing.kbd"_s)));
    QVERIFY(click(w, u"HOME"_s));
    QCOMPARE(w->lastbutton > 2, true);
    QCOMPARE(w->FileName.toLower(), u"home.kbd"_s);
}

void TestTyping::clearAsksFirst_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("result");
    QTest::newRow("yes") << u"yes"_s << QString();
    QTest::newRow("no") << u"no"_s << u"keep me"_s;
}

void TestTyping::clearAsksFirst()
{
    QFETCH(QString, answer);
    QFETCH(QString, result);
    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->Text1->setText(u"keep me"_s);
    QString asked;
    answerLater(w, answer, &asked);
    QVERIFY(click(w, u"[clear]"_s));
    QCOMPARE(asked, u"Are you sure you want to erase all of your typing?"_s);
    QCOMPARE(w->Text1->Text(), result);
    // The prompt gave the menus back and went home.
    QVERIFY(w->FileOption->menuAction()->isEnabled());
    QCOMPARE(w->FileName, u"home.kbd"_s);
}

void TestTyping::copyPutsTextOnClipboard()
{
    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->Text1->setText(u"two\r\nlines"_s);
    QString told;
    answerLater(w, u"Okay"_s, &told);
    QVERIFY(click(w, u"[copy]"_s));
    QCOMPARE(QGuiApplication::clipboard()->text(), u"two\r\nlines"_s);
    QVERIFY(told.startsWith(u"Your text has been copied to your clipboard.\r\n"_s));
    QCOMPARE(w->Text1->Text(), u"two\r\nlines"_s);
    QCOMPARE(w->Text1->SelStart(), 10);
}

void TestTyping::closingDuringPrompt()
{
    auto s = startOnTestKeys();
    Form1 *w = s->w.get();
    w->Text1->setText(u"keep me"_s);
    QTimer::singleShot(50, w, [w] { w->close(); });
    QElapsedTimer timer;
    timer.start();
    QVERIFY(click(w, u"[clear]"_s));
    QVERIFY(timer.elapsed() < 3000);
    QVERIFY(w->killme);
    // Closing answers no; the question stays where it was.
    QCOMPARE(w->Text1->Text(), u"Are you sure you want to erase all of your typing?"_s);
    QVERIFY(!w->isVisible());
}

void TestTyping::nestedPromptsUnwind()
{
    // A question asked while another waits is answered first, then the
    // first; each gives back the text it found.  Typed "YES" counts as yes.
    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->Text1->setText(u"mine"_s);
    bool inner = false;
    QString afterInner;
    whenReady(
            w, [&] { return w->FileName == u"YesNo.kbd"_s && !w->loadingmap; },
            [&] {
                whenReady(
                        w, [&] { return w->Text1->Text() == u"Inner?"_s && !w->loadingmap; },
                        [&] { w->Text1->setText(u"Inner? YES"_s); });
                inner = w->yesnoprompt(u"Inner?"_s);
                afterInner = w->Text1->Text();
                w->Text1->setText(u"Outer?no"_s);
            });
    const bool outer = w->yesnoprompt(u"Outer?"_s);
    QVERIFY(inner);
    QCOMPARE(afterInner, u"Outer?"_s);
    QVERIFY(!outer);
    QCOMPARE(w->Text1->Text(), u"mine"_s);
    QCOMPARE(w->FileName, u"home.kbd"_s);
}

void TestTyping::addWordByEnter()
{
    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->Text1->setText(u"[ADD WORD]Zebrafin"_s);
    w->Text1->setSelStart(18);
    w->Text1->setFocus();
    QTest::keyClick(w->Text1, Qt::Key_Return);
    QCOMPARE(w->Text1->Text(), QString());
    QVERIFY(TextFile::readLines(s->folder.file(u"words/UserAdded.txt"_s))->contains(u"Zebrafin"_s));
    // Enter elsewhere types a line break and moves the caret estimate by two.
    w->Text1->setText(u"ab"_s);
    w->Text1->setSelStart(2);
    w->Text1_Click();
    QTest::keyClick(w->Text1, Qt::Key_Return);
    QCOMPARE(w->Text1->Text(), u"ab\r\n"_s);
    QCOMPARE(w->tp, 4);
    QVERIFY(w->quitgame);
}

void TestTyping::gameBlocksCommands()
{
    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->dogame->menuAction()->setEnabled(false);
    w->Text1->setText(u"one two"_s);
    w->Text1->setSelStart(7);
    for (const char *key : { "[back]", "[delete]", "[clear]", "[copy]" })
        QVERIFY(click(w, QLatin1String(key)));
    QCOMPARE(w->Text1->Text(), u"one two"_s);
    QCOMPARE(w->FileName, u"t.kbd"_s);
    w->quitgame = false;
    w->Text1->setSelStart(7);
    QVERIFY(click(w, u"[return]"_s));
    QVERIFY(w->quitgame);
    QCOMPARE(w->Text1->Text(), u"one two\r\n"_s);
}

void TestTyping::keyTextEntry()
{
    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->keytextentry = true;
    w->Text3->setText(u"ab"_s);
    w->Text3->setSelStart(2);
    QVERIFY(click(w, u"H"_s));
    QVERIFY(click(w, u"world"_s)); // words do nothing here
    QVERIFY(click(w, u"[back]"_s));
    QVERIFY(click(w, u"i"_s));
    QCOMPARE(w->Text3->Text(), u"abi"_s);
    QCOMPARE(w->Text2->Text(), u"abi"_s);
    QCOMPARE(w->keytextlast, keyIndex(w, u"i"_s));
    QCOMPARE(w->Text1->Text(), QString());
}

void TestTyping::textBoxesStayEqual()
{
    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->Text2->setText(u"one"_s);
    QCOMPARE(w->Text3->Text(), u"one"_s);
    w->Text3->setText(u"two\r\nthree"_s);
    QCOMPARE(w->Text2->Text(), u"two\r\nthree"_s);
}

void TestTyping::nameEntry_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");

    QTest::newRow("plain") << u"letter"_s << u"letter"_s << QString();
    QTest::newRow("slash becomes a space") << u"my/letter"_s << u"my letter"_s << QString();
    QTest::newRow("signs only") << u"..."_s << QString() << u"No name privided! Save canceled."_s;
    QTest::newRow("prompt damaged")
            << u"<damaged>"_s << QString() << u"Valid name not privided! Save Canceled."_s;
}

void TestTyping::nameEntry()
{
    QFETCH(QString, typed);
    QFETCH(QString, name);
    QFETCH(QString, message);

    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    w->Text1->setText(u"my text"_s);
    const QString prompt = u"Enter save file name then press return: "_s;
    QString told;
    whenReady(
            w, [&] { return w->FileName == u"FileNaming.kbd"_s && !w->loadingmap; },
            [&] {
                if (!message.isEmpty())
                    answerLater(w, u"Okay"_s, &told);
                if (typed == u"<damaged>")
                    w->Text1->setText(u"Enter save\r\n"_s);
                else
                    w->Text1->setText(prompt + typed + u"\r\n"_s);
            });
    const auto answer = w->askName({ prompt, u"old"_s, s->folder.file(u"SavedText"_s), u".txt"_s,
                                     u"File exists! Do you want to overwrite it?"_s, true });
    QCOMPARE(answer.has_value(), message.isEmpty());
    if (answer) {
        QCOMPARE(answer->name, name);
        QCOMPARE(answer->remembered, u"my text"_s);
        QVERIFY(answer->path.endsWith(u"/SavedText/"_s + name + u".txt"_s));
        return;
    }
    QCOMPARE(told, message);
    QCOMPARE(w->Text1->Text(), u"my text"_s);
    QVERIFY(w->FileOption->menuAction()->isEnabled());
}

void TestTyping::accessibleNames()
{
    Started *s = m_shared.get();
    Form1 *w = s->w.get();
    auto name = [](QWidget *widget) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(widget);
        return a ? a->text(QAccessible::Name) : u"<none>"_s;
    };
    const struct
    {
        const char *key;
        const char *spoken;
    } keys[] = {
        { "[back]", "Back" },
        { "[delete]", "Delete" },
        { "world", "world" },
        { "new york", "new york" },
        { "Word Games", "Word Games keyboard" },
        { "[game]", "[game]" },
    };
    for (const auto &k : keys)
        QCOMPARE(name(w->Command1(keyIndex(w, QLatin1String(k.key)))), QLatin1String(k.spoken));
    // The lock key is renamed when it toggles; suggestions by their word.
    QVERIFY(click(w, u"[lock]"_s));
    QCOMPARE(name(w->Command1(keyIndex(w, u"[unlock]"_s))), u"Caps unlock"_s);
    w->Text1->setText(u"th"_s);
    w->tp = 2;
    w->Text1_Change();
    QCOMPARE(name(w->WordSelect(1)), u"then"_s);
    QCOMPARE(name(w->Speak), u"Speak"_s);
    // A switch-access tool presses a key through the same interface.
    QAccessibleInterface *world =
            QAccessible::queryAccessibleInterface(w->Command1(keyIndex(w, u"world"_s)));
    QVERIFY(world->actionInterface());
    w->Text1->setText(QString());
    world->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(w->Text1->Text(), u"World "_s);
}

void TestTyping::namesStartWithTheLabel_data()
{
    QTest::addColumn<QString>("keyboard"); // a shipped one, or empty: a keyboard of `key` alone
    QTest::addColumn<QString>("key");      // the line, or the output text on the shipped one
    QTest::addColumn<QString>("name");

    QTest::newRow("abc on home") << u"home.kbd"_s << u"LettersLower"_s
                                 << u"abc, small letters keyboard"_s;
    QTest::newRow("ABC on home") << u"home.kbd"_s << u"LettersUpper"_s
                                 << u"ABC, capital letters keyboard"_s;
    QTest::newRow("123 on home") << u"home.kbd"_s << u"numbers"_s << u"123, numbers keyboard"_s;
    QTest::newRow("Word Parts on home")
            << u"home.kbd"_s << u"wordparts"_s << u"Word Parts keyboard"_s;
    QTest::newRow("Core Words on home")
            << u"home.kbd"_s << u"Core Words"_s << u"Core Words keyboard"_s;
    QTest::newRow("Access on home") << u"home.kbd"_s << u"[access]"_s << u"Access"_s;
    QTest::newRow("a link with a label")
            << QString() << u"999|Pets|Animals"_s << u"Pets, Animals keyboard"_s;
    QTest::newRow("a word with a label")
            << QString() << u"002|Hi|Hello there"_s << u"Hi, Hello there"_s;
    QTest::newRow("a command with a label") << QString() << u"000|Undo|[back]"_s << u"Undo, Back"_s;
}

void TestTyping::namesStartWithTheLabel()
{
    QFETCH(QString, keyboard);
    QFETCH(QString, key);
    QFETCH(QString, name);
    Form1 *w = m_shared->w.get();
    if (keyboard.isEmpty()) {
        m_shared->folder.keyboard(u"one.kbd"_s, { key });
        w->loadmap(w->keyboardPath(u"one.kbd"_s));
        key = w->Command1(2)->ToolTipText;
    } else {
        w->loadmap(w->keyboardPath(keyboard));
    }
    const int i = keyIndex(w, key);
    QVERIFY(i != 0);
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w->Command1(i));
    QVERIFY(a);
    QCOMPARE(a->text(QAccessible::Name), name);
}

void TestTyping::physicalKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("typed"); // the text the key event carries
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("tp");
    QTest::addColumn<QStringList>("offered");

    // The caret is clicked to the end of "one" on the first line.
    QTest::newRow("Delete carrying 0x7F leaves the word as it was")
            << int(Qt::Key_Delete) << u"\x7f"_s << u"onetwo three"_s << 3
            << QStringList { "one ", "ones ", "oneself " };
    QTest::newRow("Delete without a character")
            << int(Qt::Key_Delete) << QString() << u"onetwo three"_s << 3
            << QStringList { "one ", "ones ", "oneself " };
    QTest::newRow("a letter moves the caret estimate")
            << int(Qt::Key_T) << u"t"_s << u"onet\r\ntwo three"_s << 4
            << QStringList { "onet ", "onetime " };
    QTest::newRow("an arrow moves nothing")
            << int(Qt::Key_Right) << QString() << u"one\r\ntwo three"_s << 3 << QStringList();
}

void TestTyping::physicalKeys()
{
    QFETCH(int, key);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    QFETCH(int, tp);
    QFETCH(QStringList, offered);
    Form1 *w = m_shared->w.get();
    w->Text1->setText(u"one\r\ntwo three"_s);
    w->Text1->setSelStart(3);
    w->Text1_Click();
    w->Text1->setFocus();
    QCOMPARE(w->tp, 3);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, typed);
    QApplication::sendEvent(w->Text1, &press);
    QCOMPARE(w->Text1->Text(), result);
    QCOMPARE(w->tp, tp);
    if (!offered.isEmpty())
        QCOMPARE(suggestions(w), offered);
}

void TestTyping::keepsEveryCharacter_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");

    QTest::newRow("no-break space")
            << u"001|New\u00A0York"_s << u"New\u00A0York "_s << u"Plumtype - nb.kbd - (1)"_s;
    QTest::newRow("line separator")
            << u"000|a\u2028b"_s << u"a\u2028b"_s << u"Plumtype - nb.kbd - (1)"_s;
    QTest::newRow("paragraph separator")
            << u"000|a\u2029b"_s << u"a\u2029b"_s << u"Plumtype - nb.kbd - (1)"_s;
    QTest::newRow("both separators and a line break")
            << u"000|x\u2029\u2028y[return]"_s << u"x\u2029\u2028y[return]"_s
            << u"Plumtype - nb.kbd - (1)"_s;
}

// What a key types stays as it is in the typing area, however the text box
// shows it, also when the user types on after it.
void TestTyping::keepsEveryCharacter()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QString, title);
    Form1 *w = m_shared->w.get();
    m_shared->folder.keyboard(u"nb.kbd"_s, { key });
    w->loadmap(w->keyboardPath(u"nb.kbd"_s));
    w->Command1(2)->click();
    QCOMPARE(w->Text1->Text(), text);
    QCOMPARE(w->windowTitle(), title);
    w->Text1->setSelStart(int(text.size()));
    w->Text1->setSelLength(0);
    w->Text1_Click();
    QTest::keyClick(w->Text1, Qt::Key_Z, Qt::NoModifier);
    QTest::keyClick(w->Text1, Qt::Key_Return, Qt::NoModifier);
    QCOMPARE(w->Text1->Text(), text + u"z\r\n"_s);
    // The selection is counted in the same text.
    w->Text1->setSelStart(0);
    w->Text1->setSelLength(int(text.size()));
    QCOMPARE(w->Text1->SelText(), text);
}

void TestTyping::websiteAsksFirst_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("opened");
    QTest::newRow("yes") << u"yes"_s << 1;
    QTest::newRow("no") << u"no"_s << 0;
}

void TestTyping::websiteAsksFirst()
{
    QFETCH(QString, answer);
    QFETCH(int, opened);
    Form1 *w = m_shared->w.get();
    m_shared->folder.keyboard(u"w.kbd"_s, { u"000|[website]"_s });
    w->loadmap(w->keyboardPath(u"w.kbd"_s));
    m_opened.clear();
    QDesktopServices::setUrlHandler(u"https"_s, this, "open");
    QString asked;
    answerLater(w, answer, &asked);
    QVERIFY(click(w, u"[website]"_s));
    QDesktopServices::unsetUrlHandler(u"https"_s);
    QCOMPARE(asked, u"Visit the Orvane website to check for updates and share keyboards?"_s);
    QCOMPARE(m_opened.size(), opened);
    if (opened)
        QCOMPARE(m_opened.first().scheme(), u"https"_s);
}

QTEST_MAIN(TestTyping)
#include "tst_typing.moc"
