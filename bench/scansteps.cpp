// Scan steps per character: writes an everyday English text with switch
// scanning on the shipped home keyboard, its small-letters keyboard and the
// suggestion row, once with group scanning and once key by key, and prints
// how many steps each character took.  bench/texts/i-want-to-go-home.txt is
// the short sentence of a switch user's everyday request.
//
//   scansteps [text file] [keyboards folder] [words folder]
//
// The same writer with dwell clicking: each key or suggestion it takes costs
// the lock-on and the dwell time of the defaults (250 ms and 1 s, 1.25 s on a
// suggestion); the time the pointer takes from key to key is not counted.
//
// The scan is the program's own (Scanning::Scanner) over the groups the
// window builds: the suggestion row when it offers anything, each row of
// keys, the Speak button.  A step is one place of the highlight up to and
// including the one selected: a switch press in step mode, one interval
// (the first item of a level one and a half) in automatic mode.
//
// The writer takes a word key of the home keyboard where there is one (going
// back Home from the letters when that is shorter), otherwise types on the
// small letters and takes the word from a suggestion as soon as one offers
// it, or ends it with "[space]".  Full stops, commas, question and
// exclamation marks are their keys.  Case is ignored (word keys and
// suggestions put the capitals at sentence starts); characters neither
// keyboard has (digits, quotes, dashes) are left out and not counted.

#include "handsfree.h"
#include "keyboardfile.h"
#include "scanning.h"
#include "shippedlists.h"
#include "textfile.h"
#include "wordlists.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

namespace {

constexpr int kSuggestion = 200;
constexpr int kSpeak = 300;

struct Keyboard
{
    QList<QList<int>> rows;       // slots by row
    QHash<QString, int> byOutput; // "letter:a", "word1:you", "keyboard:LettersLower"
};

Keyboard load(const QString &folder, const QString &name)
{
    Keyboard kb;
    const KeyboardFile::Layout layout =
            KeyboardFile::readAndPlace(QDir(folder).filePath(name), name);
    for (const KeyboardFile::PlacedKey &k : layout.keys) {
        while (kb.rows.size() < k.row)
            kb.rows.append(QList<int>());
        kb.rows[k.row - 1].append(k.slot);
        QString output = k.record.output;
        if (k.record.kind == u"keyboard")
            output = KeyboardFile::linkFileName(output).chopped(4);
        const QString kind =
                k.record.kind.startsWith(u"word") ? QStringLiteral("word") : k.record.kind;
        kb.byOutput.insert(kind + u':' + output.toLower(), k.slot);
    }
    return kb;
}

struct Cost
{
    qint64 steps = 0;
    double intervals = 0;
    Cost &operator+=(const Cost &c)
    {
        steps += c.steps;
        intervals += c.intervals;
        return *this;
    }
};

// The steps to select `slot` from the top of a fresh scan.
Cost select(Scanning::Order order, const QList<QList<int>> &groups, int slot)
{
    Scanning::Timing timing;
    timing.mode = Scanning::Mode::Step;
    timing.order = order;
    timing.loops = 50;
    Scanning::Scanner scanner(timing);
    qint64 now = 0;
    scanner.restart(groups, now);
    Cost cost;
    for (int guard = 0; guard < 10000; ++guard) {
        const Scanning::Highlight at = scanner.highlight();
        const bool first = (at.level == Scanning::Highlight::Level::Item ? at.item : at.group) == 0;
        ++cost.steps;
        cost.intervals += first ? 1.5 : 1.0;
        const QList<int> lit = scanner.highlighted();
        now += 1000;
        const bool on = lit.contains(slot);
        const int selected = scanner.press(on ? 2 : 1, now);
        scanner.release(on ? 2 : 1, now);
        if (selected == slot)
            return cost;
    }
    return { -1, -1 };
}

struct Writer
{
    Scanning::Order order;
    const Keyboard *home;
    const Keyboard *letters;
    const WordTable *table;
    const Keyboard *on = nullptr;
    QStringList row; // what the suggestion row offers
    Cost total;
    bool dwell = false; // dwell clicking: `intervals` counts seconds

    QList<QList<int>> groups() const
    {
        QList<QList<int>> g;
        QList<int> offered;
        for (int i = 0; i < row.size(); ++i)
            offered.append(kSuggestion + i);
        g.append(offered);
        g += on->rows;
        g.append(QList<int> { kSpeak });
        return g;
    }
    Cost cost(int slot) const
    {
        if (dwell) {
            using HandsFree::Id;
            const auto ms = [](Id id) { return HandsFree::field(id).defaultValue; };
            const bool suggestion = slot >= kSuggestion && slot < kSpeak;
            return { 1, (ms(Id::LockOnMs) + ms(suggestion ? Id::SuggestionDwellMs : Id::DwellMs))
                                / 1000.0 };
        }
        return select(order, groups(), slot);
    }
    void take(int slot) { total += cost(slot); }
    void switchTo(const Keyboard *kb, const QString &link)
    {
        take(on->byOutput.value(QStringLiteral("keyboard:") + link));
        on = kb;
        row.clear(); // a load leaves the suggestions disabled
    }
    // After a word and its space the row offers the entries of that word.
    void wordDone(const QString &word) { row = WordLists::suggest(*table, word); }

    // Cost of typing the word on the letters from the current state, without
    // changing it; -1 when a letter is missing.
    Cost typed(const QString &word, QStringList *rowAfter) const
    {
        Writer w = *this;
        w.total = {};
        if (w.on != letters)
            w.switchTo(letters, QStringLiteral("letterslower"));
        for (int i = 0; i < word.size(); ++i) {
            // An apostrophe inside a word is the letters' apostrophe key.
            const int key = letters->byOutput.value(
                    QStringLiteral("letter:") + word.at(i),
                    letters->byOutput.value(QStringLiteral("extend:") + word.at(i), -1));
            if (key < 0)
                return { -1, -1 };
            w.take(key);
            w.row = WordLists::suggest(*table, word.left(i + 1));
            for (int b = 0; b < w.row.size(); ++b) {
                if (w.row.at(b).toLower() == word) {
                    w.take(kSuggestion + b);
                    *rowAfter = WordLists::suggest(*table, word);
                    return w.total;
                }
            }
        }
        w.take(letters->byOutput.value(QStringLiteral("letter:[space]")));
        *rowAfter = WordLists::suggest(*table, word);
        return w.total;
    }

    // Writes one word with its space; false when it cannot be written.
    bool word(const QString &word)
    {
        QStringList rowAfter;
        const int homeKey = home->byOutput.value(QStringLiteral("word:") + word, -1);
        Cost viaHome { -1, -1 };
        if (homeKey >= 0) {
            Writer w = *this;
            w.total = {};
            if (w.on != home)
                w.switchTo(home, QStringLiteral("home"));
            w.take(homeKey);
            viaHome = w.total;
        }
        const Cost viaLetters = typed(word, &rowAfter);
        if (viaHome.steps >= 0 && (viaLetters.steps < 0 || viaHome.steps <= viaLetters.steps)) {
            if (on != home)
                switchTo(home, QStringLiteral("home"));
            take(homeKey);
        } else if (viaLetters.steps >= 0) {
            total += viaLetters;
            on = letters;
        } else {
            return false;
        }
        wordDone(word);
        return true;
    }

    void sign(QChar c)
    {
        take(on->byOutput.value(QStringLiteral("extend:") + c));
        row.clear(); // ". " and ", " clear the row
    }
};

struct Result
{
    qint64 characters = 0;
    qint64 skipped = 0;
    Cost cost;
};

Result write(Scanning::Order order, const Keyboard &home, const Keyboard &letters,
             const WordTable &table, const QString &text, bool dwell = false)
{
    Writer w { order, &home, &letters, &table, &home, {}, {} };
    w.dwell = dwell;
    Result r;
    const QString lower = text.toLower();
    const QString signs = QStringLiteral(".,?!");
    qsizetype i = 0;
    while (i < lower.size()) {
        const QChar c = lower.at(i);
        if (c.isLetter()) {
            qsizetype end = i;
            while (end < lower.size() && (lower.at(end).isLetter() || lower.at(end) == u'\''))
                ++end;
            QString word = lower.mid(i, end - i);
            while (word.endsWith(u'\''))
                word.chop(1);
            if (w.word(word))
                r.characters += word.size() + 1;
            else
                r.skipped += word.size();
            i += std::max<qsizetype>(1, word.size());
            continue;
        }
        if (signs.contains(c)) {
            w.sign(c);
            ++r.characters;
        } else if (!c.isSpace()) {
            ++r.skipped;
        }
        ++i;
    }
    r.cost = w.total;
    return r;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString textPath =
            args.size() > 1 ? args.at(1)
                            : QStringLiteral(PLUMTYPE_BENCH_DIR "/texts/pride-and-prejudice-1.txt");
    const QString keyboards =
            args.size() > 2 ? args.at(2) : QStringLiteral(PLUMTYPE_SOURCE_DATA "/Keyboards");
    const QString wordsFolder =
            args.size() > 3 ? args.at(3) : QStringLiteral(PLUMTYPE_SOURCE_DATA "/words");

    QTextStream out(stdout);
    const auto text = TextFile::read(textPath);
    WordTable table;
    if (!text || !loadLists(wordsFolder, table)) {
        out << "cannot read " << textPath << " or the word lists in " << wordsFolder << Qt::endl;
        return 1;
    }
    const Keyboard home = load(keyboards, QStringLiteral("home.kbd"));
    const Keyboard letters = load(keyboards, QStringLiteral("LettersLower.kbd"));
    if (home.rows.isEmpty() || letters.rows.isEmpty()) {
        out << "cannot read the keyboards in " << keyboards << Qt::endl;
        return 1;
    }

    out << "text:                    " << QFileInfo(textPath).fileName() << Qt::endl;
    for (const auto order : { Scanning::Order::Groups, Scanning::Order::Linear }) {
        const Result r = write(order, home, letters, table, *text);
        if (r.characters == 0)
            return 1;
        const double perChar = double(r.cost.steps) / double(r.characters);
        out << (order == Scanning::Order::Groups ? "group scanning" : "linear scanning")
            << Qt::endl;
        out << "  characters written:    " << r.characters << " (" << r.skipped << " left out)"
            << Qt::endl;
        out << "  scan steps:            " << r.cost.steps << Qt::endl;
        out << "  steps per character:   " << QString::number(perChar, 'f', 2) << Qt::endl;
        out << "  seconds per character: "
            << QString::number(1.2 * r.cost.intervals / double(r.characters), 'f', 2)
            << " (automatic, 1.2 s interval)" << Qt::endl;
        // In step mode every step is one switch press (Space to move on,
        // Return to take a row or a key).
        out << "  step mode:             " << r.cost.steps << " switch presses" << Qt::endl;
        out << "  automatic mode:        " << QString::number(1.2 * r.cost.intervals, 'f', 1)
            << " s" << Qt::endl;
    }
    const Result d = write(Scanning::Order::Groups, home, letters, table, *text, true);
    out << "dwell clicking" << Qt::endl;
    out << "  characters written:    " << d.characters << " (" << d.skipped << " left out)"
        << Qt::endl;
    out << "  keys and suggestions:  " << d.cost.steps << Qt::endl;
    out << "  dwell seconds:         " << QString::number(d.cost.intervals, 'f', 2)
        << " (defaults; pointer travel not counted)" << Qt::endl;
    out << "  seconds per character: "
        << QString::number(d.cost.intervals / double(std::max<qint64>(1, d.characters)), 'f', 2)
        << Qt::endl;
    return 0;
}
