#include "wordlists.h"

#include "filewrite.h"
#include "folderlookup.h"
#include "textfile.h"
#include "textrules.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// Lower case that keeps every character in its place, so that a position
// found in the lower-case text is the same in the original.
QString lowerInPlace(const QString &text)
{
    QString lower = text;
    for (QChar &c : lower)
        c = c.toLower();
    return lower;
}

} // namespace

const QString &WordTable::list(int letter, int length) const
{
    static const QString empty;
    if (!inRange(letter, length))
        return empty;
    fill(letter, length);
    return m_lists[letter][length];
}

void WordTable::setList(int letter, int length, const QString &text)
{
    if (!inRange(letter, length))
        return;
    m_lists[letter][length] = text;
    m_lower[letter][length] = lowerInPlace(text);
    m_filled[letter][length] = true;
}

const QString &WordTable::lowerList(int letter, int length) const
{
    static const QString empty;
    if (!inRange(letter, length))
        return empty;
    fill(letter, length);
    return m_lower[letter][length];
}

QString WordTable::listFileName(int letter, int length)
{
    return QChar(u'A' + letter - 1) + QLatin1String(" words ") + QString::number(length)
           + QLatin1String(".txt");
}

void WordTable::loadOnDemand(const QString &wordsFolder, bool mayWrite)
{
    const QString userPath = FolderLookup::resolve(wordsFolder, userFileName());
    if (mayWrite && !QFileInfo::exists(userPath) && FileWrite::makeFolder(wordsFolder))
        TextFile::write(userPath,
                        TextFile::joinLines({ QString::fromUtf16(WordLists::kFirstUserWord) }));

    // The user words are read once and filed under their capital letter.
    m_userByLetter = {};
    const QStringList userLines =
            TextFile::readLines(userPath, TextFile::kLargestReadable).value_or(QStringList());
    for (const QString &line : userLines) {
        const QString t = TextRules::trimSpaces(line);
        if (!t.isEmpty() && t.at(0) >= u'A' && t.at(0) <= u'Z')
            m_userByLetter[t.at(0).unicode() - u'A' + 1] += line + u'|';
    }
    m_folder = wordsFolder;
    m_lists = {};
    m_lower = {};
    m_filled = {};
}

void WordTable::load(const QString &wordsFolder, bool mayWrite)
{
    loadOnDemand(wordsFolder, mayWrite);
    for (int n = 1; n <= kLengths; ++n) {
        for (int k = 1; k <= kLetters; ++k)
            fill(k, n);
    }
}

void WordTable::fill(int letter, int length) const
{
    if (m_filled[letter][length])
        return;
    m_filled[letter][length] = true;
    if (m_folder.isEmpty())
        return;
    const QString path = FolderLookup::resolve(m_folder, listFileName(letter, length));
    // The lines joined with nothing between them: the line ends go.
    QString text = TextFile::read(path, TextFile::kLargestReadable).value_or(QString());
    text.removeIf([](QChar c) { return c == u'\r' || c == u'\n'; });
    text += m_userByLetter[letter];
    m_lower[letter][length] = lowerInPlace(text);
    m_lists[letter][length] = std::move(text);
}

int WordTable::listsRead() const
{
    int n = 0;
    for (const auto &byLength : m_filled)
        n += int(std::count(byLength.begin(), byLength.end(), true));
    return n;
}

namespace WordLists {

int letterIndex(const QString &word)
{
    if (word.isEmpty())
        return 0;
    const QChar c = word.at(0).toUpper();
    return (c >= u'A' && c <= u'Z') ? c.unicode() - u'A' + 1 : 0;
}

QStringList suggest(const WordTable &table, const QString &currentword)
{
    QString word = currentword;
    word.replace(QLatin1String("\r\n"), QLatin1String(" "));
    if (word.isEmpty())
        return {};
    const int length = std::min<qsizetype>(TextRules::trimSpaces(word).size(), 10);
    const int letter = letterIndex(word);
    if (length == 0 || letter == 0)
        return {};
    const QString &list = table.list(letter, length);
    const QString needle = lowerInPlace(word);
    const qsizetype p = table.lowerList(letter, length).indexOf(u'|' + needle);
    if (p < 0)
        return {};

    static const QString filler = QStringLiteral(" | | | | | | | | | |") + QString(60, u' ');
    const QString window = (list.mid(p + 1) + filler).left(60);
    QStringList candidates;
    candidates.reserve(10);
    QString current;
    for (QChar c : window) {
        if (c == u'|') {
            candidates.append(current);
            current.clear();
            if (candidates.size() == 10)
                break;
        } else {
            current += c;
        }
    }
    if (candidates.size() < 10)
        candidates.append(current);

    QStringList offered;
    for (const QString &candidate : candidates) {
        if (offered.size() == 4 || !lowerInPlace(candidate).contains(needle))
            break;
        offered.append(candidate);
    }
    return offered;
}

bool addWord(const QString &wordsFolder, const QString &word)
{
    const QString path = FolderLookup::resolve(wordsFolder, WordTable::userFileName());
    // Only spaces are trimmed: a tab or a line break is part of the word.
    const QString w = TextRules::trimSpaces(word);
    if (w.isEmpty())
        return QFileInfo::exists(path) || TextFile::write(path, QString());
    return TextFile::append(path, w + QLatin1String("\r\n"));
}

} // namespace WordLists
