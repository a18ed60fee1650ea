#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <memory>

namespace TextFile {
class LineReader;
}

// Wordloom's import: a text file of titled word lists becomes keyboard files,
// pages of 110 word keys for every list and one group keyboard that links to
// the first page of each.
//
// The input: the first non-blank line and the first non-blank line after each
// blank line (empty or only spaces) are titles; the lines under a title up to
// the next blank line are its words, taken as read.  Only a list that a blank
// line closes is imported.
namespace WordImport {

inline constexpr int kPageSize = 110;

// One list of the input: its title and its words in input order, as read.
struct WordList
{
    QString title;
    QStringList words; // empty from a reader that only counts
    // The words that differ once trimmed of spaces and put in lower case:
    // the keys the list makes (from a reader that only counts).
    qsizetype distinct = 0;
};

// The lists of an input, one line at a time: a blank line closes the list
// that is open.  Further blank lines end nothing.
class ListReader
{
public:
    // A reader that only counts keeps no words, and counts the distinct ones.
    enum class Words { Keep, Count };
    explicit ListReader(Words words = Words::Keep) : m_count(words == Words::Count) { }

    // True when `line` closes a list, which `closed` then holds.
    bool add(const QString &line, WordList *closed);

private:
    WordList m_current;
    bool m_open = false;
    bool m_count;
    QSet<QString> m_seen;
};

// The lists that a blank line closes.
QList<WordList> readLists(const QStringList &lines);

// The words a list's keys type: a word that equals an earlier one once
// trimmed of spaces and put in lower case is dropped (the form met first
// stays), the rest sorted by character code, so "Zebra" comes before "ant".
QStringList keyWords(const QStringList &words);

// A title or group name as it may stand in a file name and a link: without
// control characters, / \ : * ? " < > |, and leading dots, and cut where its
// file name would pass kLongestName bytes (UTF-8).  Spaces are kept; the file
// name drops them, as a link does when it is opened.
inline constexpr int kLongestName = 240;
QString cleanName(const QString &name);

// The six lines every keyboard made here begins with.
QStringList commonLines();

// The message shown when every keyboard has been written.
QString closingMessage();

// A keyboard file to write: its name in the output folder and its lines.
struct Keyboard
{
    QString fileName;
    QStringList lines;
};

struct Plan
{
    QList<Keyboard> keyboards; // the pages in input order, the group keyboard last
    QString error;             // why nothing can be written; empty when all is well
};

// Every keyboard the lists make, with `groupName` naming the group keyboard.
// Where two lists make a file of the same name (letter case aside), the later
// one's is the file written.
Plan plan(const QList<WordList> &lists, const QString &groupName);

// One list's keyboards: its title as its keys show it, the file name stem,
// the words of its keys, and how many pages of kPageSize they fill.
struct ListPages
{
    QString title;
    QString base;
    QStringList keys;
    qsizetype pages = 1;
};
// The list numbered `number` (from 1) in the input.
ListPages listPages(const WordList &list, qsizetype number);
QString pageFileName(const ListPages &list, qsizetype page);
QStringList pageLines(const ListPages &list, qsizetype page, const QString &groupLink);

// One import, written a few keyboards at a time so that a window can show its
// progress.  Every file is replaced whole or not at all; the group keyboard
// comes last, so it never links to a page that was not written.  The input is
// read as a stream, twice (once to find every file name and check it, once to
// write), so that its size costs time but not memory: only the list being
// written is held.
class Import
{
public:
    // Keyboards written side by side: the time goes into waiting for the
    // disk, which takes several files at once almost as fast as one.
    static constexpr int kWriters = 8;

    // Reads the word-list file and works out every keyboard's name; nothing
    // is written yet.  error() tells when there is nothing to write.
    Import(const QString &inputPath, const QString &groupName, const QString &folder);
    ~Import();

    // Why the import cannot go on, naming the file; empty while all is well.
    const QString &error() const { return m_error; }
    qsizetype total() const { return m_total; }
    qsizetype done() const { return m_next; }
    bool atEnd() const { return !m_error.isEmpty() || m_next >= total(); }

    // Writes the next `count` keyboards at once, the group keyboard only
    // once every page is written.  False when nothing is left or a file could
    // not be written: error() then names the first that failed, and the
    // import goes no further.
    bool writeNext(int count = 1);
    // Writes the rest; false when a file could not be written.
    bool writeAll();

    // Paths of the files written so far.
    const QStringList &written() const { return m_written; }

private:
    void survey();
    // The next keyboard to write, the group keyboard last; false after it.
    bool nextKeyboard(Keyboard *keyboard);
    // The file of that name in the folder, in the letter case it has there.
    QString pathOf(const QString &fileName);
    QString failureMessage(const QString &failedName, bool isGroup) const;

    QString m_input;
    QString m_folder;
    QString m_groupFile;
    QString m_groupLink;
    QStringList m_groupLines;
    QString m_error;
    qsizetype m_total = 0;
    qsizetype m_next = 0;
    QStringList m_written;
    // Lower-case file name -> the list and page that writes it: where two
    // lists make one name, the later one's page.
    QHash<QString, quint64> m_lastWriter;
    // The folder's entries: exact names, and lower case -> name.
    QSet<QString> m_names;
    QHash<QString, QString> m_lowerNames;
    // The writing pass.
    std::unique_ptr<TextFile::LineReader> m_reader;
    ListReader m_lists;
    qsizetype m_listNumber = 0;
    ListPages m_list;
    qsizetype m_page = 0; // the last page of m_list handed out
    bool m_groupHandedOut = false;
    QThreadPool m_writers;
};

} // namespace WordImport
