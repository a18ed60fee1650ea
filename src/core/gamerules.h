#pragma once

#include "keyboardfile.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <random>

// Scramble Finder without a window: which keys of the user's keyboards can be
// the word to find, how a word is picked and scrambled, and what the status
// box says.  Random draws come from the generator the caller passes, so that
// a seeded generator gives the same game every time.
namespace GameRules {

inline constexpr int kWordsPerGame = 5;
// A keyboard offers at most this many words.
inline constexpr int kPoolLimit = 120;
// The word's keyboard is named from this change of the typed word on.
inline constexpr int kHintFromChange = 5;

// The standard keyboards (letters, numbers, word parts, the answer and naming
// keyboards, home) never give a word; the name is compared in lower case.
bool isSkippedKeyboard(const QString &fileName);

// A key can be the word to find: it types its text (a word, text or suffix
// key, not a keyboard link), and that text is one word of five characters or
// more that is neither a command ("[...]") nor split into label and output.
bool qualifies(const KeyboardFile::Record &key);

// The words a keyboard file's text offers, in line order, at most
// kPoolLimit: the key text of every line that is not blank, holds no "999|"
// (a keyboard link or a row break) and qualifies.  A line that no button
// types is never a word, so that every word can be found by its button: a
// line past the 120th key (not on the keyboard), and a line without a kind
// code of its own whose kind, taken from above, types nothing (no code yet)
// or opens a keyboard.
QStringList wordPoolOfText(QStringView text);
// The same for the keyboard file at `path`; a file that cannot be read offers
// nothing.
QStringList wordPool(const QString &path);

// One draw of a pool position (0-based) from a pool of `count` words: with a
// uniform in [0, count) and b uniform in [0, a), the word at b, unless a or b
// is 0, when the draw fails and the pick starts over.  Early words are thus
// likelier than later ones, the last two never come, and a pool of fewer than
// three words always fails.
std::optional<qsizetype> drawFromPool(qsizetype count, std::mt19937 &rng);

struct Pick
{
    QString word;     // in capitals
    QString keyboard; // the file it came from, as listed
};

// Picks a word: a keyboard drawn uniformly from `fileNames` (trimmed; the
// skipped ones never), then a position in its pool; a failed draw starts over
// with a new keyboard.  `poolOf` gives the pool of a listed file name; it is
// asked once per file.  nullopt when no listed keyboard can give a word.
std::optional<Pick> pickWord(const QStringList &fileNames,
                             const std::function<QStringList(const QString &)> &poolOf,
                             std::mt19937 &rng);

// The letters of `word` in random order: each letter in turn goes to a slot
// drawn uniformly from the slots still empty, so every order is equally
// likely (the word itself included).
QString scramble(const QString &word, std::mt19937 &rng);

// The status box: the score, the scrambled word, how to leave, and with a
// non-empty `hintKeyboard` the keyboard that holds the word (its ".kbd"
// removed).  Every line ends with CR LF.
QString statusText(int solved, int guesses, const QString &scrambled, const QString &hintKeyboard);
// Shown once the last word is found.
QString finalMessage(int guesses);

} // namespace GameRules
