// The virtual keyboard's keymap on any keysyms and any bound: every keysym
// asked for is typed with a keycode in range that holds it in the keymap in
// use at that moment; the keymap text is well-formed (balanced braces, each
// key named and numbered once, a symbol for each); growing never moves a key
// that stays; starting again happens only on a full keymap and keeps the
// fixed keys and the bound; a text whose keysyms fit needs one new keymap at
// most.
//
// An input can hand over thousands of keymaps (a small bound starts again on
// nearly every keysym), and each is read back: the reader below is written by
// hand, allocates nothing unless a property fails, reads a text it has read
// before only once, and is left out of the fuzzer's coverage (its branches
// tell nothing about the keymap's code).

#include "fuzzcheck.h"

#include "virtualkeymap.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kCodes = VirtualKeymap::maxKeycode + 1;

// The keycodes and keysyms a keymap text holds, or why it is not well-formed.
struct Parsed
{
    std::array<quint32, kCodes> keysymOf {}; // keycode -> keysym
    std::array<bool, kCodes> has {};
    std::array<int16_t, kCodes> codes {}; // the first `count` are those the text holds
    int count = 0;
    QString why;

    bool contains(int code) const { return code >= 0 && code < kCodes && has[code]; }
    quint32 value(int code) const { return contains(code) ? keysymOf[code] : 0; }
};

// A line of the text read from left to right.
class Line
{
public:
    Line(const char *begin, const char *end) : m_p(begin), m_end(end) { }

    // \s of a regular expression without Unicode properties.
    FUZZ_NO_COVERAGE static bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

    // Any spaces; with `some`, at least one.
    FUZZ_NO_COVERAGE bool spaces(bool some = false)
    {
        const char *from = m_p;
        while (m_p < m_end && isSpace(*m_p))
            ++m_p;
        return !some || m_p > from;
    }

    template<size_t N> FUZZ_NO_COVERAGE bool literal(const char (&s)[N])
    {
        constexpr size_t n = N - 1;
        if (size_t(m_end - m_p) < n)
            return false;
        for (size_t i = 0; i < n; ++i) {
            if (m_p[i] != s[i])
                return false;
        }
        m_p += n;
        return true;
    }

    // "<name>", the name anything without angle brackets.
    FUZZ_NO_COVERAGE bool name(QByteArrayView *name)
    {
        if (!literal("<"))
            return false;
        const char *from = m_p;
        while (m_p < m_end && *m_p != '<' && *m_p != '>')
            ++m_p;
        *name = QByteArrayView(from, m_p - from);
        return literal(">");
    }

    // One or more digits (with `hex`, lower-case hexadecimal ones); a value
    // beyond `max` reads as 0, as QString::toInt() and toUInt() have it.
    FUZZ_NO_COVERAGE bool number(bool hex, quint64 max, quint64 *value)
    {
        const char *from = m_p;
        quint64 v = 0;
        for (; m_p < m_end; ++m_p) {
            const char c = *m_p;
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else
                break;
            if (v <= max) // once beyond, it stays beyond
                v = v * (hex ? 16 : 10) + digit;
        }
        *value = v > max ? 0 : v;
        return m_p > from;
    }

    FUZZ_NO_COVERAGE bool atEnd() const { return m_p == m_end; }

private:
    const char *m_p;
    const char *m_end;
};

// Numbers other than 0 to small ones, without allocating: open addressing
// over at least twice as many slots as there are numbers.
template<int kBits> class Table
{
public:
    // The value of `key`, 0 when it has none.
    FUZZ_NO_COVERAGE int find(quint64 key) const
    {
        for (size_t i = slot(key);; i = (i + 1) % kSlots) {
            if (m_keys[i] == key)
                return m_values[i];
            if (m_keys[i] == 0)
                return 0;
        }
    }

    // Gives `key` a value other than 0 unless it has one; false if it had.
    FUZZ_NO_COVERAGE bool insert(quint64 key, int value)
    {
        size_t i = slot(key);
        for (; m_keys[i] != 0; i = (i + 1) % kSlots) {
            if (m_keys[i] == key)
                return false;
        }
        m_keys[i] = key;
        m_values[i] = int16_t(value);
        return true;
    }

private:
    static constexpr size_t kSlots = size_t(1) << kBits;
    FUZZ_NO_COVERAGE static size_t slot(quint64 key)
    {
        return size_t((key * 0x9E3779B97F4A7C15ull) >> (64 - kBits));
    }
    std::array<quint64, kSlots> m_keys {};
    std::array<int16_t, kSlots> m_values {};
};

// Key names (one to four bytes, as XKB has them) to keycodes.
using NameTable = Table<9>;
static_assert(512 >= 2 * kCodes);

// A name as a number other than 0: its bytes and its length.
FUZZ_NO_COVERAGE quint64 packName(QByteArrayView name)
{
    quint64 bytes = 0;
    for (char c : name)
        bytes = bytes << 8 | uint8_t(c);
    return quint64(name.size()) << 32 | bytes;
}

// The first brace in [begin, end), or end.
FUZZ_NO_COVERAGE const char *firstBrace(const char *begin, const char *end)
{
    const size_t n = size_t(end - begin);
    const char *open = static_cast<const char *>(std::memchr(begin, '{', n));
    const char *close = static_cast<const char *>(std::memchr(begin, '}', n));
    if (!open)
        return close ? close : end;
    return close ? std::min(open, close) : open;
}

Parsed failed(const QString &why)
{
    Parsed p;
    p.why = why;
    return p;
}

FUZZ_NO_COVERAGE Parsed parse(const QByteArray &text)
{
    enum class Section { Other, Keycodes, Symbols };
    Parsed p;
    NameTable codeOf; // key name -> keycode
    std::array<bool, kCodes> withSymbol {};
    int symbols = 0;
    int depth = 0;
    Section section = Section::Other;
    const char *const textEnd = text.constData() + text.size();
    // Every line, the empty one after a last line break included.
    for (const char *begin = text.constData(), *end = nullptr; end != textEnd; begin = end + 1) {
        end = static_cast<const char *>(std::memchr(begin, '\n', size_t(textEnd - begin)));
        if (!end)
            end = textEnd;
        const auto at = [begin, end] {
            return shown(QString::fromLatin1(begin, qsizetype(end - begin)));
        };
        const int before = depth;
        // From the first brace on (most lines have none).
        const char *brace = firstBrace(begin, end);
        for (const char *c = brace; c < end; ++c) {
            depth += *c == '{' ? 1 : *c == '}' ? -1 : 0;
            if (depth < 0)
                return failed(QStringLiteral("a brace closes nothing: ") + at());
        }
        // Sections open at the second level; their lines stay there.  A
        // section is named by the line's first word (up to a space) after
        // any white space.
        if (before == 1 && depth == 2) {
            const char *word = begin;
            while (word < end
                   && (Line::isSpace(*word) || uint8_t(*word) == 0x85 || uint8_t(*word) == 0xA0))
                ++word;
            const char *wordEnd = word;
            while (wordEnd < end && *wordEnd != ' ')
                ++wordEnd;
            const QByteArrayView name(word, wordEnd - word);
            section = name == "xkb_keycodes"  ? Section::Keycodes
                      : name == "xkb_symbols" ? Section::Symbols
                                              : Section::Other;
        }
        if (before != 2 || depth != 2)
            continue;
        const QByteArrayView whole(begin, end - begin);
        Line line(begin, end);
        QByteArrayView name;
        if (section == Section::Keycodes && !whole.contains("imum = ")) {
            // <name> = code;
            quint64 code = 0;
            if (!(line.spaces() && line.name(&name) && line.spaces() && line.literal("=")
                  && line.spaces() && line.number(false, std::numeric_limits<int>::max(), &code)
                  && line.literal(";") && line.atEnd()))
                return failed(QStringLiteral("not a keycode: ") + at());
            if (name.isEmpty() || name.size() > 4)
                return failed(QStringLiteral("a key name XKB cannot hold: ") + at());
            const quint64 packed = packName(name);
            if (codeOf.find(packed) || (code < kCodes && p.has[code]))
                return failed(QStringLiteral("named or numbered twice: ") + at());
            if (code < 8 || code > VirtualKeymap::maxKeycode)
                return failed(QStringLiteral("keycode outside minimum and maximum: ") + at());
            codeOf.insert(packed, int(code));
            p.has[code] = true;
            p.keysymOf[code] = 0;
            p.codes[p.count++] = int16_t(code);
        } else if (section == Section::Symbols) {
            // key <name> { [ 0xkeysym ] };
            quint64 keysym = 0;
            if (!(line.spaces() && line.literal("key") && line.spaces(true) && line.name(&name)
                  && line.spaces() && line.literal("{") && line.spaces() && line.literal("[")
                  && line.spaces() && line.literal("0x")
                  && line.number(true, std::numeric_limits<quint32>::max(), &keysym)
                  && line.spaces() && line.literal("]") && line.spaces() && line.literal("};")
                  && line.atEnd()))
                return failed(QStringLiteral("not a key: ") + at());
            const int code = name.isEmpty() || name.size() > 4 ? 0 : codeOf.find(packName(name));
            if (!code || withSymbol[code])
                return failed(QStringLiteral("a key without a keycode, or twice: ") + at());
            withSymbol[code] = true;
            ++symbols;
            p.keysymOf[code] = quint32(keysym);
        }
    }
    if (depth != 0)
        return failed(QStringLiteral("braces left open: %1").arg(depth));
    if (symbols != p.count)
        return failed(QStringLiteral("%1 keycodes, %2 keys").arg(p.count).arg(symbols));
    return p;
}

// The same keymaps come again and again (a small bound hands over one for
// nearly every keysym, from a few keysyms): a text read once is not read
// again.  The well-formed texts read are kept, byte for byte, in storage of a
// fixed size that is emptied when full: nothing is allocated, so that
// libFuzzer sees no memory kept from one input to the next (it would look for
// a leak after every input).
class KnownKeymaps
{
public:
    FUZZ_NO_COVERAGE const Parsed &read(const QByteArray &text)
    {
        const size_t hash = qHash(QByteArrayView(text));
        size_t i = hash % kSlots;
        for (; m_slots[i].used; i = (i + 1) % kSlots) {
            const Slot &slot = m_slots[i];
            if (slot.hash == hash && slot.size == text.size()
                && std::memcmp(m_bytes.data() + slot.at, text.constData(), size_t(text.size()))
                           == 0)
                return slot.parsed;
        }
        m_read = parse(text);
        if (!m_read.why.isEmpty() || text.size() > qsizetype(m_bytes.size()))
            return m_read;
        if (m_count >= kSlots / 2 || m_kept + text.size() > qsizetype(m_bytes.size())) {
            for (Slot &slot : m_slots) // slot i among them
                slot.used = false;
            m_count = 0;
            m_kept = 0;
        }
        Slot &slot = m_slots[i];
        slot.used = true;
        slot.hash = hash;
        slot.at = m_kept;
        slot.size = text.size();
        slot.parsed = m_read;
        std::memcpy(m_bytes.data() + m_kept, text.constData(), size_t(text.size()));
        m_kept += text.size();
        ++m_count;
        return slot.parsed;
    }

private:
    struct Slot
    {
        bool used = false;
        size_t hash = 0;
        qsizetype at = 0;
        qsizetype size = 0;
        Parsed parsed;
    };
    static constexpr size_t kSlots = 2048;
    std::array<Slot, kSlots> m_slots {};
    std::array<char, 8 << 20> m_bytes {};
    size_t m_count = 0;
    qsizetype m_kept = 0;
    Parsed m_read; // the last text that is not kept
};

const Parsed &read(const QByteArray &text)
{
    static KnownKeymaps known;
    return known.read(text);
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

// How many different keysyms the keymap in use and the text have together.
FUZZ_NO_COVERAGE qsizetype differentKeysyms(const Parsed &inUse, const QList<quint32> &keysyms)
{
    static_assert(2048 >= 2 * (kCodes + 300));
    Table<11> seen; // keysym + 1 (so that none is 0) -> 1
    qsizetype different = 0;
    for (int i = 0; i < inUse.count; ++i)
        different += seen.insert(quint64(inUse.keysymOf[inUse.codes[i]]) + 1, 1);
    for (quint32 k : keysyms) {
        if (k)
            different += seen.insert(quint64(k) + 1, 1);
    }
    return different;
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
    Parsed inUse = read(inUseText);
    FUZZ_CHECK(inUse.why.isEmpty(), inUse.why);

    // A round asks for up to 300 keysyms, and at most twice the keymap's
    // capacity and 16 more: enough to fill it and start again twice in one
    // round.  More would let a small bound hand over a keymap for nearly
    // every keysym, each one more start again like the one before.
    const int perRound = int(std::min<qsizetype>(300, 2 * capacity + 16));
    // The rounds stop once the input has handed over 64 KB of keymaps (four
    // full ones, fifty of a small bound): a further round could only fill the
    // keymap and start it again once more, as the rounds before did.  Until
    // then every round goes as before, twelve at most.
    constexpr qsizetype keymapBytes = 64 * 1024;
    qsizetype handedOverBytes = 0;
    QList<quint32> keysyms;
    for (int round = 0; round < 12 && in.remaining() > 0 && handedOverBytes < keymapBytes;
         ++round) {
        if (in.takeByte() == 0xff) {
            keymap.reset();
            FUZZ_CHECK(keymap.keyCount() == 3, QString());
            inUseText = keymap.text();
            inUse = read(inUseText);
            FUZZ_CHECK(inUse.why.isEmpty(), inUse.why);
        }
        keysyms.clear();
        for (int n = int(in.takeInt(perRound)); n > 0 && in.remaining() > 0; --n)
            keysyms.append(takeKeysym(in));
        // Made only for a failure's message.
        const auto at = [&] {
            return QStringLiteral("round %1, %2 keysyms, bound %3")
                    .arg(round)
                    .arg(keysyms.size())
                    .arg(lastKeycode);
        };

        const qsizetype needed = differentKeysyms(inUse, keysyms);

        const QList<VirtualKeymap::Run> runs = keymap.plan(keysyms);
        qsizetype next = 0; // the keysym the next keycode types
        int handedOver = 0;
        for (const VirtualKeymap::Run &run : runs) {
            FUZZ_CHECK(!run.keycodes.isEmpty(), at());
            // A new run is there for a new keymap.
            FUZZ_CHECK(&run == &runs.front() || !run.keymap.isEmpty(), at());
            if (!run.keymap.isEmpty()) {
                ++handedOver;
                handedOverBytes += run.keymap.size();
                const Parsed &grown = read(run.keymap);
                FUZZ_CHECK(grown.why.isEmpty(), at() + u' ' + grown.why);
                FUZZ_CHECK(grown.count <= capacity, at());
                // Keycodes are handed out from the first one on, without gaps.
                for (int code = 0; code < grown.count; ++code)
                    FUZZ_CHECK(grown.contains(VirtualKeymap::firstKeycode + code), at());
                FUZZ_CHECK(grown.value(9) == VirtualKeymap::returnKeysym
                                   && grown.value(10) == VirtualKeymap::backSpaceKeysym
                                   && grown.value(11) == VirtualKeymap::tabKeysym,
                           at());
                // A keymap with room only grows; a full one may start again.
                if (inUse.count < capacity) {
                    for (int i = 0; i < inUse.count; ++i) {
                        const int code = inUse.codes[i];
                        FUZZ_CHECK(grown.value(code) == inUse.keysymOf[code],
                                   at() + QStringLiteral(" keycode %1 moved").arg(code));
                    }
                    FUZZ_CHECK(grown.count > inUse.count, at());
                }
                inUse = grown;
                inUseText = run.keymap;
            }
            for (int code : run.keycodes) {
                while (next < keysyms.size() && keysyms.at(next) == 0)
                    ++next;
                FUZZ_CHECK(next < keysyms.size(), at() + QStringLiteral(" more keys than keysyms"));
                FUZZ_CHECK(code >= VirtualKeymap::firstKeycode && code <= lastKeycode,
                           at() + QStringLiteral(" keycode %1").arg(code));
                FUZZ_CHECK(inUse.value(code) == keysyms.at(next),
                           at()
                                   + QStringLiteral(" keycode %1 holds %2, not %3")
                                             .arg(code)
                                             .arg(inUse.value(code), 0, 16)
                                             .arg(keysyms.at(next), 0, 16));
                ++next;
            }
        }
        while (next < keysyms.size() && keysyms.at(next) == 0)
            ++next;
        FUZZ_CHECK(next == keysyms.size(), at() + QStringLiteral(" keysyms left untyped"));
        if (needed <= capacity)
            FUZZ_CHECK(handedOver <= 1, at() + QStringLiteral(" %1 keymaps").arg(handedOver));

        // What the object holds is what the compositor was last given.
        FUZZ_CHECK(keymap.text() == inUseText, at());
        FUZZ_CHECK(keymap.keyCount() == inUse.count, at());
        for (int i = 0; i < inUse.count; ++i) {
            const int code = inUse.codes[i];
            FUZZ_CHECK(keymap.keycode(inUse.keysymOf[code]) == code, at());
        }
    }
    return 0;
}
