// The editor's rules: moves stay on the keyboard and can be undone, an added
// key lands on the next free place of the grid, an edit writes back what the
// keyboard file format can hold and reads back the same.

#include "fuzzcheck.h"

#include "editorrules.h"

using EditorRules::Arrow;

namespace {

Arrow opposite(Arrow a)
{
    switch (a) {
    case Arrow::Up:
        return Arrow::Down;
    case Arrow::Down:
        return Arrow::Up;
    case Arrow::Left:
        return Arrow::Right;
    case Arrow::Right:
        break;
    }
    return Arrow::Left;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const int lastbutton = 1 + int(in.takeInt(KeyboardFile::kMaxKeys));
    const int index = 2 + int(in.takeInt(KeyboardFile::kMaxKeys - 1));
    const auto arrow = Arrow(in.takeByte() % 4);
    const int option = int(in.takeInt(14));
    const QString detail = QStringLiteral("key %1 of %2").arg(index).arg(lastbutton);

    // A move swaps with a key of the keyboard, never the anchor or an empty
    // slot; the opposite arrow brings it back.
    if (index <= lastbutton) {
        if (const auto target = EditorRules::moveTarget(index, arrow, lastbutton)) {
            FUZZ_CHECK(*target >= 2 && *target <= lastbutton && *target != index, detail);
            FUZZ_CHECK(EditorRules::moveTarget(*target, opposite(arrow), lastbutton) == index,
                       detail);
        }
    }

    // An added key takes the next key button and the place after the last
    // key, while there is room.
    const int xpos = int(in.takeInt(KeyboardFile::kRowLength - 1));
    const int ypos = 1 + int(in.takeInt(20));
    const auto added = EditorRules::addKey(lastbutton, xpos, ypos);
    FUZZ_CHECK(added.has_value() == (lastbutton < KeyboardFile::kMaxKeys + 1), detail);
    if (added) {
        FUZZ_CHECK(added->index == lastbutton + 1, detail);
        FUZZ_CHECK(added->column >= 1 && added->column <= KeyboardFile::kRowLength, detail);
        FUZZ_CHECK(added->row >= ypos, detail);
        FUZZ_CHECK(KeyKinds::byName(added->kind) != nullptr, added->kind);
    }

    // An edit gives a kind of the table with its colour, and what the writer
    // stores reads back as the same key.
    const QString text = QString::fromUtf8(in.rest());
    FUZZ_CHECK(EditorRules::buttonType(option).has_value() == (option >= 1 && option <= 12),
               QString::number(option));
    if (const auto edit = EditorRules::applyEdit(option, text)) {
        const KeyKind *kind = KeyKinds::byName(edit->kind);
        FUZZ_CHECK(kind && kind->colour == edit->colour, edit->kind);
        FUZZ_CHECK(edit->keyInfo.isEmpty() || edit->keyInfo == edit->toolTip, edit->keyInfo);
        const QStringList lines = KeyboardFile::write({ { edit->kind, edit->toolTip } });
        FUZZ_CHECK(lines.size() == 1, shown(edit->toolTip));
        const auto back = KeyboardFile::parse(lines);
        const bool storable = !edit->toolTip.contains(u'\r') && !edit->toolTip.contains(u'\n')
                              && edit->toolTip == edit->toolTip.trimmed();
        if (storable && back.size() == 1 && !back.first().rowBreak)
            FUZZ_CHECK(back.first().kind == edit->kind && back.first().keyText == edit->toolTip,
                       shown(edit->toolTip));
    }
    return 0;
}
