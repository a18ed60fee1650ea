// Switch scanning on a stepped clock, over a row of three keys, a row of two
// and a group of one (the Speak button): each row is a script of switch
// presses and keyboard loads, and the log of the highlight and the selections.

#include "scanning.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Scanning::Mode;
using Scanning::Order;

Q_DECLARE_METATYPE(Scanning::Timing)

namespace {

const QList<QList<int>> kGroups = { { 1, 2, 3 }, { 4, 5 }, { 6 } };

QString where(const Scanning::Highlight &h)
{
    switch (h.level) {
    case Scanning::Highlight::Level::Group:
        return u"g%1"_s.arg(h.group);
    case Scanning::Highlight::Level::Item:
        return u"i%1.%2"_s.arg(h.group).arg(h.item);
    case Scanning::Highlight::Level::None:
        break;
    }
    return u"stop"_s;
}

// Steps are "time:action": dN and uN put switch N down and up, pN does both at
// once, load gives the scan new groups, end lets the time pass.  The scan
// starts at 0; the clock ticks every 10 ms.  The log holds "time:highlight"
// for each move and "time:=slot" for each selection.
QString run(const Scanning::Timing &timing, const QString &script)
{
    Scanning::Scanner scanner(timing);
    QStringList log;
    Scanning::Highlight shown;
    qint64 now = 0;
    auto note = [&](int selected) {
        if (selected)
            log << u"%1:=%2"_s.arg(now).arg(selected);
        if (!(scanner.highlight() == shown) || log.isEmpty()) {
            shown = scanner.highlight();
            log << u"%1:%2"_s.arg(now).arg(where(shown));
        }
    };
    scanner.restart(kGroups, now);
    note(0);
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype colon = step.indexOf(u':');
        const qint64 at = step.left(colon).toLongLong();
        const QString action = step.mid(colon + 1);
        for (; now < at; now += 10)
            note(scanner.tick(now));
        now = at;
        note(scanner.tick(now));
        const int sw = action.mid(1).toInt();
        if (action.startsWith(u'd')) {
            note(scanner.press(sw, now));
        } else if (action.startsWith(u'u')) {
            note(scanner.release(sw, now));
        } else if (action.startsWith(u'p')) {
            note(scanner.press(sw, now));
            note(scanner.release(sw, now));
        } else if (action == u"load") {
            scanner.restart(kGroups, now);
            note(0);
        }
    }
    return log.join(u' ');
}

Scanning::Timing timing(Mode mode, Order order = Order::Groups, int loops = 2, int acceptMs = 0)
{
    Scanning::Timing t;
    t.mode = mode;
    t.order = order;
    t.intervalMs = 1000;
    t.firstItemPercent = 150;
    t.loops = loops;
    t.acceptMs = acceptMs;
    t.releaseMs = 100;
    return t;
}

} // namespace

class TestScanning : public QObject
{
    Q_OBJECT

private slots:
    void script_data();
    void script();
    void waitsOnlyWhenRunning();
};

void TestScanning::script_data()
{
    QTest::addColumn<Scanning::Timing>("timing");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("log");

    const auto automatic = timing(Mode::Automatic);
    // Interval 1000 ms, the first item of a level 1500 ms.
    QTest::newRow("group, then key; the first item waits longer")
            << automatic << u"1600:p1 3200:p1 3300:end"_s
            << u"0:g0 1500:g1 1600:i1.0 3100:i1.1 3200:=5 3200:g0"_s;
    QTest::newRow("switch 2 selects too")
            << automatic << u"1600:p2 1700:p2"_s << u"0:g0 1500:g1 1600:i1.0 1700:=4 1700:g0"_s;
    QTest::newRow("a group of one is its key")
            << automatic << u"2600:p1 2700:end"_s << u"0:g0 1500:g1 2500:g2 2600:=6 2600:g0"_s;
    QTest::newRow("two loops at the top, then it stops")
            << automatic << u"9000:end"_s
            << u"0:g0 1500:g1 2500:g2 3500:g0 5000:g1 6000:g2 7000:stop"_s;
    QTest::newRow("loop limit goes up a level; a press after the stop starts without selecting")
            << timing(Mode::Automatic, Order::Groups, 1) << u"1600:p1 6500:p1 8100:end"_s
            << u"0:g0 1500:g1 1600:i1.0 3100:i1.1 4100:g1 5100:g2 6100:stop 6500:g0 8000:g1"_s;
    QTest::newRow("linear: key by key")
            << timing(Mode::Automatic, Order::Linear) << u"2600:p1 2700:end"_s
            << u"0:i0.0 1500:i0.1 2500:i0.2 2600:=3 2600:i0.0"_s;
    QTest::newRow("linear stops after its loops")
            << timing(Mode::Automatic, Order::Linear, 1) << u"8000:end"_s
            << u"0:i0.0 1500:i0.1 2500:i0.2 3500:i0.3 4500:i0.4 5500:i0.5 6500:stop"_s;
    QTest::newRow("step: switch 1 moves, switch 2 selects, time moves nothing")
            << timing(Mode::Step) << u"500:p1 1000:p2 1500:p1 2000:p2 9000:end"_s
            << u"0:g0 500:g1 1000:i1.0 1500:i1.1 2000:=5 2000:g0"_s;
    QTest::newRow("step: stepping past the loops goes up")
            << timing(Mode::Step, Order::Groups, 1) << u"500:p2 1000:p1 1500:p1 2000:p1"_s
            << u"0:g0 500:i0.0 1000:i0.1 1500:i0.2 2000:g0"_s;
    QTest::newRow("held: moves while held, the release selects")
            << timing(Mode::Held) << u"1000:d1 3700:u1 4000:p1 4100:end"_s
            << u"0:g0 2500:g1 3500:g2 3700:=6 3700:g0 4000:i0.0"_s;
    QTest::newRow("acceptance: a short press does nothing")
            << timing(Mode::Automatic, Order::Groups, 2, 300)
            << u"1600:d1 1800:u1 2000:d1 2400:u1 2500:end"_s << u"0:g0 1500:g1 2300:i1.0"_s;
    QTest::newRow("bounces after a release are ignored")
            << automatic << u"1600:p1 1650:p1 1690:p1 1800:end"_s << u"0:g0 1500:g1 1600:i1.0"_s;
    QTest::newRow("auto-repeat is ignored")
            << automatic << u"1600:d1 1650:d1 1700:d1 1800:u1 1900:end"_s
            << u"0:g0 1500:g1 1600:i1.0"_s;
    QTest::newRow("a new keyboard restarts the scan")
            << automatic << u"1600:p1 2000:load 3600:end"_s
            << u"0:g0 1500:g1 1600:i1.0 2000:g0 3500:g1"_s;
    QTest::newRow("a stopped scan restarts on a new keyboard")
            << timing(Mode::Automatic, Order::Groups, 1) << u"4000:load 5600:end"_s
            << u"0:g0 1500:g1 2500:g2 3500:stop 4000:g0 5500:g1"_s;
}

void TestScanning::script()
{
    QFETCH(Scanning::Timing, timing);
    QFETCH(QString, script);
    QFETCH(QString, log);
    QCOMPARE(run(timing, script), log);
}

void TestScanning::waitsOnlyWhenRunning()
{
    // Stopped at the top, or in step mode, the window needs no timer.
    Scanning::Scanner scanner(timing(Mode::Automatic, Order::Groups, 1));
    scanner.restart(kGroups, 0);
    QCOMPARE(scanner.msUntilNext(0), 1500);
    scanner.tick(3500);
    QVERIFY(!scanner.running());
    QCOMPARE(scanner.msUntilNext(3500), -1);
    scanner.setTiming(timing(Mode::Step));
    scanner.restart(kGroups, 4000);
    QCOMPARE(scanner.msUntilNext(4000), -1);
    // Empty groups are dropped; with none the scan does not run.
    scanner.restart({ {}, { 0 } }, 5000);
    QVERIFY(!scanner.running());
}

QTEST_APPLESS_MAIN(TestScanning)
#include "tst_scanning.moc"
