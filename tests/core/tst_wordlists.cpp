#include "textrules.h"
#include "wordlists.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "filebytes.h"

using namespace Qt::StringLiterals;

namespace {

// Lists that are not empty after a load, as "letter length: text".
QStringList filledLists(const WordTable &table)
{
    QStringList out;
    for (int k = 0; k <= WordTable::kLetters; ++k) {
        for (int n = 0; n <= WordTable::kLengths + 1; ++n) {
            if (!table.list(k, n).isEmpty())
                out.append(QStringLiteral("%1 %2: %3").arg(k).arg(n).arg(table.list(k, n)));
        }
    }
    return out;
}

// The same text in the ten lists of one letter.
QStringList inAllLengths(int letter, const QString &text)
{
    QStringList out;
    for (int n = 1; n <= WordTable::kLengths; ++n)
        out.append(QStringLiteral("%1 %2: %3").arg(letter).arg(n).arg(text));
    return out;
}

} // namespace

class TestWordLists : public QObject
{
    Q_OBJECT

private slots:
    void userWordFiling_data();
    void userWordFiling();
    void listFilesJoined();
    void listFileNamesIgnoreCase();
    void userFileInOtherCase();
    void missingFolder();
    void missingUserFileIsCreated();
    void newUserWordIsOffered();
    void reloadRebuilds();
    void listsReadWhenFirstAsked_data();
    void listsReadWhenFirstAsked();
    void letterIndex_data();
    void letterIndex();
    void suggest_data();
    void suggest();
    void addWord_data();
    void addWord();
    void addWordToUserFileInOtherCase();
    void addedWordIsOfferedAfterReload();
    void wordcount_data();
    void wordcount();
    void wordcountLongText();
};

void TestWordLists::userWordFiling_data()
{
    QTest::addColumn<QByteArray>("userFile");
    QTest::addColumn<QStringList>("lists");

    QTest::newRow("capital letter") << QByteArray("Zebra\r\n") << inAllLengths(26, u"Zebra|"_s);
    QTest::newRow("lower-case letter") << QByteArray("zebra\r\n") << QStringList();
    QTest::newRow("leading space kept")
            << QByteArray(" Apple\r\n") << inAllLengths(1, u" Apple|"_s);
    QTest::newRow("trailing spaces kept")
            << QByteArray("Apple  \r\n") << inAllLengths(1, u"Apple  |"_s);
    QTest::newRow("a bar makes two entries")
            << QByteArray("Ab|Cd\r\n") << inAllLengths(1, u"Ab|Cd|"_s);
    QTest::newRow("file order") << QByteArray("Bee\r\nBat\r\n") << inAllLengths(2, u"Bee|Bat|"_s);
    QTest::newRow("several letters")
            << QByteArray("Yak\r\nAnt\r\nYeti\r\n")
            << inAllLengths(1, u"Ant|"_s) + inAllLengths(25, u"Yak|Yeti|"_s);
    QTest::newRow("digit") << QByteArray("1st\r\n") << QStringList();
    QTest::newRow("sign") << QByteArray("'Tis\r\n") << QStringList();
    QTest::newRow("accented capital") << QByteArray("\xC9") + "cole\r\n" << QStringList();
    QTest::newRow("tab before the capital") << QByteArray("\tApple\r\n") << QStringList();
    QTest::newRow("blank lines") << QByteArray("\r\n   \r\nCat\r\n") << inAllLengths(3, u"Cat|"_s);
    QTest::newRow("LF line ends") << QByteArray("Dog\nDuck") << inAllLengths(4, u"Dog|Duck|"_s);
    QTest::newRow("phrase") << QByteArray("New York\r\n") << inAllLengths(14, u"New York|"_s);
}

void TestWordLists::userWordFiling()
{
    QFETCH(QByteArray, userFile);
    QFETCH(QStringList, lists);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir.filePath(u"UserAdded.txt"_s), userFile));

    WordTable table;
    table.load(dir.path());
    QCOMPARE(filledLists(table), lists);
    QCOMPARE(readBytes(dir.filePath(u"UserAdded.txt"_s)), userFile);
}

void TestWordLists::listFilesJoined()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir.filePath(u"UserAdded.txt"_s), "Ant\r\nZed\r\n"));
    QVERIFY(writeBytes(dir.filePath(u"A words 3.txt"_s), "|abc|ab\r\nd|ace|\r\n"));
    QVERIFY(writeBytes(dir.filePath(u"A words 1.txt"_s), "|a|\r\n\r\n|an|"));
    QVERIFY(writeBytes(dir.filePath(u"C words 4.txt"_s), "|caf\xE9|\r\n|cafe|\r\n"));
    QVERIFY(writeBytes(dir.filePath(u"Z words 10.txt"_s), "|zoologists|\n"));
    QVERIFY(writeBytes(dir.filePath(u"Z words 1.txt"_s), "|z|"));

    WordTable table;
    table.load(dir.path());
    QCOMPARE(table.list(1, 3), u"|abc|abd|ace|Ant|"_s);
    QCOMPARE(table.list(1, 1), u"|a||an|Ant|"_s);
    QCOMPARE(table.list(1, 2), u"Ant|"_s);
    QCOMPARE(table.list(3, 4), u"|caf\u00E9||cafe|"_s);
    QCOMPARE(table.list(26, 10), u"|zoologists|Zed|"_s);
    QCOMPARE(table.list(26, 1), u"|z|Zed|"_s);
    QCOMPARE(table.list(26, 2), u"Zed|"_s);
    QCOMPARE(table.lowerList(3, 4), u"|caf\u00E9||cafe|"_s);
    QCOMPARE(table.lowerList(26, 10), u"|zoologists|zed|"_s);
}

void TestWordLists::listFileNamesIgnoreCase()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir.filePath(u"UserAdded.txt"_s), QByteArray()));
    QVERIFY(writeBytes(dir.filePath(u"b WORDS 2.TXT"_s), "|be|by|"));
    QVERIFY(writeBytes(dir.filePath(u"q words 7.txt"_s), "|quickly|"));

    WordTable table;
    table.load(dir.path());
    QCOMPARE(table.list(2, 2), u"|be|by|"_s);
    QCOMPARE(table.list(17, 7), u"|quickly|"_s);
}

void TestWordLists::userFileInOtherCase()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir.filePath(u"useradded.txt"_s), "Kiwi\r\n"));

    WordTable table;
    table.load(dir.path());
    QCOMPARE(filledLists(table), inAllLengths(11, u"Kiwi|"_s));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { u"useradded.txt"_s });
}

void TestWordLists::missingFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString words = dir.filePath(u"words"_s);

    WordTable table;
    table.setList(1, 1, u"|old|"_s);
    table.load(words);
    // No list files: at most the new user word file's one word.
    const QString user = words + u"/UserAdded.txt"_s;
    if (QFileInfo::exists(user)) {
        QCOMPARE(readBytes(user), QByteArray("Orvane\r\n"));
        QCOMPARE(filledLists(table), inAllLengths(15, u"Orvane|"_s));
    } else {
        QCOMPARE(filledLists(table), QStringList());
    }
    QVERIFY(WordLists::suggest(table, u"o"_s).isEmpty());
}

void TestWordLists::missingUserFileIsCreated()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    WordTable table;
    table.load(dir.path());
    QCOMPARE(readBytes(dir.filePath(u"UserAdded.txt"_s)), QByteArray("Orvane\r\n"));
    QCOMPARE(filledLists(table), inAllLengths(15, u"Orvane|"_s));
    for (int n = 1; n <= WordTable::kLengths; ++n) {
        QVERIFY(table.list(0, n).isEmpty());
        QVERIFY(table.lowerList(0, n).isEmpty());
    }
}

void TestWordLists::newUserWordIsOffered()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir.filePath(u"O words 2.txt"_s), "|of|off|on|one|\r\n"));
    QVERIFY(writeBytes(dir.filePath(u"O words 1.txt"_s), "|of|off|on|one|\r\n"));
    QVERIFY(writeBytes(dir.filePath(u"O words 3.txt"_s), "|one|our|out|\r\n"));

    WordTable table;
    table.load(dir.path());
    QCOMPARE(WordLists::suggest(table, u"or"_s), QStringList { u"Orvane"_s });
    QCOMPARE(WordLists::suggest(table, u"Orv"_s), QStringList { u"Orvane"_s });
    QCOMPARE(WordLists::suggest(table, u"o"_s),
             (QStringList { u"of"_s, u"off"_s, u"on"_s, u"one"_s }));
}

void TestWordLists::reloadRebuilds()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString user = dir.filePath(u"UserAdded.txt"_s);
    QVERIFY(writeBytes(user, "Kiwi\r\n"));
    QVERIFY(writeBytes(dir.filePath(u"K words 1.txt"_s), "|k|"));

    WordTable table;
    table.load(dir.path());
    QCOMPARE(table.list(11, 1), u"|k|Kiwi|"_s);
    QVERIFY(writeBytes(user, "Kale\r\n"));
    table.load(dir.path());
    QCOMPARE(table.list(11, 1), u"|k|Kale|"_s);
    QCOMPARE(table.lowerList(11, 1), u"|k|kale|"_s);
}

void TestWordLists::listsReadWhenFirstAsked_data()
{
    QTest::addColumn<int>("letter");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("lower");
    QTest::addColumn<int>("read"); // lists read by then

    QTest::newRow("a list with user words")
            << 1 << 2 << u"|an|Am|Apple|"_s << u"|an|am|apple|"_s << 1;
    QTest::newRow("the user words alone") << 2 << 3 << u"Bee|"_s << u"bee|"_s << 1;
    QTest::newRow("nothing at all") << 3 << 10 << QString() << QString() << 1;
    QTest::newRow("no such letter") << 0 << 2 << QString() << QString() << 0;
    QTest::newRow("no such length") << 1 << 11 << QString() << QString() << 0;
}

// Starting reads the user words only; a list is read the first time it is
// asked for, and holds what a whole load would give it.
void TestWordLists::listsReadWhenFirstAsked()
{
    QFETCH(int, letter);
    QFETCH(int, length);
    QFETCH(QString, list);
    QFETCH(QString, lower);
    QFETCH(int, read);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir.filePath(u"UserAdded.txt"_s), "Apple\r\nBee\r\n"));
    QVERIFY(writeBytes(dir.filePath(u"a WORDS 2.txt"_s), "|an|\r\nAm|"));
    WordTable table;
    table.loadOnDemand(dir.path());
    QCOMPARE(table.listsRead(), 0);
    // The user words as they were when the table was loaded.
    QVERIFY(writeBytes(dir.filePath(u"UserAdded.txt"_s), "Cat\r\n"));
    QCOMPARE(table.list(letter, length), list);
    QCOMPARE(table.lowerList(letter, length), lower);
    QCOMPARE(table.listsRead(), read);
    // A whole load reads every list.
    table.load(dir.path());
    QCOMPARE(table.listsRead(), 260);
}

void TestWordLists::letterIndex_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("index");

    QTest::newRow("a") << u"apple"_s << 1;
    QTest::newRow("A") << u"Apple"_s << 1;
    QTest::newRow("z") << u"z"_s << 26;
    QTest::newRow("Z") << u"Zoo"_s << 26;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("digit") << u"1st"_s << 0;
    QTest::newRow("space") << u" a"_s << 0;
    QTest::newRow("sign") << u"'tis"_s << 0;
    QTest::newRow("e acute") << u"\u00E9t\u00E9"_s << 0;
    QTest::newRow("bracket") << u"[a"_s << 0;
    QTest::newRow("at sign") << u"@a"_s << 0;
}

void TestWordLists::letterIndex()
{
    QFETCH(QString, word);
    QFETCH(int, index);

    QCOMPARE(WordLists::letterIndex(word), index);
}

void TestWordLists::suggest_data()
{
    QTest::addColumn<int>("letter");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("offered");

    const QString e1 = u"ab"_s + QString(18, u'x');
    const QString e2 = u"ab"_s + QString(18, u'y');
    const QString e3 = u"ab"_s + QString(30, u'z');
    const QString longEntry = QString(70, u'a');

    QTest::newRow("th: four of five") << 20 << 2 << u"|the|then|they|this|there|"_s << u"th"_s
                                      << QStringList { u"the"_s, u"then"_s, u"they"_s, u"this"_s };
    QTest::newRow("an: contained anywhere")
            << 1 << 2 << u"|and|animal|banana|any|"_s << u"an"_s
            << QStringList { u"and"_s, u"animal"_s, u"banana"_s, u"any"_s };
    QTest::newRow("ax: the run breaks")
            << 1 << 2 << u"|axe|bed|axis|"_s << u"ax"_s << QStringList { u"axe"_s };
    QTest::newRow("no match") << 1 << 2 << u"|bed|"_s << u"ax"_s << QStringList();
    QTest::newRow("empty word") << 1 << 1 << u"|a|"_s << QString() << QStringList();
    QTest::newRow("digit first") << 1 << 3 << u"|1st|"_s << u"1st"_s << QStringList();
    QTest::newRow("sign first") << 20 << 4 << u"|'tis|"_s << u"'tis"_s << QStringList();
    QTest::newRow("spaces only") << 1 << 1 << u"| |"_s << u"   "_s << QStringList();
    QTest::newRow("leading space") << 20 << 2 << u"|the|"_s << u" th"_s << QStringList();
    QTest::newRow("first match is not the first entry")
            << 20 << 2 << u"|tab|bath|the|then|"_s << u"th"_s
            << QStringList { u"the"_s, u"then"_s };
    QTest::newRow("end of the list")
            << 20 << 2 << u"|the|"_s << u"th"_s << QStringList { u"the"_s };
    QTest::newRow("same word twice")
            << 20 << 2 << u"|the|the|"_s << u"th"_s << QStringList { u"the"_s, u"the"_s };
    QTest::newRow("list in capitals")
            << 20 << 2 << u"|The|Then|"_s << u"th"_s << QStringList { u"The"_s, u"Then"_s };
    QTest::newRow("word in capitals")
            << 20 << 2 << u"|the|then|"_s << u"TH"_s << QStringList { u"the"_s, u"then"_s };
    QTest::newRow("mixed case") << 20 << 2 << u"|tHe|"_s << u"Th"_s << QStringList { u"tHe"_s };
    QTest::newRow("ten letters") << 1 << 10 << u"|abbreviate|"_s << u"abbreviate"_s
                                 << QStringList { u"abbreviate"_s };
    QTest::newRow("eleven letters use the ten list")
            << 1 << 10 << u"|abbreviation|abbreviations|"_s << u"abbreviatio"_s
            << QStringList { u"abbreviation"_s, u"abbreviations"_s };
    QTest::newRow("fifteen letters use the ten list")
            << 3 << 10 << u"|characteristics|"_s << u"characteristics"_s
            << QStringList { u"characteristics"_s };
    QTest::newRow("entry longer than the window") << 1 << 2 << u"|"_s + longEntry + u"|ab|"_s
                                                  << u"aa"_s << QStringList { QString(60, u'a') };
    QTest::newRow("window cuts the third entry")
            << 1 << 2 << u"|"_s + e1 + u"|"_s + e2 + u"|"_s + e3 + u"|abc|"_s << u"ab"_s
            << QStringList { e1, e2, e3.left(18) };
    QTest::newRow("entry with a space")
            << 14 << 6 << u"|new york|new year|"_s << u"new yo"_s << QStringList { u"new york"_s };
    QTest::newRow("CR LF in the word") << 14 << 6 << u"|new york|new year|"_s << u"new\r\nyo"_s
                                       << QStringList { u"new york"_s };
    QTest::newRow("user words behind the list")
            << 11 << 2 << u"|kind|king|Kiwi|Kit Kat|"_s << u"ki"_s
            << QStringList { u"kind"_s, u"king"_s, u"Kiwi"_s, u"Kit Kat"_s };
    QTest::newRow("dotted capital I before the match")
            << 1 << 2 << u"|Ali \u0130nce|am|amber|"_s << u"am"_s
            << QStringList { u"am"_s, u"amber"_s };
}

void TestWordLists::suggest()
{
    QFETCH(int, letter);
    QFETCH(int, length);
    QFETCH(QString, list);
    QFETCH(QString, word);
    QFETCH(QStringList, offered);

    WordTable table;
    table.setList(letter, length, list);
    QCOMPARE(WordLists::suggest(table, word), offered);
}

void TestWordLists::addWord_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("appends a line")
            << true << QByteArray("Orvane\r\n") << u"Kiwi"_s << QByteArray("Orvane\r\nKiwi\r\n");
    QTest::newRow("trims spaces") << true << QByteArray("Orvane\r\n") << u"  Kiwi  "_s
                                  << QByteArray("Orvane\r\nKiwi\r\n");
    QTest::newRow("trims no tabs or line breaks")
            << true << QByteArray("Orvane\r\n") << u" \tKiwi\r\n "_s
            << QByteArray("Orvane\r\n\tKiwi\r\n\r\n");
    QTest::newRow("a tab alone is a word")
            << true << QByteArray("Orvane\r\n") << u" \t "_s << QByteArray("Orvane\r\n\t\r\n");
    QTest::newRow("keeps inner spaces")
            << true << QByteArray() << u"ice cream"_s << QByteArray("ice cream\r\n");
    QTest::newRow("keeps the case")
            << true << QByteArray("Orvane\r\n") << u"zebra"_s << QByteArray("Orvane\r\nzebra\r\n");
    QTest::newRow("empty word writes nothing")
            << true << QByteArray("Orvane\r\n") << QString() << QByteArray("Orvane\r\n");
    QTest::newRow("spaces only write nothing")
            << true << QByteArray("Orvane\r\n") << u"   "_s << QByteArray("Orvane\r\n");
    QTest::newRow("missing file is created")
            << false << QByteArray() << u"Kiwi"_s << QByteArray("Kiwi\r\n");
    QTest::newRow("accented word") << true << QByteArray("Orvane\r\n") << u"Caf\u00E9"_s
                                   << QByteArray("Orvane\r\nCaf\xE9\r\n");
}

void TestWordLists::addWord()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);
    QFETCH(QString, word);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString user = dir.filePath(u"UserAdded.txt"_s);
    if (exists)
        QVERIFY(writeBytes(user, before));
    QVERIFY(WordLists::addWord(dir.path(), word));
    QCOMPARE(readBytes(user), after);
}

void TestWordLists::addWordToUserFileInOtherCase()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir.filePath(u"USERADDED.TXT"_s), "Orvane\r\n"));
    QVERIFY(WordLists::addWord(dir.path(), u"Kiwi"_s));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { u"USERADDED.TXT"_s });
    QCOMPARE(readBytes(dir.filePath(u"USERADDED.TXT"_s)), QByteArray("Orvane\r\nKiwi\r\n"));
}

void TestWordLists::addedWordIsOfferedAfterReload()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir.filePath(u"K words 2.txt"_s), "|kid|\r\n"));
    WordTable table;
    table.load(dir.path());
    QVERIFY(WordLists::suggest(table, u"ki"_s) == QStringList { u"kid"_s });

    QVERIFY(WordLists::addWord(dir.path(), u" Kiwi "_s));
    table.load(dir.path());
    QCOMPARE(readBytes(dir.filePath(u"UserAdded.txt"_s)), QByteArray("Orvane\r\nKiwi\r\n"));
    QCOMPARE(table.list(11, 2), u"|kid|Kiwi|"_s);
    QCOMPARE(WordLists::suggest(table, u"ki"_s), (QStringList { u"kid"_s, u"Kiwi"_s }));
}

void TestWordLists::wordcount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");

    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("two spaces") << u"  "_s << 0;
    QTest::newRow("CR LF then a word") << u"\r\nword"_s << 1;
    QTest::newRow("three words") << u"Hello big world"_s << 3;
    QTest::newRow("spaces around") << u"  Hello   big world  "_s << 3;
    QTest::newRow("hyphen joins") << u"a-b"_s << 1;
    QTest::newRow("punctuation is part of a word") << u"hi , there ."_s << 4;
    QTest::newRow("tabs separate") << u"a\tb\t\tc"_s << 3;
    QTest::newRow("lone CR separates") << u"a\rb"_s << 2;
    QTest::newRow("lone LF separates") << u"a\nb"_s << 2;
    QTest::newRow("lines") << u"one two\r\n\r\nthree\r\n"_s << 3;
    QTest::newRow("no-break space does not separate") << u"a\u00A0b"_s << 1;
    QTest::newRow("only line ends") << u"\r\n\r\n\t"_s << 0;
}

void TestWordLists::wordcount()
{
    QFETCH(QString, text);
    QFETCH(int, count);

    QCOMPARE(TextRules::wordcount(text), count);
}

void TestWordLists::wordcountLongText()
{
    QString text;
    for (int i = 0; i < 40001; ++i)
        text += u"ab "_s;
    QVERIFY(text.size() > 40000);
    QCOMPARE(TextRules::wordcount(text), 40001);

    const QString oneWord(70000, u'x');
    QCOMPARE(TextRules::wordcount(oneWord + u" last"_s), 2);
}

QTEST_GUILESS_MAIN(TestWordLists)

#include "tst_wordlists.moc"
