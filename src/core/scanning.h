#pragma once

#include <QList>
#include <QtGlobal>

#include <array>

// Switch scanning without a window: a highlight steps over groups of slots
// (the suggestion row, each row of keys, the Speak button), and within the
// chosen group over its slots, and one or two switches select.  The caller
// passes the time in milliseconds and ticks when msUntilNext() says so;
// slots are the caller's ids (never 0).
//
// Modes: automatic (the highlight moves by itself, a switch selects), step
// (switch 1 moves, switch 2 selects) and advance-while-held (the highlight
// moves while a switch is held and its release selects).  In linear order
// the slots are scanned one by one with no group level.
//
// After `loops` rounds without a selection the scan goes back up a level;
// at the top it stops until the next switch press, which starts it again
// without selecting.  The first item of a level waits longer than the others.
// A switch counts once it has been held for the acceptance time; presses
// within the release time after a release are bounces and are ignored, and
// so is a second press while the switch is down (auto-repeat).
namespace Scanning {

enum class Mode { Automatic, Step, Held };
enum class Order { Groups, Linear };

struct Timing
{
    Mode mode = Mode::Automatic;
    Order order = Order::Groups;
    int intervalMs = 1200;
    int firstItemPercent = 150;
    int loops = 2;
    int acceptMs = 0;
    int releaseMs = 100;
};

struct Highlight
{
    enum class Level { None, Group, Item };
    Level level = Level::None;
    int group = -1; // index into the groups
    int item = -1;  // index into the group (Item level)
    bool operator==(const Highlight &) const = default;
};

class Scanner
{
public:
    explicit Scanner(Timing timing = {}) : m_timing(timing) { }
    void setTiming(Timing timing) { m_timing = timing; }
    Timing timing() const { return m_timing; }

    // New groups (empty ones are dropped): the scan starts again at the top.
    void restart(const QList<QList<int>> &groups, qint64 nowMs);
    // The scan stops; the next switch press starts it again.
    void stop();

    // Switch 1 or 2 went down or up.  Each returns the slot selected, 0 for none.
    int press(int switchNumber, qint64 nowMs);
    int release(int switchNumber, qint64 nowMs);
    // Time passes; returns the slot selected, 0 for none.
    int tick(qint64 nowMs);
    // Milliseconds until something happens by time alone; -1 for never.
    qint64 msUntilNext(qint64 nowMs) const;

    Highlight highlight() const { return m_at; }
    // The slots under the highlight: a whole group, or one slot.
    QList<int> highlighted() const;
    const QList<QList<int>> &groups() const { return m_groups; }
    bool running() const { return m_at.level != Highlight::Level::None; }

private:
    struct Switch
    {
        bool down = false;
        bool accepted = false;
        bool bounce = false;
        qint64 downAt = 0;
        qint64 releasedAt = 0;
        bool released = false; // releasedAt is set
    };
    int accept(int index, qint64 nowMs);
    int selectCurrent(qint64 nowMs);
    void toTop(qint64 nowMs);
    void advance(qint64 nowMs);
    void schedule(qint64 nowMs);
    bool held() const;
    int levelSize() const;
    int position() const;

    Timing m_timing;
    QList<QList<int>> m_groups;
    Highlight m_at;
    int m_loops = 0;
    qint64 m_next = -1; // the next move by time, -1 for none
    std::array<Switch, 2> m_switches {};
};

} // namespace Scanning
