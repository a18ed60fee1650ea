#include "editorrules.h"

namespace EditorRules {

namespace {

constexpr BgrColour kPurple = 0x00FFC0FF;

BgrColour colourOf(const char *kind)
{
    return KeyKinds::byName(QLatin1String(kind))->colour;
}

ButtonType kindType(int option, const char *kind)
{
    const KeyKind *k = KeyKinds::byName(QLatin1String(kind));
    return { option, k->caption, k->colour, QString(), k->name, k->colour };
}

ButtonType fixedType(int option, const QString &caption, const QString &text, const char *kind)
{
    const BgrColour colour = colourOf(kind);
    return { option, caption, colour, text, QLatin1String(kind), colour };
}

const std::array<ButtonType, kOptionCount> &types()
{
    static const std::array<ButtonType, kOptionCount> all = {
        kindType(1, "letter"),
        kindType(2, "word2"),
        kindType(3, "word1"),
        kindType(4, "extend"),
        kindType(5, "keyboard"),
        fixedType(6, QStringLiteral("[delete]"), QStringLiteral("[delete]"), "letter"),
        fixedType(7, QStringLiteral("[copy]"), QStringLiteral("[copy]"), "letter"),
        fixedType(8, QStringLiteral("[clear]"), QStringLiteral("[clear]"), "letter"),
        fixedType(9, QStringLiteral("[return]"), QStringLiteral("[return]"), "letter"),
        kindType(10, "word3"),
        fixedType(11, QStringLiteral("[back]"), QStringLiteral("[back]"), "letter"),
        fixedType(12, QStringLiteral("Home Keyboard"), QStringLiteral("Home"), "keyboard"),
    };
    return all;
}

} // namespace

std::optional<ButtonType> buttonType(int option)
{
    if (option < 1 || option > kOptionCount)
        return std::nullopt;
    return types()[option - 1];
}

int presetOption(const QString &tag, const QString &toolTip)
{
    // Later tests win: a command key's text decides over its kind.
    int option = 2;
    const struct
    {
        const char *tag;
        int option;
    } byKind[] = {
        { "word1", 3 },  { "word2", 2 },  { "word3", 10 },
        { "extend", 4 }, { "letter", 1 }, { "keyboard", 5 },
    };
    for (const auto &k : byKind) {
        if (tag == QLatin1String(k.tag))
            option = k.option;
    }
    if (tag == u"keyboard" && toolTip == u"Home")
        option = 12;
    const struct
    {
        const char *text;
        int option;
    } byText[] = {
        { "[clear]", 8 }, { "[copy]", 7 }, { "[delete]", 6 }, { "[return]", 9 }, { "[back]", 11 },
    };
    for (const auto &t : byText) {
        if (toolTip == QLatin1String(t.text))
            option = t.option;
    }
    return option;
}

bool canEdit(const QString &toolTip)
{
    for (const char *fixed : { "[lock]", "[website]", "[game]", "[save]", "[load]", "[edit]" }) {
        if (toolTip == QLatin1String(fixed))
            return false;
    }
    return true;
}

std::optional<KeyEdit> applyEdit(int option, const QString &text)
{
    const std::optional<ButtonType> type = buttonType(option);
    if (!type)
        return std::nullopt;
    return KeyEdit { type->kind, type->keyColour, text, text.contains(u'|') ? text : QString() };
}

BgrColour kindColour(const QString &tag)
{
    const KeyKind *k = KeyKinds::byName(tag);
    return k ? k->colour : 0;
}

std::optional<int> moveTarget(int index, Arrow arrow, int lastbutton)
{
    switch (arrow) {
    case Arrow::Up:
        return index - KeyboardFile::kRowLength >= 2
                       ? std::optional(index - KeyboardFile::kRowLength)
                       : std::nullopt;
    case Arrow::Left:
        return index - 1 >= 2 ? std::optional(index - 1) : std::nullopt;
    case Arrow::Right:
        return index + 1 <= lastbutton ? std::optional(index + 1) : std::nullopt;
    case Arrow::Down:
        return index + KeyboardFile::kRowLength <= lastbutton
                       ? std::optional(index + KeyboardFile::kRowLength)
                       : std::nullopt;
    }
    return std::nullopt;
}

std::optional<AddedKey> addKey(int lastbutton, int xpos, int ypos)
{
    // Key buttons 2 to 121 hold the 120 keys.
    if (lastbutton >= KeyboardFile::kMaxKeys + 1)
        return std::nullopt;
    AddedKey key;
    key.index = lastbutton + 1;
    key.column = xpos + 1;
    key.row = ypos;
    if (key.column > KeyboardFile::kRowLength) {
        key.column = 1;
        ++key.row;
    }
    key.kind = QStringLiteral("word2");
    key.colour = colourOf("word2");
    return key;
}

QList<BlankKey> blankKeyboard()
{
    // The command keys are painted purple like the home key; once saved and
    // loaded again they take the white of their kind.
    QList<BlankKey> keys = {
        { QStringLiteral("Home"), QStringLiteral("keyboard"), kPurple },
        { QStringLiteral("[back]"), QStringLiteral("letter"), kPurple },
        { QStringLiteral("[delete]"), QStringLiteral("letter"), kPurple },
        { QStringLiteral("[clear]"), QStringLiteral("letter"), kPurple },
        { QStringLiteral("[copy]"), QStringLiteral("letter"), kPurple },
        { QStringLiteral("[return]"), QStringLiteral("letter"), kPurple },
    };
    while (keys.size() < 24)
        keys.append({ QString(), QStringLiteral("word1"), colourOf("word1") });
    return keys;
}

} // namespace EditorRules
