#include "learning.h"
#include "textfile.h"
#include "wordlists.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "filebytes.h"

using namespace Qt::StringLiterals;

namespace {

// The lists of the letter T, the words of these tests that are shipped.
WordTable tableOf(const QString &tList)
{
    WordTable table;
    for (int n = 1; n <= WordTable::kLengths; ++n)
        table.setList(20, n, tList);
    return table;
}

const QString kTList = u"|the|then|they|this|there|"_s;

ShippedWords shippedWords()
{
    ShippedWords shipped = ShippedWords::fromTable(tableOf(kTList));
    for (const char *w : { "cat", "sat", "on", "a", "mat", "dog", "I", "Paris" })
        shipped.insert(QString::fromLatin1(w));
    return shipped;
}

LearnedModel learned(const QString &text, int wordCap = LearnedModel::kWordCap,
                     int pairCap = LearnedModel::kPairCap)
{
    LearnedModel model(wordCap, pairCap);
    Learning::learn(model, text, shippedWords());
    return model;
}

// The model as the lines of its file.
QStringList lines(const LearnedModel &model)
{
    return model.toText().split(u"\r\n"_s, Qt::SkipEmptyParts);
}

} // namespace

class TestLearning : public QObject
{
    Q_OBJECT

private slots:
    void cascade_data();
    void cascade();
    void emptyModelIsTheLists_data();
    void emptyModelIsTheLists();
    void nextWords_data();
    void nextWords();
    void learning_data();
    void learning();
    void commits_data();
    void commits();
    void previousWord_data();
    void previousWord();
    void caps_data();
    void caps();
    void reading_data();
    void reading();
    void savedFileIsPrivate();
    void forgetting();
    void merging_data();
    void merging();
    void unreadableNeverSaved_data();
    void unreadableNeverSaved();
};

void TestLearning::cascade_data()
{
    QTest::addColumn<QString>("learnedText");
    QTest::addColumn<QString>("pairs");
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QStringList>("row");

    // "tom" and "tea" are not shipped: their first use does not count, and a
    // pair counts only once both its words do.
    const QString text = u"we saw tom. we saw tom. we saw tea. tea tea tea."_s;
    QTest::newRow("successors, learned words, lists")
            << text << QString() << u"saw"_s << u"t"_s << QStringList()
            << QStringList { u"tom"_s, u"tea"_s, u"the"_s, u"then"_s };
    QTest::newRow("case-blind") << text << QString() << u"SAW"_s << u"T"_s << QStringList()
                                << QStringList { u"tom"_s, u"tea"_s, u"the"_s, u"then"_s };
    QTest::newRow("sentence start") << text << QString() << u"<s>"_s << u"t"_s << QStringList()
                                    << QStringList { u"tea"_s, u"tom"_s, u"the"_s, u"then"_s };
    QTest::newRow("no previous word") << text << QString() << QString() << u"t"_s << QStringList()
                                      << QStringList { u"tea"_s, u"tom"_s, u"the"_s, u"then"_s };
    QTest::newRow("offered before are not repeated")
            << text << QString() << u"saw"_s << u"th"_s << QStringList { u"The"_s, u"tom"_s }
            << QStringList { u"then"_s, u"they"_s, u"this"_s };
    QTest::newRow("learned word already offered")
            << text << QString() << u"saw"_s << u"t"_s << QStringList { u"tom"_s }
            << QStringList { u"tea"_s, u"the"_s, u"then"_s, u"they"_s };
    QTest::newRow("pending word not offered") << u"we saw tux."_s << QString() << u"saw"_s
                                              << u"tu"_s << QStringList() << QStringList();
    QTest::newRow("strong static pair before a weak learned one")
            << text << u"5\tsaw\tthe\r\n"_s << u"saw"_s << u"t"_s << QStringList()
            << QStringList { u"the"_s, u"tom"_s, u"tea"_s, u"then"_s };
    QTest::newRow("static pairs alone")
            << QString() << u"3\tsaw\tthis\r\n1\tsaw\tthem\r\n"_s << u"saw"_s << u"th"_s
            << QStringList() << QStringList { u"this"_s, u"them"_s, u"the"_s, u"then"_s };
    QTest::newRow("written form kept")
            << u"we saw Tom. we saw Tom."_s << QString() << u"saw"_s << u"t"_s << QStringList()
            << QStringList { u"Tom"_s, u"the"_s, u"then"_s, u"they"_s };
}

void TestLearning::cascade()
{
    QFETCH(QString, learnedText);
    QFETCH(QString, pairs);
    QFETCH(QString, previous);
    QFETCH(QString, typed);
    QFETCH(QStringList, offered);
    QFETCH(QStringList, row);

    StaticPairs staticPairs;
    staticPairs.fromText(pairs);
    QCOMPARE(Learning::suggest(learned(learnedText), staticPairs, tableOf(kTList), previous, typed,
                               offered),
             row);
}

void TestLearning::emptyModelIsTheLists_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("offered");

    QTest::newRow("first letter") << kTList << u"t"_s << QStringList();
    QTest::newRow("repeats and offered words stay")
            << u"|the|the|then|"_s << u"th"_s << QStringList { u"the"_s };
    QTest::newRow("contains, not begins") << u"|tan|stand|"_s << u"ta"_s << QStringList();
    QTest::newRow("nothing") << kTList << u"tx"_s << QStringList();
    QTest::newRow("empty word") << kTList << QString() << QStringList();
}

void TestLearning::emptyModelIsTheLists()
{
    QFETCH(QString, list);
    QFETCH(QString, typed);
    QFETCH(QStringList, offered);

    const WordTable table = tableOf(list);
    QCOMPARE(Learning::suggest(LearnedModel(), StaticPairs(), table, u"<s>"_s, typed, offered),
             WordLists::suggest(table, typed));
}

void TestLearning::nextWords_data()
{
    QTest::addColumn<QString>("learnedText");
    QTest::addColumn<QString>("pairs");
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("sentence start, lower case kept")
            << u"The cat sat. The dog sat. I sat. A mat."_s << QString() << u"<s>"_s
            << QStringList { u"the"_s, u"a"_s, u"I"_s };
    QTest::newRow("static pairs of the sentence start")
            << QString() << u"9\t<s>\tThe\r\n4\t<s>\tI\r\n2\tof\tthe\r\n"_s << u"<s>"_s
            << QStringList { u"the"_s, u"I"_s };
    // The previous-word column is in lower case: it never decides how a word
    // is written.
    QTest::newRow("static I after its lower-case key")
            << QString() << u"5\ti\tam\r\n4\t<s>\tI\r\n"_s << u"<s>"_s << QStringList { u"I"_s };
    QTest::newRow("learned and static merged")
            << u"the dog. the dog. the cat."_s << u"1\tthe\tmat\r\n"_s << u"the"_s
            << QStringList { u"mat"_s, u"dog"_s, u"cat"_s };
    QTest::newRow("no previous word") << u"the cat."_s << QString() << QString() << QStringList();
}

void TestLearning::nextWords()
{
    QFETCH(QString, learnedText);
    QFETCH(QString, pairs);
    QFETCH(QString, previous);
    QFETCH(QStringList, words);

    StaticPairs staticPairs;
    staticPairs.fromText(pairs);
    QCOMPARE(Learning::nextWords(learned(learnedText), staticPairs, previous), words);
}

void TestLearning::learning_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("file");

    QTest::newRow("words and pairs, oldest first")
            << u"the cat sat"_s
            << QStringList { u"1\tthe"_s,      u"1\tcat"_s,      u"1\tsat"_s,
                             u"1\t<s>\tthe"_s, u"1\tthe\tcat"_s, u"1\tcat\tsat"_s };
    QTest::newRow("second use rule")
            << u"zorp. a zorp"_s
            << QStringList { u"1\ta"_s, u"1\tzorp"_s, u"1\t<s>\ta"_s, u"1\ta\tzorp"_s };
    QTest::newRow("first use only remembered") << u"zorp"_s << QStringList { u"0\tzorp"_s };
    QTest::newRow("digits never learned, chain broken")
            << u"a 2nd cat b4 mat 10"_s
            << QStringList { u"1\ta"_s, u"1\tcat"_s, u"1\tmat"_s, u"1\t<s>\ta"_s };
    QTest::newRow("sentence ends")
            << u"a cat! a dog?\na mat\ron a"_s
            << QStringList { u"1\tcat"_s,    u"1\tdog"_s,     u"1\tmat"_s,    u"1\ton"_s,
                             u"4\ta"_s,      u"1\ta\tcat"_s,  u"1\ta\tdog"_s, u"3\t<s>\ta"_s,
                             u"1\ta\tmat"_s, u"1\t<s>\ton"_s, u"1\ton\ta"_s };
    QTest::newRow("capital at a sentence start")
            << u"The cat. I sat. Paris. Then Paris."_s
            << QStringList { u"1\tthe"_s,        u"1\tcat"_s,        u"1\tI"_s,
                             u"1\tsat"_s,        u"1\tthen"_s,       u"2\tParis"_s,
                             u"1\t<s>\tthe"_s,   u"1\tthe\tcat"_s,   u"1\t<s>\tI"_s,
                             u"1\tI\tsat"_s,     u"1\t<s>\tParis"_s, u"1\t<s>\tthen"_s,
                             u"1\tthen\tParis"_s };
    QTest::newRow("learned lower case form at a sentence start")
            << u"a zorp. a zorp. Zorp"_s
            << QStringList { u"2\ta"_s, u"2\tzorp"_s, u"2\t<s>\ta"_s, u"1\ta\tzorp"_s,
                             u"1\t<s>\tzorp"_s };
    QTest::newRow("apostrophes") << u"'the cat's' mat"_s
                                 << QStringList { u"1\tthe"_s, u"0\tcat's"_s, u"1\tmat"_s,
                                                  u"1\t<s>\tthe"_s };
}

void TestLearning::learning()
{
    QFETCH(QString, text);
    QFETCH(QStringList, file);

    QCOMPARE(lines(learned(text)), file);
}

void TestLearning::commits_data()
{
    QTest::addColumn<QStringList>("commits");
    QTest::addColumn<QStringList>("file");

    QTest::newRow("same text twice counts once")
            << QStringList { u"the cat"_s, u"the cat"_s }
            << QStringList { u"1\tthe"_s, u"1\tcat"_s, u"1\t<s>\tthe"_s, u"1\tthe\tcat"_s };
    QTest::newRow("added at the end keeps the previous word")
            << QStringList { u"the"_s, u"the cat"_s }
            << QStringList { u"1\tthe"_s, u"1\tcat"_s, u"1\t<s>\tthe"_s, u"1\tthe\tcat"_s };
    QTest::newRow("deleted before the commit never learned")
            << QStringList { u"a"_s, u"a mat"_s } // "a dog" was typed and deleted
            << QStringList { u"1\ta"_s, u"1\tmat"_s, u"1\t<s>\ta"_s, u"1\ta\tmat"_s };
    QTest::newRow("deletion learns nothing")
            << QStringList { u"a cat sat"_s, u"a sat"_s }
            << QStringList { u"1\ta"_s,      u"1\tcat"_s,    u"1\tsat"_s,
                             u"1\t<s>\ta"_s, u"1\ta\tcat"_s, u"1\tcat\tsat"_s };
    QTest::newRow("edit inside a word takes the whole word")
            << QStringList { u"a ca"_s, u"a cat sat"_s }
            << QStringList { u"1\ta"_s,      u"0\tca"_s,     u"1\tcat"_s,     u"1\tsat"_s,
                             u"1\t<s>\ta"_s, u"1\ta\tcat"_s, u"1\tcat\tsat"_s };
    QTest::newRow("after a clear")
            << QStringList { u"a cat"_s, QString(), u"a cat"_s }
            << QStringList { u"2\ta"_s, u"2\tcat"_s, u"2\t<s>\ta"_s, u"2\ta\tcat"_s };
}

void TestLearning::commits()
{
    QFETCH(QStringList, commits);
    QFETCH(QStringList, file);

    LearnedModel model;
    QString last;
    for (const QString &text : commits) {
        Learning::learnCommit(model, last, text, shippedWords());
        last = text;
    }
    QCOMPARE(lines(model), file);
}

void TestLearning::previousWord_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("previous");

    QTest::newRow("start of the text") << QString() << u"<s>"_s;
    QTest::newRow("word") << u"I saw "_s << u"saw"_s;
    QTest::newRow("case") << u"Hello, Paris "_s << u"paris"_s;
    QTest::newRow("comma between") << u"yes, "_s << u"yes"_s;
    QTest::newRow("after a full stop") << u"Yes. "_s << u"<s>"_s;
    QTest::newRow("after a line break") << u"Yes\r\n"_s << u"<s>"_s;
    QTest::newRow("digits") << u"at 10 "_s << QString();
    QTest::newRow("closing quote") << u"the dogs' "_s << u"dogs"_s;
}

void TestLearning::previousWord()
{
    QFETCH(QString, before);
    QFETCH(QString, previous);

    QCOMPARE(Learning::previousWord(before), previous);
}

void TestLearning::caps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("file");

    // Caps of three words and two pairs.
    QTest::newRow("oldest single-use entries go first")
            << u"a a cat sat dog on"_s
            << QStringList { u"2\ta"_s, u"1\tdog"_s, u"1\ton"_s, u"1\tsat\tdog"_s,
                             u"1\tdog\ton"_s };
    QTest::newRow("then the oldest of the rest")
            << u"a a cat cat dog dog mat mat"_s
            << QStringList { u"2\tcat"_s, u"2\tdog"_s, u"2\tmat"_s, u"1\tdog\tmat"_s,
                             u"1\tmat\tmat"_s };
    QTest::newRow("pending words are single-use")
            << u"a a zorp cat mat"_s
            << QStringList { u"2\ta"_s, u"1\tcat"_s, u"1\tmat"_s, u"1\ta\ta"_s, u"1\tcat\tmat"_s };
}

void TestLearning::caps()
{
    QFETCH(QString, text);
    QFETCH(QStringList, file);

    QCOMPARE(lines(learned(text, 3, 2)), file);
}

void TestLearning::reading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("file");

    QTest::newRow("file order is age order")
            << QByteArray("3\tdog\r\n1\tcat\r\n2\tcat\tdog\r\n1\t<s>\tcat\r\n")
            << QStringList { u"3\tdog"_s, u"1\tcat"_s, u"2\tcat\tdog"_s, u"1\t<s>\tcat"_s };
    QTest::newRow("garbage lines skipped")
            << QByteArray("x\tdog\r\n-1\tdog\r\n1\t\r\n\r\n1 cat\r\n1\tcat\t\r\n0\ta\tb\r\n"
                          "1\ta\tb\tc\r\n1\tc4t\r\n1\t<s>\r\n1\tdog\t<s>\r\n9999999999\tdog\r\n"
                          "1\t'dog\r\n\xFF\xFE\r\n2\tmat\n")
            << QStringList { u"2\tmat"_s };
    QTest::newRow("duplicates add up")
            << QByteArray("1\tcat\r\n2\tCat\r\n1\ta\tcat\r\n1\tA\tcat\r\n")
            << QStringList { u"3\tCat"_s, u"2\ta\tCat"_s };
    QTest::newRow("Windows-1252") << QByteArray("2\tcaf\xE9\r\n")
                                  << QStringList { u"2\tcaf\u00E9"_s };
    QTest::newRow("UTF-8") << QByteArray("2\t\xC3\xBC"
                                         "ber\r\n")
                           << QStringList { u"2\t\u00FCber"_s };
}

void TestLearning::reading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, file);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Learned.txt"_s);
    QVERIFY(writeBytes(path, bytes));
    LearnedModel model;
    QVERIFY(model.load(path));
    QCOMPARE(lines(model), file);

    // Written and read back, the model is the same.
    QVERIFY(model.save(path));
    LearnedModel again;
    QVERIFY(again.load(path));
    QCOMPARE(again.toText(), model.toText());
}

void TestLearning::savedFileIsPrivate()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
                        | QFileDevice::WriteOther;
    const QString fresh = dir.filePath(u"Learned.txt"_s);
    const QString old = dir.filePath(u"old.txt"_s);
    QVERIFY(writeBytes(old, "1\tcat\r\n"));
    QVERIFY(QFile::setPermissions(old, ownerOnly | QFileDevice::ReadOther));

    // A new file is the user's alone; a file that is there keeps its
    // permissions, and what it holds is added to.
    LearnedModel model = learned(u"the cat"_s);
    QVERIFY(model.save(fresh));
    QCOMPARE(QFile::permissions(fresh) & (ownerOnly | others), ownerOnly);
    QCOMPARE(readBytes(fresh), QByteArray("1\tthe\r\n1\tcat\r\n1\t<s>\tthe\r\n1\tthe\tcat\r\n"));
    LearnedModel other = learned(u"the cat"_s);
    QVERIFY(other.save(old));
    QCOMPARE(QFile::permissions(old) & (ownerOnly | others), ownerOnly | QFileDevice::ReadOther);
    QCOMPARE(readBytes(old), QByteArray("1\tthe\r\n2\tcat\r\n1\t<s>\tthe\r\n1\tthe\tcat\r\n"));
}

void TestLearning::forgetting()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Learned.txt"_s);
    LearnedModel model = learned(u"the cat sat. a cat"_s);
    model.forget(u"CAT"_s);
    QCOMPARE(lines(model), (QStringList { u"1\tthe"_s, u"1\tsat"_s, u"1\ta"_s, u"1\t<s>\tthe"_s,
                                          u"1\t<s>\ta"_s }));
    QCOMPARE(model.count(u"cat"_s), -1);
    QVERIFY(model.save(path));

    QVERIFY(LearnedModel::forgetAll(model, path));
    QVERIFY(!QFile::exists(path));
    QVERIFY(model.isEmpty());
    QCOMPARE(model.toText(), QString());
}

// Another writer changes the file after this model read it: the save keeps
// what that writer put there and adds what was learned and forgotten here.
void TestLearning::merging_data()
{
    QTest::addColumn<QByteArray>("before");  // the file when this model reads it
    QTest::addColumn<QByteArray>("between"); // the file another writer left; empty: deleted
    QTest::addColumn<QString>("text");       // learned here
    QTest::addColumn<QStringList>("forget"); // forgotten here, before learning
    QTest::addColumn<int>("wordCap");
    QTest::addColumn<QStringList>("file"); // after the save

    const int cap = LearnedModel::kWordCap;
    QTest::newRow("the other writer's word stays")
            << QByteArray() << QByteArray("1\tzebra\r\n") << u"the cat"_s << QStringList() << cap
            << QStringList { u"1\tzebra"_s, u"1\tthe"_s, u"1\tcat"_s, u"1\t<s>\tthe"_s,
                             u"1\tthe\tcat"_s };
    QTest::newRow("counts add up")
            << QByteArray("2\tcat\r\n") << QByteArray("5\tcat\r\n") << u"cat"_s << QStringList()
            << cap << QStringList { u"6\tcat"_s, u"1\t<s>\tcat"_s };
    QTest::newRow("pairs add up") << QByteArray()
                                  << QByteArray("1\tthe\r\n1\tcat\r\n2\tthe\tcat\r\n")
                                  << u"the cat"_s << QStringList() << cap
                                  << QStringList { u"2\tthe"_s, u"2\tcat"_s, u"1\t<s>\tthe"_s,
                                                   u"3\tthe\tcat"_s };
    // A word of no list is kept with 0 at its first use: one use here and
    // one there make two, so it is offered.
    QTest::newRow("a slip's second use, one on each side")
            << QByteArray() << QByteArray("0\tzebra\r\n") << u"zebra"_s << QStringList() << cap
            << QStringList { u"1\tzebra"_s };
    QTest::newRow("a slip used once here only")
            << QByteArray() << QByteArray("1\tcat\r\n") << u"zebra"_s << QStringList() << cap
            << QStringList { u"1\tcat"_s, u"0\tzebra"_s };
    QTest::newRow("forgotten here, gone though the other used it")
            << QByteArray("3\tdog\r\n") << QByteArray("4\tdog\r\n1\tcat\r\n1\tdog\tcat\r\n")
            << QString() << QStringList { u"dog"_s } << cap << QStringList { u"1\tcat"_s };
    QTest::newRow("forgotten, then used again")
            << QByteArray("3\tdog\r\n") << QByteArray("4\tdog\r\n") << u"dog"_s
            << QStringList { u"dog"_s } << cap << QStringList { u"1\tdog"_s, u"1\t<s>\tdog"_s };
    QTest::newRow("the other forgot everything")
            << QByteArray("2\tcat\r\n") << QByteArray() << u"the"_s << QStringList() << cap
            << QStringList { u"1\tthe"_s, u"1\t<s>\tthe"_s };
    // (A capped word's pairs stay until the pairs' own cap takes them.)
    QTest::newRow("capped as ever: single uses go first")
            << QByteArray() << QByteArray("5\tzebra\r\n5\tyak\r\n") << u"the"_s << QStringList()
            << 2 << QStringList { u"5\tzebra"_s, u"5\tyak"_s, u"1\t<s>\tthe"_s };
}

void TestLearning::merging()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, between);
    QFETCH(QString, text);
    QFETCH(QStringList, forget);
    QFETCH(int, wordCap);
    QFETCH(QStringList, file);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"Learned.txt"_s);
    QVERIFY(writeBytes(path, before));
    LearnedModel model(wordCap);
    QVERIFY(model.load(path));
    for (const QString &word : forget)
        model.forget(word);
    Learning::learn(model, text, shippedWords());
    // The other writer replaces the file as Plumtype does, or deletes it.
    QVERIFY(QFile::remove(path));
    if (!between.isEmpty())
        QVERIFY(TextFile::write(path, QString::fromLatin1(between)));
    QVERIFY(model.save(path));
    QCOMPARE(QString::fromLatin1(readBytes(path)).split(u"\r\n"_s, Qt::SkipEmptyParts), file);
    // The model now holds the file, and a second save changes nothing.
    QCOMPARE(lines(model), file);
    QVERIFY(model.save(path));
    QCOMPARE(QString::fromLatin1(readBytes(path)).split(u"\r\n"_s, Qt::SkipEmptyParts), file);
}

// A file that could not be read whole is never written over, whatever is
// learned on top.
void TestLearning::unreadableNeverSaved_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder in its place") << "folder";
    QTest::newRow("cut at the read limit") << "large";
    QTest::newRow("reading stopped") << "stopped";
}

void TestLearning::unreadableNeverSaved()
{
    QFETCH(QString, kind);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"Learned.txt"_s);
    QByteArray bytes = "2\tcat\r\n";
    if (kind == u"folder")
        QVERIFY(QDir(dir.path()).mkdir(u"Learned.txt"_s));
    else if (kind == u"large")
        bytes += QByteArray(LearnedModel::kLargestFile, 'x') + "\r\n1\tdog\r\n";
    if (kind != u"folder")
        QVERIFY(writeBytes(path, bytes));
    std::atomic_bool stop(kind == u"stopped");
    LearnedModel model;
    QVERIFY(!model.load(path, &stop));
    QVERIFY(!model.isSavable());
    Learning::learn(model, u"the cat sat"_s, shippedWords());
    QVERIFY(!model.save(path));
    if (kind == u"folder")
        QVERIFY(QFileInfo(path).isDir());
    else
        QVERIFY(readBytes(path) == bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList { u"Learned.txt"_s });
}

QTEST_APPLESS_MAIN(TestLearning)
#include "tst_learning.moc"
