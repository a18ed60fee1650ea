#pragma once

// Suggestions that learn from the user's own writing and look at the word
// before the one being typed.  Everything here is display-free; the window
// drives it like this (the words folder is `words`, the table `table`):
//
//   Loading, off the start-up path:
//     LearnedModel model;   model.load(FolderLookup::resolve(words, "Learned.txt"));
//     StaticPairs pairs;    pairs.load(FolderLookup::resolve(words, "Pairs.txt"));
//     ShippedWords shipped = ShippedWords::fromTable(table);   // again after loadwords
//
//   At a commit point (speak, save, copy, send, clear, close), unless paused:
//     Learning::learnCommit(model, lastCommitted, text, shipped);
//     lastCommitted = text;        // "" after a clear, the opened text after an open
//     model.save(path);            // never when load() said the file could not be read
//
//   Whenever the typed word changes, with "Learn from my writing" on:
//     const QString previous = Learning::previousWord(textBeforeTheTypedWord);
//     QStringList row = Learning::suggest(model, pairs, table, previous, typedword, offered);
//     offered += row;              // cleared when a new word starts
//   Right after a space, before any letter, with "Suggest the next word" on:
//     QStringList row = Learning::nextWords(model, pairs, previous);  offered = row;
//
//   The settings window: model.words() lists the learned words by count;
//   model.forget(word) then model.save(path) forgets one;
//   LearnedModel::forgetAll(model, path) forgets everything and deletes the file.
//
// The file "Learned.txt" holds counts only, never the text: `count<TAB>word`
// for a word and `count<TAB>previous<TAB>word` for a pair, the previous word
// being "<s>" at the start of a sentence.  Lines stand oldest use first, so the
// order of the lines is the only record of age.  A word that is not in the
// shipped lists is kept with the count 0 after its first use: it is remembered
// but not offered, and its second use makes the count 1.  That keeps typing
// slips out of the suggestions.  The file is written atomically; a new one is
// readable by the user alone.
//
// More than one writer may keep the same file (two Plumtypes on one folder, or
// the settings window while learning is off): a save re-reads the file when it
// changed since this model read or wrote it, adds what this model learned and
// forgot since then, and writes the sum, so that no count is lost.  A file
// that could not be read whole is never written over.

#include "textfile.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <atomic>
#include <vector>

class WordTable;

// Is a word in the shipped lists?  Built from the loaded table, so the user's
// own words of UserAdded.txt count as shipped too.
class ShippedWords
{
public:
    static ShippedWords fromTable(const WordTable &table);

    // Any letter case of the word stands in a list.
    bool contains(const QString &word) const;
    // The word written all in lower case stands in a list ("the" for "The",
    // but not "i" for "I").
    bool hasLowerForm(const QString &word) const;

    void insert(const QString &entry);

private:
    QHash<QString, bool> m_keys; // lower-case key -> its lower-case form is listed
};

// Word ids by their lower-case keys: an open-addressing table of hashes and
// ids.  The keys stay with the owner, which lends them to find(); a lookup
// takes a view, so that reading a file makes no string for a known word.
class KeyIndex
{
public:
    void clear();
    void insert(QStringView key, int id); // a key that is not in the index yet

    template<typename KeyAt> int find(QStringView key, const KeyAt &keyAt) const
    {
        if (m_table.empty())
            return -1;
        const quint32 h = hashOf(key);
        const std::size_t mask = m_table.size() - 1;
        for (std::size_t i = h & mask;; i = (i + 1) & mask) {
            const Entry &e = m_table[i];
            if (e.id < 0)
                return -1;
            if (e.hash == h && keyAt(e.id) == key)
                return e.id;
        }
    }

private:
    struct Entry
    {
        quint32 hash;
        int id;
    };
    static quint32 hashOf(QStringView key);
    void place(Entry e);

    std::vector<Entry> m_table; // a power of two long, at most half full
    std::size_t m_count = 0;
};

// The words and word pairs this user has written, with their counts.
class LearnedModel
{
public:
    static constexpr int kWordCap = 50000;
    static constexpr int kPairCap = 200000;
    // A count never grows beyond this.
    static constexpr quint32 kLargestCount = 999999999;
    // Longer runs of letters are no words anyone types by hand.
    static constexpr int kLongestWord = 48;
    // The file of a full model is over 4 MB, more than other readers allow; a
    // larger file is read up to here (its newest lines are then lost).
    static constexpr qint64 kLargestFile = 16 * 1024 * 1024;

    explicit LearnedModel(int wordCap = kWordCap, int pairCap = kPairCap);

    struct Word
    {
        QString word; // as written
        quint32 count = 0;
    };

    bool isEmpty() const { return m_liveWords == 0 && m_pairCount == 0; }
    int wordCount() const { return m_liveWords; }
    int pairCount() const { return m_pairCount; }
    // Changed since the last load or save.
    bool isChanged() const { return m_changed; }

    // The count of a word (case-blind): 0 while it is not offered yet, -1
    // when it is not in the model at all.
    qint64 count(const QString &word) const;
    // The word is learned and written in lower case (`key` is lower case).
    bool hasLowerForm(const QString &key) const;
    // The count of a pair; `previous` may be the sentence start "<s>".
    quint32 pairCount(const QString &previous, const QString &word) const;
    // The learned words, most used first (for the settings window).
    QList<Word> words() const;

    // One use of a word that follows `previous` ("<s>" at a sentence start,
    // empty when there is no usable word before it).  `inShippedLists` decides
    // whether the first use already counts.  The word must be a learnable word
    // (Learning::isLearnable); anything else is ignored.  The caps are not
    // applied here: learn() calls trimToCaps() once at its end.
    void use(const QString &word, const QString &previous, bool inShippedLists);
    // Drops entries beyond the caps: single-use ones (count 0 or 1) first,
    // the oldest first, then the oldest of the rest.
    void trimToCaps();

    // Forgets a word and every pair it is part of.
    void forget(const QString &word);
    void clear();

    // Reads the file; a missing file gives an empty model and true.  Lines
    // that do not make sense are skipped.  False when the file exists but
    // cannot be read whole: it cannot be opened or read, it is larger than
    // kLargestFile, or `stop` was set meanwhile.  The model then holds what
    // could be read and is never saved (save() refuses).
    bool load(const QString &path, const std::atomic_bool *stop = nullptr);
    // False while the model holds a file that could not be read whole.
    bool isSavable() const { return !m_unreadable; }
    // Writes the file atomically: the file as it is now plus what was
    // learned and forgotten here since the last load or save (see the top of
    // this file).  The model then holds that sum.  False, the file unchanged,
    // when the model is not savable, the file now cannot be read whole, or it
    // cannot be written.
    bool save(const QString &path);
    // Empties the model and deletes the file.  False when the file stays.
    static bool forgetAll(LearnedModel &model, const QString &path);

    // The file's text for this model, and reading one back (the model is
    // then that text, with nothing learned on top).
    QString toText() const;
    void fromText(QStringView text);

    // Reading the model for the suggestions.  Each appends up to `limit`
    // candidates to `out`, best first, leaving out the keys in `skip` (lower
    // case) and, for matchingWords, those in `out` already.
    struct Candidate
    {
        QString word; // as written
        QString key;  // lower case
        double score = 0;
    };
    // The learned successors of `previous` that begin with `prefix` (lower
    // case; empty matches all), by count.
    void successors(const QString &previous, const QString &prefix, int limit,
                    const QStringList &skip, QList<Candidate> *out) const;
    // The offered learned words that begin with `prefix`, by count, the more
    // recently used first among equal counts.
    void matchingWords(const QString &prefix, int limit, const QStringList &skip,
                       QList<Candidate> *out) const;

private:
    struct Slot
    {
        QString key;
        QString written;
        quint32 count = 0;
        quint32 used = 0;  // clock value of the last use
        bool live = false; // has a word line
    };
    struct Successor
    {
        int word;
        quint32 count;
        quint32 used;
        quint32 head; // the word's first two characters, to test a prefix in place
    };
    // The live words by key, with what ranks them, so that the words of a
    // prefix are one range scanned without touching the slots.
    struct Ranked
    {
        int id;
        quint32 count;
        quint32 used;
    };

    // What was learned and forgotten since the file was last read or
    // written.  Words by key: uses counted as the model counted them, and
    // whether the model first kept the word with the count 0 (a word it did
    // not know yet); pairs by previous key and word key.  `used` orders them.
    struct WordDelta
    {
        QString written;
        quint32 added = 0;
        bool startedAtZero = false;
        quint32 used = 0;
    };
    struct PairDelta
    {
        quint32 added = 0;
        quint32 used = 0;
    };
    struct Delta
    {
        QHash<QString, WordDelta> words;
        QHash<QString, PairDelta> pairs; // previous key + '\t' + word key
        QSet<QString> forgotten;         // keys forgotten before the uses above
        bool isEmpty() const { return words.isEmpty() && pairs.isEmpty() && forgotten.isEmpty(); }
    };
    // The file as this model last read or wrote it.
    struct Stamp
    {
        QString path;
        bool exists = false;
        qint64 size = 0;
        qint64 modified = 0; // nanoseconds
        quint64 inode = 0;
        bool operator==(const Stamp &) const = default;
    };
    static Stamp stampOf(const QString &path);
    // Adds a delta on top of the model, as if its uses happened now.
    void absorb(const Delta &delta);
    void fromText(QStringView text, const std::atomic_bool *stop);

    int slotFor(const QString &key, const QString &written);
    // The slot of a word as read from a file, made when it is new.
    int slotForWritten(QStringView written);
    int find(QStringView key) const;
    void makeLive(int id, quint32 count, quint32 used);
    void addPair(int previous, int word, quint32 count, quint32 used);
    void bumpSuccessor(std::vector<Successor> &list, std::size_t i);
    void rebuildSorted();
    void syncRanked(int id);
    std::vector<Ranked>::iterator rankedAt(const QString &key);
    void finishBulk();

    int m_wordCap;
    int m_pairCap;
    std::vector<Slot> m_slots; // slot 0 is the sentence start
    KeyIndex m_ids;
    std::vector<std::vector<Successor>> m_successors; // by slot, most used first
    std::vector<Ranked> m_sorted;                     // live slots by key
    int m_liveWords = 0;
    int m_pairCount = 0;
    quint32 m_clock = 0;
    bool m_changed = false;
    bool m_bulk = false; // reading a file: sorting waits for the end
    bool m_unreadable = false;
    Delta m_delta;
    Stamp m_stamp;
};

// Word pairs counted in a large body of published English, shipped as
// "Pairs.txt" in the words folder: lines `count<TAB>previous<TAB>word`, "<s>"
// for the sentence start.  Read once and never written.
class StaticPairs
{
public:
    static constexpr qint64 kLargestFile = TextFile::kLargestReadable;

    // False when the file cannot be read or `stop` was set meanwhile (the
    // pairs are then empty or partly read).
    bool load(const QString &path, const std::atomic_bool *stop = nullptr);
    void fromText(QStringView text, const std::atomic_bool *stop = nullptr);
    bool isEmpty() const { return m_pairCount == 0; }
    int pairCount() const { return m_pairCount; }

    // Successors of `previous` that begin with `prefix`, by count; the score
    // is the pair's share of all pairs that start with `previous`.
    void successors(const QString &previous, const QString &prefix, int limit,
                    const QStringList &skip, QList<LearnedModel::Candidate> *out) const;

private:
    struct Successor
    {
        int word;
        quint32 count;
        quint32 head;
    };
    // `written`: the word as the text has it; false for the previous-word
    // column, which holds lower case only and must not decide how a word is
    // shown.
    int slotFor(QStringView word, bool written);

    QStringList m_words;           // as written
    std::vector<bool> m_formKnown; // m_words holds a written form
    QStringList m_keys;
    KeyIndex m_ids;
    std::vector<std::vector<Successor>> m_successors;
    std::vector<double> m_totals;
    int m_pairCount = 0;
};

namespace Learning {

// The previous-word marker of a sentence start, in the files and in the API.
inline constexpr char16_t kSentenceStart[] = u"<s>";

// A learned pair scores its count; a static pair scores this many times its
// share of the previous word's pairs, so a common static successor counts
// about as much as a few uses and the user's own pairs soon take over.  Chosen
// with the keystroke benchmark (--learn --next on the bench text, clicks):
// learned pairs strictly first 108,903; weight 8 108,736; 32 108,609;
// 100 108,662; 1000 109,514.
inline constexpr double kStaticWeight = 32.0;

// A run of letters and apostrophes, neither at its ends, at most
// LearnedModel::kLongestWord long.
bool isLearnable(QStringView word);
// Lower case, character by character (the same length as the word).
QString keyOf(QStringView word);

// The word before the word being typed, from the text in front of it: its
// lower case, "<s>" at the start of a sentence (after . ! ? or a line break,
// or at the start of the text), empty when the word before is no learnable
// word (it holds digits, for instance).
QString previousWord(QStringView textBefore);

// Learns every sentence of `text`.  Sentences end at . ! ? and line breaks;
// words are runs of letters and apostrophes (apostrophes at their ends do not
// belong to them), and a run that holds a digit is never learned and leaves
// the next word without a previous one.  `before` is the text in front of
// `text` that was learned already: it gives the previous word of the first
// word and is not learned again.  The first word of a sentence is kept in
// lower case when that form is shipped or learned already, so "The" at a
// sentence start counts for "the" while "I" and names stay as written.
void learn(LearnedModel &model, QStringView text, const ShippedWords &shipped,
           QStringView before = {});

// The part of `now` that was not learned at the last commit, whose text was
// `lastCommitted`, with the text in front of it.  What the two texts have in
// common at their start and at their end was learned then; the changed middle
// is new, widened to whole words where the change starts or ends inside a
// word.  Text deleted between commits is simply gone, and the same text
// committed twice gives nothing.  Words after an edit in the middle do not
// get the edited word as their previous word.
struct Unlearned
{
    QString before;
    QString fresh;
};
Unlearned unlearnedPart(const QString &lastCommitted, const QString &now);

// unlearnedPart and learn together.
void learnCommit(LearnedModel &model, const QString &lastCommitted, const QString &now,
                 const ShippedWords &shipped);

// The suggestion row for the typed word (at most four words, as written, for
// the buttons to add their space); `previous` as previousWord gives it:
//   1. successors of `previous` that begin with the typed letters (case-blind):
//      learned and static pairs merged by score (learned count plus
//      kStaticWeight times the static share), best first;
//   2. learned words that begin with them, by count;
//   3. what WordLists::suggest offers, in its order.
// No word twice (case-blind), and no word of `offered` (shown already for this
// word at a shorter prefix, in any letter case) again.  While the model is
// empty and no static pairs are loaded the row is exactly WordLists::suggest's,
// repeats and all: a new user sees the lists' suggestions unchanged.
QStringList suggest(const LearnedModel &model, const StaticPairs &pairs, const WordTable &table,
                    const QString &previous, const QString &typed, const QStringList &offered);

// Up to four words to offer right after a space, before any letter: the
// successors of `previous` ("<s>" at a sentence start), learned and static
// merged as in suggest.  Empty when `previous` is empty.
QStringList nextWords(const LearnedModel &model, const StaticPairs &pairs, const QString &previous);

} // namespace Learning
