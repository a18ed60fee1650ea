// The virtual keyboard's keymap on any keysyms and any bound: every keysym
// asked for is typed with a keycode in range that holds it in the keymap in
// use at that moment; the keymap text is well-formed (balanced braces, each
// key named and numbered once, a symbol for each); growing never moves a key
// that stays; starting again happens only on a full keymap and keeps the
// fixed keys and the bound; a text whose keysyms fit needs one new keymap at
// most.

#include "fuzzcheck.h"

#include "virtualkeymap.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

// The keycodes and keysyms a keymap text holds, or why it is not well-formed.
struct Parsed
{
    QHash<int, quint32> keysymOf; // keycode -> keysym
    QString why;
};

Parsed parse(const QByteArray &text)
{
    static const QRegularExpression codeLine(QStringLiteral("^\\s*<([^<>]*)>\\s*=\\s*(\\d+);$"));
    static const QRegularExpression keyLine(QStringLiteral(
            "^\\s*key\\s+<([^<>]*)>\\s*\\{\\s*\\[\\s*0x([0-9a-f]+)\\s*\\]\\s*\\};$"));
    Parsed p;
    QHash<QString, int> codeOf; // key name -> keycode
    QSet<QString> withSymbol;
    int depth = 0;
    QString section;
    const QStringList lines = QString::fromLatin1(text).split(u'\n');
    for (const QString &line : lines) {
        const auto at = [&line] { return shown(line); };
        const int before = depth;
        for (QChar c : line) {
            depth += c == u'{' ? 1 : c == u'}' ? -1 : 0;
            if (depth < 0)
                return { {}, QStringLiteral("a brace closes nothing: ") + at() };
        }
        // Sections open at the second level; their lines stay there.
        if (before == 1 && depth == 2)
            section = line.trimmed().section(u' ', 0, 0);
        if (before != 2 || depth != 2)
            continue;
        if (section == u"xkb_keycodes" && !line.contains(QStringLiteral("imum = "))) {
            const auto m = codeLine.match(line);
            if (!m.hasMatch())
                return { {}, QStringLiteral("not a keycode: ") + at() };
            const QString name = m.captured(1);
            const int code = m.captured(2).toInt();
            if (name.isEmpty() || name.size() > 4)
                return { {}, QStringLiteral("a key name XKB cannot hold: ") + at() };
            if (codeOf.contains(name) || p.keysymOf.contains(code))
                return { {}, QStringLiteral("named or numbered twice: ") + at() };
            if (code < 8 || code > VirtualKeymap::maxKeycode)
                return { {}, QStringLiteral("keycode outside minimum and maximum: ") + at() };
            codeOf.insert(name, code);
            p.keysymOf.insert(code, 0);
        } else if (section == u"xkb_symbols") {
            const auto m = keyLine.match(line);
            if (!m.hasMatch())
                return { {}, QStringLiteral("not a key: ") + at() };
            const QString name = m.captured(1);
            if (!codeOf.contains(name) || withSymbol.contains(name))
                return { {}, QStringLiteral("a key without a keycode, or twice: ") + at() };
            withSymbol.insert(name);
            p.keysymOf.insert(codeOf.value(name), m.captured(2).toUInt(nullptr, 16));
        }
    }
    if (depth != 0)
        return { {}, QStringLiteral("braces left open: %1").arg(depth) };
    if (withSymbol.size() != codeOf.size())
        return { {},
                 QStringLiteral("%1 keycodes, %2 keys").arg(codeOf.size()).arg(withSymbol.size()) };
    return p;
}

// Keysyms from a small set, so that they repeat, or anything at all.
quint32 takeKeysym(FuzzInput &in)
{
    static const quint32 common[] = { 0,      'a',    'b',    'c',       0xe9,      0x20ac,
                                      0xff0d, 0xff08, 0xff09, 0x101f600, 0x1000142, 0x3b1 };
    const uint8_t b = in.takeByte();
    if (b < 160)
        return quint32(common[b % std::size(common)]);
    if (b < 250)
        return 0x1000000u + in.takeInt(400); // a run of different characters
    return in.takeInt(std::numeric_limits<uint32_t>::max());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const int asked = int(in.takeInt(300)) - 20;
    VirtualKeymap keymap(asked);
    const qsizetype capacity = keymap.capacity();
    const int lastKeycode = VirtualKeymap::firstKeycode + int(capacity) - 1;
    FUZZ_CHECK(lastKeycode
                       == std::clamp(asked, VirtualKeymap::firstKeycode + 3,
                                     VirtualKeymap::maxKeycode),
               QString::number(asked));

    // The keymap the compositor has: handed over at the start and with each run.
    QByteArray inUseText = keymap.text();
    Parsed inUse = parse(inUseText);
    FUZZ_CHECK(inUse.why.isEmpty(), inUse.why);

    for (int round = 0; round < 12 && in.remaining() > 0; ++round) {
        if (in.takeByte() == 0xff) {
            keymap.reset();
            FUZZ_CHECK(keymap.keyCount() == 3, QString());
            inUseText = keymap.text();
            inUse = parse(inUseText);
        }
        QList<quint32> keysyms;
        for (int n = int(in.takeInt(300)); n > 0 && in.remaining() > 0; --n)
            keysyms.append(takeKeysym(in));
        const QString at = QStringLiteral("round %1, %2 keysyms, bound %3")
                                   .arg(round)
                                   .arg(keysyms.size())
                                   .arg(lastKeycode);

        QSet<quint32> needed(inUse.keysymOf.cbegin(), inUse.keysymOf.cend());
        for (quint32 k : std::as_const(keysyms)) {
            if (k)
                needed.insert(k);
        }

        const QList<VirtualKeymap::Run> runs = keymap.plan(keysyms);
        qsizetype next = 0; // the keysym the next keycode types
        int handedOver = 0;
        for (const VirtualKeymap::Run &run : runs) {
            FUZZ_CHECK(!run.keycodes.isEmpty(), at);
            // A new run is there for a new keymap.
            FUZZ_CHECK(&run == &runs.front() || !run.keymap.isEmpty(), at);
            if (!run.keymap.isEmpty()) {
                ++handedOver;
                Parsed grown = parse(run.keymap);
                FUZZ_CHECK(grown.why.isEmpty(), at + u' ' + grown.why);
                FUZZ_CHECK(grown.keysymOf.size() <= capacity, at);
                // Keycodes are handed out from the first one on, without gaps.
                for (int code = 0; code < grown.keysymOf.size(); ++code)
                    FUZZ_CHECK(grown.keysymOf.contains(VirtualKeymap::firstKeycode + code), at);
                FUZZ_CHECK(grown.keysymOf.value(9) == VirtualKeymap::returnKeysym
                                   && grown.keysymOf.value(10) == VirtualKeymap::backSpaceKeysym
                                   && grown.keysymOf.value(11) == VirtualKeymap::tabKeysym,
                           at);
                // A keymap with room only grows; a full one may start again.
                if (inUse.keysymOf.size() < capacity) {
                    for (auto it = inUse.keysymOf.cbegin(); it != inUse.keysymOf.cend(); ++it)
                        FUZZ_CHECK(grown.keysymOf.value(it.key()) == it.value(),
                                   at + QStringLiteral(" keycode %1 moved").arg(it.key()));
                    FUZZ_CHECK(grown.keysymOf.size() > inUse.keysymOf.size(), at);
                }
                inUse = grown;
                inUseText = run.keymap;
            }
            for (int code : run.keycodes) {
                while (next < keysyms.size() && keysyms.at(next) == 0)
                    ++next;
                FUZZ_CHECK(next < keysyms.size(), at + QStringLiteral(" more keys than keysyms"));
                FUZZ_CHECK(code >= VirtualKeymap::firstKeycode && code <= lastKeycode,
                           at + QStringLiteral(" keycode %1").arg(code));
                FUZZ_CHECK(inUse.keysymOf.value(code) == keysyms.at(next),
                           at
                                   + QStringLiteral(" keycode %1 holds %2, not %3")
                                             .arg(code)
                                             .arg(inUse.keysymOf.value(code), 0, 16)
                                             .arg(keysyms.at(next), 0, 16));
                ++next;
            }
        }
        while (next < keysyms.size() && keysyms.at(next) == 0)
            ++next;
        FUZZ_CHECK(next == keysyms.size(), at + QStringLiteral(" keysyms left untyped"));
        if (needed.size() <= capacity)
            FUZZ_CHECK(handedOver <= 1, at + QStringLiteral(" %1 keymaps").arg(handedOver));

        // What the object holds is what the compositor was last given.
        FUZZ_CHECK(keymap.text() == inUseText, at);
        FUZZ_CHECK(keymap.keyCount() == inUse.keysymOf.size(), at);
        for (auto it = inUse.keysymOf.cbegin(); it != inUse.keysymOf.cend(); ++it)
            FUZZ_CHECK(keymap.keycode(it.value()) == it.key(), at);
    }
    return 0;
}
