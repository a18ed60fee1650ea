// Scramble Finder played through the real window: finding the word, the
// guesses and the hint, the ways a game ends, and keyboards without a word.

#include "driving.h"
#include "testfolder.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Its three words always give the first one, APPLE.
const QStringList kFruit = { "001|apple", "001|lemon",    "001|mango",
                             "000|b",     "000|[return]", "000|[game]" };
const QString kOwnText = u"My own text"_s;

// Leaves only the standard keyboards, whose words never come.
void onlyStandardKeyboards(const TestFolder &folder)
{
    const QStringList standard =
            u"home lettersupper letterslower editlettersupper "
            "editletterslower okay yesno filenaming numbers wordparts"_s.split(u' ');
    QDir keyboards(folder.file(u"Keyboards"_s));
    for (const QString &name : keyboards.entryList(QDir::Files)) {
        if (!standard.contains(QFileInfo(name).baseName().toLower()))
            QVERIFY(keyboards.remove(name));
    }
}

// One user action: "key:" and a key's text clicks it, "enter" presses Enter
// in the typing area, "quit" sets quitgame as the menu commands do, "close"
// closes the window; anything else is typed as the whole text.
void act(Form1 *w, const QString &action)
{
    if (action.startsWith(u"key:")) {
        QVERIFY2(click(w, action.mid(4)), qPrintable(action));
    } else if (action == u"enter") {
        QTest::keyClick(w->Text1, Qt::Key_Return);
    } else if (action == u"quit") {
        w->quitgame = true;
    } else if (action == u"close") {
        w->close();
    } else {
        w->tp = int(action.size());
        w->Text1->setText(action);
    }
}

// The status box in short: "solved/guesses", "h" added with the hint; any
// other text as it is; "ended" once the game is over.
QString status(Form1 *w)
{
    if (!w->gameRunning() || !w->Text4->isVisible())
        return u"ended"_s;
    const QString text = w->Text4->Text();
    static const QRegularExpression re(
            u"^Solved:  (\\d) of 5  Guesses Made: (\\d+)\r\nUnscramble this word and find its "
            "button: ([AELP]{5})\r\nPress \\[Return\\] to exit this game.\r\n(Hint: Fruit\r\n)?$"_s);
    const QRegularExpressionMatch m = re.match(text);
    QString shown = m.captured(3);
    std::sort(shown.begin(), shown.end());
    if (shown != u"AELPP")
        return text;
    return m.captured(1) + u'/' + m.captured(2) + (m.hasCaptured(4) ? u"h"_s : QString());
}

// Starts a game and, while it waits, carries out the actions one by one from
// a timer; returns the status after each.
QStringList play(Form1 *w, const QStringList &actions)
{
    QStringList seen;
    qsizetype next = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, w, [&] {
        if (w->loadingmap)
            return;
        if (next > 0)
            seen.append(status(w));
        if (next == actions.size() || !w->gameRunning())
            timer.stop();
        else
            act(w, actions[next++]);
    });
    timer.start(5);
    // A game that misses its end would wait for ever: give up on it.
    QTimer::singleShot(10000, &timer, [&] {
        seen.append(u"still running"_s);
        w->quitgame = true;
        w->Text1->setText(w->Text1->Text() + u'.');
    });
    w->scramblefinder_Click();
    if (seen.size() < next)
        seen.append(u"ended"_s);
    return seen;
}

} // namespace

class TestGame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void plays_data();
    void plays();
    void closingEndsIt();
    void noWord_data();
    void noWord();

private:
    // One window serves every test but the one that closes it.
    TestFolder m_folder;
    std::unique_ptr<Form1> m_w;
    QStringList m_written;
};

void TestGame::initTestCase()
{
    onlyStandardKeyboards(m_folder);
    m_w = m_folder.start(0);
    m_w->gameEndMs = 200;
}

void TestGame::init()
{
    m_folder.keyboard(u"Fruit.kbd"_s, kFruit);
    m_w->dogame->menuAction()->setEnabled(true);
    m_w->Text1->setText(kOwnText);
    m_w->loadmap(m_w->keyboardPath(u"Fruit.kbd"_s));
}

void TestGame::cleanup()
{
    for (const QString &name : std::as_const(m_written))
        QFile::remove(m_folder.file(u"Keyboards/"_s + name));
    m_written.clear();
}

void TestGame::plays_data()
{
    // Both separated by commas.
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("statuses");

    for (const char *typed : { "apple", "APPLE", "I ate an apple pie", "key:apple" })
        QTest::addRow("found: %s", typed) << typed + u",key:[return]"_s << u"1/0,ended"_s;
    QTest::newRow("part of the word is a guess") << u"appl,a p p l e,enter"_s << u"0/1,0/2,ended"_s;
    QTest::newRow("the hint from the fifth change")
            << u"key:b,key:b,key:b,key:b,key:b,key:[return]"_s << u"0/1,0/2,0/3,0/4,0/5h,ended"_s;
    QTest::newRow("the hint starts over with the next word")
            << u"key:b,key:b,key:b,key:b,key:b,apple,key:b,key:b,key:b,key:b,quit"_s
            << u"0/1,0/2,0/3,0/4,0/5h,1/5,1/6,1/7,1/8,1/9,ended"_s;
    QTest::newRow("five words, guesses over the whole game")
            << u"key:b,key:b,key:apple,key:b,apple,apple,apple,key:b,key:b,key:b,key:apple"_s
            << u"0/1,0/2,1/2,1/3,2/3,3/3,4/3,4/4,4/5,4/6,You found all 5 in only 6 guesses!"_s;
}

void TestGame::plays()
{
    QFETCH(QString, actions);
    QFETCH(QString, statuses);
    Form1 *w = m_w.get();
    QCOMPARE(play(w, actions.split(u',')), statuses.split(u','));
    // However it ended: the status box gone, the user's text back with the
    // caret at its end, and a new game can start.
    QVERIFY(!w->Text4->isVisible());
    QCOMPARE(w->Text1->Text(), kOwnText);
    QCOMPARE(w->Text1->SelStart(), int(kOwnText.size()));
    QVERIFY(!w->gameRunning());
}

void TestGame::closingEndsIt()
{
    TestFolder folder;
    onlyStandardKeyboards(folder);
    folder.keyboard(u"Fruit.kbd"_s, kFruit);
    std::unique_ptr<Form1> w = folder.start(0);
    w->loadmap(w->keyboardPath(u"Fruit.kbd"_s));
    w->Text1->setText(kOwnText);
    QCOMPARE(play(w.get(), { "key:b", "close" }), QStringList({ "0/1", "ended" }));
    QVERIFY(w->killme);
    QCOMPARE(w->Text1->Text(), kOwnText);
}

void TestGame::noWord_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("only the standard keyboards") << QString() << QStringList();
    QTest::newRow("short, spaced, command, label and link keys")
            << u"Odd.kbd"_s
            << QStringList { "001|cat",    "001|ice cream",  "000|[clear]",  "000|[return]",
                             "999|Places", "999|Food Drink", "002|Hi|Hello", "003|dog" };
    QTest::newRow("two words are too few")
            << u"Two.kbd"_s << QStringList { "001|apple", "001|lemon" };
}

void TestGame::noWord()
{
    QFETCH(QString, name);
    QFETCH(QStringList, lines);
    Form1 *w = m_w.get();
    QVERIFY(QFile::remove(m_folder.file(u"Keyboards/Fruit.kbd"_s)));
    if (!name.isEmpty()) {
        m_folder.keyboard(name, lines);
        m_written << name;
    }
    QString told;
    answerLater(w, u"Okay"_s, &told);
    w->scramblefinder_Click();
    QVERIFY2(told.startsWith(u"Scramble Finder has no word to play."_s), qPrintable(told));
    QCOMPARE(w->Text1->Text(), kOwnText);
    QVERIFY(!w->Text4->isVisible());
    QVERIFY(!w->gameRunning());
}

QTEST_MAIN(TestGame)

#include "tst_game.moc"
