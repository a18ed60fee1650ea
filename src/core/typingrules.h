#pragma once

#include <QString>

// What a key click, a suggestion click or the name entry does to the typed
// text, without a window.  Texts are in the CR LF view of the typing area: a
// line break is the two characters "\r\n", and every position (selStart, tp)
// counts both.  selStart and selLength are the box's selection; the before
// part is the text in front of the selection, the after part the text behind
// it, so whatever is inserted between them replaces the selection.
namespace TypingRules {

// The 32 signs that can open a word: "!@#$%^&*()-=+_~`{}[]:;'|\?/>.<," and the
// double quote.
inline constexpr char16_t kPunctuation[] = u"!@#$%^&*()-=+_~`{}[]:;'|\\?/>.<,\"";

// The outcome of one edit of the typing area (or of the key-text box).
struct Edit
{
    QString text;                    // the box's text afterwards
    int tp = 0;                      // caret to restore; 0 means the end of the text
    int selStart = 0;                // where the caret stands when the step is done
    bool clearSuggestions = false;   // blank and disable the four suggestion buttons
    bool disableSuggestions = false; // disable them, their faces stay
    bool ended = false;              // the click ends here: no suggestion refresh, no caret restore
    bool ok = true;        // false: a step failed; text and tp are what it had done so far
    bool addsWord = false; // the text was an "[add word]" line: add addedWord, reload lists
    QString addedWord;     // the word for the user word file (may be empty: nothing written)
};

// Every CR LF pair replaced by one space.
QString flattenLineBreaks(const QString &s);
// The first selStart characters; the characters behind the selection.
QString beforePart(const QString &text, int selStart);
QString afterPart(const QString &text, int selStart, int selLength);
// Where the caret goes for tp: tp itself, or the end of the text when tp is 0.
int caretFor(const QString &text, int tp);

// Text keys: the key text, line breaks flattened, replaces the selection.
Edit insertText(const QString &text, int selStart, int selLength, const QString &keyText);
// A word in front of this before part starts a sentence (gets a capital).
bool startsSentence(const QString &before);
// Word keys: the word and a space, with a capital at a sentence start.
Edit insertWord(const QString &text, int selStart, int selLength, const QString &keyText);
// Suffix keys: glued to the word in front of the caret, a space behind.
Edit insertSuffix(const QString &text, int selStart, int selLength, const QString &keyText);

// Command keys that change the typing area.
Edit spaceKey(const QString &text);
Edit returnKey(const QString &text, int selStart, int selLength);
Edit backKey(const QString &text, int selStart, int selLength);
Edit deleteKey(const QString &text, int selStart, int selLength);

// A "letter" key during key-text entry, typing into the key-text box.
Edit keyTextEntry(const QString &text, int selStart, int selLength, const QString &keyText);

// The word being typed: the last word in front of tp, without an opening sign.
QString typedWord(const QString &text, int tp);
// The suggestions are not refreshed for a word like "e.g".
bool skipsRefresh(const QString &typedword);
// typedword with every space and LF removed.
QString stripTypedWord(const QString &typedword);

// The typing area starts with "[add word]" in any case.
bool isAddWordLine(const QString &text);
// The word behind the marker, trimmed.
QString addWordText(const QString &text);

// A click on a suggestion whose tool-tip (entry and a space) is toolTip; tp is
// the caret value held before the click.
Edit wordSelectClick(const QString &text, int selStart, int selLength, const QString &toolTip,
                     int tp);

// Name entry: the typed text still holds the prompt (without its final space).
bool nameEntryValid(const QString &text, const QString &prompt);
// The name typed behind the prompt, with the characters a file name cannot
// hold turned into spaces; empty when nothing usable was typed.
QString cleanName(const QString &text, const QString &prompt);

} // namespace TypingRules
