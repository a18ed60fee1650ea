// Live typing and key plans on any text, layout and timing: the difference
// applied to the old text gives the new one; a plan types exactly the
// characters it can reach, every key it presses it releases, the user's
// modifiers end as they began, and no spare keycode changes its keysym
// within the hold time of its last press, however long sending takes and
// however the hold time changes between plans.  The characters a layout
// lacks are in the text, each once, and none when it lacks none.

#include "fuzzcheck.h"

#include "keyinjection.h"

#include <QHash>
#include <QSet>

using namespace KeyInjection;

namespace {

constexpr quint32 kModifierBase = 100; // keycode of modifier bit n is 100 + n
constexpr quint32 kSpareBase = 200;

void fuzzLiveChange(FuzzInput &in)
{
    const QString sent = utf16From(in.takeUntil('\xff'));
    const QString now =
            sent.left(in.takeInt(uint32_t(sent.size()))) + utf16From(in.takeUntil('\xff'));
    const Change change = liveChange(sent, now);
    const QString detail = shown(sent) + QStringLiteral(" -> ") + shown(now);
    QString text = sent;
    for (int i = 0; i < change.backspaces; ++i) {
        FUZZ_CHECK(!text.isEmpty(), detail);
        const bool pair = text.size() > 1
                          && (text.endsWith(QStringLiteral("\r\n"))
                              || (text.back().isLowSurrogate()
                                  && text.at(text.size() - 2).isHighSurrogate()));
        text.chop(pair ? 2 : 1);
    }
    FUZZ_CHECK(text + change.text == now, detail);
}

quint32 keysymOf(char32_t c)
{
    if (c == 0xfffe)
        return 0; // a character without a keysym
    return c < 0x100 ? quint32(c) : 0x1000000u | quint32(c);
}

void fuzzPlans(FuzzInput &in)
{
    // The layout: some characters on keys of their own, each on a level with
    // some modifiers; some modifiers have a key.
    static const QList<char32_t> alphabet = { U'a', U'A', U'b',  U' ',  U'.',  U'é', U'€',  U'ł',
                                              U'Ł', U'😀', U'\r', U'\n', U'\t', 0x01, 0xfffe };
    static const quint32 masks[] = { 0, 1, 0x80, 0x81, 0x20, 2, 0x04 };
    QHash<quint32, Position> keys;
    QHash<QPair<quint32, quint32>, quint32> typedBy; // (keycode, mask) -> keysym
    for (qsizetype i = 0; i < alphabet.size(); ++i) {
        const char32_t c = alphabet.at(i);
        const quint32 keysym = c == U'\r' || c == U'\n' ? kReturn : c == U'\t' ? kTab : keysymOf(c);
        if (keysym && !keys.contains(keysym) && in.takeByte() % 4 != 0) {
            const Position pos { quint32(10 + i), masks[in.takeByte() % std::size(masks)] };
            keys.insert(keysym, pos);
            typedBy.insert({ pos.keycode, pos.modifiers }, keysym);
        }
    }
    const uint8_t modifierKeys = in.takeByte();
    Keyboard keyboard;
    keyboard.keysymOf = keysymOf;
    keyboard.find = [&](quint32 keysym) { return keys.value(keysym); };
    keyboard.modifierKey = [&](int bit) {
        return modifierKeys & (1u << bit) ? kModifierBase + bit : 0u;
    };

    QList<quint32> spares;
    for (int i = int(in.takeInt(12)); i > 0; --i)
        spares.append(kSpareBase + i);
    SparePool pool(spares, int(in.takeInt(150)));
    QHash<quint32, quint32> bindings; // spare keycode -> keysym
    QHash<quint32, qint64> lastPress; // spare keycode -> when last pressed

    qint64 clock = 0;
    for (int round = 0; round < 8 && in.remaining() > 0; ++round) {
        // The machine got busier or calmer: a new hold time from now on.
        if (in.takeByte() % 4 == 0)
            pool.setHoldMs(int(in.takeInt(400)));
        Held held;
        const uint8_t heldBits = in.takeByte();
        for (int bit = 0; bit < 8; ++bit) {
            if (heldBits & (1u << bit))
                held.keys.append(kModifierBase + bit);
        }

        QString text;
        for (int n = int(in.takeInt(24)); n > 0; --n)
            text += QString::fromUcs4(&alphabet.at(in.takeByte() % alphabet.size()), 1);
        if (in.takeBool())
            text += utf16From(in.takeFront(in.takeByte() % 16));

        // What should arrive: every character with a keysym that a key or a
        // spare keycode can reach; CR LF is one Return.
        QList<quint32> expected;
        QSet<QString> lacking;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype start = i;
            char32_t c = text.at(i).unicode();
            if (text.at(i).isHighSurrogate() && i + 1 < text.size()
                && text.at(i + 1).isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
                ++i;
            }
            quint32 keysym = c == U'\r' || c == U'\n' ? kReturn : c == U'\t' ? kTab : keysymOf(c);
            if (c == U'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            if (c < 0x20 && c != U'\r' && c != U'\n' && c != U'\t')
                keysym = 0;
            if ((c >= 0x7f && c < 0xa0) || (c >= 0xd800 && c < 0xe000))
                keysym = 0;
            const bool neverTyped = (c < 0x20 && c != U'\r' && c != U'\n' && c != U'\t')
                                    || (c >= 0x7f && c < 0xa0) || (c >= 0xd800 && c < 0xe000);
            if (!neverTyped && keysym != kReturn && keysym != kTab
                && (keysym == 0 || !keys.contains(keysym)))
                lacking.insert(text.mid(start, i + 1 - start));
            const Position pos = keys.value(keysym);
            bool reachable = pos.keycode && !(pos.modifiers & 2);
            for (int bit = 0; bit < 8; ++bit) {
                if (pos.modifiers & (1u << bit) && !keyboard.modifierKey(bit))
                    reachable = false;
            }
            if (keysym && (reachable || !spares.isEmpty()))
                expected.append(keysym);
        }

        const Plan plan = planText(text, keyboard, held, &pool, clock);
        const QString at = QStringLiteral("round %1 text %2").arg(round).arg(shown(text));

        const QStringList missing = missingCharacters(
                text, keysymOf, [&](quint32 keysym) { return keys.contains(keysym); });
        FUZZ_CHECK(QSet<QString>(missing.cbegin(), missing.cend()) == lacking
                           && missing.size() == lacking.size(),
                   at + QStringLiteral(" lacks ") + missing.join(u' '));
        for (const QString &character : missing)
            FUZZ_CHECK(text.contains(character), at);

        QSet<quint32> down(held.keys.cbegin(), held.keys.cend());
        QList<quint32> typed;
        for (const Event &e : plan.events) {
            clock += in.takeByte() % 4; // sending takes its time
            switch (e.type) {
            case Event::Wait:
                FUZZ_CHECK(e.ms > 0 && e.ms <= pool.holdMs(), at);
                clock += e.ms;
                break;
            case Event::Bind:
                FUZZ_CHECK(spares.contains(e.keycode), at);
                if (lastPress.contains(e.keycode) && bindings.value(e.keycode) != e.keysym)
                    FUZZ_CHECK(clock - lastPress.value(e.keycode) >= SparePool::kHoldMs
                                       && clock - lastPress.value(e.keycode) >= pool.holdMs(),
                               at
                                       + QStringLiteral(" keycode %1 rebound after %2 ms")
                                                 .arg(e.keycode)
                                                 .arg(clock - lastPress.value(e.keycode)));
                bindings.insert(e.keycode, e.keysym);
                break;
            case Event::Press: {
                FUZZ_CHECK(!down.contains(e.keycode), at);
                down.insert(e.keycode);
                if (e.keycode >= kModifierBase && e.keycode < kModifierBase + 8)
                    break;
                if (e.keycode >= kSpareBase) {
                    lastPress.insert(e.keycode, clock);
                    FUZZ_CHECK(down.size() == 1, at); // no modifier on a spare keycode
                    typed.append(bindings.value(e.keycode));
                    break;
                }
                quint32 mask = 0;
                for (quint32 key : std::as_const(down)) {
                    if (key >= kModifierBase && key < kModifierBase + 8)
                        mask |= 1u << (key - kModifierBase);
                }
                typed.append(typedBy.value({ e.keycode, mask }));
                break;
            }
            case Event::Release:
                FUZZ_CHECK(down.contains(e.keycode), at);
                down.remove(e.keycode);
                if (e.keycode >= kSpareBase)
                    lastPress.insert(e.keycode, clock);
                break;
            }
        }
        FUZZ_CHECK(down == QSet<quint32>(held.keys.cbegin(), held.keys.cend()), at);
        auto hex = [](const QList<quint32> &l) {
            QStringList out;
            for (quint32 k : l)
                out << QString::number(k, 16);
            return out.join(u' ');
        };
        FUZZ_CHECK(typed == expected, at + QStringLiteral(" typed ") + hex(typed)
                                              + QStringLiteral(" expected ") + hex(expected));
        pool.sent(clock);
        clock += in.takeInt(80);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    if (in.takeBool())
        fuzzLiveChange(in);
    else
        fuzzPlans(in);
    return 0;
}
