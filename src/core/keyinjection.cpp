#include "keyinjection.h"

#include <algorithm>

namespace KeyInjection {

namespace {

QChar charAt(const QString &s, qsizetype i)
{
    return i < s.size() ? s.at(i) : QChar();
}

// The character at i takes two code units: a CR LF pair or a surrogate pair.
bool pairAt(const QString &s, qsizetype i)
{
    if (i + 1 >= s.size())
        return false;
    const QChar c = s.at(i);
    const QChar next = s.at(i + 1);
    return (c == u'\r' && next == u'\n') || (c.isHighSurrogate() && next.isLowSurrogate());
}

} // namespace

Change liveChange(const QString &sent, const QString &now)
{
    const qsizetype shorter = std::min(sent.size(), now.size());
    qsizetype p = 0;
    while (p < shorter && sent.at(p) == now.at(p))
        ++p;
    // Step back when the common part ends inside a pair of either text.
    while (p > 0) {
        const QChar last = sent.at(p - 1);
        const QChar a = charAt(sent, p);
        const QChar b = charAt(now, p);
        const bool splitsLineBreak = last == u'\r' && (a == u'\n' || b == u'\n');
        const bool splitsSurrogates =
                last.isHighSurrogate() && (a.isLowSurrogate() || b.isLowSurrogate());
        if (!splitsLineBreak && !splitsSurrogates)
            break;
        --p;
    }
    Change change;
    for (qsizetype i = p; i < sent.size(); i += pairAt(sent, i) ? 2 : 1)
        ++change.backspaces;
    change.text = now.mid(p);
    return change;
}

SparePool::SparePool(const QList<quint32> &keycodes, int holdMs)
    : m_holdMs(std::max(holdMs, int(kHoldMs)))
{
    for (quint32 keycode : keycodes) {
        if (keycode != 0 && !contains(keycode))
            m_slots.append(Slot { keycode });
    }
}

void SparePool::setHoldMs(int holdMs)
{
    m_holdMs = std::max(holdMs, int(kHoldMs));
}

int spareHoldMs(double loadAverage, int processors)
{
    const double perProcessor = loadAverage / std::max(processors, 1);
    const int least = 2 * SparePool::kHoldMs;
    // Not a number, negative or below one: the least.
    if (!(perProcessor > 1.0))
        return least;
    if (perProcessor * least >= kLongestHoldMs)
        return kLongestHoldMs;
    return int(perProcessor * least);
}

bool SparePool::contains(quint32 keycode) const
{
    return std::any_of(m_slots.cbegin(), m_slots.cend(),
                       [&](const Slot &s) { return s.keycode == keycode; });
}

QList<quint32> SparePool::keycodes() const
{
    QList<quint32> out;
    for (const Slot &s : m_slots)
        out.append(s.keycode);
    return out;
}

quint32 SparePool::boundTo(quint32 keysym) const
{
    for (const Slot &s : m_slots) {
        if (keysym != 0 && s.keysym == keysym)
            return s.keycode;
    }
    return 0;
}

QList<quint32> SparePool::bound() const
{
    QList<quint32> out;
    for (const Slot &s : m_slots) {
        if (s.keysym != 0)
            out.append(s.keycode);
    }
    return out;
}

int SparePool::msUntilFree(qint64 nowMs) const
{
    qint64 wait = 0;
    for (const Slot &s : m_slots) {
        if (s.everUsed)
            wait = std::max(wait, s.lastUse + m_holdMs - nowMs);
    }
    return int(std::min<qint64>(wait, m_holdMs));
}

quint32 SparePool::take(quint32 keysym, qint64 *nowMs, QList<Event> *out,
                        const std::function<qsizetype(quint32)> &nextUse)
{
    if (m_slots.isEmpty())
        return 0;
    if (const quint32 keycode = boundTo(keysym))
        return keycode;
    const qint64 now = *nowMs;
    auto waitFor = [&](const Slot &s) {
        return s.everUsed ? std::max<qint64>(0, s.lastUse + m_holdMs - now) : 0;
    };
    auto later = [&](const Slot &s) { return nextUse && s.keysym ? nextUse(s.keysym) : 0; };
    // Unbound and never used first; then no wait, the keysym needed latest;
    // then the shortest wait.
    auto pick = std::min_element(m_slots.begin(), m_slots.end(), [&](const Slot &a, const Slot &b) {
        if (a.everUsed != b.everUsed)
            return !a.everUsed;
        const qint64 wa = waitFor(a), wb = waitFor(b);
        if ((wa == 0) != (wb == 0))
            return wa == 0;
        if (wa != wb)
            return wa < wb;
        const qsizetype la = later(a), lb = later(b);
        if (la != lb)
            return la > lb;
        return a.lastUse < b.lastUse;
    });
    if (const qint64 wait = waitFor(*pick); wait > 0) {
        out->append(Event { Event::Wait, 0, 0, int(wait) });
        *nowMs += wait;
    }
    pick->keysym = keysym;
    out->append(Event { Event::Bind, pick->keycode, keysym, 0 });
    return pick->keycode;
}

void SparePool::used(quint32 keycode, qint64 nowMs)
{
    for (Slot &s : m_slots) {
        if (s.keycode == keycode) {
            s.lastUse = nowMs;
            s.everUsed = true;
            s.pending = true;
        }
    }
}

void SparePool::sent(qint64 nowMs)
{
    for (Slot &s : m_slots) {
        if (s.pending) {
            s.lastUse = std::max(s.lastUse, nowMs);
            s.pending = false;
        }
    }
}

void SparePool::setBound(quint32 keycode, quint32 keysym)
{
    for (Slot &s : m_slots) {
        if (s.keycode == keycode)
            s.keysym = keysym;
    }
}

void SparePool::clear()
{
    for (Slot &s : m_slots)
        s.keysym = 0;
}

Plan planKeysyms(const QList<quint32> &keysyms, const Keyboard &keyboard, const Held &held,
                 SparePool *pool, qint64 nowMs)
{
    Plan plan;
    QList<Event> &out = plan.events;
    auto tap = [&](quint32 keycode) {
        out.append(Event { Event::Press, keycode });
        out.append(Event { Event::Release, keycode });
    };
    for (quint32 key : held.keys)
        out.append(Event { Event::Release, key });

    qint64 clock = nowMs;
    qsizetype index = 0;
    // How far ahead a keysym is needed again (the end when never).
    auto nextUse = [&](quint32 keysym) {
        const qsizetype at = keysyms.indexOf(keysym, index + 1);
        return at < 0 ? keysyms.size() : at;
    };
    for (; index < keysyms.size(); ++index) {
        const quint32 keysym = keysyms.at(index);
        if (keysym == 0) {
            ++plan.skipped;
            continue;
        }
        const Position pos = keyboard.find ? keyboard.find(keysym) : Position();
        QList<quint32> modifiers;
        // A spare keycode the layout shows goes through the pool, which
        // knows when it may change.
        bool onLayout = pos.keycode != 0 && !(pool && pool->contains(pos.keycode));
        for (int bit = 0; onLayout && bit < 8; ++bit) {
            if (!(pos.modifiers & (1u << bit)))
                continue;
            // Lock is a toggle, not a key to hold.
            const quint32 key = bit == 1 || !keyboard.modifierKey ? 0 : keyboard.modifierKey(bit);
            if (key == 0)
                onLayout = false;
            else if (!modifiers.contains(key))
                modifiers.append(key);
        }
        quint32 keycode = pos.keycode;
        if (!onLayout) {
            modifiers.clear();
            keycode = pool ? pool->take(keysym, &clock, &out, nextUse) : 0;
            if (keycode == 0) {
                ++plan.skipped;
                continue;
            }
        }
        for (quint32 key : modifiers)
            out.append(Event { Event::Press, key });
        tap(keycode);
        for (auto it = modifiers.crbegin(); it != modifiers.crend(); ++it)
            out.append(Event { Event::Release, *it });
        if (pool && pool->contains(keycode))
            pool->used(keycode, clock);
    }

    for (quint32 key : held.keys)
        out.append(Event { Event::Press, key });
    return plan;
}

namespace {

// Walks `text` as typing takes it, calling `each(at, length, keysym)` for
// every character: a line break (CR LF one) gives Return, Tab gives Tab;
// keysym 0 for a character that has none, and ~0 for one that is never
// typed (another control character, a lone surrogate).
constexpr quint32 kNeverTyped = ~0u;

template<typename Each>
void walk(const QString &text, const std::function<quint32(char32_t)> &keysymOf, Each each)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype at = i;
        const QChar c = text.at(i);
        char32_t code = c.unicode();
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && charAt(text, i + 1) == u'\n')
                ++i;
            each(at, i + 1 - at, kReturn);
            continue;
        }
        if (c == u'\t') {
            each(at, 1, kTab);
            continue;
        }
        if (c.isHighSurrogate() && charAt(text, i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, text.at(i + 1));
            ++i;
        } else if (c.isSurrogate()) {
            each(at, 1, kNeverTyped);
            continue;
        }
        const bool control = code < 0x20 || (code >= 0x7f && code < 0xa0);
        if (control)
            each(at, 1, kNeverTyped);
        else
            each(at, i + 1 - at, keysymOf ? keysymOf(code) : 0);
    }
}

} // namespace

QList<quint32> textKeysyms(const QString &text, const std::function<quint32(char32_t)> &keysymOf,
                           int *skipped)
{
    QList<quint32> keysyms;
    keysyms.reserve(text.size());
    int missing = 0;
    walk(text, keysymOf, [&](qsizetype, qsizetype, quint32 keysym) {
        if (keysym == 0 || keysym == kNeverTyped)
            ++missing;
        else
            keysyms.append(keysym);
    });
    if (skipped)
        *skipped = missing;
    return keysyms;
}

QStringList missingCharacters(const QString &text, const std::function<quint32(char32_t)> &keysymOf,
                              const std::function<bool(quint32)> &layoutHas)
{
    QStringList missing;
    walk(text, keysymOf, [&](qsizetype at, qsizetype length, quint32 keysym) {
        if (keysym == kNeverTyped || keysym == kReturn || keysym == kTab || keysym == kBackSpace)
            return;
        if (keysym != 0 && layoutHas && layoutHas(keysym))
            return;
        const QString character = text.mid(at, length);
        if (!missing.contains(character))
            missing.append(character);
    });
    return missing;
}

Plan planText(const QString &text, const Keyboard &keyboard, const Held &held, SparePool *pool,
              qint64 nowMs)
{
    int skipped = 0;
    const QList<quint32> keysyms = textKeysyms(text, keyboard.keysymOf, &skipped);
    Plan plan = planKeysyms(keysyms, keyboard, held, pool, nowMs);
    plan.skipped += skipped;
    return plan;
}

} // namespace KeyInjection
