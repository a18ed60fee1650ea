#include "gamerules.h"

#include <QHash>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QStringList numbered(int count, const QString &prefix)
{
    QStringList lines;
    for (int k = 1; k <= count; ++k)
        lines.append(prefix + QString::number(k));
    return lines;
}

} // namespace

class TestGameRules : public QObject
{
    Q_OBJECT

private slots:
    void wordPool_data();
    void wordPool();
    void scramble();
};

void TestGameRules::wordPool_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("short, spaced, command and label keys")
            << QStringList { "001|cat",      "001|hello world", "000|[clear]",
                             "001|Hi|Hello", "001|a[b]cd",      "001|  house " }
            << QStringList { "house" };
    QTest::newRow("links, also by a kind taken from above; keys without a kind")
            << QStringList { "abc|kitchen", "999|Places", "xyz|Garden", "999|/", "001|apple" }
            << QStringList { "apple" };
    QTest::newRow("every typing kind")
            << QStringList { "000|bread", "002|green", "003|stops", "004|ation" }
            << QStringList { "bread", "green", "stops", "ation" };
    QTest::newRow("more than 120: the first 120")
            << numbered(130, u"001|word"_s) << numbered(120, u"word"_s);
    QTest::newRow("keys past the 120th are not on the keyboard")
            << numbered(119, u"001|k"_s) + numbered(5, u"001|later"_s) << QStringList { "later1" };
}

void TestGameRules::wordPool()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, words);
    QCOMPARE(GameRules::wordPool(KeyboardFile::placeText(lines.join(u"\r\n"_s), u"t.kbd"_s)),
             words);
}

void TestGameRules::scramble()
{
    // The same letters, and every order about as often as any other.
    std::mt19937 rng(11);
    const QString long_ = u"MISSISSIPPI"_s.repeated(20);
    QString sortedLong = long_;
    std::sort(sortedLong.begin(), sortedLong.end());
    QHash<QString, int> seen;
    for (int i = 0; i < 6000; ++i) {
        ++seen[GameRules::scramble(u"abc"_s, rng)];
        QString s = GameRules::scramble(long_, rng);
        std::sort(s.begin(), s.end());
        QCOMPARE(s, sortedLong);
    }
    QCOMPARE(seen.size(), 6);
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        QVERIFY2(it.value() > 850 && it.value() < 1150, qPrintable(it.key()));
    QCOMPARE(GameRules::scramble(u"A"_s, rng), u"A"_s);
    QCOMPARE(GameRules::scramble(QString(), rng), QString());
}

QTEST_GUILESS_MAIN(TestGameRules)

#include "tst_gamerules.moc"
