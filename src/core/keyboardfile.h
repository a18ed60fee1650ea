#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// Keyboard files: one key per line, a three-digit kind code, "|" and the key
// text; the line "999|/" ends a row.  This is the only place that knows the
// format; the loader, the editor and Wordloom all go through it.

// Colours are kept as the files and the editor know them: 0x00BBGGRR.
using BgrColour = quint32;

struct KeyKind
{
    QString code; // "000"
    QString name; // "letter": what a key button carries as its kind
    BgrColour colour;
    QString caption; // the editor's choice for it
};

namespace KeyKinds {
// The six kinds, in the order of their codes.
const QList<KeyKind> &all();
const KeyKind *byCode(const QString &code);
const KeyKind *byName(const QString &name);
} // namespace KeyKinds

namespace KeyboardFile {

inline constexpr int kMaxKeys = 120;
inline constexpr int kRowLength = 12;

// One line of a keyboard file as the reading rules see it.
struct Record
{
    bool rowBreak = false;
    QString kind; // kind name; empty when no line so far had a valid code
    BgrColour colour = 0;
    QString keyText;       // whole key text, trimmed
    QString label;         // what the face shows
    QString output;        // what a press acts on
    bool hasLabel = false; // the key text held a second "|"
};

// Reads the lines of a file; blank lines give no record.
QList<Record> parse(const QStringList &lines);

// One line; `current` is the kind of the last line with a valid code, and
// is updated.  nullopt for a blank line.
std::optional<Record> parseLine(QStringView line, const KeyKind *&current);

// A key placed on the 12-column grid.
struct PlacedKey
{
    int slot;   // key button index, 2 to 121
    int column; // 1 to 12
    int row;    // from 1
    Record record;
};

struct Layout
{
    QList<PlacedKey> keys;
    int lastbutton = 1;
    int xpos = 0;
    int ypos = 1;
};

// The answer keyboards and the editor's letter keyboards: they leave the window
// title alone (as does the editor's working copy).
bool isSystemKeyboard(const QString &fileName);
// Keyboards that get no edit key added.
bool getsNoEditKey(const QString &fileName);

// Places the records on the grid as the loader does: rows of 12, row breaks,
// at most 120 keys, and an "[edit]" key added at the end where the keyboard
// has none.
Layout place(const QList<Record> &records, const QString &fileName);

// Reads and places the text of a keyboard file in one pass, as place(parse())
// would, but stops at the line that no longer can change the keys: after the
// 120th key.  However long the text, only what is placed is kept.
Layout placeText(QStringView text, const QString &fileName);

// The keyboard file at `path` placed; a file that cannot be opened places as
// an empty one.  Only the first TextFile::kLargestReadable bytes are read.
Layout readAndPlace(const QString &path, const QString &fileName);

// A key as the writers see it: its kind name and its output text.
struct KeyOut
{
    QString kind;
    QString output;
};

// The lines that store the keys: no row breaks, CR LF inside a text becomes one
// space, keys without a kind are left out.
QStringList write(const QList<KeyOut> &keys);

// The file name a keyboard link opens: the output text trimmed, every space
// removed, plus ".kbd".  Empty when the name cannot stand as a file name.
QString linkFileName(const QString &output);

} // namespace KeyboardFile
