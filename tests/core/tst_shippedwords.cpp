// The word lists shipped in data/words, read back through the program's own
// suggestion search: the file format, the groups of each list, and that the
// frequent words of everyday English are offered.

#include "textfile.h"
#include "wordlists.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString wordsFolder()
{
    return QStringLiteral(PLUMTYPE_SOURCE_DATA "/words");
}

// The most frequent words of the source, one per line, as the list generator
// wrote them.
QString frequentWordsFile()
{
    return QStringLiteral(PLUMTYPE_SOURCE_DATA "/../tools/wordlists/frequent-words.txt");
}

QString listPath(int letter, int length)
{
    return QDir(wordsFolder()).filePath(WordTable::listFileName(letter, length));
}

// "|a|b|" -> a, b
QStringList entriesOf(const QString &list)
{
    QStringList entries = list.split(u'|');
    entries.removeFirst();
    entries.removeLast();
    return entries;
}

// The first prefix at which the buttons offer the word (compared ignoring
// case), or 0.  `offeredAs` receives the entry as written in the list.
int firstOffer(const WordTable &table, const QString &word, QString *offeredAs = nullptr)
{
    for (int i = 1; i <= word.size(); ++i) {
        for (const QString &entry : WordLists::suggest(table, word.left(i))) {
            if (entry.compare(word, Qt::CaseInsensitive) == 0) {
                if (offeredAs)
                    *offeredAs = entry;
                return i;
            }
        }
    }
    return 0;
}

} // namespace

class tst_ShippedWords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listFile_data();
    void listFile();
    void groupsOfferedWhole_data();
    void groupsOfferedWhole();
    void frequentWordsOffered();
    void everydayWord_data();
    void everydayWord();
    void notOffered_data();
    void notOffered();
    void userWordsBehindTheLists();

private:
    void addListRows();

    WordTable m_table;
};

void tst_ShippedWords::initTestCase()
{
    // Read the lists without WordTable::load, which would add the user word
    // file to the source tree.
    for (int n = 1; n <= WordTable::kLengths; ++n) {
        for (int k = 1; k <= WordTable::kLetters; ++k) {
            const auto lines = TextFile::readLines(listPath(k, n));
            QVERIFY2(lines.has_value(), qPrintable(listPath(k, n)));
            m_table.setList(k, n, lines->join(QString()));
        }
    }
}

void tst_ShippedWords::addListRows()
{
    QTest::addColumn<int>("letter");
    QTest::addColumn<int>("length");
    for (int n = 1; n <= WordTable::kLengths; ++n) {
        for (int k = 1; k <= WordTable::kLetters; ++k)
            QTest::newRow(qPrintable(WordTable::listFileName(k, n))) << k << n;
    }
}

void tst_ShippedWords::listFile_data()
{
    addListRows();
}

// Each of the 260 files: CR LF lines of plain ASCII that join to
// "|entry|...|entry|" (or "|" alone), every entry a word of the list's letter
// and at least the list's length, never more than the 60 characters the search
// reads.
void tst_ShippedWords::listFile()
{
    QFETCH(int, letter);
    QFETCH(int, length);

    QFile file(listPath(letter, length));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.isEmpty());
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\r'), bytes.count('\n'));
    QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
    for (const char c : bytes)
        QVERIFY2(c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7f), qPrintable(file.fileName()));

    const QString list = m_table.list(letter, length);
    QVERIFY(list.startsWith(u'|'));
    QVERIFY(list.endsWith(u'|'));
    QVERIFY(!list.contains(QLatin1String("||")));

    static const QRegularExpression wordPattern(QStringLiteral("^[A-Za-z][A-Za-z']*$"));
    const QChar capital(u'A' + letter - 1);
    for (const QString &entry : entriesOf(list)) {
        QVERIFY2(wordPattern.match(entry).hasMatch(), qPrintable(entry));
        QCOMPARE(entry.at(0).toUpper(), capital);
        QVERIFY2(entry.size() >= length, qPrintable(entry));
        QVERIFY2(entry.size() <= 60, qPrintable(entry));
    }
}

void tst_ShippedWords::groupsOfferedWhole_data()
{
    addListRows();
}

// The entries that share their first n letters stand together, at most four,
// and the search offers exactly them at that prefix: none is cut short by the
// 60-character window and none of the next group slips in.
void tst_ShippedWords::groupsOfferedWhole()
{
    QFETCH(int, letter);
    QFETCH(int, length);

    const QStringList entries = entriesOf(m_table.list(letter, length));
    QList<QPair<QString, QStringList>> groups;
    for (const QString &entry : entries) {
        const QString prefix = entry.left(length).toLower();
        if (groups.isEmpty() || groups.last().first != prefix)
            groups.append({ prefix, {} });
        groups.last().second.append(entry);
    }

    QSet<QString> seen;
    for (const auto &[prefix, group] : std::as_const(groups)) {
        QVERIFY2(!seen.contains(prefix), qPrintable(QLatin1String("group split: ") + prefix));
        seen.insert(prefix);
        QVERIFY2(group.size() <= 4, qPrintable(prefix));
        QCOMPARE(WordLists::suggest(m_table, prefix), group);
        // Typed with capitals, too.
        QCOMPARE(WordLists::suggest(m_table, prefix.toUpper()), group);
        QCOMPARE(QSet<QString>(group.cbegin(), group.cend()).size(), group.size());
    }
}

// Each of the 2,000 most frequent words is offered at some prefix, written as
// the generator meant it.
void tst_ShippedWords::frequentWordsOffered()
{
    const auto lines = TextFile::readLines(frequentWordsFile());
    QVERIFY2(lines.has_value(), qPrintable(frequentWordsFile()));
    QCOMPARE(lines->size(), 2000);

    QStringList missing;
    QStringList miswritten;
    for (const QString &word : *lines) {
        QString offeredAs;
        if (firstOffer(m_table, word, &offeredAs) == 0)
            missing.append(word);
        else if (offeredAs != word)
            miswritten.append(offeredAs);
    }
    QCOMPARE(missing, QStringList());
    QCOMPARE(miswritten, QStringList());
}

void tst_ShippedWords::everydayWord_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("latestPrefix");

    // The most frequent words come at their first or second letter.
    QTest::newRow("you") << QStringLiteral("you") << 2;
    QTest::newRow("the") << QStringLiteral("the") << 2;
    QTest::newRow("what") << QStringLiteral("what") << 2;
    QTest::newRow("I") << QStringLiteral("I") << 1;
    // Contractions are whole entries.
    QTest::newRow("I'm") << QStringLiteral("I'm") << 2;
    QTest::newRow("don't") << QStringLiteral("don't") << 3;
    QTest::newRow("it's") << QStringLiteral("it's") << 3;
    QTest::newRow("can't") << QStringLiteral("can't") << 4;
    QTest::newRow("won't") << QStringLiteral("won't") << 4;
    QTest::newRow("you're") << QStringLiteral("you're") << 4;
    QTest::newRow("didn't") << QStringLiteral("didn't") << 4;
    QTest::newRow("that's") << QStringLiteral("that's") << 5;
    QTest::newRow("o'clock") << QStringLiteral("o'clock") << 6;
    // Names, days and months keep their capital; words that the source
    // capitalises because they open sentences do not.
    QTest::newRow("Monday") << QStringLiteral("Monday") << 6;
    QTest::newRow("January") << QStringLiteral("January") << 7;
    QTest::newRow("America") << QStringLiteral("America") << 7;
    QTest::newRow("okay") << QStringLiteral("okay") << 4;
    QTest::newRow("hello") << QStringLiteral("hello") << 5;
    QTest::newRow("yes") << QStringLiteral("yes") << 3;
    // Long words through the ten-letter lists.
    QTest::newRow("congratulations") << QStringLiteral("congratulations") << 10;
    QTest::newRow("relationship") << QStringLiteral("relationship") << 10;
}

void tst_ShippedWords::everydayWord()
{
    QFETCH(QString, word);
    QFETCH(int, latestPrefix);

    QString offeredAs;
    const int at = firstOffer(m_table, word, &offeredAs);
    QVERIFY2(at > 0, qPrintable(word + QLatin1String(" is never offered")));
    QVERIFY2(at <= latestPrefix,
             qPrintable(word + QLatin1String(" first offered at ") + QString::number(at)));
    QCOMPARE(offeredAs, word);
}

void tst_ShippedWords::notOffered_data()
{
    QTest::addColumn<QString>("word");

    // The halves of split contractions.
    for (const char *part : { "don", "didn", "doesn", "isn", "wasn", "couldn", "ll", "re", "ve" })
        QTest::newRow(part) << QString::fromLatin1(part);
    // Letters that are no words, and abbreviations the dictionary spells with
    // capitals that the source writes in lower case.
    for (const char *token : { "b", "s", "t", "th", "com" })
        QTest::newRow(token) << QString::fromLatin1(token);
    // Swearing.
    for (const char *word : { "damn", "crap", "bastard", "piss" })
        QTest::newRow(word) << QString::fromLatin1(word);
}

void tst_ShippedWords::notOffered()
{
    QFETCH(QString, word);
    QCOMPARE(firstOffer(m_table, word), 0);
}

// The lists end with "|", so user words appended behind them are entries of
// their own; a new installation offers the maker's name where no shipped word
// begins with the typed letters.
void tst_ShippedWords::userWordsBehindTheLists()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("words"));
    QVERIFY(QDir().mkpath(folder));
    for (const QFileInfo &info : QDir(wordsFolder()).entryInfoList({ QStringLiteral("*.txt") })) {
        if (info.fileName().compare(WordTable::userFileName(), Qt::CaseInsensitive) != 0)
            QVERIFY(QFile::copy(info.filePath(), QDir(folder).filePath(info.fileName())));
    }

    WordTable table;
    table.load(folder);
    QVERIFY(WordLists::addWord(folder, QStringLiteral("Zyxwvut")));
    table.load(folder);
    const QStringList orvane { QStringLiteral("Orvane") };
    const QStringList zyxwvut { QStringLiteral("Zyxwvut") };
    QCOMPARE(WordLists::suggest(table, QStringLiteral("orvane")), orvane);
    QCOMPARE(WordLists::suggest(table, QStringLiteral("zyxw")), zyxwvut);
    QCOMPARE(WordLists::suggest(table, QStringLiteral("Zyxwvut")), zyxwvut);
    // The shipped entries still come first.
    QCOMPARE(WordLists::suggest(table, QStringLiteral("th")),
             WordLists::suggest(m_table, QStringLiteral("th")));
}

QTEST_GUILESS_MAIN(tst_ShippedWords)

#include "tst_shippedwords.moc"
