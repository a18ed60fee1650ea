#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The word lists behind the suggestion buttons.  For each capital letter and
// typed length 1 to 10 there is a file "<letter> words <n>.txt" in the words
// folder; its lines joined give "|entry|entry|...|".  The user's own words,
// one per line in UserAdded.txt, are appended to every list of their letter.
class WordTable
{
public:
    static constexpr int kLetters = 26;
    static constexpr int kLengths = 10;

    // Letter index 1 to 26 for "A" to "Z", 0 for anything else; length 1 to 10.
    // Index 0 and out-of-range lengths give an empty list.
    const QString &list(int letter, int length) const;
    void setList(int letter, int length, const QString &text);
    // The same list in lower case, for the case-blind search.
    const QString &lowerList(int letter, int length) const;

    // Rebuilds the whole table from the words folder.  The user word file is
    // created holding "Orvane" when it is missing (unless the folder must not
    // be written).  Missing files give empty lists.
    void load(const QString &wordsFolder, bool mayWrite = true);
    // The same, but each word-list file is read when its list is first
    // asked for: the table holds what load() would, while starting costs
    // only the user word file.  The user words are read now.
    void loadOnDemand(const QString &wordsFolder, bool mayWrite = true);
    // Lists read so far (for the benchmarks and tests).
    int listsRead() const;

    static QString listFileName(int letter, int length);
    static QString userFileName() { return QStringLiteral("UserAdded.txt"); }

private:
    bool inRange(int letter, int length) const
    {
        return letter >= 1 && letter <= kLetters && length >= 1 && length <= kLengths;
    }
    // Reads the list's file unless it is in the table already.
    void fill(int letter, int length) const;

    QString m_folder; // where lists not read yet come from
    std::array<QString, kLetters + 1> m_userByLetter;
    mutable std::array<std::array<QString, kLengths + 1>, kLetters + 1> m_lists;
    mutable std::array<std::array<QString, kLengths + 1>, kLetters + 1> m_lower;
    mutable std::array<std::array<bool, kLengths + 1>, kLetters + 1> m_filled {};
};

namespace WordLists {

// The first line of a new user word file: the maker's name.
inline constexpr char16_t kFirstUserWord[] = u"Orvane";

// The entries offered for a partial word, in button order, at most four, as
// they stand in the list (the buttons add their space).  Empty when the word
// is empty, made of spaces, or does not begin with a letter A to Z.
QStringList suggest(const WordTable &table, const QString &currentword);

// Index 1 to 26 of the upper-cased first character, 0 when it is no letter A-Z.
int letterIndex(const QString &word);

// Appends a user word (trimmed) to the user word file.  An empty word writes
// nothing.  Returns false when the file could not be written.
bool addWord(const QString &wordsFolder, const QString &word);

} // namespace WordLists
