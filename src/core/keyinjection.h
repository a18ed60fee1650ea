#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

// Typing into other programs without a display: what live typing must send
// when the typing area changed, and which key presses type a text on the
// desktop's keyboard layout.  The backend answers the questions about the
// layout (which key and level carry a keysym, which key sets a modifier) and
// carries out the events; everything else is decided here.
namespace KeyInjection {

// Keysyms the plans use themselves.
inline constexpr quint32 kBackSpace = 0xff08;
inline constexpr quint32 kTab = 0xff09;
inline constexpr quint32 kReturn = 0xff0d;

// Live typing: the typing area went from `sent` (what the other program has)
// to `now`.  Texts are in the typing area's CR LF view.  The other program
// gets `backspaces` BackSpace presses, then `text` typed.  A BackSpace takes
// one character: a CR LF pair or a surrogate pair counts as one, and neither
// is ever split.
struct Change
{
    int backspaces = 0;
    QString text;
};
Change liveChange(const QString &sent, const QString &now);

// One thing for the backend to do, in order.
struct Event
{
    enum Type { Press, Release, Bind, Wait };
    Type type = Press;
    quint32 keycode = 0; // Press, Release, Bind
    quint32 keysym = 0;  // Bind: the keysym the keycode gets (0: none, given back)
    int ms = 0;          // Wait: how long before the next event

    bool operator==(const Event &o) const = default;
};

// Where a keysym sits in the current layout group.
struct Position
{
    quint32 keycode = 0; // 0: the group lacks the keysym
    quint32 modifiers =
            0; // the level's modifier mask (Shift 1, Lock 2, Control 4, Mod1 8 ... Mod5 0x80)
};

// The backend's view of the keyboard, asked while planning.
struct Keyboard
{
    std::function<quint32(char32_t)> keysymOf;           // 0 when the character has none
    std::function<Position(quint32 keysym)> find;        // in the current group, across its levels
    std::function<quint32(int modifierBit)> modifierKey; // a keycode setting 1 << bit, 0 when none
};

// Keycodes the layout leaves empty, bound for a moment to keysyms it lacks.
// A keycode keeps its keysym for at least the hold time (kHoldMs or more)
// after it was last pressed, so that a program still reading that press sees
// the keysym it was meant to have.  Times are milliseconds on any steady
// clock.
class SparePool
{
public:
    static constexpr int kHoldMs = 50;

    SparePool() = default;
    explicit SparePool(const QList<quint32> &keycodes, int holdMs = kHoldMs);

    int holdMs() const { return m_holdMs; }
    // A new hold time from now on (kHoldMs at least).
    void setHoldMs(int holdMs);

    bool isEmpty() const { return m_slots.isEmpty(); }
    bool contains(quint32 keycode) const;
    QList<quint32> keycodes() const;
    // The keycode bound to `keysym`, 0 when none.
    quint32 boundTo(quint32 keysym) const;
    // The keycodes that hold a keysym now, to be given back.
    QList<quint32> bound() const;
    // How long until every keycode may be rebound (0 when it may now).
    int msUntilFree(qint64 nowMs) const;

    // A keycode for `keysym` at `*nowMs`: one already bound to it, else one
    // bound to nothing yet, else one free to change now whose keysym is
    // needed latest (`nextUse` tells how soon a keysym is needed again;
    // larger is later), else the one free soonest, after a Wait (and
    // `*nowMs` moved on).  Appends the events to `out`; returns 0 when the
    // pool is empty.
    quint32 take(quint32 keysym, qint64 *nowMs, QList<Event> *out,
                 const std::function<qsizetype(quint32)> &nextUse = {});
    // The keycode was pressed at `nowMs`.
    void used(quint32 keycode, qint64 nowMs);
    // Every keycode pressed since the last call was last used at `nowMs`:
    // called when the planned events have really been sent, which is later
    // than planned.
    void sent(qint64 nowMs);
    // The keycode holds `keysym` (0: none) whatever the pool bound to it:
    // the layout was replaced meanwhile.
    void setBound(quint32 keycode, quint32 keysym);
    // All keycodes given back (the backend has unbound them).
    void clear();

private:
    struct Slot
    {
        quint32 keycode = 0;
        quint32 keysym = 0;
        qint64 lastUse = 0;
        bool everUsed = false;
        bool pending = false;
    };
    QList<Slot> m_slots;
    int m_holdMs = kHoldMs;
};

// The hold time of spare keycodes on a machine this busy: twice the least
// while the processors keep up, growing with the load average per
// processor beyond one (programs then read their events late), at most
// kLongestHoldMs.
inline constexpr int kLongestHoldMs = 1000;
int spareHoldMs(double loadAverage, int processors);

// The modifier keys held down when typing starts: released first, pressed
// again at the end.  (Locked modifiers such as Caps Lock are the backend's
// to clear and restore around the plan.)
struct Held
{
    QList<quint32> keys;
};

struct Plan
{
    QList<Event> events;
    int skipped = 0; // characters that have no keysym or no key to type them with
};

// The keysyms that type `text`: a line break (LF, CR or CR LF) as Return,
// Tab as Tab, every other character as `keysymOf` gives it.  Other control
// characters, lone surrogates and characters without a keysym (0) are
// skipped and counted in `*skipped`.
QList<quint32> textKeysyms(const QString &text, const std::function<quint32(char32_t)> &keysymOf,
                           int *skipped = nullptr);

// The characters of `text` that a keyboard layout has no key for, each once
// in the order they first come: those whose keysym (as textKeysyms gives it)
// `layoutHas` denies, and those without a keysym.  Return, Tab and BackSpace
// are on every layout; control characters and lone surrogates are never
// typed, so neither is reported.
QStringList missingCharacters(const QString &text, const std::function<quint32(char32_t)> &keysymOf,
                              const std::function<bool(quint32)> &layoutHas);

// The events that type `text`: a line break (LF, CR or CR LF) as Return, Tab
// as Tab, other control characters skipped; every character on its key and
// level with the level's modifiers pressed around it, one the layout lacks
// on a spare keycode.
Plan planText(const QString &text, const Keyboard &keyboard, const Held &held, SparePool *pool,
              qint64 nowMs);
// The same for a run of keysyms (BackSpace presses, for one).
Plan planKeysyms(const QList<quint32> &keysyms, const Keyboard &keyboard, const Held &held,
                 SparePool *pool, qint64 nowMs);

} // namespace KeyInjection
