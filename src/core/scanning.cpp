#include "scanning.h"

#include <algorithm>

namespace Scanning {

using Level = Highlight::Level;

void Scanner::restart(const QList<QList<int>> &groups, qint64 nowMs)
{
    m_groups.clear();
    if (m_timing.order == Order::Linear) {
        QList<int> all;
        for (const QList<int> &g : groups)
            all += g;
        all.removeAll(0);
        if (!all.isEmpty())
            m_groups.append(all);
    } else {
        for (QList<int> g : groups) {
            g.removeAll(0);
            if (!g.isEmpty())
                m_groups.append(g);
        }
    }
    toTop(nowMs);
}

void Scanner::stop()
{
    m_at = Highlight {};
    m_next = -1;
    m_loops = 0;
}

void Scanner::toTop(qint64 nowMs)
{
    m_loops = 0;
    if (m_groups.isEmpty()) {
        stop();
        return;
    }
    if (m_timing.order == Order::Linear)
        m_at = Highlight { Level::Item, 0, 0 };
    else
        m_at = Highlight { Level::Group, 0, -1 };
    schedule(nowMs);
}

int Scanner::levelSize() const
{
    switch (m_at.level) {
    case Level::Group:
        return static_cast<int>(m_groups.size());
    case Level::Item:
        return static_cast<int>(m_groups.at(m_at.group).size());
    case Level::None:
        break;
    }
    return 0;
}

int Scanner::position() const
{
    return m_at.level == Level::Item ? m_at.item : m_at.group;
}

bool Scanner::held() const
{
    return std::any_of(m_switches.begin(), m_switches.end(),
                       [](const Switch &s) { return s.down && s.accepted && !s.bounce; });
}

void Scanner::schedule(qint64 nowMs)
{
    m_next = -1;
    if (m_at.level == Level::None)
        return;
    if (m_timing.mode == Mode::Step || (m_timing.mode == Mode::Held && !held()))
        return;
    const qint64 interval = std::max(1, m_timing.intervalMs);
    m_next = nowMs + (position() == 0 ? interval * m_timing.firstItemPercent / 100 : interval);
}

void Scanner::advance(qint64 nowMs)
{
    if (m_at.level == Level::None)
        return;
    int next = position() + 1;
    if (next >= levelSize()) {
        next = 0;
        if (++m_loops >= std::max(1, m_timing.loops)) {
            // Back up a level, to the group it came from; at the top, stop.
            m_loops = 0;
            if (m_at.level == Level::Item && m_timing.order == Order::Groups) {
                m_at = Highlight { Level::Group, m_at.group, -1 };
                schedule(nowMs);
            } else {
                stop();
            }
            return;
        }
    }
    if (m_at.level == Level::Item)
        m_at.item = next;
    else
        m_at.group = next;
    schedule(nowMs);
}

int Scanner::selectCurrent(qint64 nowMs)
{
    if (m_at.level == Level::Group) {
        const QList<int> &group = m_groups.at(m_at.group);
        if (group.size() > 1) {
            m_at = Highlight { Level::Item, m_at.group, 0 };
            m_loops = 0;
            schedule(nowMs);
            return 0;
        }
        // A group of one is its slot.
        const int slot = group.first();
        toTop(nowMs);
        return slot;
    }
    if (m_at.level == Level::Item) {
        const int slot = m_groups.at(m_at.group).at(m_at.item);
        toTop(nowMs);
        return slot;
    }
    return 0;
}

int Scanner::accept(int index, qint64 nowMs)
{
    m_switches[index].accepted = true;
    if (m_at.level == Level::None) {
        // A press at the top after the scan stopped starts it again.
        toTop(nowMs);
        return 0;
    }
    switch (m_timing.mode) {
    case Mode::Automatic:
        return selectCurrent(nowMs);
    case Mode::Step:
        if (index == 0) {
            advance(nowMs);
            return 0;
        }
        return selectCurrent(nowMs);
    case Mode::Held:
        // The highlight stays where it is for a while: a short press selects it.
        schedule(nowMs);
        return 0;
    }
    return 0;
}

int Scanner::press(int switchNumber, qint64 nowMs)
{
    if (switchNumber != 1 && switchNumber != 2)
        return 0;
    Switch &s = m_switches[switchNumber - 1];
    if (s.down)
        return 0; // auto-repeat, or a press without its release
    s.down = true;
    s.accepted = false;
    s.downAt = nowMs;
    s.bounce = s.released && nowMs - s.releasedAt < m_timing.releaseMs;
    if (s.bounce || m_timing.acceptMs > 0)
        return 0;
    return accept(switchNumber - 1, nowMs);
}

int Scanner::release(int switchNumber, qint64 nowMs)
{
    if (switchNumber != 1 && switchNumber != 2)
        return 0;
    Switch &s = m_switches[switchNumber - 1];
    if (!s.down)
        return 0;
    const bool counted = s.accepted && !s.bounce;
    s.down = false;
    s.released = true;
    s.releasedAt = nowMs;
    if (!counted || m_timing.mode != Mode::Held || m_at.level == Level::None)
        return 0;
    m_next = -1;
    return selectCurrent(nowMs);
}

int Scanner::tick(qint64 nowMs)
{
    for (int i = 0; i < 2; ++i) {
        Switch &s = m_switches[i];
        if (s.down && !s.accepted && !s.bounce && nowMs - s.downAt >= m_timing.acceptMs) {
            if (const int slot = accept(i, s.downAt + m_timing.acceptMs))
                return slot;
        }
    }
    // Each move counts from the time it was due, so a late tick catches up.
    for (int guard = 0; m_next >= 0 && nowMs >= m_next && guard < 10000; ++guard)
        advance(m_next);
    return 0;
}

qint64 Scanner::msUntilNext(qint64 nowMs) const
{
    qint64 next = m_next;
    for (const Switch &s : m_switches) {
        if (s.down && !s.accepted && !s.bounce) {
            const qint64 due = s.downAt + m_timing.acceptMs;
            next = next < 0 ? due : std::min(next, due);
        }
    }
    return next < 0 ? -1 : std::max<qint64>(0, next - nowMs);
}

QList<int> Scanner::highlighted() const
{
    switch (m_at.level) {
    case Level::Group:
        return m_groups.at(m_at.group);
    case Level::Item:
        return { m_groups.at(m_at.group).at(m_at.item) };
    case Level::None:
        break;
    }
    return {};
}

} // namespace Scanning
