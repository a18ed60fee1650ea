// The hands-free settings: defaults, ranges and steps, values read back from
// the settings file, and how they are shown.

#include "handsfree.h"

#include <QTest>

using namespace Qt::StringLiterals;
using HandsFree::Id;

Q_DECLARE_METATYPE(HandsFree::Id)

class TestHandsFree : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void read_data();
    void read();
    void stepping_data();
    void stepping();
    void shown_data();
    void shown();
};

void TestHandsFree::defaults()
{
    const HandsFree::Settings s;
    // Both features are off until the user turns them on.
    QVERIFY(!s.on(Id::DwellOn));
    QVERIFY(!s.on(Id::ScanOn));
    QCOMPARE(s.value(Id::LockOnMs), 250);
    QCOMPARE(s.value(Id::DwellMs), 1000);
    QCOMPARE(s.value(Id::StrayMs), 750);
    QCOMPARE(s.value(Id::IntervalMs), 1200);
    QCOMPARE(s.value(Id::FirstItemPercent), 150);
    QCOMPARE(s.value(Id::Loops), 2);
    QCOMPARE(s.value(Id::Switch1Key), 0x20);
    QCOMPARE(s.value(Id::Switch2Key), 0x01000004);
    // Every field has a distinct name in the file and a default in range.
    QSet<QString> names;
    for (const HandsFree::Field &f : HandsFree::fields()) {
        QVERIFY(!names.contains(f.key));
        names.insert(f.key);
        QCOMPARE(HandsFree::clamp(f.id, f.defaultValue), f.defaultValue);
        QCOMPARE(&HandsFree::field(f.id), &f);
    }
    QCOMPARE(names.size(), HandsFree::kCount);
}

void TestHandsFree::read_data()
{
    QTest::addColumn<Id>("id");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("usable");

    QTest::newRow("missing") << Id::DwellMs << QVariant() << 1000 << false;
    QTest::newRow("a number") << Id::DwellMs << QVariant(u"1500"_s) << 1500 << true;
    QTest::newRow("text") << Id::DwellMs << QVariant(u"slow"_s) << 1000 << false;
    QTest::newRow("below the range") << Id::DwellMs << QVariant(50) << 200 << false;
    QTest::newRow("above the range") << Id::IntervalMs << QVariant(99999) << 10000 << false;
    QTest::newRow("off the steps") << Id::DwellMs << QVariant(1234) << 1250 << false;
    QTest::newRow("huge") << Id::Loops << QVariant(u"99999999999999"_s) << 50 << false;
    QTest::newRow("a toggle") << Id::ScanOn << QVariant(u"1"_s) << 1 << true;
    QTest::newRow("a choice out of range") << Id::ScanMode << QVariant(7) << 2 << false;
    QTest::newRow("a key") << Id::Switch1Key << QVariant(0x41) << 0x41 << true;
    // Stored backend numbers keep their meaning; the portal came last.
    QTest::newRow("clipboard backend") << Id::SendBackend << QVariant(3) << 3 << true;
    QTest::newRow("portal backend") << Id::SendBackend << QVariant(4) << 4 << true;
    QTest::newRow("backend out of range") << Id::SendBackend << QVariant(5) << 4 << false;
}

void TestHandsFree::read()
{
    QFETCH(Id, id);
    QFETCH(QVariant, stored);
    QFETCH(int, value);
    QFETCH(bool, usable);
    const HandsFree::Read r = HandsFree::read(id, stored);
    QCOMPARE(r.value, value);
    QCOMPARE(r.usable, usable);
}

void TestHandsFree::stepping_data()
{
    QTest::addColumn<Id>("id");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("to");

    QTest::newRow("dwell time up") << Id::DwellMs << 1000 << 1 << 1050;
    QTest::newRow("dwell time at its top") << Id::DwellMs << 5000 << 1 << 5000;
    QTest::newRow("dwell time at its bottom") << Id::DwellMs << 200 << -1 << 200;
    QTest::newRow("interval in tenths") << Id::IntervalMs << 1200 << -1 << 1100;
    QTest::newRow("interval at 0.1 s") << Id::IntervalMs << 100 << -1 << 100;
    QTest::newRow("loops") << Id::Loops << 50 << 1 << 50;
    QTest::newRow("a toggle") << Id::DwellOn << 0 << 1 << 1;
}

void TestHandsFree::stepping()
{
    QFETCH(Id, id);
    QFETCH(int, from);
    QFETCH(int, direction);
    QFETCH(int, to);
    QCOMPARE(HandsFree::stepped(id, from, direction), to);
    HandsFree::Settings s;
    QCOMPARE(s.set(id, to), to);
    QCOMPARE(s.value(id), to);
}

void TestHandsFree::shown_data()
{
    QTest::addColumn<Id>("id");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("range");

    QTest::newRow("dwell time") << Id::DwellMs << 1000 << u"1 s"_s << u"200 ms to 5 s"_s;
    QTest::newRow("interval") << Id::IntervalMs << 1200 << u"1.2 s"_s << u"100 ms to 10 s"_s;
    QTest::newRow("suggestion time")
            << Id::SuggestionDwellMs << 1250 << u"1.25 s"_s << u"200 ms to 5 s"_s;
    QTest::newRow("lock-on") << Id::LockOnMs << 250 << u"250 ms"_s << u"0 ms to 2 s"_s;
    QTest::newRow("first item") << Id::FirstItemPercent << 150 << u"150 %"_s << u"100 % to 500 %"_s;
    QTest::newRow("loops") << Id::Loops << 2 << u"2"_s << u"1 to 50"_s;
    QTest::newRow("toggle") << Id::Auditory << 0 << u"Off"_s << QString();
    QTest::newRow("mode") << Id::ScanMode << 2 << u"Advance while held"_s << QString();
    QTest::newRow("portal backend") << Id::SendBackend << 4 << u"Desktop portal"_s << QString();
    QTest::newRow("clipboard backend") << Id::SendBackend << 3 << u"Clipboard"_s << QString();
}

void TestHandsFree::shown()
{
    QFETCH(Id, id);
    QFETCH(int, value);
    QFETCH(QString, text);
    QFETCH(QString, range);
    QCOMPARE(HandsFree::display(id, value), text);
    QCOMPARE(HandsFree::range(id), range);
}

QTEST_APPLESS_MAIN(TestHandsFree)
#include "tst_handsfree.moc"
