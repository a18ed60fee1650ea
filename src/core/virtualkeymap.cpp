#include "virtualkeymap.h"

#include <algorithm>

namespace {

// Key names have at most four characters (XKB's limit).
QByteArray keyName(int keycode)
{
    return "<K" + QByteArray::number(keycode).rightJustified(3, '0') + '>';
}

} // namespace

VirtualKeymap::VirtualKeymap(int lastKeycode)
    : m_lastKeycode(std::clamp(lastKeycode, firstKeycode + 3, maxKeycode))
{
    reset();
}

void VirtualKeymap::reset()
{
    m_keysyms.clear();
    m_codes.clear();
    add(returnKeysym);
    add(backSpaceKeysym);
    add(tabKeysym);
}

bool VirtualKeymap::add(quint32 keysym)
{
    if (keysym == 0 || m_codes.contains(keysym))
        return true;
    if (m_keysyms.size() >= capacity())
        return false;
    m_codes.insert(keysym, firstKeycode + int(m_keysyms.size()));
    m_keysyms.append(keysym);
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
        run.keycodes.append(keycode(keysym));
    }
    if (!run.keycodes.isEmpty())
        runs.append(run);
    return runs;
}

QByteArray VirtualKeymap::text() const
{
    QByteArray keycodes;
    QByteArray symbols;
    for (qsizetype i = 0; i < m_keysyms.size(); ++i) {
        const int code = firstKeycode + int(i);
        keycodes += "        " + keyName(code) + " = " + QByteArray::number(code) + ";\n";
        symbols += "        key " + keyName(code) + " { [ 0x"
                   + QByteArray::number(m_keysyms.at(i), 16).rightJustified(8, '0') + " ] };\n";
    }
    // The canonical key types are spelled out because X servers (Xwayland)
    // expect them; every key here uses ONE_LEVEL.
    return "xkb_keymap {\n"
           "    xkb_keycodes \"plumtype\" {\n"
           "        minimum = 8;\n"
           "        maximum = "
           + QByteArray::number(maxKeycode) + ";\n" + keycodes
           + "    };\n"
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
             "    xkb_symbols \"plumtype\" {\n"
           + symbols
           + "    };\n"
             "};\n";
}
