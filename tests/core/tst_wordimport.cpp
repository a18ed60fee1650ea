#include "filebytes.h"
#include "folderlookup.h"
#include "keyboardfile.h"
#include "textfile.h"
#include "wordimport.h"

#include <QDir>
#include <QTemporaryDir>

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Imports `lines` as "WordLists.txt" into the folder "out" beside it.
struct Run
{
    QTemporaryDir dir;
    QString error;
    QStringList written;

    Run(const QStringList &lines, const QString &group, const QString &blocker = QString(),
        const QString &inputName = u"WordLists.txt"_s)
    {
        QDir(dir.path()).mkpath(u"out/"_s + blocker); // a folder where a file should go
        TextFile::write(dir.filePath(u"WordLists.txt"_s), TextFile::joinLines(lines));
        WordImport::Import import(dir.filePath(inputName), group, out());
        import.writeAll();
        error = import.error();
        written = import.written();
    }
    QString out() const { return dir.filePath(u"out"_s); }
    QStringList lines(const QString &name) const
    {
        return TextFile::readLines(out() + u'/' + name).value_or(QStringList { u"<none>"_s });
    }
    QStringList files() const
    {
        return QDir(out()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

QStringList keysOfKind(const QStringList &lines, const QString &code)
{
    QStringList out;
    for (const QString &line : lines) {
        if (line.startsWith(code + u'|') && line != u"999|Home"_s)
            out.append(line.mid(4));
    }
    return out;
}

QStringList numbered(const QString &stem, int count)
{
    QStringList words;
    for (int i = 1; i <= count; ++i)
        words.append(stem + QString::number(i).rightJustified(5, u'0'));
    return words;
}

} // namespace

class TestWordImport : public QObject
{
    Q_OBJECT

private slots:
    void keyWords_data();
    void keyWords();
    void cleanName_data();
    void cleanName();
    void files_data();
    void files();
    void pages_data();
    void pages();
    void failures_data();
    void failures();
    void labelledWord();
};

void TestWordImport::keyWords_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("character codes: capitals first")
            << QStringList { "ant", "Zebra", "bee", "Bear" }
            << QStringList { "Bear", "Zebra", "ant", "bee" };
    QTest::newRow("case and spaces ignored for duplicates, first spelling kept")
            << QStringList { "Cat", "dog", "cat", " CAT ", "Dog " } << QStringList { "Cat", "dog" };
    QTest::newRow("spaces, digits, then letters; accents after z")
            << QStringList { "été", "b", "2nd", " c", "zoo" }
            << QStringList { " c", "2nd", "b", "zoo", "été" };
}

void TestWordImport::keyWords()
{
    QFETCH(QStringList, words);
    QFETCH(QStringList, expected);
    QCOMPARE(WordImport::keyWords(words), expected);
}

void TestWordImport::cleanName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("spaces and inner dots kept") << " Mr. Smith's Animals. "
                                                << " Mr. Smith's Animals. ";
    QTest::newRow("climbing out") << "../../etc/passwd"
                                  << "etcpasswd";
    QTest::newRow("every forbidden character") << "a/b\\c:d*e?f\"g<h>i|j\tk\x01"
                                               << "abcdefghijk";
    QTest::newRow("leading dots among spaces") << " . .hidden list"
                                               << "hidden list";
    QTest::newRow("cut by bytes to fit a file name, spaces free")
            << u"\u00E9 "_s.repeated(130) << u"\u00E9 "_s.repeated(120);
    QTest::newRow("never between a surrogate pair")
            << u"a"_s + u"\U0001F600"_s.repeated(60) << u"a"_s + u"\U0001F600"_s.repeated(59);
}

void TestWordImport::cleanName()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(WordImport::cleanName(name), expected);
}

// Whole files, line for line.
void TestWordImport::files_data()
{
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("fileNames");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected"); // after the six common lines

    const QStringList example { "", "  ", "Animals", "dog", "Cat",  "cat",
                                "", "",   "Colours", "",    "Last", "x" };
    const QStringList files { "Animals.kbd", "Colours.kbd", "NewKeyboardList.kbd" };
    QTest::newRow("group keyboard: a link per list closed by a blank line")
            << example << "New Keyboard List" << files << "NewKeyboardList.kbd"
            << QStringList { "999|Animals", "999|Colours" };
    QTest::newRow("page: sorted words, then the group link trimmed")
            << example << "  New Keyboard List " << files << "Animals.kbd"
            << QStringList { "001|Cat", "001|dog", "999|New Keyboard List" };
    QTest::newRow("title spaces leave the file name, not the link")
            << QStringList { "My Animals", " ant ", "" } << "Group"
            << QStringList { "Group.kbd", "MyAnimals.kbd" } << "Group.kbd"
            << QStringList { "999|My Animals" };
    QTest::newRow("words kept as read")
            << QStringList { "My Animals", " ant ", "" } << "Group"
            << QStringList { "Group.kbd", "MyAnimals.kbd" } << "MyAnimals.kbd"
            << QStringList { "001| ant ", "999|Group" };
    QTest::newRow("a slash leaves title, file name and link alike")
            << QStringList { "../Cats/Dogs", "cat", "" } << "Pets"
            << QStringList { "CatsDogs.kbd", "Pets.kbd" } << "Pets.kbd"
            << QStringList { "999|CatsDogs" };
    QTest::newRow("titles no key could open are numbered")
            << QStringList { "A", "", "???", "x", "", "\u00A0", "" } << "G"
            << QStringList { "A.kbd", "G.kbd", "List2.kbd", "List3.kbd" } << "G.kbd"
            << QStringList { "999|A", "999|List 2", "999|List 3" };
    QTest::newRow("two lists of one name: the later one's file")
            << QStringList { "Animals", "cat", "", "animals", "dog", "" } << "G"
            << QStringList { "G.kbd", "animals.kbd" } << "animals.kbd"
            << QStringList { "001|dog", "999|G" };
}

void TestWordImport::files()
{
    QFETCH(QStringList, input);
    QFETCH(QString, group);
    QFETCH(QStringList, fileNames);
    QFETCH(QString, file);
    QFETCH(QStringList, expected);

    const Run run(input, group);
    QCOMPARE(run.error, QString());
    QCOMPARE(run.files(), fileNames);
    QCOMPARE(run.lines(file), WordImport::commonLines() + expected);
    QVERIFY(readBytes(run.out() + u'/' + file).endsWith("\r\n"));
    // Nothing lands beside the output folder.
    QCOMPARE(QDir(run.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
             QStringList({ "WordLists.txt", "out" }));
}

// Every word once, in order, 110 a page, each page linking to the next and
// back to the group keyboard, and every link opening a file that was written.
void TestWordImport::pages_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<int>("pageCount");

    QTest::newRow("110 words: one page") << numbered(u"w"_s, 110) << 1;
    QTest::newRow("111 words: two pages") << numbered(u"w"_s, 111) << 2;
    QTest::newRow("duplicates do not count") << numbered(u"w"_s, 110) + numbered(u"W"_s, 5) << 1;
    QStringList many = numbered(u"word"_s, 12000);
    std::reverse(many.begin(), many.end());
    QTest::newRow("12,000 words: 110 pages") << many << 110;
}

void TestWordImport::pages()
{
    QFETCH(QStringList, words);
    QFETCH(int, pageCount);

    const Run run(QStringList { "My Animals" } + words + QStringList { "", "end" },
                  u"New Keyboard List"_s);
    QCOMPARE(run.error, QString());
    QCOMPARE(run.written.size(), pageCount + 1);
    QCOMPARE(keysOfKind(run.lines(u"NewKeyboardList.kbd"_s), u"999"_s),
             QStringList { "My Animals" });
    QStringList all;
    for (int page = 1; page <= pageCount; ++page) {
        const QString name = page == 1 ? u"MyAnimals.kbd"_s : u"MyAnimals%1.kbd"_s.arg(page);
        const QStringList lines = run.lines(name);
        QCOMPARE(lines.mid(0, 6), WordImport::commonLines());
        const QStringList keys = keysOfKind(lines, u"001"_s);
        QVERIFY(page < pageCount ? keys.size() == 110 : !keys.isEmpty() && keys.size() <= 110);
        all += keys;
        QStringList links { "New Keyboard List" };
        if (page < pageCount)
            links.prepend(u"My Animals%1"_s.arg(page + 1));
        QCOMPARE(keysOfKind(lines, u"999"_s), links);
        for (const QString &link : links) {
            const QString opens = KeyboardFile::linkFileName(link);
            QVERIFY2(QFileInfo::exists(FolderLookup::resolve(run.out(), opens)), qPrintable(link));
        }
    }
    QCOMPARE(all, WordImport::keyWords(words));
}

// Nothing is imported from a file that cannot be read or under a group name
// that cannot be a file; a file that cannot be written stops the import with
// its name, and the group keyboard, written last, is not made.
void TestWordImport::failures_data()
{
    QTest::addColumn<QString>("inputName");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("errorHolds");
    QTest::addColumn<QStringList>("written");

    QTest::newRow("missing input") << "Missing.txt"
                                   << "G"
                                   << ""
                                   << "Missing.txt\" cannot be read" << QStringList();
    QTest::newRow("input is a folder") << "out"
                                       << "G"
                                       << ""
                                       << "out\" cannot be read" << QStringList();
    QTest::newRow("group name of nothing usable") << "WordLists.txt"
                                                  << " ..// "
                                                  << ""
                                                  << "needs a name" << QStringList();
    QTest::newRow("group name equal to a page") << "WordLists.txt"
                                                << "colours"
                                                << ""
                                                << "\"Colours\"" << QStringList();
    QTest::newRow("page cannot be written")
            << "WordLists.txt"
            << "G"
            << "Colours.kbd"
            << "Colours.kbd\" could not be written" << QStringList { "Animals.kbd" };
    QTest::newRow("group keyboard cannot be written")
            << "WordLists.txt"
            << "G"
            << "G.kbd"
            << "G.kbd\" could not be written" << QStringList { "Animals.kbd", "Colours.kbd" };
}

void TestWordImport::failures()
{
    QFETCH(QString, inputName);
    QFETCH(QString, group);
    QFETCH(QString, blocker);
    QFETCH(QString, errorHolds);
    QFETCH(QStringList, written);

    const Run run({ "Animals", "cat", "", "Colours", "red", "", "end" }, group, blocker, inputName);
    QVERIFY2(run.error.contains(errorHolds), qPrintable(run.error));
    QCOMPARE(run.written.size(), written.size());
    // Only whole files: no temporary copies are left beside them.
    QCOMPARE(run.files(), written);
}

void TestWordImport::labelledWord()
{
    const Run run({ "Greetings", "Hi|Hello there", "" }, u"G"_s);
    const QList<KeyboardFile::Record> records = KeyboardFile::parse(run.lines(u"Greetings.kbd"_s));
    QCOMPARE(records.size(), 8);
    QCOMPARE(records.at(6).kind, u"word1"_s);
    QVERIFY(records.at(6).hasLabel);
    QCOMPARE(records.at(6).label, u"Hi"_s);
    QCOMPARE(records.at(6).output, u"Hello there"_s);
}

QTEST_GUILESS_MAIN(TestWordImport)
#include "tst_wordimport.moc"
