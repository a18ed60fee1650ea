#pragma once

#include "keyboardfile.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// The keyboard editor's rules, without a window: the twelve button types of
// the editing panel, which one a key starts with, which keys cannot be edited,
// where a key may move, what an added key looks like and the blank keyboard.
// Failures are values: an empty optional, never an exception.
namespace EditorRules {

// One button type of the editing panel (options 1 to 12).
struct ButtonType
{
    int option = 0;
    QString caption;
    BgrColour boxColour = 0; // back colour of the in-place key box
    QString fixedText;       // put into the key box when chosen; empty: none
    QString kind;            // kind name the key gets on "Save Edit"
    BgrColour keyColour = 0; // colour of the key's face then
};

inline constexpr int kOptionCount = 12;

// The type of option 1 to 12; nullopt for any other number.
std::optional<ButtonType> buttonType(int option);

// The options in the order in which "Save Edit" reads them.
inline constexpr std::array<int, kOptionCount> kApplyOrder = {
    3, 2, 10, 4, 1, 5, 12, 6, 7, 8, 9, 11
};

// The option a key's panel starts with, from its kind (tag) and output text
// (tool-tip).  A key that matches nothing gets option 2.
int presetOption(const QString &tag, const QString &toolTip);

// Command keys whose text cannot be changed in the editor.
bool canEdit(const QString &toolTip);

// What "Save Edit" makes of a key: the chosen option and the typed text.
struct KeyEdit
{
    QString kind;
    BgrColour colour = 0;
    QString toolTip; // the whole text, bars included
    QString keyInfo; // the whole text when it holds a "|", else empty
};
std::optional<KeyEdit> applyEdit(int option, const QString &text);

// The colour of a key's face by its kind name; 0 for a key without a kind.
BgrColour kindColour(const QString &tag);

// The four move arrows.
enum class Arrow { Up, Left, Right, Down };

// The index the key at `index` swaps with, or nullopt when the arrow would
// lead off the keyboard (onto the template key 1 or past `lastbutton`).
std::optional<int> moveTarget(int index, Arrow arrow, int lastbutton);

// A key added after the last one.
struct AddedKey
{
    int index = 0;  // its key button: the new lastbutton
    int column = 0; // the new xpos, 1 to 12
    int row = 0;    // the new ypos
    QString kind;   // "word2", empty text
    BgrColour colour = 0;
};
// nullopt when the keyboard already holds its 120 keys.
std::optional<AddedKey> addKey(int lastbutton, int xpos, int ypos);

// The keys of a new blank keyboard, for key buttons 2 to 25: the command
// keys, then eighteen empty green word keys.
struct BlankKey
{
    QString text;
    QString kind;
    BgrColour colour = 0;
};
QList<BlankKey> blankKeyboard();

} // namespace EditorRules
