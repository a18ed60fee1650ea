// Dwell clicking on a stepped clock: each row is a script of pointer moves,
// keyboard loads and looks at the progress, and the log of what happened.

#include "dwell.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Target 7 stands for a suggestion button with a longer time of its own.
int completionOf(int id)
{
    return id == 7 ? 2000 : 1000;
}

// Steps are "time:action" separated by spaces.  Actions:
//   N or N@x,y   the pointer is over target N (0 or - for nothing)
//   load=N       the keys were replaced; N is under the still pointer
//   shown        a window appeared under the still pointer
//   ?N           log the progress of N in percent ("-" when none shows)
//   !N           log whether N has a dwell in progress (!N) or not (~N)
//   end          only let the time pass
// The clock ticks every 10 ms in between; a selection logs "N@time".
QString run(const QString &script)
{
    Dwell::Tracker tracker;
    QStringList log;
    QPoint pos;
    qint64 now = 0;
    auto fired = [&](int id, qint64 at) {
        if (id)
            log << u"%1@%2"_s.arg(id).arg(at);
    };
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype colon = step.indexOf(u':');
        const qint64 at = step.left(colon).toLongLong();
        const QString action = step.mid(colon + 1);
        for (; now < at; now += 10)
            fired(tracker.tick(now), now);
        now = at;
        if (action.startsWith(u'?')) {
            const double p = tracker.progress(action.mid(1).toInt(), now);
            log << u"%1=%2@%3"_s.arg(action, p < 0 ? u"-"_s : QString::number(qRound(p * 100)))
                            .arg(now);
        } else if (action.startsWith(u'!')) {
            const int id = action.mid(1).toInt();
            log << u"%1%2@%3"_s.arg(tracker.inProgress(id) ? u"!"_s : u"~"_s).arg(id).arg(now);
        } else if (action.startsWith(u"load="_s)) {
            const int id = action.mid(5).toInt();
            tracker.replaced({ id, completionOf(id) }, pos, now);
        } else if (action == u"shown") {
            tracker.appeared(pos, now);
        } else if (action != u"end") {
            const QStringList parts = action.split(u'@');
            if (parts.size() > 1) {
                const QStringList xy = parts.at(1).split(u',');
                pos = QPoint(xy.value(0).toInt(), xy.value(1).toInt());
            }
            const int id = parts.at(0) == u"-" ? 0 : parts.at(0).toInt();
            fired(tracker.pointer({ id, completionOf(id) }, pos, now), now);
        }
    }
    return log.join(u' ');
}

} // namespace

class TestDwell : public QObject
{
    Q_OBJECT

private slots:
    void script_data();
    void script();
    void restsWithoutTicks();
};

void TestDwell::script_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("log");

    // Lock-on 250 ms, completion 1000 ms (2000 ms for target 7), stray 750 ms,
    // re-arm distance 40 px.
    QTest::newRow("lock-on then completion") << u"0:1 3000:-"_s << u"1@1250"_s;
    QTest::newRow("a target's own time") << u"0:7 4000:-"_s << u"7@2250"_s;
    QTest::newRow("moves within the key are ignored")
            << u"0:1@0,0 500:1@30,0 1000:1@5,25 3000:-"_s << u"1@1250"_s;
    QTest::newRow("progress fills after the lock-on")
            << u"0:1 200:?1 250:?1 750:?1 1000:?1 1300:?1"_s
            << u"?1=-@200 ?1=0@250 ?1=50@750 ?1=75@1000 1@1250 ?1=-@1300"_s;
    QTest::newRow("leaving during the lock-on starts over")
            << u"0:1 200:- 300:1 3000:-"_s << u"1@1550"_s;
    QTest::newRow("straying and coming back goes on")
            << u"0:1 750:- 1000:?1 1000:1 3000:-"_s << u"?1=50@1000 1@1500"_s;
    QTest::newRow("straying too long starts over")
            << u"0:1 750:- 1600:?1 1600:1 4000:-"_s << u"?1=-@1600 1@2850"_s;
    QTest::newRow("back from a neighbour within the stray time")
            << u"0:1 500:2 900:1 3000:-"_s << u"1@1650"_s;
    QTest::newRow("a neighbour that completes first is selected")
            << u"0:1 500:2 900:?1 3000:-"_s << u"?1=25@900 2@1750"_s;
    QTest::newRow("a still pointer selects once") << u"0:1@10,10 9000:-"_s << u"1@1250"_s;
    QTest::newRow("a small move does not re-arm")
            << u"0:1@10,10 2000:1@39,10 5000:-"_s << u"1@1250"_s;
    QTest::newRow("moving the distance re-arms")
            << u"0:1@10,10 2000:1@50,10 5000:-"_s << u"1@1250 1@3250"_s;
    QTest::newRow("leaving re-arms") << u"0:1 2000:- 2100:1 5000:-"_s << u"1@1250 1@3350"_s;
    QTest::newRow("a key loaded under the pointer waits")
            << u"0:3@10,10 100:load=4 3000:4@12,10 6000:-"_s << QString();
    QTest::newRow("... until the pointer moves away")
            << u"0:3@10,10 100:load=4 3000:4@70,10 6000:-"_s << u"4@4250"_s;
    QTest::newRow("... or leaves it and comes back")
            << u"0:3@10,10 100:load=4 3000:5 3100:4 6000:-"_s << u"4@4350"_s;
    QTest::newRow("a load drops the progress")
            << u"0:1 1000:load=1 1000:?1 5000:-"_s << u"?1=-@1000"_s;
    QTest::newRow("a link key selected: the new key waits")
            << u"0:2@5,5 1300:load=2 8000:end"_s << u"2@1250"_s;
    // A window that appears under the pointer: what comes under it waits
    // for a move of the distance, whatever the pointer crosses meanwhile.
    QTest::newRow("a window shown under a still pointer waits")
            << u"0:1@10,10 100:shown 150:6@10,10 9000:-"_s << QString();
    QTest::newRow("... over a target that was there before, too")
            << u"0:1@10,10 500:shown 600:1@10,10 9000:-"_s << QString();
    QTest::newRow("... and a small move onto another target")
            << u"0:-@10,10 100:shown 200:6@10,10 1000:5@30,10 9000:-"_s << QString();
    QTest::newRow("... until it moved the distance")
            << u"0:-@10,10 100:shown 200:6@10,10 1000:6@10,55 9000:-"_s << u"6@2250"_s;
    QTest::newRow("... or left and came back from far")
            << u"0:-@10,10 100:shown 200:6@10,10 1000:-@90,10 1100:6@12,10 9000:-"_s << u"6@2350"_s;
    QTest::newRow("a window shown drops the progress")
            << u"0:1@10,10 800:shown 800:?1 9000:-"_s << u"?1=-@800"_s;
    QTest::newRow("the freeze holds from the lock-on while strayed")
            << u"0:7 100:!7 500:- 900:!7 1400:!7"_s << u"!7@100 !7@900 ~7@1400"_s;
    QTest::newRow("no freeze after leaving during the lock-on")
            << u"0:7 100:- 150:!7"_s << u"~7@150"_s;
}

void TestDwell::script()
{
    QFETCH(QString, script);
    QFETCH(QString, log);
    QCOMPARE(run(script), log);
}

void TestDwell::restsWithoutTicks()
{
    // Once the selection is made the window can stop its timer: a still
    // pointer needs no ticks, and neither does a pointer over nothing.
    Dwell::Tracker tracker;
    QCOMPARE(tracker.pointer({ 1, 1000 }, {}, 0), 0);
    QVERIFY(tracker.busy());
    QCOMPARE(tracker.tick(1250), 1);
    QVERIFY(!tracker.busy());
    tracker.pointer({ 0, 1000 }, {}, 1300);
    QVERIFY(!tracker.busy());
    // A stray keeps it busy until the kept progress expires.
    tracker.pointer({ 2, 1000 }, {}, 2000);
    tracker.pointer({ 0, 1000 }, {}, 2500);
    QVERIFY(tracker.busy());
    tracker.tick(3300);
    QVERIFY(!tracker.busy());
}

QTEST_APPLESS_MAIN(TestDwell)
#include "tst_dwell.moc"
