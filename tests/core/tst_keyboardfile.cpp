#include "keyboardfile.h"
#include "textfile.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <QTest>

using namespace Qt::StringLiterals;
using KeyboardFile::Layout;
using KeyboardFile::Record;

namespace {

QStringList keyLines(int count, const QString &code = QStringLiteral("001"))
{
    QStringList lines;
    for (int k = 1; k <= count; ++k)
        lines.append(code + QStringLiteral("|k") + QString::number(k));
    return lines;
}

// "slot column,row output" for every placed key, in order.
QStringList describe(const Layout &layout)
{
    QStringList out;
    for (const KeyboardFile::PlacedKey &key : layout.keys) {
        out.append(QStringLiteral("%1 %2,%3 %4")
                           .arg(key.slot)
                           .arg(key.column)
                           .arg(key.row)
                           .arg(key.record.output));
    }
    return out;
}

// The expected description of `count` keys "k1".."kN" placed in rows of 12
// from slot 2, row `firstRow`.
QStringList fullRows(int count, int firstRow = 1)
{
    QStringList out;
    for (int k = 1; k <= count; ++k) {
        out.append(QStringLiteral("%1 %2,%3 k%4")
                           .arg(k + 1)
                           .arg((k - 1) % 12 + 1)
                           .arg(firstRow + (k - 1) / 12)
                           .arg(k));
    }
    return out;
}

Layout load(const QStringList &lines, const QString &fileName = QStringLiteral("home.kbd"))
{
    return KeyboardFile::place(KeyboardFile::parse(lines), fileName);
}

// The one-pass reading of the whole text must place exactly what the lines do.
bool sameAsOnePass(const Layout &layout, const QStringList &lines,
                   const QString &fileName = QStringLiteral("home.kbd"))
{
    const Layout onePass = KeyboardFile::placeText(TextFile::joinLines(lines), fileName);
    return describe(onePass) == describe(layout) && onePass.lastbutton == layout.lastbutton
           && onePass.xpos == layout.xpos && onePass.ypos == layout.ypos;
}

} // namespace

class TestKeyboardFile : public QObject
{
    Q_OBJECT

private slots:
    void kinds_data();
    void kinds();
    void unknownKinds();
    void parseRecord_data();
    void parseRecord();
    void recordCount_data();
    void recordCount();
    void place_data();
    void place();
    void addedEditKey();
    void keyLimit_data();
    void keyLimit();
    void hugeFilePlacesItsFirstKeys();
    void editKeyByFileName_data();
    void editKeyByFileName();
    void systemKeyboard_data();
    void systemKeyboard();
    void write_data();
    void write();
    void labelKeyWrittenWithOutputOnly();
    void writeReadPlaceRoundTrip();
    void linkFileName_data();
    void linkFileName();
};

void TestKeyboardFile::kinds_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<BgrColour>("colour");
    QTest::addColumn<QString>("caption");

    QTest::newRow("letter") << 0 << u"000"_s << u"letter"_s << BgrColour(0x00FFFFFF)
                            << u"Partial Text (White)"_s;
    QTest::newRow("word1") << 1 << u"001"_s << u"word1"_s << BgrColour(0x00C0FFC0)
                           << u"Word (Green)"_s;
    QTest::newRow("word2") << 2 << u"002"_s << u"word2"_s << BgrColour(0x00C0FFFF)
                           << u"Word (Yellow)"_s;
    QTest::newRow("word3") << 3 << u"003"_s << u"word3"_s << BgrColour(0x00C0C0FF)
                           << u"Word (Red)"_s;
    QTest::newRow("extend") << 4 << u"004"_s << u"extend"_s << BgrColour(0x00C0E0FF)
                            << u"Suffix or Punctuation (Orange)"_s;
    QTest::newRow("keyboard") << 5 << u"999"_s << u"keyboard"_s << BgrColour(0x00FFC0FF)
                              << u"Keyboard Name (Purple)"_s;
}

void TestKeyboardFile::kinds()
{
    QFETCH(int, index);
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(BgrColour, colour);
    QFETCH(QString, caption);

    const QList<KeyKind> &all = KeyKinds::all();
    QCOMPARE(all.size(), 6);
    const KeyKind &kind = all.at(index);
    QCOMPARE(kind.code, code);
    QCOMPARE(kind.name, name);
    QCOMPARE(kind.colour, colour);
    QCOMPARE(kind.caption, caption);

    QCOMPARE(KeyKinds::byCode(code), &kind);
    QCOMPARE(KeyKinds::byName(name), &kind);
}

void TestKeyboardFile::unknownKinds()
{
    for (const char *code : { "", "0", "00", "0000", " 00", "000 ", "005", "998", "abc" })
        QVERIFY2(!KeyKinds::byCode(QLatin1String(code)), code);
    for (const char *name : { "", "Letter", "LETTER", "word", "word4", "keyboard " })
        QVERIFY2(!KeyKinds::byName(QLatin1String(name)), name);
}

void TestKeyboardFile::parseRecord_data()
{
    // The last record read from `lines` is checked.
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("rowBreak");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<BgrColour>("colour");
    QTest::addColumn<QString>("keyText");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("hasLabel");

    const BgrColour white = 0x00FFFFFF;
    const BgrColour green = 0x00C0FFC0;
    const BgrColour yellow = 0x00C0FFFF;
    const BgrColour orange = 0x00C0E0FF;
    const BgrColour purple = 0x00FFC0FF;

    QTest::newRow("word with a space")
            << QStringList { "001|hello world" } << false << u"word1"_s << green << u"hello world"_s
            << u"hello world"_s << u"hello world"_s << false;
    QTest::newRow("label and output")
            << QStringList { "002|Hi|Hello there" } << false << u"word2"_s << yellow
            << u"Hi|Hello there"_s << u"Hi"_s << u"Hello there"_s << true;
    QTest::newRow("label and output trimmed")
            << QStringList { "002|  Hi  |  Hello there  " } << false << u"word2"_s << yellow
            << u"Hi  |  Hello there"_s << u"Hi"_s << u"Hello there"_s << true;
    QTest::newRow("further bars stay in the output")
            << QStringList { "000|a|b|c" } << false << u"letter"_s << white << u"a|b|c"_s << u"a"_s
            << u"b|c"_s << true;
    QTest::newRow("empty output") << QStringList { "999|Home|" } << false << u"keyboard"_s << purple
                                  << u"Home|"_s << u"Home"_s << u""_s << true;
    QTest::newRow("key text trimmed of spaces")
            << QStringList { "000|  a  " } << false << u"letter"_s << white << u"a"_s << u"a"_s
            << u"a"_s << false;
    QTest::newRow("tabs are not trimmed")
            << QStringList { "000|\ta\t" } << false << u"letter"_s << white << u"\ta\t"_s
            << u"\ta\t"_s << u"\ta\t"_s << false;
    QTest::newRow("empty key text") << QStringList { "004|" } << false << u"extend"_s << orange
                                    << u""_s << u""_s << u""_s << false;
    QTest::newRow("first line without a valid code")
            << QStringList { "abc|x" } << false << u""_s << BgrColour(0) << u"x"_s << u"x"_s
            << u"x"_s << false;
    QTest::newRow("first line with leading spaces")
            << QStringList { " 001|x" } << false << u""_s << BgrColour(0) << u"x"_s << u"x"_s
            << u"x"_s << false;
    QTest::newRow("unknown code takes the kind above")
            << QStringList { "004|ing", "123|ed" } << false << u"extend"_s << orange << u"ed"_s
            << u"ed"_s << u"ed"_s << false;
    QTest::newRow("kind comes from the nearest valid line")
            << QStringList { "001|a", "004|b", "xyz|c", "abc|d" } << false << u"extend"_s << orange
            << u"d"_s << u"d"_s << u"d"_s << false;
    QTest::newRow("leading spaces take the kind above")
            << QStringList { "004|ing", " 001|x" } << false << u"extend"_s << orange << u"x"_s
            << u"x"_s << u"x"_s << false;
    QTest::newRow("line without a bar")
            << QStringList { "002|a", "  hello there  " } << false << u"word2"_s << yellow
            << u"hello there"_s << u"hello there"_s << u"hello there"_s << false;
    QTest::newRow("line without a bar but a code")
            << QStringList { "004|a", "001" } << false << u"word1"_s << green << u"001"_s
            << u"001"_s << u"001"_s << false;
    QTest::newRow("code then more digits") << QStringList { "0001|x" } << false << u"letter"_s
                                           << white << u"x"_s << u"x"_s << u"x"_s << false;
    QTest::newRow("row break") << QStringList { "999|/" } << true << u"keyboard"_s << purple
                               << u"/"_s << u""_s << u""_s << false;
    QTest::newRow("row break with spaces") << QStringList { "999| / " } << true << u"keyboard"_s
                                           << purple << u"/"_s << u""_s << u""_s << false;
    QTest::newRow("row break by the kind above")
            << QStringList { "999|Home", "xyz|/" } << true << u"keyboard"_s << purple << u"/"_s
            << u""_s << u""_s << false;
    QTest::newRow("slash of another kind is a key")
            << QStringList { "000|/" } << false << u"letter"_s << white << u"/"_s << u"/"_s
            << u"/"_s << false;
    QTest::newRow("slash with more text is a key")
            << QStringList { "999|//" } << false << u"keyboard"_s << purple << u"//"_s << u"//"_s
            << u"//"_s << false;
    QTest::newRow("keyboard link") << QStringList { "999|Home" } << false << u"keyboard"_s << purple
                                   << u"Home"_s << u"Home"_s << u"Home"_s << false;
}

void TestKeyboardFile::parseRecord()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, rowBreak);
    QFETCH(QString, kind);
    QFETCH(BgrColour, colour);
    QFETCH(QString, keyText);
    QFETCH(QString, label);
    QFETCH(QString, output);
    QFETCH(bool, hasLabel);

    const QList<Record> records = KeyboardFile::parse(lines);
    QCOMPARE(records.size(), lines.size());
    const Record &r = records.constLast();
    QCOMPARE(r.rowBreak, rowBreak);
    QCOMPARE(r.kind, kind);
    QCOMPARE(r.colour, colour);
    QCOMPARE(r.keyText, keyText);
    if (!rowBreak) {
        QCOMPARE(r.label, label);
        QCOMPARE(r.output, output);
        QCOMPARE(r.hasLabel, hasLabel);
    }
}

void TestKeyboardFile::recordCount_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("records");

    QTest::newRow("no lines") << QStringList() << 0;
    QTest::newRow("empty and space-only lines")
            << QStringList { "", "001|a", "   ", "", "999|/", " " } << 2;
    QTest::newRow("only blank lines") << QStringList { "", " ", "  " } << 0;
    QTest::newRow("a tab is not blank") << QStringList { "001|a", "\t" } << 2;
    QTest::newRow("a bar alone is a key") << QStringList { "|" } << 1;
}

void TestKeyboardFile::recordCount()
{
    QFETCH(QStringList, lines);
    QFETCH(int, records);

    QCOMPARE(KeyboardFile::parse(lines).size(), records);
}

void TestKeyboardFile::place_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("placed");
    QTest::addColumn<int>("lastbutton");
    QTest::addColumn<int>("xpos");
    QTest::addColumn<int>("ypos");

    QTest::newRow("seven keys") << keyLines(7) << fullRows(7) + QStringList { "9 8,1 [edit]" } << 9
                                << 8 << 1;
    QTest::newRow("twelve keys") << keyLines(12) << fullRows(12) + QStringList { "14 1,2 [edit]" }
                                 << 14 << 1 << 2;
    QTest::newRow("thirteen keys")
            << keyLines(13) << fullRows(13) + QStringList { "15 2,2 [edit]" } << 15 << 2 << 2;
    QTest::newRow("empty file") << QStringList() << QStringList { "2 1,1 [edit]" } << 2 << 1 << 1;
    QTest::newRow("only row breaks and blank lines")
            << QStringList { "999|/", "", "999| / ", "  " } << QStringList { "2 1,3 [edit]" } << 2
            << 1 << 3;
    QTest::newRow("row break first") << QStringList { "999|/", "001|a" }
                                     << QStringList { "2 1,2 a", "3 2,2 [edit]" } << 3 << 2 << 2;
    QTest::newRow("row break mid row")
            << QStringList { "001|a", "001|b", "999|/", "001|c" }
            << QStringList { "2 1,1 a", "3 2,1 b", "4 1,2 c", "5 2,2 [edit]" } << 5 << 2 << 2;
    QTest::newRow("two row breaks leave one empty row")
            << QStringList { "001|a", "999|/", "999|/", "001|b" }
            << QStringList { "2 1,1 a", "3 1,3 b", "4 2,3 [edit]" } << 4 << 2 << 3;
    QTest::newRow("row break after a wrap adds no row")
            << keyLines(12) + QStringList { "999|/", "001|k13" }
            << fullRows(13) + QStringList { "15 2,2 [edit]" } << 15 << 2 << 2;
    QTest::newRow("two row breaks after a wrap add no row")
            << keyLines(12) + QStringList { "999|/", "999|/", "001|k13" }
            << fullRows(13) + QStringList { "15 2,2 [edit]" } << 15 << 2 << 2;
    QTest::newRow("row break after a wrap and a key")
            << keyLines(13) + QStringList { "999|/", "001|k14" }
            << fullRows(13) + QStringList { "15 1,3 k14", "16 2,3 [edit]" } << 16 << 2 << 3;
    QTest::newRow("row break at the end")
            << QStringList { "001|a", "999|/" } << QStringList { "2 1,1 a", "3 1,2 [edit]" } << 3
            << 1 << 2;
    QTest::newRow("edit key in the file")
            << QStringList { "001|a", "000|[EDIT]" } << QStringList { "2 1,1 a", "3 2,1 [EDIT]" }
            << 3 << 2 << 1;
    QTest::newRow("edit key first, spaced, mixed case")
            << QStringList { "000|  [Edit]  ", "001|a" }
            << QStringList { "2 1,1 [Edit]", "3 2,1 a" } << 3 << 2 << 1;
    QTest::newRow("edit key of another kind")
            << QStringList { "001|[edit]" } << QStringList { "2 1,1 [edit]" } << 2 << 1 << 1;
    QTest::newRow("edit label with another output")
            << QStringList { "000|[edit]|x" } << QStringList { "2 1,1 x", "3 2,1 [edit]" } << 3 << 2
            << 1;
    QTest::newRow("keys without a kind are placed")
            << QStringList { "abc|x", "def|y" }
            << QStringList { "2 1,1 x", "3 2,1 y", "4 3,1 [edit]" } << 4 << 3 << 1;
}

void TestKeyboardFile::place()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, placed);
    QFETCH(int, lastbutton);
    QFETCH(int, xpos);
    QFETCH(int, ypos);

    const Layout layout = load(lines);
    QCOMPARE(describe(layout), placed);
    QCOMPARE(layout.lastbutton, lastbutton);
    QCOMPARE(layout.xpos, xpos);
    QCOMPARE(layout.ypos, ypos);
    QVERIFY(sameAsOnePass(layout, lines));
}

void TestKeyboardFile::addedEditKey()
{
    const Layout layout = load(keyLines(3, QStringLiteral("002")));
    QCOMPARE(layout.keys.size(), 4);
    const Record &edit = layout.keys.constLast().record;
    QCOMPARE(edit.kind, QStringLiteral("letter"));
    QCOMPARE(edit.colour, BgrColour(0x00FFFFFF));
    QCOMPARE(edit.keyText, QStringLiteral("[edit]"));
    QCOMPARE(edit.label, QStringLiteral("[edit]"));
    QCOMPARE(edit.output, QStringLiteral("[edit]"));
    QVERIFY(!edit.hasLabel);
    QVERIFY(!edit.rowBreak);
}

void TestKeyboardFile::keyLimit_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("lastKey");
    QTest::addColumn<int>("xpos");
    QTest::addColumn<int>("ypos");

    QTest::newRow("119 keys: the edit key is the 120th")
            << keyLines(119) << QStringLiteral("121 12,10 [edit]") << 12 << 10;
    QTest::newRow("120 keys: no edit key")
            << keyLines(120) << QStringLiteral("121 12,10 k120") << 0 << 11;
    QTest::newRow("121 keys: the last is dropped")
            << keyLines(121) << QStringLiteral("121 12,10 k120") << 0 << 11;
    QTest::newRow("200 keys") << keyLines(200) << QStringLiteral("121 12,10 k120") << 0 << 11;
    QTest::newRow("an edit key beyond the limit") << keyLines(120) + QStringList { "000|[edit]" }
                                                  << QStringLiteral("121 12,10 k120") << 0 << 11;
    QTest::newRow("row breaks do not count")
            << QStringList { "999|/" } + keyLines(119) + QStringList { "999|/" }
            << QStringLiteral("121 1,12 [edit]") << 1 << 12;
}

void TestKeyboardFile::keyLimit()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, lastKey);
    QFETCH(int, xpos);
    QFETCH(int, ypos);

    const Layout layout = load(lines);
    QCOMPARE(layout.keys.size(), 120);
    QCOMPARE(layout.lastbutton, 121);
    const QStringList placed = describe(layout);
    QCOMPARE(placed.constLast(), lastKey);
    for (int i = 0; i < layout.keys.size(); ++i)
        QCOMPARE(layout.keys.at(i).slot, i + 2);
    QCOMPARE(layout.xpos, xpos);
    QCOMPARE(layout.ypos, ypos);
    QVERIFY(sameAsOnePass(layout, lines));
}

void TestKeyboardFile::hugeFilePlacesItsFirstKeys()
{
    // 100,000 lines of keys, row breaks, blank lines and kind changes: only
    // the lines up to the 120th key count, and reading stops there.
    QStringList lines;
    auto *random = QRandomGenerator::global();
    const char *const shapes[] = { "001|w%1", "999|/", "", "004|s%1", "abc|x%1", "002|a b|c%1" };
    for (int i = 0; i < 100000; ++i)
        lines.append(QString::fromLatin1(shapes[random->bounded(6)]).arg(i));
    QStringList head;
    int keys = 0;
    for (const QString &line : lines) {
        head.append(line);
        const auto records = KeyboardFile::parse(head);
        keys = static_cast<int>(std::count_if(records.begin(), records.end(),
                                              [](const Record &r) { return !r.rowBreak; }));
        if (keys == 120)
            break;
    }
    QCOMPARE(keys, 120);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"home.kbd"_s);
    QVERIFY(TextFile::write(path, TextFile::joinLines(lines)));
    const Layout expected = load(head);
    const Layout read = KeyboardFile::readAndPlace(path, u"home.kbd"_s);
    QCOMPARE(describe(read), describe(expected));
    for (int i = 0; i < read.keys.size(); ++i)
        QCOMPARE(read.keys.at(i).record.kind, expected.keys.at(i).record.kind);
    QCOMPARE(read.lastbutton, 121);
}

void TestKeyboardFile::editKeyByFileName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("editKey");

    QTest::newRow("home") << u"home.kbd"_s << true;
    QTest::newRow("YesNo") << u"YesNo.kbd"_s << false;
    QTest::newRow("Okay") << u"Okay.kbd"_s << false;
    QTest::newRow("FileNaming") << u"FileNaming.kbd"_s << false;
    QTest::newRow("EditLettersUpper") << u"EditLettersUpper.kbd"_s << false;
    QTest::newRow("EditLettersLower") << u"EditLettersLower.kbd"_s << false;
    QTest::newRow("working copy") << u"tmpkb.kbd"_s << true;
    QTest::newRow("lower-case yesno") << u"yesno.kbd"_s << true;
    QTest::newRow("upper-case OKAY") << u"OKAY.KBD"_s << true;
    QTest::newRow("name holding YesNo") << u"MyYesNo.kbd"_s << true;
    QTest::newRow("LettersLower") << u"LettersLower.kbd"_s << true;
}

void TestKeyboardFile::editKeyByFileName()
{
    QFETCH(QString, fileName);
    QFETCH(bool, editKey);

    QCOMPARE(KeyboardFile::getsNoEditKey(fileName), !editKey);
    const Layout layout = load({ QStringLiteral("000|Yes"), QStringLiteral("000|No") }, fileName);
    QCOMPARE(layout.keys.size(), editKey ? 3 : 2);
    QCOMPARE(layout.lastbutton, editKey ? 4 : 3);
    QCOMPARE(layout.xpos, editKey ? 3 : 2);
    QCOMPARE(layout.keys.constLast().record.output,
             editKey ? QStringLiteral("[edit]") : QStringLiteral("No"));

    // A keyboard of only row breaks keeps the rule.
    const Layout breaks = load({ QStringLiteral("999|/") }, fileName);
    QCOMPARE(breaks.keys.size(), editKey ? 1 : 0);
    QCOMPARE(breaks.lastbutton, editKey ? 2 : 1);
}

void TestKeyboardFile::systemKeyboard_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("system");

    QTest::newRow("home") << u"home.kbd"_s << false;
    QTest::newRow("working copy") << u"tmpkb.kbd"_s << true;
    QTest::newRow("YesNo") << u"YesNo.kbd"_s << true;
    QTest::newRow("Okay") << u"Okay.kbd"_s << true;
    QTest::newRow("FileNaming") << u"FileNaming.kbd"_s << true;
    QTest::newRow("EditLettersUpper") << u"EditLettersUpper.kbd"_s << true;
    QTest::newRow("EditLettersLower") << u"EditLettersLower.kbd"_s << true;
    QTest::newRow("LettersUpper") << u"LettersUpper.kbd"_s << false;
    QTest::newRow("lower-case yesno") << u"yesno.kbd"_s << false;
    QTest::newRow("lower-case working copy") << u"TmpKb.kbd"_s << false;
    QTest::newRow("holding Okay.kbd") << u"NotOkay.kbd"_s << true;
    QTest::newRow("holding tmpkb.kbd") << u"tmpkb.kbd.old"_s << true;
    QTest::newRow("name without extension") << u"Okay"_s << false;
}

void TestKeyboardFile::systemKeyboard()
{
    QFETCH(QString, fileName);
    QFETCH(bool, system);

    QCOMPARE(KeyboardFile::isSystemKeyboard(fileName), system);
}

void TestKeyboardFile::write_data()
{
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("nothing") << QStringList() << QStringList() << QStringList();
    QTest::newRow("every kind") << QStringList { "letter", "word1",  "word2",
                                                 "word3",  "extend", "keyboard" }
                                << QStringList { "a", "cat", "dog", "cow", "ing", "Home" }
                                << QStringList { "000|a",   "001|cat", "002|dog",
                                                 "003|cow", "004|ing", "999|Home" };
    QTest::newRow("CR LF becomes one space")
            << QStringList { "word1", "word2" } << QStringList { "hello\r\nworld", "a\r\n\r\nb" }
            << QStringList { "001|hello world", "002|a  b" };
    QTest::newRow("keys without a kind are left out")
            << QStringList { "", "Letter", "letter", "word", "keyboard" }
            << QStringList { "x", "y", "z", "w", "Numbers" }
            << QStringList { "000|z", "999|Numbers" };
    QTest::newRow("command key") << QStringList { "letter" } << QStringList { "[edit]" }
                                 << QStringList { "000|[edit]" };
    QTest::newRow("typed label and output kept whole")
            << QStringList { "word2" } << QStringList { "Hi|Hello there" }
            << QStringList { "002|Hi|Hello there" };
}

void TestKeyboardFile::write()
{
    QFETCH(QStringList, kinds);
    QFETCH(QStringList, outputs);
    QFETCH(QStringList, lines);

    QList<KeyboardFile::KeyOut> keys;
    for (int i = 0; i < kinds.size(); ++i)
        keys.append({ kinds.at(i), outputs.at(i) });
    QCOMPARE(KeyboardFile::write(keys), lines);
}

void TestKeyboardFile::labelKeyWrittenWithOutputOnly()
{
    const Layout layout = load({ QStringLiteral("002|Hi|Hello there") });
    QCOMPARE(layout.keys.size(), 2);
    const Record &r = layout.keys.constFirst().record;
    QCOMPARE(r.label, QStringLiteral("Hi"));
    QCOMPARE(r.output, QStringLiteral("Hello there"));
    QVERIFY(r.hasLabel);
    QCOMPARE(r.keyText, QStringLiteral("Hi|Hello there"));

    QList<KeyboardFile::KeyOut> keys;
    for (const KeyboardFile::PlacedKey &key : layout.keys)
        keys.append({ key.record.kind, key.record.output });
    QCOMPARE(KeyboardFile::write(keys),
             (QStringList { QStringLiteral("002|Hello there"), QStringLiteral("000|[edit]") }));
}

void TestKeyboardFile::writeReadPlaceRoundTrip()
{
    const QStringList file {
        QStringLiteral("999|Home"),
        QStringLiteral("000|[back]"),
        QStringLiteral("999|/"),
        QStringLiteral("001|hello world"),
        QStringLiteral("002|Hi|Hi there"),
        QStringLiteral("xyz|inherits word2"),
        QStringLiteral(""),
        QStringLiteral("003|red"),
        QStringLiteral("004|ing"),
        QStringLiteral("999|/"),
        QStringLiteral("999|/"),
        QStringLiteral("000|a"),
        QStringLiteral("999|Food Drink"),
    };
    const Layout first = load(file, QStringLiteral("mine.kbd"));

    QList<KeyboardFile::KeyOut> keys;
    for (const KeyboardFile::PlacedKey &key : first.keys)
        keys.append({ key.record.kind, key.record.output });
    const QStringList written = KeyboardFile::write(keys);
    QCOMPARE(written.size(), first.keys.size());
    QVERIFY(!written.contains(QStringLiteral("999|/")));
    QVERIFY(written.contains(QStringLiteral("000|[edit]")));

    const Layout second = load(written, QStringLiteral("mine.kbd"));
    QCOMPARE(second.keys.size(), first.keys.size());
    for (int i = 0; i < first.keys.size(); ++i) {
        const KeyboardFile::PlacedKey &a = first.keys.at(i);
        const KeyboardFile::PlacedKey &b = second.keys.at(i);
        QCOMPARE(b.record.kind, a.record.kind);
        QCOMPARE(b.record.colour, a.record.colour);
        QCOMPARE(b.record.output, a.record.output);
        QCOMPARE(b.slot, a.slot);
        // Without row breaks the keys fill rows of 12.
        QCOMPARE(b.column, i % 12 + 1);
        QCOMPARE(b.row, i / 12 + 1);
    }
}

void TestKeyboardFile::linkFileName_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("Home") << u"Home"_s << u"Home.kbd"_s;
    QTest::newRow("spaces removed") << u" Food Drink "_s << u"FoodDrink.kbd"_s;
    QTest::newRow("several spaces") << u"My  Words 2"_s << u"MyWords2.kbd"_s;
    QTest::newRow("parent path") << u"../x"_s << u""_s;
    QTest::newRow("slash") << u"a/b"_s << u""_s;
    QTest::newRow("backslash") << u"a\\b"_s << u""_s;
    QTest::newRow("dot dot with a space") << u". ."_s << u""_s;
    QTest::newRow("dot") << u"."_s << u""_s;
    QTest::newRow("empty") << u""_s << u""_s;
    QTest::newRow("spaces only") << u"   "_s << u""_s;
}

void TestKeyboardFile::linkFileName()
{
    QFETCH(QString, output);
    QFETCH(QString, fileName);

    QCOMPARE(KeyboardFile::linkFileName(output), fileName);
}

QTEST_GUILESS_MAIN(TestKeyboardFile)

#include "tst_keyboardfile.moc"
