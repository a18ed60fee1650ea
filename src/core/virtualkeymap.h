#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <array>

// A keymap of Plumtype's own for a virtual keyboard: every character to be
// typed gets a keycode of its own that holds its keysym on the only level, so
// it arrives as itself whatever keyboard layout the desktop has, and no
// modifier is ever needed.  Return, BackSpace and Tab are always there.
//
// Keysyms are XKB keysyms (the caller turns characters into them); keycodes
// are XKB keycodes, 8 more than the Linux key code a virtual keyboard sends.
// The keymap grows by the keysyms a text brings and then has to be handed to
// the compositor again; when its keycodes run out it starts again from the
// fixed keys, so it never grows beyond `lastKeycode`.
class VirtualKeymap
{
public:
    static constexpr quint32 returnKeysym = 0xff0d;
    static constexpr quint32 backSpaceKeysym = 0xff08;
    static constexpr quint32 tabKeysym = 0xff09;
    static constexpr int firstKeycode = 9;
    static constexpr int maxKeycode = 255;

    // `lastKeycode` (at most maxKeycode) bounds the keymap; the tests keep it small.
    explicit VirtualKeymap(int lastKeycode = maxKeycode);

    // Keys typed with one keymap; `keymap` is the keymap text to hand over
    // before them, empty when the keymap in use serves.
    struct Run
    {
        QByteArray keymap;
        QList<int> keycodes;
    };

    // The keycodes for typing `keysyms` in order, in runs.  Grows the keymap
    // by every keysym it lacks that fits, so a text usually needs one new
    // keymap at most; starts again when a keysym no longer fits.  Keysym 0
    // (none) is skipped.
    QList<Run> plan(const QList<quint32> &keysyms);

    // The keycode that holds `keysym`, 0 when none does.
    int keycode(quint32 keysym) const;
    // The keymap text (XKB text format, self-contained: it includes no files).
    QByteArray text() const;
    // Back to the fixed keys only.
    void reset();
    qsizetype keyCount() const { return m_keysyms.size(); }
    qsizetype capacity() const { return m_lastKeycode - firstKeycode + 1; }

private:
    bool add(quint32 keysym);
    qsizetype slotOf(quint32 keysym) const;
    QByteArray makeText() const;

    int m_lastKeycode;
    QList<quint32> m_keysyms; // keycode firstKeycode + i holds m_keysyms[i]
    // Where each keysym is in m_keysyms, found by its hash: open addressing
    // over twice as many slots as there are keycodes, so that looking up and
    // starting again allocate nothing.
    static constexpr qsizetype kSlots = 512;
    static constexpr quint8 kEmpty = 0xff;
    static_assert(maxKeycode - firstKeycode + 1 < kEmpty && 2 * (maxKeycode + 1) <= kSlots);
    std::array<quint8, kSlots> m_slots;
    mutable QByteArray m_text; // text() for the keys as they are, null until asked for
};
