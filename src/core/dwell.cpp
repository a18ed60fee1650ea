#include "dwell.h"

#include <algorithm>

namespace Dwell {

qint64 Tracker::clock(qint64 nowMs)
{
    // A clock that steps back is read as standing still.
    m_last = std::max(m_last, nowMs);
    return m_last;
}

qint64 Tracker::elapsed(const Run &run, qint64 nowMs) const
{
    if (run.id == 0)
        return 0;
    return run.elapsedMs + (&run == &m_on ? nowMs - run.since : 0);
}

void Tracker::startOn(const Target &target, qint64 nowMs)
{
    m_on = Run {};
    if (target.id == 0 || target.id == m_disarmed)
        return;
    if (target.id == m_kept.id) {
        // Back on the target it strayed from: the progress goes on.
        m_on = m_kept;
        m_on.since = nowMs;
        m_kept = Run {};
        return;
    }
    m_on = Run { target.id, target.completionMs, 0, nowMs, 0 };
}

int Tracker::pointer(const Target &target, QPoint pos, qint64 nowMs)
{
    nowMs = clock(nowMs);
    // Time that passed before the move counts first: a selection it makes
    // disarms the target where the pointer was.
    const int fired = tick(nowMs);
    move(target, pos, nowMs);
    return fired;
}

bool Tracker::movedFar(QPoint pos, QPoint from) const
{
    const QPoint moved = pos - from;
    return qint64(moved.x()) * moved.x() + qint64(moved.y()) * moved.y()
           >= qint64(m_timing.rearmPx) * m_timing.rearmPx;
}

void Tracker::move(const Target &target, QPoint pos, qint64 nowMs)
{
    m_pos = pos;
    if (m_still) {
        if (!movedFar(pos, m_stillAnchor)) {
            m_under = target.id;
            return;
        }
        // Moved far enough: what is under the pointer now starts afresh.
        m_still = false;
        m_under = 0;
    }
    if (m_disarmed != 0) {
        const bool far = movedFar(pos, m_anchor);
        if (target.id != m_disarmed || far) {
            const bool stillOn = target.id == m_disarmed;
            m_disarmed = 0;
            if (stillOn) {
                m_under = target.id;
                startOn(target, nowMs);
                return;
            }
        }
    }
    if (target.id == m_under)
        return;

    // Onto another target: a dwell that had locked on is kept for the stray
    // time; one still locking on is dropped.  The target it moved onto may be
    // the one kept before, whose dwell goes on.
    Run leaving = m_on;
    leaving.elapsedMs = elapsed(m_on, nowMs);
    leaving.leftAt = nowMs;
    m_on = Run {};
    m_under = target.id;
    startOn(target, nowMs);
    if (leaving.id != 0 && leaving.elapsedMs >= m_timing.lockOnMs && m_timing.strayMs > 0)
        m_kept = leaving;
}

int Tracker::fire()
{
    const int id = m_on.id;
    m_on = Run {};
    m_kept = Run {};
    m_disarmed = id;
    m_anchor = m_pos;
    return id;
}

int Tracker::tick(qint64 nowMs)
{
    nowMs = clock(nowMs);
    if (m_kept.id != 0 && nowMs - m_kept.leftAt > m_timing.strayMs)
        m_kept = Run {};
    if (m_on.id != 0 && elapsed(m_on, nowMs) >= qint64(m_timing.lockOnMs) + m_on.completionMs)
        return fire();
    return 0;
}

void Tracker::replaced(const Target &under, QPoint pos, qint64 nowMs)
{
    clock(nowMs);
    m_on = Run {};
    m_kept = Run {};
    m_under = under.id;
    m_pos = pos;
    m_disarmed = under.id;
    m_anchor = pos;
}

void Tracker::appeared(QPoint pos, qint64 nowMs)
{
    clock(nowMs);
    m_on = Run {};
    m_kept = Run {};
    m_pos = pos;
    m_still = true;
    m_stillAnchor = pos;
}

void Tracker::reset()
{
    m_on = Run {};
    m_kept = Run {};
    m_under = 0;
    m_disarmed = 0;
    m_still = false;
}

bool Tracker::busy() const
{
    return m_on.id != 0 || m_kept.id != 0;
}

double Tracker::progress(int id, qint64 nowMs) const
{
    nowMs = std::max(nowMs, m_last);
    const Run *run = id == 0           ? nullptr
                     : id == m_on.id   ? &m_on
                     : id == m_kept.id ? &m_kept
                                       : nullptr;
    if (!run)
        return -1;
    const qint64 filled = elapsed(*run, nowMs) - m_timing.lockOnMs;
    if (filled < 0)
        return -1;
    return std::min(1.0, double(filled) / std::max(1, run->completionMs));
}

QList<int> Tracker::active() const
{
    QList<int> ids;
    for (const Run *run : { &m_on, &m_kept }) {
        if (run->id != 0)
            ids.append(run->id);
    }
    return ids;
}

bool Tracker::inProgress(int id) const
{
    return id != 0 && (id == m_on.id || id == m_kept.id);
}

} // namespace Dwell
