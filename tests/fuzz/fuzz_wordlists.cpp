// Word lists: the suggestions for a typed word, and adding a user word.

#include "fuzzcheck.h"

#include "textfile.h"
#include "textrules.h"
#include "wordlists.h"

#include <QDir>
#include <QFile>

namespace {

// Case-blind as the lists are searched: character by character.
QString lower(const QString &s)
{
    QString out = s;
    for (QChar &c : out)
        c = c.toLower();
    return out;
}

QString trimSpaces(const QString &s)
{
    qsizetype a = 0;
    qsizetype b = s.size();
    while (a < b && s.at(a) == u' ')
        ++a;
    while (b > a && s.at(b - 1) == u' ')
        --b;
    return s.mid(a, b - a);
}

// The list the word is looked up in: its capital letter and its length.
bool tableSlot(const QString &word, int *letter, int *length)
{
    if (word.isEmpty())
        return false;
    const QChar first = word.at(0).toUpper();
    *letter = (first >= u'A' && first <= u'Z') ? first.unicode() - u'A' + 1 : 0;
    *length = int(std::min<qsizetype>(trimSpaces(word).size(), WordTable::kLengths));
    return *letter > 0 && *length > 0;
}

// Suggestions are entries of the list that hold the typed word, at most four,
// a run of neighbours in list order that starts at the first entry beginning
// with the word.  Candidates are cut at 60 characters from that entry's start.
void checkSuggest(const QString &list, const QString &typed)
{
    QString word = typed;
    word.replace(QLatin1String("\r\n"), QLatin1String(" "));
    int letter = 0;
    int length = 0;
    const bool hasSlot = tableSlot(word, &letter, &length);

    WordTable table;
    if (hasSlot) {
        table.setList(letter, length, list);
        // Lists beside it must not be searched.
        const QString decoy = u'|' + word + QStringLiteral("decoy|");
        table.setList(letter, length % WordTable::kLengths + 1, decoy);
        table.setList(letter % WordTable::kLetters + 1, length, decoy);
    }
    const QStringList offered = WordLists::suggest(table, typed);
    FUZZ_CHECK(offered.size() <= 4, QString::number(offered.size()));
    if (!hasSlot) {
        FUZZ_CHECK(offered.isEmpty(), shown(typed));
        return;
    }
    const QString needle = lower(word);
    for (const QString &s : offered)
        FUZZ_CHECK(lower(s).contains(needle), shown(s) + QStringLiteral(" for ") + shown(word));
    if (word.contains(u'|'))
        return; // no entry holds a "|": nothing can be offered, as checked above

    const QStringList entries = list.split(u'|');
    qsizetype first = -1; // entries[0] stands before the first "|": no entry
    for (qsizetype j = 1; j < entries.size() && first < 0; ++j) {
        if (lower(entries.at(j)).startsWith(needle))
            first = j;
    }
    if (first < 0 || needle.size() > 60) {
        FUZZ_CHECK(offered.isEmpty(), shown(offered.join(u'/')));
        return;
    }
    FUZZ_CHECK(!offered.isEmpty(), shown(word) + QStringLiteral(" in ") + shown(list.left(200)));
    qsizetype start = 0; // of entry first + i, from the start of the first one
    for (qsizetype i = 0; i < offered.size(); ++i) {
        FUZZ_CHECK(first + i < entries.size(), shown(offered.join(u'/')));
        // The last entry of a list without a final "|" gets the filler's space.
        const QString entry = entries.at(first + i) + u' ';
        FUZZ_CHECK(entry.startsWith(offered.at(i)),
                   shown(offered.at(i)) + QStringLiteral(" is not ") + shown(entry));
        start += entries.at(first + i).size() + 1;
    }
    // The run stops only at an entry that lacks the word, or at the window's end.
    const qsizetype next = first + offered.size();
    if (offered.size() < 4 && next < entries.size() && start + entries.at(next).size() + 1 <= 60)
        FUZZ_CHECK(!lower(entries.at(next)).contains(needle),
                   shown(entries.at(next)) + QStringLiteral(" left out for ") + shown(word));
}

// The word ends up on a line of its own behind every earlier line, in the
// user word file whatever the letter case of its name.
void checkAddWord(const QByteArray &old, const QString &word, bool lowerName)
{
    const QString folder = scratchFolder();
    const QString name = lowerName ? QStringLiteral("useradded.txt") : WordTable::userFileName();
    const QString path = folder + u'/' + name;
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                           && file.write(old) == old.size(),
                   path);
    }
    const QStringList before = TextFile::splitLines(TextFile::decode(old));
    FUZZ_CHECK(WordLists::addWord(folder, word), shown(word));
    FUZZ_CHECK(QDir(folder).entryList(QDir::Files) == QStringList(name),
               QDir(folder).entryList(QDir::Files).join(u' '));
    const QString w = TextRules::trimSpaces(word);
    const QStringList after = TextFile::readLines(path).value_or(QStringList());
    const QStringList added =
            w.isEmpty() ? QStringList() : TextFile::splitLines(w + QStringLiteral("\r\n"));
    FUZZ_CHECK(after == before + added, shown(before.join(u'/')) + QStringLiteral(" + ") + shown(w)
                                                + QStringLiteral(" gave ")
                                                + shown(after.join(u'/')));
    if (w.isEmpty()) {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly) && file.readAll() == old, path);
    }
}

// No name leaves its folder: a user word file linked out is not written.
void checkLinkedOut(const QString &word, uint8_t kind)
{
    const QString folder = scratchFolder() + QStringLiteral("/words");
    const LinkTrap trap(folder);
    trap.plant(WordTable::userFileName(), kind);
    const bool added = WordLists::addWord(folder, word);
    FUZZ_CHECK(trap.untouched(), shown(word));
    // An empty word writes nothing; it fails only where the link leads to
    // nothing that can be read.
    if (!word.trimmed().isEmpty())
        FUZZ_CHECK(!added, shown(word));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t mode = in.takeByte();
    const uint32_t entry = in.takeInt(1000);
    const int wordLength = in.takeByte() % 14;
    const uint32_t caseFlips = in.takeInt(0xFFFFFFFFu);
    const uint32_t split = in.takeInt(uint32_t(in.remaining()));
    QString typed =
            TextFile::decode(mode % 4 == 3 ? in.takeFront(size_t(wordLength)) : QByteArray());
    const QByteArray bytes = in.rest();

    // The list as the loader joins a file: its line ends dropped.
    QString list = TextFile::decode(bytes);
    list.removeIf([](QChar c) { return c == u'\r' || c == u'\n'; });

    if (mode % 4 != 3) {
        // Mostly the start of an entry of the list, so that something is found.
        const QStringList entries = list.split(u'|');
        typed = entries.at(entry % entries.size()).left(wordLength);
        // Whole characters, as keys type them: half a surrogate pair is no
        // text that any file can hold.
        if (!typed.isEmpty() && typed.back().isHighSurrogate())
            typed.chop(1);
        for (qsizetype i = 0; i < typed.size() && i < 32; ++i) {
            if (caseFlips & (1u << i))
                typed[i] = typed[i].isUpper() ? typed[i].toLower() : typed[i].toUpper();
        }
        if (mode & 4)
            typed += QStringLiteral("\r\n");
    }
    checkSuggest(list, typed);
    if (!diskTurn())
        return 0;
    checkAddWord(bytes.left(split), typed + (mode & 8 ? QStringLiteral(" \r\n") : QString()),
                 mode & 16);
    if (mode & 32)
        checkLinkedOut(typed, mode >> 6);
    return 0;
}
