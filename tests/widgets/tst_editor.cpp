// The keyboard editor through the real window: entering and leaving edit
// mode, editing, moving and adding keys, typing a key's text on the letter
// keyboard, and saving keyboards, with the failures that must leave every
// keyboard file as it was.

#include "driving.h"
#include "testfolder.h"

#include "keyboardfile.h"
#include "surface/twips.h"

#include <QAccessible>
#include <QAction>
#include <QDirIterator>
#include <QGroupBox>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// Key buttons 2 to 13 make the first row, 14 to 17 the second.
const QStringList kKeys = { "001|dog",     "000|[clear]", "002|Hi|Hello there",
                            "999|Numbers", "000|[back]",  "004|s",
                            "003|cat",     "000|a",       "000|b",
                            "000|c",       "000|d",       "000|e",
                            "000|f",       "000|g",       "000|[edit]",
                            "000|h" };
const QString kQuestion = u"Do you want to save your changes?"_s;
const QString kPrompt = u"Enter keyboard name then press return: "_s;
const QString kSaveError =
        u"There was an issue saving this file. Try saving agin with a different file name."_s;
const QString kEditIdle = u"Text1 00 buttons 11 panel 00 row 0000 menus 01110000"_s;
const QString kKeyEdit = u"Text1 00 buttons 11 panel 11 row 0000 menus 00000000"_s;
const QString kNormal = u"Text1 11 buttons 00 panel 00 row 1111 menus 10011111"_s;

QStringList keyTexts(Form1 *w)
{
    QStringList texts;
    for (int i = 2; i <= w->lastbutton; ++i)
        texts.append(w->Command1(i)->Tag + u'|' + w->Command1(i)->ToolTipText);
    return texts;
}

QStringList fileLines(const QString &path)
{
    return TextFile::readLines(path).value_or(QStringList { u"<missing>"_s });
}

// Every file under a folder with its size and time: what "untouched" means.
QStringList snapshot(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        entries.append(it.filePath() + u' ' + QString::number(it.fileInfo().size()) + u' '
                       + it.fileInfo().lastModified().toString(Qt::ISODateWithMs));
    }
    entries.sort();
    return entries;
}

// On/off of the controls and menus that the editor's states differ in.
QString state(Form1 *w)
{
    auto on = [](bool b) { return b ? u'1' : u'0'; };
    QString s = u"Text1 "_s + on(!w->Text1->isHidden()) + on(w->Text1->isEnabled());
    s += u" buttons "_s + on(!w->Command7->isHidden()) + on(!w->Command8->isHidden());
    s += u" panel "_s + on(!w->Frame1->isHidden()) + on(!w->Text2->isHidden()) + u" row "_s;
    for (int i = 0; i < 4; ++i)
        s += on(w->WordSelect(i)->isEnabled());
    s += u" menus "_s;
    for (QAction *a : { w->EditMode, w->QuitEdit, w->addbutton, w->Savekeyboard, w->mnuBlank,
                        w->FileOpen, w->FileSave, w->FileLoad })
        s += on(a->isEnabled());
    return s;
}

QRadioButton *option(Form1 *w, int n)
{
    QRadioButton *const options[] = { w->Option1, w->Option2,  w->Option3,  w->Option4,
                                      w->Option5, w->Option6,  w->Option7,  w->Option8,
                                      w->Option9, w->Option10, w->Option11, w->Option12 };
    return options[n - 1];
}

QColor fromBgr(uint bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// Answers the prompts in turn as they come, noting what each one asked: a
// name for the name entry, else the key of that text (typed when the answer
// keyboard is missing).
void script(Form1 *w, QStringList answers, QStringList *asked)
{
    auto *timer = new QTimer(w);
    auto answered = std::make_shared<QString>();
    QObject::connect(timer, &QTimer::timeout, w, [=]() mutable {
        static const QStringList prompts = { "YesNo.kbd", "Okay.kbd", "FileNaming.kbd" };
        if (w->loadingmap || !prompts.contains(w->FileName) || w->Text1->Text() == *answered)
            return;
        asked->append(w->Text1->Text());
        const QString answer = answers.takeFirst();
        if (answers.isEmpty())
            timer->deleteLater();
        if (w->FileName == u"FileNaming.kbd")
            w->Text1->setText(kPrompt + answer + u"\r\n"_s);
        else if (const int i = keyIndex(w, answer))
            w->Command1(i)->click();
        else
            w->Text1->setText(w->Text1->Text() + answer);
        *answered = w->Text1->Text();
    });
    timer->start(5);
}

// Selects the key with this text and runs `during` inside its edit; "Save
// Edit" ends the edit unless `during` ended it.
bool editKeyWith(Form1 *w, const QString &text, std::function<void()> during)
{
    const int index = keyIndex(w, text);
    whenReady(
            w, [w, index] { return !w->Text2->isHidden() && w->moveindex == index; },
            [w, during] {
                during();
                if (!w->estop)
                    w->Command2->click();
            });
    if (index != 0)
        w->Command1(index)->click();
    return index != 0;
}

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void states_data();
    void states();
    void editKey_data();
    void editKey();
    void arrows_data();
    void arrows();
    void addButton_data();
    void addButton();
    void keyTextEntry_data();
    void keyTextEntry();
    void saves_data();
    void saves();
    void controlsHaveNamesOfTheirOwn();
    void closingDuringKeyEdit_data();
    void closingDuringKeyEdit();

private:
    Form1 *w() const { return m_w.get(); }
    // A second program folder, for windows of their own.
    const TestFolder *spare()
    {
        if (!m_spare) {
            m_spare = std::make_unique<TestFolder>();
            m_spare->keyboard(u"t.kbd"_s, kKeys);
        }
        return m_spare.get();
    }
    TestFolder m_folder;
    std::unique_ptr<TestFolder> m_spare;
    std::unique_ptr<Form1> m_w;
};

void TestEditor::initTestCase()
{
    m_folder.keyboard(u"t.kbd"_s, kKeys);
    m_w = m_folder.start(0);
}

void TestEditor::init()
{
    QStringList asked;
    if (w()->editmode) {
        script(w(), { "no" }, &asked);
        w()->QuitEdit_Click();
    }
    w()->Text1->setText(QString());
    w()->loadmap(w()->keyboardPath(u"t.kbd"_s));
}

void TestEditor::states_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("row");

    QTest::newRow("edit idle") << u"menu"_s << kEditIdle << u"CLICK BUTTON TO EDIT"_s;
    QTest::newRow("by the edit key") << u"edit key"_s << kEditIdle << u"CLICK BUTTON TO EDIT"_s;
    QTest::newRow("key edit") << u"key edit"_s << kKeyEdit << u"CLICK BUTTON TO EDIT"_s;
    QTest::newRow("refused key") << u"refused"_s << kEditIdle << u"CLICK BUTTON TO EDIT"_s;
    QTest::newRow("left, no") << u"left"_s << kNormal << u"   "_s;
    // A pending change and a pending move are dropped; the answer keys type.
    QTest::newRow("left during a key edit") << u"left in key edit"_s << kNormal << u"   "_s;
}

void TestEditor::states()
{
    QFETCH(QString, step);
    QFETCH(QString, expected);
    QFETCH(QString, row);

    const QStringList keys = keyTexts(w());
    QStringList asked;
    if (step == u"edit key")
        w()->Command1(keyIndex(w(), u"[edit]"_s))->click();
    else
        w()->EditMode->trigger();
    QString seen = state(w());
    if (step == u"key edit") {
        QVERIFY(editKeyWith(w(), u"dog"_s, [&] { seen = state(w()); }));
    } else if (step == u"refused") {
        w()->Command1(keyIndex(w(), u"[edit]"_s))->click();
        seen = state(w());
    } else if (step.startsWith(u"left")) {
        script(w(), { "no" }, &asked);
        if (step == u"left")
            w()->Command8->click();
        else
            QVERIFY(editKeyWith(w(), u"dog"_s, [&] {
                w()->Text2->setText(u"cow"_s);
                w()->Command5->click();
                w()->Command8->click();
            }));
        seen = state(w());
        QCOMPARE(asked, QStringList { kQuestion });
    }
    QCOMPARE(seen, expected);
    QStringList captions;
    for (int i = 0; i < 4; ++i)
        captions.append(w()->WordSelect(i)->paintedCaption);
    QCOMPARE(captions.join(u' '), row);
    // Entering changes no key; "no" reloads them from the file.
    QCOMPARE(keyTexts(w()), keys);
    QCOMPARE(w()->editmode, expected != kNormal);
}

void TestEditor::editKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("preset");
    QTest::addColumn<QString>("box");    // the key box at the start
    QTest::addColumn<int>("chosen");     // 0: the preset stays
    QTest::addColumn<QString>("typed");  // null: not retyped
    QTest::addColumn<QString>("result"); // kind|text
    QTest::addColumn<uint>("colour");

    QTest::newRow("clear into a yellow word") << u"[clear]"_s << 8 << u"[clear]"_s << 2
                                              << u"hello"_s << u"word2|hello"_s << 0x00C0FFFFu;
    QTest::newRow("home keyboard")
            << u"dog"_s << 3 << u"dog"_s << 12 << QString() << u"keyboard|Home"_s << 0x00FFC0FFu;
    QTest::newRow("label shown whole") << u"Hello there"_s << 2 << u"Hi|Hello there"_s << 0
                                       << QString() << u"word2|Hi|Hello there"_s << 0x00C0FFFFu;
    QTest::newRow("link into a red word") << u"Numbers"_s << 5 << u"Numbers"_s << 10 << u"stop"_s
                                          << u"word3|stop"_s << 0x00C0C0FFu;
}

void TestEditor::editKey()
{
    QFETCH(QString, key);
    QFETCH(int, preset);
    QFETCH(QString, box);
    QFETCH(int, chosen);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    QFETCH(uint, colour);

    const int index = keyIndex(w(), key);
    w()->EditMode_Click();
    QString seen;
    int covered = 0;
    QVERIFY(editKeyWith(w(), key, [&] {
        seen = QString::number(option(w(), preset)->isChecked()) + u' ' + w()->Text2->Text();
        QCOMPARE(w()->Text2->pos(), w()->Command1(index)->pos());
        // "Stop Editing" and "Add Button" leave every button type free.
        for (int n = 1; n <= 12; ++n) {
            const QRect r(option(w(), n)->mapTo(w(), QPoint()), option(w(), n)->size());
            for (QWidget *b : { w()->Command7, w()->Command8 })
                covered += r.intersects(QRect(b->mapTo(w(), QPoint()), b->size()));
        }
        if (chosen)
            option(w(), chosen)->click();
        QCOMPARE(w()->Text2->palette().color(QPalette::Base), fromBgr(colour));
        if (!typed.isNull())
            w()->Text2->setText(typed);
    }));
    QCOMPARE(seen, u"1 "_s + box);
    QCOMPARE(covered, 0);
    QCOMPARE(keyTexts(w()).at(index - 2), result);
    QCOMPARE(w()->Command1(index)->backColor(), fromBgr(colour));
    QCOMPARE(w()->keyinfo[index], result.count(u'|') > 1 ? result.section(u'|', 1) : QString());
    QCOMPARE(state(w()), kEditIdle);
}

void TestEditor::arrows_data()
{
    QTest::addColumn<QStringList>("keyboard"); // empty: t.kbd
    QTest::addColumn<int>("lastbutton");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("arrow");  // Command3 up, 4 left, 5 right, 6 down
    QTest::addColumn<int>("target"); // 0: no move

    QTest::newRow("up on 13") << QStringList() << 17 << u"e"_s << 3 << 0;
    QTest::newRow("up on 14") << QStringList() << 17 << u"f"_s << 3 << 2;
    QTest::newRow("left on 2") << QStringList() << 17 << u"dog"_s << 4 << 0;
    QTest::newRow("right on the last key") << QStringList() << 17 << u"h"_s << 5 << 0;
    QTest::newRow("down on 2") << QStringList() << 17 << u"dog"_s << 6 << 14;
    // The edit key that the load adds is the last key.
    QTest::newRow("right onto the last key")
            << QStringList { "001|one", "001|two" } << 4 << u"two"_s << 5 << 4;
}

void TestEditor::arrows()
{
    QFETCH(QStringList, keyboard);
    QFETCH(int, lastbutton);
    QFETCH(QString, key);
    QFETCH(int, arrow);
    QFETCH(int, target);

    if (!keyboard.isEmpty()) {
        m_folder.keyboard(u"a.kbd"_s, keyboard);
        w()->loadmap(w()->keyboardPath(u"a.kbd"_s));
    }
    const int from = keyIndex(w(), key);
    QStringList expected = keyTexts(w());
    QCOMPARE(w()->lastbutton, lastbutton);
    w()->EditMode_Click();
    int movedTo = 0;
    QVERIFY(editKeyWith(w(), key, [&] {
        QToolButton *const arrows[] = { w()->Command3, w()->Command4, w()->Command5,
                                        w()->Command6 };
        arrows[arrow - 3]->click();
        QCOMPARE(w()->movepending, target != 0);
        // While a move is pending a click on a key selects nothing.
        if (w()->movepending)
            w()->Command1(2)->click();
        movedTo = w()->moveindex;
    }));
    QCOMPARE(movedTo, target ? target : from);
    if (target) {
        expected.swapItemsAt(from - 2, target - 2);
        const QString displaced = expected.at(from - 2).section(u'|', 0, 0);
        QCOMPARE(w()->Command1(from)->backColor(), fromBgr(KeyKinds::byName(displaced)->colour));
    }
    QCOMPARE(keyTexts(w()), expected);
    QVERIFY(!w()->movepending);
}

void TestEditor::addButton_data()
{
    QTest::addColumn<int>("keys");   // in the file, besides the edit key; -1: a new blank keyboard
    QTest::addColumn<int>("before"); // lastbutton before the clicks
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("lastbutton");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");

    QTest::newRow("full keyboard") << 120 << 121 << 1 << 121 << 12 << 10;
    QTest::newRow("into column 12") << 10 << 12 << 1 << 13 << 12 << 1;
    QTest::newRow("after column 12") << 10 << 12 << 2 << 14 << 1 << 2;
    // 24 keys in two full rows: the added key opens the third.
    QTest::newRow("after a new blank keyboard") << -1 << 25 << 1 << 26 << 1 << 3;
}

void TestEditor::addButton()
{
    QFETCH(int, keys);
    QFETCH(int, before);
    QFETCH(int, clicks);
    QFETCH(int, lastbutton);
    QFETCH(int, column);
    QFETCH(int, row);

    if (keys < 0) {
        w()->mnuBlank->trigger();
    } else {
        QStringList lines;
        for (int i = 0; i < keys; ++i)
            lines << u"001|w%1"_s.arg(i);
        m_folder.keyboard(u"n.kbd"_s, lines);
        w()->loadmap(w()->keyboardPath(u"n.kbd"_s));
    }
    QCOMPARE(w()->lastbutton, before);
    QStringList expected = keyTexts(w());
    while (expected.size() < lastbutton - 1)
        expected << u"word2|"_s;
    w()->EditMode_Click();
    for (int i = 0; i < clicks; ++i)
        w()->Command7->click();
    QCOMPARE(keyTexts(w()), expected);
    FaceButton *last = w()->Command1(lastbutton);
    FaceButton *anchor = w()->Command1(1);
    QVERIFY(last->isVisible());
    const QPoint place(Twips::toPx(Twips::width(anchor) * (column - 1)),
                       Twips::toPx(Twips::height(anchor) * (row - 1)));
    QVERIFY((last->pos() - anchor->pos() - place).manhattanLength() <= 2);
}

void TestEditor::keyTextEntry_data()
{
    QTest::addColumn<bool>("stop"); // leave edit mode instead of "Save Edit"
    QTest::newRow("one Save Edit applies the text") << false;
    // Both waits end; "yes" saves the keyboard being edited, not the letters.
    QTest::newRow("Stop Editing drops it") << true;
}

void TestEditor::keyTextEntry()
{
    QFETCH(bool, stop);
    const QStringList keys = keyTexts(w());
    w()->EditMode_Click();
    QString typedOn;
    QStringList asked;
    if (stop)
        script(w(), { "yes", "kt", "Okay" }, &asked);
    QVERIFY(editKeyWith(w(), u"dog"_s, [&] {
        whenReady(
                w(), [&] { return w()->FileName == u"EditLettersLower.kbd"_s && !w()->loadingmap; },
                [&] {
                    typedOn = w()->FileOption->menuAction()->isEnabled() ? u"unlocked"_s
                                                                         : w()->FileName;
                    w()->Text3->setText(QString());
                    w()->Command1(keyIndex(w(), u"h"_s))->click();
                    w()->Command1(keyIndex(w(), u"i"_s))->click();
                    (stop ? w()->Command8 : w()->Command2)->click();
                });
        w()->Text3_Click();
    }));
    QCOMPARE(typedOn, u"EditLettersLower.kbd"_s);
    QVERIFY(!w()->keytextentry);
    if (!stop) {
        QCOMPARE(keyTexts(w()).at(0), u"word1|hi"_s);
        QCOMPARE(keyTexts(w()).mid(1), keys.mid(1));
        QCOMPARE(w()->FileName, u"t.kbd"_s);
        QVERIFY(w()->Command3->isVisibleTo(w()->Frame1));
        QCOMPARE(state(w()), kEditIdle);
        return;
    }
    QCOMPARE(asked,
             QStringList({ kQuestion, kPrompt + u"t"_s, u"Keyboard: 'kt' has been saved."_s }));
    QCOMPARE(keyTexts(w()), keys);
    QCOMPARE(fileLines(m_folder.file(u"Keyboards/kt.kbd"_s)),
             QStringList(kKeys).replaceInStrings(u"Hi|"_s, QString()));
    QCOMPARE(state(w()), kNormal);
}

void TestEditor::saves_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("saved"); // empty: no keyboard file touched

    QStringList blank = { "999|Home",    "000|[back]", "000|[delete]",
                          "000|[clear]", "000|[copy]", "000|[return]" };
    for (int i = 0; i < 18; ++i)
        blank << u"001|"_s;
    blank << u"000|[edit]"_s;
    // The source keyboard with a key added; the label part is not written.
    const QStringList edited = { "002|Hello there", "001|dog", "000|[edit]", "002|" };
    const QString exists = u"Keyboard exists! Do you want to overwrite it?"_s;
    const QString noName = u"No name privided! Save canceled."_s;
    auto savedAs = [](const char *name) { return u"Keyboard: '%1' has been saved."_s.arg(name); };
    QTest::newRow("blank keyboard unchanged")
            << u"blank"_s << QStringList { "blank one", "Okay" }
            << QStringList { kPrompt + u"New"_s, savedAs("blank one") } << u"blank one"_s << blank;
    QTest::newRow("label written as its output")
            << u"stop"_s << QStringList { "yes", "my keys", "Okay" }
            << QStringList { kQuestion, kPrompt + u"src"_s, savedAs("my keys") } << u"my keys"_s
            << edited;
    QTest::newRow("menu in edit mode")
            << u"menu"_s << QStringList { "a/b.c", "Okay" }
            << QStringList { kPrompt + u"src"_s, savedAs("a b c") } << u"a b c"_s << edited;
    QTest::newRow("cancelled name")
            << u"stop"_s << QStringList { "yes", "...", "Okay" }
            << QStringList { kQuestion, kPrompt + u"src"_s, noName } << QString() << QStringList();
    QTest::newRow("no to overwriting offers the old name")
            << u"stop"_s << QStringList { "yes", "taken", "no", "", "Okay" }
            << QStringList { kQuestion, kPrompt + u"src"_s, exists, kPrompt + u"src"_s, noName }
            << QString() << QStringList();
    QTest::newRow("yes to overwriting")
            << u"stop"_s << QStringList { "yes", "taken", "yes", "Okay" }
            << QStringList { kQuestion, kPrompt + u"src"_s, exists, savedAs("taken") } << u"taken"_s
            << edited;
    QTest::newRow("missing Keyboards folder")
            << u"missing"_s << QStringList { "yes", "lost", "Okay" }
            << QStringList { kQuestion, kPrompt + u"src"_s, kSaveError } << QString()
            << QStringList();
    QTest::newRow("read-only program folder")
            << u"read-only"_s << QStringList { "yes", "Okay" }
            << QStringList { kQuestion, kSaveError } << QString() << QStringList();
    QTest::newRow("working copy cannot be written")
            << u"working copy"_s << QStringList { "yes", "Okay" }
            << QStringList { kQuestion,
                             u"This keyboard cannot be saved: Plumtype could not write its working "
                             "copy tmpkb.kbd in its folder. No keyboard file has been changed."_s }
            << QString() << QStringList();
}

void TestEditor::saves()
{
    QFETCH(QString, how);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, asked);
    QFETCH(QString, file);
    QFETCH(QStringList, saved);

    Form1 *f = w();
    const TestFolder *folder = &m_folder;
    std::unique_ptr<Form1> own;
    QStringList seen;
    if (how == u"read-only") {
        folder = spare();
        own = std::make_unique<Form1>(folder->path(), u"the folder is read-only"_s);
        f = own.get();
        f->splashMs = 0;
        // The notice at the start is answered first.
        script(f, QStringList { "Okay" } + answers, &seen);
        f->show();
        QVERIFY(QTest::qWaitFor([&] { return seen.size() == 1 && f->FileName == u"home.kbd"_s; }));
        seen.clear();
    } else {
        script(f, answers, &seen);
    }
    folder->keyboard(u"taken.kbd"_s, { u"001|old"_s });
    folder->keyboard(u"src.kbd"_s, { u"002|Hi|Hello there"_s, u"001|dog"_s });
    f->loadmap(f->keyboardPath(u"src.kbd"_s));
    const QString keyboards = folder->file(u"Keyboards"_s);
    const QString workingCopy = folder->file(u"tmpkb.kbd"_s);
    if (how == u"working copy")
        QVERIFY(QFile::remove(workingCopy) && QDir().mkpath(workingCopy));
    const QStringList before = snapshot(keyboards);
    const QStringList keys = keyTexts(f) << u"word2|"_s;
    if (how == u"blank") {
        f->mnuBlank->trigger();
        QCOMPARE(f->windowTitle(), u"Plumtype - New - (0)"_s);
        f->Savekeyboard->trigger();
    } else {
        f->EditMode->trigger();
        f->Command7->click();
        if (how == u"menu")
            f->Savekeyboard->trigger();
        else // Left during a key edit: its pending change is dropped.
            QVERIFY(editKeyWith(f, u"dog"_s, [&] {
                f->Text2->setText(u"cow"_s);
                if (how == u"missing")
                    QDir().rename(keyboards, keyboards + u"-gone"_s);
                f->Command8->click();
            }));
    }
    if (how == u"missing")
        QVERIFY(QDir().rename(keyboards + u"-gone"_s, keyboards));
    if (how == u"working copy")
        QVERIFY(QDir(workingCopy).removeRecursively());

    QCOMPARE(seen, asked);
    const bool cancelled = asked.last().startsWith(u"No name"_s);
    QCOMPARE(f->editmode, cancelled);
    if (saved.isEmpty()) {
        // The edited keyboard is back, unsaved; no keyboard file was touched.
        QCOMPARE(snapshot(keyboards), before);
        QCOMPARE(keyTexts(f), keys);
        QCOMPARE(f->FileName, u"src.kbd"_s);
        QCOMPARE(state(f), cancelled ? kEditIdle : kNormal);
        QCOMPARE(QFile::exists(workingCopy), how != u"read-only" && how != u"working copy");
        return;
    }
    QCOMPARE(fileLines(folder->file(u"Keyboards/"_s + file + u".kbd"_s)), saved);
    QCOMPARE(f->FileName, file + u".kbd"_s);
    QCOMPARE(f->lastbutton, saved.size() + 1);
}

// Each control of the editing frame is named for assistive tools by what it
// does, not all alike by the frame around them.
void TestEditor::controlsHaveNamesOfTheirOwn()
{
    QStringList names;
    for (QWidget *control :
         std::initializer_list<QWidget *> { w()->Command3, w()->Command4, w()->Command5,
                                            w()->Command6, w()->Text3, w()->Text2 }) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(control);
        names << (a ? a->text(QAccessible::Name) : u"<none>"_s);
    }
    QCOMPARE(names, (QStringList { "Move key up", "Move key left", "Move key right",
                                   "Move key down", "Key Text", "Key Text on the key" }));
}

void TestEditor::closingDuringKeyEdit_data()
{
    QTest::addColumn<bool>("inKeyText");
    QTest::newRow("key edit") << false;
    QTest::newRow("key-text entry") << true;
}

void TestEditor::closingDuringKeyEdit()
{
    QFETCH(bool, inKeyText);
    std::unique_ptr<Form1> own = spare()->start(0);
    Form1 *f = own.get();
    f->loadmap(f->keyboardPath(u"t.kbd"_s));
    f->EditMode_Click();
    // The click returns once the window has closed; nothing is applied.
    QVERIFY(editKeyWith(f, u"dog"_s, [&] {
        f->Text2->setText(u"cow"_s);
        if (!inKeyText) {
            f->close();
            return;
        }
        whenReady(
                f, [f] { return f->FileName == u"EditLettersLower.kbd"_s; }, [f] { f->close(); });
        f->Text3_Click();
    }));
    QVERIFY(f->killme && !f->isVisible());
    // Nothing is cleaned up: the program is ending.
    QCOMPARE(inKeyText ? f->FileName : f->Command1(2)->ToolTipText,
             inKeyText ? u"EditLettersLower.kbd"_s : u"dog"_s);
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
