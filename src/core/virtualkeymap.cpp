#include "virtualkeymap.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Key names have at most four characters (XKB's limit).
QByteArray keyName(int keycode)
{
    return "<K" + QByteArray::number(keycode).rightJustified(3, '0') + '>';
}

// The lines of the keycodes and symbols sections for every keycode, made
// once: a keymap of n keys takes the first n lines of each.  A keycode line
// is as it stays; a symbols line is of a fixed length and holds a keysym's
// eight hexadecimal digits at a fixed place, zeros here.
struct KeyLines
{
    QByteArray keycodes;
    std::array<qsizetype, VirtualKeymap::maxKeycode + 2> keycodeStart {};
    QByteArray symbols;
    qsizetype symbolLength = 0;
    qsizetype keysymAt = 0;

    KeyLines()
    {
        using VK = VirtualKeymap;
        for (int code = VK::firstKeycode; code <= VK::maxKeycode; ++code) {
            keycodeStart[code] = keycodes.size();
            keycodes += "        " + keyName(code) + " = " + QByteArray::number(code) + ";\n";
            const QByteArray before = "        key " + keyName(code) + " { [ 0x";
            const QByteArray line = before + "00000000 ] };\n";
            Q_ASSERT(code == VK::firstKeycode || line.size() == symbolLength);
            symbolLength = line.size();
            keysymAt = before.size();
            symbols += line;
        }
        keycodeStart[VK::maxKeycode + 1] = keycodes.size();
    }
};

} // namespace

VirtualKeymap::VirtualKeymap(int lastKeycode)
    : m_lastKeycode(std::clamp(lastKeycode, firstKeycode + 3, maxKeycode))
{
    reset();
}

void VirtualKeymap::reset()
{
    m_keysyms.clear();
    m_slots.fill(kEmpty);
    m_text.clear();
    add(returnKeysym);
    add(backSpaceKeysym);
    add(tabKeysym);
}

qsizetype VirtualKeymap::slotOf(quint32 keysym) const
{
    // The top bits of a multiplicative hash; the table is never full.
    qsizetype slot = qsizetype((keysym * 0x9E3779B1u) >> 23);
    static_assert(kSlots == 1 << (32 - 23));
    while (m_slots[slot] != kEmpty && m_keysyms.at(m_slots[slot]) != keysym)
        slot = (slot + 1) % kSlots;
    return slot;
}

int VirtualKeymap::keycode(quint32 keysym) const
{
    const quint8 at = m_slots[slotOf(keysym)];
    return keysym == 0 || at == kEmpty ? 0 : firstKeycode + at;
}

bool VirtualKeymap::add(quint32 keysym)
{
    if (keysym == 0)
        return true;
    const qsizetype slot = slotOf(keysym);
    if (m_slots[slot] != kEmpty)
        return true;
    if (m_keysyms.size() >= capacity())
        return false;
    m_slots[slot] = quint8(m_keysyms.size());
    m_keysyms.append(keysym);
    m_text.clear();
    return true;
}

QList<VirtualKeymap::Run> VirtualKeymap::plan(const QList<quint32> &keysyms)
{
    QList<Run> runs;
    Run run;
    for (qsizetype i = 0; i < keysyms.size(); ++i) {
        const quint32 keysym = keysyms.at(i);
        if (keysym == 0)
            continue;
        if (!keycode(keysym)) {
            if (m_keysyms.size() >= capacity())
                reset();
            // Everything the rest of the text lacks, as far as it fits.
            for (qsizetype j = i; j < keysyms.size() && add(keysyms.at(j)); ++j) { }
            if (!run.keycodes.isEmpty())
                runs.append(run);
            run = Run { text(), {} };
        }
        if (run.keycodes.isEmpty())
            run.keycodes.reserve(keysyms.size() - i); // at most the rest
        run.keycodes.append(keycode(keysym));
    }
    if (!run.keycodes.isEmpty())
        runs.append(run);
    return runs;
}

QByteArray VirtualKeymap::text() const
{
    // Made once for the keys as they are: the text handed over with a run is
    // asked for again when the compositor needs it anew.
    if (m_text.isNull())
        m_text = makeText();
    return m_text;
}

QByteArray VirtualKeymap::makeText() const
{
    // The canonical key types are spelled out because X servers (Xwayland)
    // expect them; every key here uses ONE_LEVEL.
    static const QByteArray head = "xkb_keymap {\n"
                                   "    xkb_keycodes \"plumtype\" {\n"
                                   "        minimum = 8;\n"
                                   "        maximum = "
                                   + QByteArray::number(maxKeycode) + ";\n";
    static constexpr char middle[] = "    };\n"
                                     "    xkb_types \"plumtype\" {\n"
                                     "        virtual_modifiers NumLock;\n"
                                     "        type \"ONE_LEVEL\" {\n"
                                     "            modifiers = none;\n"
                                     "            level_name[Level1] = \"Any\";\n"
                                     "        };\n"
                                     "        type \"TWO_LEVEL\" {\n"
                                     "            modifiers = Shift;\n"
                                     "            map[Shift] = Level2;\n"
                                     "            level_name[Level1] = \"Base\";\n"
                                     "            level_name[Level2] = \"Shift\";\n"
                                     "        };\n"
                                     "        type \"ALPHABETIC\" {\n"
                                     "            modifiers = Shift + Lock;\n"
                                     "            map[Shift] = Level2;\n"
                                     "            map[Lock] = Level2;\n"
                                     "            level_name[Level1] = \"Base\";\n"
                                     "            level_name[Level2] = \"Caps\";\n"
                                     "        };\n"
                                     "        type \"KEYPAD\" {\n"
                                     "            modifiers = Shift + NumLock;\n"
                                     "            map[Shift] = Level2;\n"
                                     "            map[NumLock] = Level2;\n"
                                     "            level_name[Level1] = \"Base\";\n"
                                     "            level_name[Level2] = \"Number\";\n"
                                     "        };\n"
                                     "    };\n"
                                     "    xkb_compatibility \"plumtype\" {\n"
                                     "    };\n"
                                     "    xkb_symbols \"plumtype\" {\n";
    static constexpr char tail[] = "    };\n"
                                   "};\n";
    static const KeyLines lines;

    // Put together from copies, in one allocation: a keymap is made for
    // every text that brings new characters, and a small bound makes one for
    // nearly every character.
    const qsizetype keys = m_keysyms.size();
    const qsizetype keycodes =
            lines.keycodeStart[firstKeycode + keys] - lines.keycodeStart[firstKeycode];
    const qsizetype symbols = keys * lines.symbolLength;
    QByteArray text(head.size() + keycodes + qsizetype(sizeof middle) - 1 + symbols
                            + qsizetype(sizeof tail) - 1,
                    Qt::Uninitialized);
    char *out = text.data();
    const auto put = [&out](const char *from, qsizetype n) {
        std::memcpy(out, from, size_t(n));
        out += n;
    };
    put(head.constData(), head.size());
    put(lines.keycodes.constData() + lines.keycodeStart[firstKeycode], keycodes);
    put(middle, qsizetype(sizeof middle) - 1);
    char *const symbolsAt = out;
    put(lines.symbols.constData(), symbols);
    static constexpr char hexDigits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < keys; ++i) {
        char *digit = symbolsAt + i * lines.symbolLength + lines.keysymAt;
        const quint32 keysym = m_keysyms.at(i);
        for (int shift = 28; shift >= 0; shift -= 4)
            *digit++ = hexDigits[(keysym >> shift) & 0xf];
    }
    put(tail, qsizetype(sizeof tail) - 1);
    Q_ASSERT(out == text.constData() + text.size());
    return text;
}
