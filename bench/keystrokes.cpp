// Keystroke savings of the shipped word lists: writes an everyday English text
// with the suggestion buttons, as a user who takes a word as soon as one of the
// four buttons offers it, and prints how many clicks that saves.
//
//   keystrokes [--learn] [--next] [text file] [words folder]
//
// With --learn the user starts with nothing learned and the text is learned
// online, a sentence at a time as it ends (nothing is read ahead); the buttons
// then show the learning suggestions, with the word pairs of Pairs.txt when the
// words folder has one.  With --next a word can also be taken right after the
// space in front of it, before its first letter, from the next-word row.
// Single line breaks are the text's own wrapping, not the writer's, and are
// read as spaces; a blank line ends a sentence.
//
// Costs: a letter is one click; choosing a suggestion is one click and inserts
// the word and its space; a word typed out costs its letters and the space.
// Words are runs of letters and apostrophes (an apostrophe at either end is
// punctuation); every other character that is not white space - punctuation,
// digits - is one click with or without suggestions.  Case is ignored.

#include "folderlookup.h"
#include "learning.h"
#include "shippedlists.h"
#include "textfile.h"
#include "wordlists.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

namespace {

bool isWordChar(QChar c)
{
    return c.isLetter() || c == u'\'';
}

// Clicks to write the word (with its space) with suggestions; 0 when it was
// typed out.
int clicksWithSuggestions(const WordTable &table, const QString &word)
{
    const QString lower = word.toLower();
    for (int i = 1; i < word.size(); ++i) {
        const QStringList offered = WordLists::suggest(table, word.left(i));
        for (const QString &entry : offered) {
            if (entry.toLower() == lower)
                return i + 1;
        }
    }
    return 0;
}

struct Totals
{
    qint64 plain = 0;
    qint64 used = 0;
    qint64 words = 0;
    qint64 taken = 0;
};

// Writes the text as the user would: `wordClicks(word, start)` gives the
// clicks for a word and its space (0 when it is typed out), `sentenceEnd(end)`
// hears where each sentence ends.
template<typename WordClicks, typename SentenceEnd>
Totals replay(const QString &text, WordClicks wordClicks, SentenceEnd sentenceEnd)
{
    Totals t;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            ++i;
            if (c == u'\n')
                sentenceEnd(i);
            continue;
        }
        if (!c.isLetter()) {
            // Punctuation, digits and apostrophes that open a quotation.
            ++t.plain;
            ++t.used;
            ++i;
            if (c == u'.' || c == u'!' || c == u'?')
                sentenceEnd(i);
            continue;
        }
        qsizetype end = i;
        while (end < n && isWordChar(text.at(end)))
            ++end;
        qsizetype trailing = 0;
        while (text.at(end - 1 - trailing) == u'\'')
            ++trailing;
        const QString word = text.mid(i, end - i - trailing);
        const int clicks = wordClicks(word, i);
        ++t.words;
        t.plain += word.size() + 1;
        if (clicks > 0) {
            t.used += clicks;
            ++t.taken;
        } else {
            t.used += word.size() + 1;
        }
        // Closing apostrophes are typed as punctuation.
        t.plain += trailing;
        t.used += trailing;
        i = end;
    }
    return t;
}

Totals simulate(const WordTable &table, const QString &text)
{
    QHash<QString, int> cache;
    return replay(
            text,
            [&](const QString &word, qsizetype) {
                const QString key = word.toLower();
                auto found = cache.constFind(key);
                if (found == cache.constEnd())
                    found = cache.insert(key, clicksWithSuggestions(table, word));
                return *found;
            },
            [](qsizetype) {});
}

// Line breaks inside a paragraph become spaces; a paragraph break stays one
// line break.
QString unwrapped(const QString &text)
{
    QString out = text;
    out.remove(u'\r');
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out.at(i) != u'\n')
            continue;
        qsizetype j = i + 1;
        while (j < out.size() && (out.at(j) == u' ' || out.at(j) == u'\t'))
            ++j;
        if (j < out.size() && out.at(j) == u'\n') {
            i = j; // a blank line: kept
            continue;
        }
        qsizetype k = i;
        while (k > 0 && (out.at(k - 1) == u' ' || out.at(k - 1) == u'\t'))
            --k;
        if (k > 0 && out.at(k - 1) == u'\n')
            continue; // the second line break of a blank line
        out[i] = u' ';
    }
    return out;
}

bool holds(const QStringList &row, const QString &lower)
{
    for (const QString &entry : row) {
        if (entry.toLower() == lower)
            return true;
    }
    return false;
}

// The same replay as a user whose suggestions learn from what they write.
Totals simulateLearning(const WordTable &table, const StaticPairs &pairs, const QString &original,
                        bool next)
{
    const QString text = unwrapped(original);
    const ShippedWords shipped = ShippedWords::fromTable(table);
    LearnedModel model;
    qsizetype sentence = 0; // start of the sentence not learned yet
    const auto endSentence = [&](qsizetype end) {
        Learning::learn(model, QStringView(text).mid(sentence, end - sentence), shipped,
                        QStringView(text).left(sentence));
        sentence = end;
    };
    const auto wordClicks = [&](const QString &word, qsizetype start) {
        const QString lower = word.toLower();
        const QString previous = Learning::previousWord(QStringView(text).left(start));
        QStringList offered;
        if (next) {
            const QStringList row = Learning::nextWords(model, pairs, previous);
            if (holds(row, lower))
                return 1;
            offered += row;
        }
        for (int k = 1; k < word.size(); ++k) {
            const QStringList row =
                    Learning::suggest(model, pairs, table, previous, word.left(k), offered);
            if (holds(row, lower))
                return k + 1;
            offered += row;
        }
        return 0;
    };
    return replay(text, wordClicks, endSentence);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool learning = args.removeAll(QStringLiteral("--learn")) > 0;
    const bool next = args.removeAll(QStringLiteral("--next")) > 0;
    const QString textPath =
            args.size() > 1 ? args.at(1)
                            : QStringLiteral(PLUMTYPE_BENCH_DIR "/texts/pride-and-prejudice-1.txt");
    const QString wordsFolder =
            args.size() > 2 ? args.at(2) : QStringLiteral(PLUMTYPE_SOURCE_DATA "/words");

    QTextStream out(stdout);
    const auto text = TextFile::read(textPath);
    if (!text) {
        out << "cannot read " << textPath << Qt::endl;
        return 1;
    }
    WordTable table;
    if (!loadLists(wordsFolder, table)) {
        out << "cannot read the word lists in " << wordsFolder << Qt::endl;
        return 1;
    }

    StaticPairs pairs;
    if (learning || next) {
        const QString pairsPath = FolderLookup::resolve(wordsFolder, QStringLiteral("Pairs.txt"));
        if (QFileInfo::exists(pairsPath) && !pairs.load(pairsPath)) {
            out << "cannot read " << pairsPath << Qt::endl;
            return 1;
        }
    }
    const Totals t =
            learning || next ? simulateLearning(table, pairs, *text, next) : simulate(table, *text);
    if (t.plain == 0) {
        out << "the text holds nothing to type" << Qt::endl;
        return 1;
    }
    out << "text:                        " << QFileInfo(textPath).fileName() << Qt::endl;
    if (learning || next) {
        out << "suggestions:                 learned online"
            << (next ? ", next word after a space" : "") << Qt::endl;
        out << "static word pairs:           " << pairs.pairCount() << Qt::endl;
    }
    out << "words:                       " << t.words << Qt::endl;
    out << "clicks without suggestions:  " << t.plain << Qt::endl;
    out << "clicks with suggestions:     " << t.used << Qt::endl;
    out << "keystroke savings rate:      "
        << QString::number(100.0 * (1.0 - double(t.used) / double(t.plain)), 'f', 2) << " %"
        << Qt::endl;
    out << "words taken from a button:   "
        << QString::number(100.0 * double(t.taken) / double(t.words), 'f', 1) << " %" << Qt::endl;
    return 0;
}
