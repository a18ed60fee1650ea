#pragma once

#include <QList>
#include <QPoint>
#include <QtGlobal>

// Dwell clicking without a window: the pointer rests on a target (a key, a
// suggestion button, Speak) and the target is selected once it has rested
// there for the lock-on time and then the target's completion time.  The
// caller reports where the pointer is and what lies under it, and passes the
// time in milliseconds; it asks for a tick while busy() holds.
//
// - Movements within a target are ignored.
// - Progress survives the pointer straying off the target for up to the
//   stray time: coming back resumes it.  Meanwhile another target builds up
//   its own dwell, and if that one completes first it is selected.
// - After a selection, and after the keys were replaced under the pointer,
//   the target under the pointer is disarmed: it builds no dwell until the
//   pointer has left it or moved the re-arm distance from where it was.
// - After a window or panel appeared, whatever comes to lie under the still
//   pointer builds no dwell until the pointer has moved the re-arm distance
//   from where it was, whether or not it left the target meanwhile: what
//   is under the pointer is not known until the new window is in place.
namespace Dwell {

struct Timing
{
    int lockOnMs = 250;
    int strayMs = 750;
    int rearmPx = 40;
};

// What lies under the pointer: id 0 is nothing that can be dwelt on.
struct Target
{
    int id = 0;
    int completionMs = 1000;
};

class Tracker
{
public:
    explicit Tracker(Timing timing = {}) : m_timing(timing) { }
    void setTiming(Timing timing) { m_timing = timing; }
    Timing timing() const { return m_timing; }

    // The pointer is at `pos` over `target`.  Returns the id of a target
    // selected by the time that has passed (0 for none).
    int pointer(const Target &target, QPoint pos, qint64 nowMs);
    // Time passes; returns the id of a target selected, 0 for none.
    int tick(qint64 nowMs);
    // The keys changed under the pointer (a keyboard was loaded): every dwell
    // is dropped and the target now under it is disarmed.
    void replaced(const Target &under, QPoint pos, qint64 nowMs);
    // A window or panel appeared under the pointer at `pos`: every dwell is
    // dropped and nothing builds dwell until the pointer has moved the re-arm
    // distance from there.
    void appeared(QPoint pos, qint64 nowMs);
    // Everything dropped, nothing disarmed (dwell turned off or paused).
    void reset();

    // Something changes with time alone: the caller keeps ticking.
    bool busy() const;
    // How far the target's dwell has filled, 0 to 1, counted after the
    // lock-on; below 0 when the target shows no progress.
    double progress(int id, qint64 nowMs) const;
    // The target has a dwell in progress: locking on, filling, or kept while
    // the pointer strays.
    bool inProgress(int id) const;
    // The targets with a dwell in progress: under the pointer, and strayed from.
    QList<int> active() const;
    // The target the pointer is over, as last reported.
    int under() const { return m_under; }
    // The disarmed target, 0 when none.
    int disarmed() const { return m_disarmed; }
    // A window appeared and the pointer has not moved far enough since.
    bool still() const { return m_still; }

private:
    struct Run
    {
        int id = 0;
        int completionMs = 0;
        qint64 elapsedMs = 0; // time on the target before `since`
        qint64 since = 0;     // when the pointer last came onto it
        qint64 leftAt = 0;    // when it strayed off (kept runs only)
    };
    qint64 elapsed(const Run &run, qint64 nowMs) const;
    qint64 clock(qint64 nowMs);
    void startOn(const Target &target, qint64 nowMs);
    void move(const Target &target, QPoint pos, qint64 nowMs);
    int fire();
    bool movedFar(QPoint pos, QPoint from) const;

    Timing m_timing;
    Run m_on;   // the dwell on the target under the pointer
    Run m_kept; // the dwell the pointer strayed off
    int m_under = 0;
    QPoint m_pos;
    int m_disarmed = 0;
    QPoint m_anchor; // where the pointer was when the target was disarmed
    bool m_still = false;
    QPoint m_stillAnchor; // where the pointer was when a window appeared
    qint64 m_last = 0;
};

} // namespace Dwell
