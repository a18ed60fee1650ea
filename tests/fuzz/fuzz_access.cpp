// Dwell and scanning driven by any sequence of pointer moves, switch presses
// and ticks: a dwell selects only a target the pointer went to, never a
// disarmed one, nothing after a window appeared until the pointer moved the
// re-arm distance, and its progress stays between 0 and 1; a scan selects only
// slots of its groups, its highlight always stands on one, and it never asks
// to be ticked in the past.

#include "fuzzcheck.h"

#include "dwell.h"
#include "scanning.h"

#include <QSet>

namespace {

void fuzzDwell(FuzzInput &in)
{
    Dwell::Tracker tracker({ int(in.takeInt(2000)), int(in.takeInt(3000)), int(in.takeInt(200)) });
    qint64 now = 0;
    QSet<int> visited;
    const int rearm = tracker.timing().rearmPx;
    bool still = false; // a window appeared and the pointer has not moved far
    QPoint anchor;
    for (int step = 0; step < 64 && in.remaining() > 0; ++step) {
        now += in.takeInt(3000);
        const int disarmed = tracker.disarmed();
        int selected = 0;
        switch (in.takeByte() % 5) {
        case 0:
        case 1: {
            const Dwell::Target target { int(in.takeByte() % 5), 200 + int(in.takeInt(4800)) };
            const QPoint pos(int(in.takeInt(400)), int(in.takeInt(400)));
            if (target.id)
                visited.insert(target.id);
            // Time before the move counts while the pointer was still.
            selected = tracker.tick(now);
            if (!selected) {
                const QPoint d = pos - anchor;
                if (still && qint64(d.x()) * d.x() + qint64(d.y()) * d.y() >= qint64(rearm) * rearm)
                    still = false;
                selected = tracker.pointer(target, pos, now);
            }
            break;
        }
        case 2:
            selected = tracker.tick(now);
            break;
        case 3: {
            anchor = QPoint(int(in.takeInt(400)), int(in.takeInt(400)));
            tracker.appeared(anchor, now);
            still = true;
            break;
        }
        default:
            tracker.replaced({ int(in.takeByte() % 5), 1000 }, QPoint(), now);
            break;
        }
        const QString at = QStringLiteral("step %1 at %2 ms").arg(step).arg(now);
        if (selected) {
            FUZZ_CHECK(visited.contains(selected), at);
            FUZZ_CHECK(selected != disarmed || disarmed == 0 || tracker.under() != disarmed, at);
            FUZZ_CHECK(!still, at + QStringLiteral(" a window had just appeared"));
        }
        for (int id : tracker.active()) {
            const double p = tracker.progress(id, now);
            FUZZ_CHECK(std::isfinite(p) && p <= 1.0, at + QStringLiteral(" progress %1").arg(p));
        }
    }
}

void fuzzScanning(FuzzInput &in)
{
    Scanning::Timing timing;
    timing.mode = Scanning::Mode(in.takeByte() % 3);
    timing.order = Scanning::Order(in.takeByte() % 2);
    timing.intervalMs = 100 + int(in.takeInt(3000));
    timing.firstItemPercent = 100 + int(in.takeInt(200));
    timing.loops = 1 + int(in.takeInt(4));
    timing.acceptMs = int(in.takeInt(500));
    timing.releaseMs = int(in.takeInt(500));
    Scanning::Scanner scanner(timing);

    QList<QList<int>> groups;
    QSet<int> known;
    const int groupCount = int(in.takeInt(6));
    int nextSlot = 1;
    for (int g = 0; g < groupCount; ++g) {
        QList<int> group;
        for (int n = int(in.takeInt(12)); n > 0; --n) {
            group.append(nextSlot);
            known.insert(nextSlot++);
        }
        groups.append(group);
    }
    qint64 now = 0;
    scanner.restart(groups, now);
    for (int step = 0; step < 64 && in.remaining() > 0; ++step) {
        const qint64 wait = scanner.msUntilNext(now);
        const QString at = QStringLiteral("step %1 at %2 ms").arg(step).arg(now);
        FUZZ_CHECK(wait < 0 || wait < 3600 * 1000, at + QStringLiteral(" wait %1").arg(wait));
        now += in.takeInt(4000);
        int selected = 0;
        switch (in.takeByte() % 3) {
        case 0:
            selected = scanner.press(1 + in.takeByte() % 2, now);
            break;
        case 1:
            selected = scanner.release(1 + in.takeByte() % 2, now);
            break;
        default:
            selected = scanner.tick(now);
            break;
        }
        if (selected)
            FUZZ_CHECK(known.contains(selected), at + QStringLiteral(" selected %1").arg(selected));
        for (int slot : scanner.highlighted())
            FUZZ_CHECK(known.contains(slot), at + QStringLiteral(" highlights %1").arg(slot));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    if (in.takeBool())
        fuzzDwell(in);
    else
        fuzzScanning(in);
    return 0;
}
