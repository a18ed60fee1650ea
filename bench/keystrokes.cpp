// Keystroke savings of the shipped word lists: writes an everyday English text
// with the suggestion buttons, as a user who takes a word as soon as one of the
// four buttons offers it, and prints how many clicks that saves.
//
//   keystrokes [text file] [words folder]
//
// Costs: a letter is one click; choosing a suggestion is one click and inserts
// the word and its space; a word typed out costs its letters and the space.
// Words are runs of letters and apostrophes (an apostrophe at either end is
// punctuation); every other character that is not white space - punctuation,
// digits - is one click with or without suggestions.  Case is ignored.

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

Totals simulate(const WordTable &table, const QString &text)
{
    Totals t;
    QHash<QString, int> cache;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (!c.isLetter()) {
            // Punctuation, digits and apostrophes that open a quotation.
            ++t.plain;
            ++t.used;
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < n && isWordChar(text.at(end)))
            ++end;
        qsizetype trailing = 0;
        while (text.at(end - 1 - trailing) == u'\'')
            ++trailing;
        const QString word = text.mid(i, end - i - trailing);
        const QString key = word.toLower();
        auto found = cache.constFind(key);
        if (found == cache.constEnd())
            found = cache.insert(key, clicksWithSuggestions(table, word));
        ++t.words;
        t.plain += word.size() + 1;
        if (*found > 0) {
            t.used += *found;
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
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

    const Totals t = simulate(table, *text);
    if (t.plain == 0) {
        out << "the text holds nothing to type" << Qt::endl;
        return 1;
    }
    out << "text:                        " << QFileInfo(textPath).fileName() << Qt::endl;
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
