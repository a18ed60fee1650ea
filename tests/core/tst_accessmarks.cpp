// The marks' colours: the contrast formula on pairs whose ratio is known, and
// every colour offered against every colour a key is painted in.

#include "accessmarks.h"
#include "handsfree.h"

#include <QTest>

using namespace Qt::StringLiterals;
using AccessMarks::Rgb;

class TestAccessMarks : public QObject
{
    Q_OBJECT

private slots:
    void contrast_data();
    void contrast();
    void offered_data();
    void offered();
    void keyColours();
    void sections();
};

void TestAccessMarks::contrast_data()
{
    QTest::addColumn<uint>("a");
    QTest::addColumn<uint>("b");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<uint>("ink"); // on `a`

    QTest::newRow("black on white") << 0xFF000000u << 0xFFFFFFFFu << 21.0 << 0xFFFFFFFFu;
    QTest::newRow("the same colour") << 0xFF808080u << 0xFF808080u << 1.0 << 0xFF000000u;
    QTest::newRow("mid grey on white") << 0xFF777777u << 0xFFFFFFFFu << 4.48 << 0xFF000000u;
    QTest::newRow("pure red on white") << 0xFFFF0000u << 0xFFFFFFFFu << 4.00 << 0xFF000000u;
    QTest::newRow("amber on black") << 0xFFFFB000u << 0xFF000000u << 11.46 << 0xFF000000u;
    QTest::newRow("dark blue on white") << 0xFF0030C0u << 0xFFFFFFFFu << 9.62 << 0xFFFFFFFFu;
    QTest::newRow("order does not matter") << 0xFFFFFFFFu << 0xFF0030C0u << 9.62 << 0xFF000000u;
}

void TestAccessMarks::contrast()
{
    QFETCH(uint, a);
    QFETCH(uint, b);
    QFETCH(double, ratio);
    QFETCH(uint, ink);
    QVERIFY2(qAbs(AccessMarks::contrast(a, b) - ratio) < 0.01,
             qPrintable(QString::number(AccessMarks::contrast(a, b))));
    QCOMPARE(AccessMarks::ink(a), Rgb(ink));
}

void TestAccessMarks::offered_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<uint>("rgb");
    QTest::addColumn<double>("least"); // against the key colours

    QTest::newRow("default") << 0 << u"Dark blue"_s << 0xFF0030C0u << 5.25;
    QTest::newRow("black") << 1 << u"Black"_s << 0xFF000000u << 11.46;
    QTest::newRow("red") << 2 << u"Dark red"_s << 0xFF900000u << 5.25;
    QTest::newRow("green") << 3 << u"Dark green"_s << 0xFF005000u << 5.34;
    QTest::newRow("purple") << 4 << u"Purple"_s << 0xFF600080u << 6.34;
}

void TestAccessMarks::offered()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(uint, rgb);
    QFETCH(double, least);
    QCOMPARE(AccessMarks::colour(index), Rgb(rgb));
    // The settings window names them in this order.
    QCOMPARE(HandsFree::display(HandsFree::Id::MarkColour, index), name);
    double lowest = 21;
    for (Rgb key : AccessMarks::keyColours()) {
        const double c = AccessMarks::contrast(rgb, key);
        QVERIFY2(c >= 4.5, qPrintable(u"%1 against %2: %3"_s.arg(name).arg(key, 8, 16).arg(c)));
        lowest = std::min(lowest, c);
    }
    QVERIFY2(qAbs(lowest - least) < 0.01, qPrintable(QString::number(lowest)));
    // The label on a key filled with it is white, and reads as well.
    QCOMPARE(AccessMarks::ink(rgb), Rgb(0xFFFFFFFF));
    QVERIFY(AccessMarks::contrast(rgb, 0xFFFFFFFF) >= 4.5);
}

void TestAccessMarks::keyColours()
{
    // In RGB: white letters, green, yellow and red word keys, orange
    // suffixes, pink links, the cyan suggestions and editor buttons, amber.
    const QList<Rgb> expected = { 0xFFFFFFFF, 0xFFC0FFC0, 0xFFFFFFC0, 0xFFFFC0C0, 0xFFFFE0C0,
                                  0xFFFFC0FF, 0xFFC0FFFF, 0xFFC1FFFF, 0xFFFFB000 };
    QCOMPARE(AccessMarks::keyColours(), expected);
    QCOMPARE(AccessMarks::colour(-1), Rgb(0xFF0030C0));
    QCOMPARE(AccessMarks::colour(5), Rgb(0xFF0030C0));
}

void TestAccessMarks::sections()
{
    using HandsFree::Id;
    // Every setting is in one section, once.
    QList<Id> seen;
    QStringList names;
    for (const HandsFree::Section &s : HandsFree::sections()) {
        names.append(QString(s.name));
        for (Id id : s.ids) {
            QVERIFY(!seen.contains(id));
            seen.append(id);
        }
    }
    QCOMPARE(seen.size(), HandsFree::kCount);
    QCOMPARE(names, QStringList({ u"Dwell clicking"_s, u"Scanning"_s, u"Switches"_s,
                                  u"Typing into programs"_s, u"Learning"_s }));
    // Scan mode is the second line of the second section.
    QCOMPARE(HandsFree::sectionOf(Id::ScanMode), 1);
    QCOMPARE(HandsFree::sections()[1].ids.indexOf(Id::ScanMode), 1);
    QCOMPARE(HandsFree::sectionOf(Id::EraseDwellMs), 0);
    QCOMPARE(HandsFree::sectionOf(Id::MarkColour), 1);
}

QTEST_APPLESS_MAIN(TestAccessMarks)
#include "tst_accessmarks.moc"
