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
    QTest::newRow("row breaks and blank lines take no key's place")
            << QStringList { "999|/", "", "   " } + numbered(119, u"001|k"_s)
                       + QStringList { "999|/", "001|tiger", "001|zebra" }
            << QStringList { "tiger" };
    QTest::newRow("a line without a code takes the kind above")
            << QStringList { "001|cat", "kitten", "puppy |", "  bunny  " }
            << QStringList { "kitten", "bunny" };
    QTest::newRow("no 999| anywhere before the bar")
            << QStringList { "001|apple", "1999|melon", "0999|grape", "001|berry", "99|lemon" }
            << QStringList { "apple", "berry", "lemon" };
    QTest::newRow("CR, LF and CR LF all end lines") << QStringList { "001|horse\rsheep\ngoats" }
                                                    << QStringList { "horse", "sheep", "goats" };
}

void TestGameRules::wordPool()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, words);
    QCOMPARE(GameRules::wordPoolOfText(lines.join(u"\r\n"_s)), words);
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
