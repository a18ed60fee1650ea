#include "facetext.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr BgrColour kWhite = 0x00FFFFFF;
constexpr BgrColour kGreen = 0x00C0FFC0;
constexpr BgrColour kYellow = 0x00C0FFFF;
constexpr BgrColour kRed = 0x00C0C0FF;
constexpr BgrColour kOrange = 0x00C0E0FF;
constexpr BgrColour kPurple = 0x00FFC0FF;
constexpr BgrColour kCyan = 0x00FFFFC0;
constexpr BgrColour kEditor = 0x00FFFFC1;

QString letters(int n)
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += QChar(u'a' + i % 26);
    return s;
}

} // namespace

class TestFaceText : public QObject
{
    Q_OBJECT

private slots:
    void sizeByLength_data();
    void sizeByLength();
    void plan_data();
    void plan();
    void joinForDisplay_data();
    void joinForDisplay();
    void pictureFile_data();
    void pictureFile();
    void labelledPicture_data();
    void labelledPicture();
    void spokenName_data();
    void spokenName();
};

void TestFaceText::sizeByLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("size");

    QTest::newRow("e") << u"e"_s << 9 << 18;
    QTest::newRow("empty") << QString() << 9 << 18;
    QTest::newRow("length 3") << letters(3) << 9 << 18;
    QTest::newRow("length 4") << letters(4) << 9 << 14;
    QTest::newRow("length 5") << letters(5) << 9 << 14;
    QTest::newRow("length 6") << letters(6) << 14 << 9;
    QTest::newRow("length 10") << letters(10) << 14 << 9;
    QTest::newRow("length 11") << letters(11) << 9 << 8;
    QTest::newRow("length 13") << letters(13) << 9 << 8;
    QTest::newRow("length 14") << letters(14) << 8 << 9;
    QTest::newRow("length 99") << letters(99) << 8 << 9;
    QTest::newRow("length 100 keeps 14") << letters(100) << 14 << 14;
    QTest::newRow("length 100 keeps 8") << letters(100) << 8 << 8;
    QTest::newRow("length 250 keeps 18") << letters(250) << 18 << 18;
    QTest::newRow("[back]") << u"[back]"_s << 18 << 9;
    QTest::newRow("[ length 3") << u"[ab"_s << 9 << 18;
    QTest::newRow("[ length 4") << u"[abc"_s << 18 << 9;
    QTest::newRow("[ length 5") << u"[abcd"_s << 18 << 9;
    QTest::newRow("[ length 12") << u'[' + letters(11) << 8 << 9;
    QTest::newRow("[ length 99") << u'[' + letters(98) << 8 << 9;
    QTest::newRow("[ length 100") << u'[' + letters(99) << 14 << 14;
    QTest::newRow("[ not first") << u"a[bc"_s << 9 << 14;
    QTest::newRow("CR LF counts 2, length 4") << u"a\r\nb"_s << 9 << 14;
    QTest::newRow("CR LF counts 2, length 3") << u"a\r\n"_s << 9 << 18;
    QTest::newRow("go home") << u"go\r\nhome"_s << 18 << 9;
    QTest::newRow("cats and dogs") << u"cats\r\nand\r\ndogs"_s << 18 << 9;
}

void TestFaceText::sizeByLength()
{
    QFETCH(QString, text);
    QFETCH(int, previous);
    QFETCH(int, size);

    QCOMPARE(FaceText::sizeByLength(text, previous), size);
}

void TestFaceText::plan_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<BgrColour>("bgcolor");
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("centred");
    QTest::addColumn<bool>("suggestionSurface");
    QTest::addColumn<QString>("shown");

    QTest::newRow("letter e") << u"e"_s << kWhite << 615.0 << 9 << 18 << true << false << u"e "_s;
    QTest::newRow("letter e, small button")
            << u"e"_s << kWhite << 599.0 << 9 << 16 << true << false << u"e "_s;
    QTest::newRow("letter e, height 600")
            << u"e"_s << kWhite << 600.0 << 9 << 18 << true << false << u"e "_s;
    QTest::newRow("letter e, height 585.9")
            << u"e"_s << kWhite << 585.9 << 9 << 16 << true << false << u"e "_s;
    QTest::newRow("[back] as a word")
            << u"[back]"_s << kGreen << 615.0 << 18 << 9 << false << false << u"[back] "_s;
    QTest::newRow("[back] as a word, small button")
            << u"[back]"_s << kGreen << 500.0 << 18 << 7 << false << false << u"[back] "_s;
    QTest::newRow("size 8 is not reduced")
            << letters(12) << kYellow << 500.0 << 9 << 8 << false << false << letters(12) + u' ';
    QTest::newRow("size 14 reduced")
            << u"abcd"_s << kRed << 500.0 << 9 << 12 << false << false << u"abcd "_s;
    QTest::newRow("long text keeps the previous size, reduced")
            << letters(120) << kOrange << 500.0 << 14 << 12 << false << false
            << letters(120) + u' ';
    QTest::newRow("suggestion") << u"the"_s << kCyan << 615.0 << 9 << 14 << true << true
                                << u"the "_s;
    QTest::newRow("suggestion, long word")
            << letters(20) << kCyan << 615.0 << 9 << 14 << true << true << letters(20) + u' ';
    QTest::newRow("suggestion, 100 characters")
            << letters(100) << kCyan << 615.0 << 8 << 14 << true << true << letters(100) + u' ';
    QTest::newRow("suggestion, small button")
            << u"then"_s << kCyan << 599.0 << 9 << 12 << true << true << u"then "_s;
    QTest::newRow("suggestion, empty")
            << QString() << kCyan << 615.0 << 9 << 14 << true << true << u" "_s;
    QTest::newRow("editor") << u"Save Edit"_s << kEditor << 615.0 << 9 << 10 << true << false
                            << u"Save Edit "_s;
    QTest::newRow("editor, small button") << u"Stop Editing"_s << kEditor << 300.0 << 9 << 10
                                          << true << false << u"Stop Editing "_s;
    QTest::newRow("editor, short text")
            << u"OK"_s << kEditor << 615.0 << 9 << 10 << true << false << u"OK "_s;
    QTest::newRow("editor, long text")
            << letters(100) << kEditor << 615.0 << 18 << 10 << true << false << letters(100) + u' ';
    QTest::newRow("extend") << u"ing"_s << kOrange << 615.0 << 9 << 18 << false << false
                            << u"ing "_s;
    QTest::newRow("keyboard") << u"Numbers"_s << kPurple << 615.0 << 9 << 9 << false << false
                              << u"Numbers "_s;
    QTest::newRow("no kind, black")
            << u"x"_s << BgrColour(0) << 615.0 << 9 << 18 << false << false << u"x "_s;
    QTest::newRow("one step off white")
            << u"x"_s << BgrColour(0x00FFFFFE) << 615.0 << 9 << 18 << false << false << u"x "_s;
    QTest::newRow("one step off the editor")
            << u"x"_s << BgrColour(0x00FFFFC2) << 615.0 << 9 << 18 << false << false << u"x "_s;
    QTest::newRow("label joined") << u"pizza\r\nhut"_s << kGreen << 615.0 << 9 << 9 << false
                                  << false << u"pizza hut "_s;
}

void TestFaceText::plan()
{
    QFETCH(QString, text);
    QFETCH(BgrColour, bgcolor);
    QFETCH(double, height);
    QFETCH(int, previous);
    QFETCH(int, size);
    QFETCH(bool, centred);
    QFETCH(bool, suggestionSurface);
    QFETCH(QString, shown);

    const FaceText::Plan p = FaceText::plan(text, bgcolor, height, previous);
    QCOMPARE(p.fontSize, size);
    QCOMPARE(p.centred, centred);
    QCOMPARE(p.suggestionSurface, suggestionSurface);
    QCOMPARE(p.text, shown);
}

void TestFaceText::joinForDisplay_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("shown");

    QTest::newRow("empty") << QString() << u" "_s;
    QTest::newRow("one word") << u"hello"_s << u"hello "_s;
    QTest::newRow("go home") << u"go\r\nhome"_s << u"go home "_s;
    QTest::newRow("cats and dogs") << u"cats\r\nand\r\ndogs"_s << u"cats & dogs "_s;
    QTest::newRow("pizza hut") << u"pizza\r\nhut"_s << u"pizza hut "_s;
    QTest::newRow("a lot") << u"a\r\nlot"_s << u"a lot "_s;
    QTest::newRow("a in the middle") << u"have\r\na\r\nlot"_s << u"have\r\na lot "_s;
    QTest::newRow("want to go") << u"want\r\nto\r\ngo"_s << u"want to go "_s;
    QTest::newRow("want to") << u"want\r\nto"_s << u"want to "_s;
    QTest::newRow("go to bed") << u"go\r\nto\r\nbed"_s << u"go to bed "_s;
    QTest::newRow("in inside a word") << u"rain\r\ncoat"_s << u"rain coat "_s;
    QTest::newRow("cup of tea") << u"cup\r\nof\r\ntea"_s << u"cup of tea "_s;
    QTest::newRow("bread and butter") << u"bread and\r\nbutter"_s << u"bread & butter "_s;
    QTest::newRow("pizza and chips") << u"pizza\r\nand\r\nchips"_s << u"pizza & chips "_s;
    QTest::newRow("and at the end") << u"cats\r\nand"_s << u"cats and "_s;
    QTest::newRow("and first is not joined") << u"and\r\nthen"_s << u"and\r\nthen "_s;
    QTest::newRow("and inside a word") << u"band\r\nplays"_s << u"band\r\nplays "_s;
    QTest::newRow("as well") << u"just\r\nas\r\nwell"_s << u"just as well "_s;
    QTest::newRow("an has no rule behind") << u"eat\r\nan\r\napple"_s << u"eat\r\nan apple "_s;
    QTest::newRow("get it now") << u"get\r\nit\r\nnow"_s << u"get it now "_s;
    QTest::newRow("then I went") << u"then\r\nI\r\nwent"_s << u"then I went "_s;
    QTest::newRow("stand by me") << u"stand\r\nby\r\nme"_s << u"stand by me "_s;
    QTest::newRow("so I'm here") << u"so\r\nI'm\r\nhere"_s << u"so I'm here "_s;
    QTest::newRow("I'm first") << u"I'm\r\nhere"_s << u"I'm here "_s;
    QTest::newRow("case-sensitive") << u"PIZZA\r\nHUT"_s << u"PIZZA\r\nHUT "_s;
    QTest::newRow("lower-case i not joined") << u"then\r\ni\r\nwent"_s << u"then\r\ni\r\nwent "_s;
    QTest::newRow("two-character first line") << u"ab\r\ncd\r\nef"_s << u"ab cd\r\nef "_s;
    QTest::newRow("one-character first line") << u"x\r\nyz"_s << u"x\r\nyz "_s;
    QTest::newRow("three-character first line") << u"cat\r\ndog"_s << u"cat\r\ndog "_s;
    QTest::newRow("only the first line break") << u"ab\r\ncd"_s << u"ab cd "_s;
    QTest::newRow("trailing space kept") << u"ends "_s << u"ends  "_s;
}

void TestFaceText::joinForDisplay()
{
    QFETCH(QString, label);
    QFETCH(QString, shown);

    QCOMPARE(FaceText::joinForDisplay(label), shown);
}

void TestFaceText::pictureFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("file");

    QTest::newRow("[back]") << u"letter"_s << u"[back]"_s << u"back.jpg"_s;
    QTest::newRow("[delete]") << u"letter"_s << u"[delete]"_s << u"delete.jpg"_s;
    QTest::newRow("[return]") << u"letter"_s << u"[return]"_s << u"return.jpg"_s;
    QTest::newRow("[clear]") << u"letter"_s << u"[clear]"_s << u"clear.jpg"_s;
    QTest::newRow("[copy]") << u"letter"_s << u"[copy]"_s << u"copy.jpg"_s;
    QTest::newRow("[website]") << u"letter"_s << u"[website]"_s << u"web.jpg"_s;
    QTest::newRow("[save]") << u"letter"_s << u"[save]"_s << u"save.jpg"_s;
    QTest::newRow("[load]") << u"letter"_s << u"[load]"_s << u"load.jpg"_s;
    QTest::newRow("[edit]") << u"letter"_s << u"[edit]"_s << u"edit.jpg"_s;
    QTest::newRow("[game]") << u"letter"_s << u"[game]"_s << u"game.jpg"_s;
    QTest::newRow("Home") << u"keyboard"_s << u"Home"_s << u"home.bmp"_s;
    QTest::newRow("Home with the added space") << u"keyboard"_s << u"Home "_s << u"home.bmp"_s;
    QTest::newRow("[back] with the added space") << u"letter"_s << u"[back] "_s << u"back.jpg"_s;
    QTest::newRow("home in lower case") << u"keyboard"_s << u"home"_s << QString();
    QTest::newRow("[Back] in other case") << u"letter"_s << u"[Back]"_s << QString();
    QTest::newRow("[EDIT] in other case") << u"letter"_s << u"[EDIT]"_s << QString();
    QTest::newRow("[back] as a word") << u"word1"_s << u"[back]"_s << QString();
    QTest::newRow("[back] as an ending") << u"extend"_s << u"[back]"_s << QString();
    QTest::newRow("[back] as a link") << u"keyboard"_s << u"[back]"_s << QString();
    QTest::newRow("[back] without a kind") << QString() << u"[back]"_s << QString();
    QTest::newRow("Home as a letter") << u"letter"_s << u"Home"_s << QString();
    QTest::newRow("Home as a word") << u"word2"_s << u"Home"_s << QString();
    QTest::newRow("[space] has none") << u"letter"_s << u"[space]"_s << QString();
    QTest::newRow("[lock] has none") << u"letter"_s << u"[lock]"_s << QString();
    QTest::newRow("[web] has none") << u"letter"_s << u"[web]"_s << QString();
    QTest::newRow("other link") << u"keyboard"_s << u"Numbers"_s << QString();
}

void TestFaceText::pictureFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QString, file);

    QCOMPARE(FaceText::pictureFile(kind, text), file);
}

void TestFaceText::labelledPicture_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("file");

    QTest::newRow("Send with a label of its own")
            << u"letter"_s << u"Thanks"_s << u"[send]"_s << u"send.jpg"_s;
    QTest::newRow("Send with an empty label")
            << u"letter"_s << QString() << u"[send]"_s << u"send.jpg"_s;
    QTest::newRow("Send with spaces around")
            << u"letter"_s << u"Go"_s << u" [send] "_s << u"send.jpg"_s;
    QTest::newRow("the Send key itself: its picture alone")
            << u"letter"_s << u"[send]"_s << u"[send]"_s << QString();
    QTest::newRow("a word key typing [send]")
            << u"word1"_s << u"Thanks"_s << u"[send]"_s << QString();
    QTest::newRow("Send in other case") << u"letter"_s << u"Thanks"_s << u"[SEND]"_s << QString();
    QTest::newRow("another command") << u"letter"_s << u"Undo"_s << u"[back]"_s << QString();
}

void TestFaceText::labelledPicture()
{
    QFETCH(QString, kind);
    QFETCH(QString, label);
    QFETCH(QString, output);
    QFETCH(QString, file);
    QCOMPARE(FaceText::labelledPicture(kind, label, output), file);
}

void TestFaceText::spokenName_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("name");

    QTest::newRow("a word") << u"word1"_s << u"new\r\nyork"_s << u"new york"_s << u"new york"_s;
    QTest::newRow("a word with a label")
            << u"word2"_s << u"Hi"_s << u"Hello there"_s << u"Hi, Hello there"_s;
    QTest::newRow("a command") << u"letter"_s << u"[back]"_s << u"[back]"_s << u"Back"_s;
    QTest::newRow("a command with its word as label")
            << u"letter"_s << u"Access"_s << u"[access]"_s << u"Access"_s;
    QTest::newRow("a command with a label")
            << u"letter"_s << u"Undo"_s << u"[back]"_s << u"Undo, Back"_s;
    QTest::newRow("Send") << u"letter"_s << u"[send]"_s << u"[send]"_s << u"Send"_s;
    QTest::newRow("Send with a label: Send first")
            << u"letter"_s << u"Thanks"_s << u"[send]"_s << u"Send, Thanks"_s;
    QTest::newRow("Send with a two-word label")
            << u"letter"_s << u"Bye\r\nnow"_s << u"[send]"_s << u"Send, Bye now"_s;
    QTest::newRow("[send] typed by a word key")
            << u"word1"_s << u"[send]"_s << u"[send]"_s << u"[send]"_s;
    QTest::newRow("small letters")
            << u"keyboard"_s << u"abc"_s << u"LettersLower"_s << u"abc, small letters keyboard"_s;
    QTest::newRow("capital letters")
            << u"keyboard"_s << u"ABC"_s << u"LettersUpper"_s << u"ABC, capital letters keyboard"_s;
    QTest::newRow("numbers") << u"keyboard"_s << u"123"_s << u"numbers"_s
                             << u"123, numbers keyboard"_s;
    QTest::newRow("a label that is the name in words")
            << u"keyboard"_s << u"Word\r\nParts"_s << u"wordparts"_s << u"Word Parts keyboard"_s;
    QTest::newRow("a link without a label")
            << u"keyboard"_s << u"Core\r\nWords"_s << u"Core Words"_s << u"Core Words keyboard"_s;
    QTest::newRow("a known name without a label")
            << u"keyboard"_s << u"LettersLower"_s << u"LettersLower"_s
            << u"LettersLower, small letters keyboard"_s;
    QTest::newRow("a link to another keyboard")
            << u"keyboard"_s << u"Pets"_s << u"Animals"_s << u"Pets, Animals keyboard"_s;
    QTest::newRow("Home") << u"keyboard"_s << u"Home"_s << u"Home"_s << u"Home keyboard"_s;
    QTest::newRow("a button with only a caption")
            << QString() << u"Stop\r\nEditing"_s << QString() << u"Stop Editing"_s;
    QTest::newRow("an empty slot") << QString() << QString() << QString() << QString();
}

void TestFaceText::spokenName()
{
    QFETCH(QString, kind);
    QFETCH(QString, label);
    QFETCH(QString, output);
    QFETCH(QString, name);
    QCOMPARE(FaceText::spokenName(kind, label, output), name);
}

QTEST_GUILESS_MAIN(TestFaceText)

#include "tst_facetext.moc"
