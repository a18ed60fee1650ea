#include "wordimport.h"

#include "folderlookup.h"
#include "keyboardfile.h"
#include "textfile.h"
#include "textrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#include <vector>

namespace WordImport {

namespace {

// The word trimmed of spaces and in lower case: the word itself, its text
// shared, when it is so already (most are).
QString keyOf(const QString &word)
{
    bool plain = !word.isEmpty() && word.front() != u' ' && word.back() != u' ';
    for (qsizetype i = 0; plain && i < word.size(); ++i) {
        const char16_t c = word.at(i).unicode();
        plain = c < 0x80 ? !(c >= u'A' && c <= u'Z') : word.at(i).toLower() == word.at(i);
    }
    return plain ? word : TextRules::trimSpaces(word).toLower();
}

bool isBlank(const QString &line)
{
    return TextRules::trimSpaces(line).isEmpty();
}

QString withoutSpaces(QString text)
{
    text.remove(u' ');
    return text;
}

// What stands between the user and reading the file, in words.
QString readProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("there is no such file");
    if (info.isDir())
        return QStringLiteral("it is a folder");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return QStringLiteral("it could not be read");
}

} // namespace

bool ListReader::add(const QString &line, WordList *closed)
{
    if (isBlank(line)) {
        const bool wasOpen = m_open;
        if (wasOpen) {
            m_current.distinct = m_seen.size();
            *closed = std::move(m_current);
        }
        m_current = WordList();
        m_seen.clear();
        m_open = false;
        return wasOpen;
    }
    if (!m_open) {
        m_current.title = line;
        m_open = true;
    } else if (m_count) {
        m_seen.insert(keyOf(line));
    } else {
        m_current.words.append(line);
    }
    return false;
}

QList<WordList> readLists(const QStringList &lines)
{
    QList<WordList> lists;
    ListReader reader;
    WordList closed;
    for (const QString &line : lines) {
        if (reader.add(line, &closed))
            lists.append(std::move(closed));
    }
    return lists;
}

namespace {

// The words whose trimmed lower case was not met before, in input order.
// A short list is searched through rather than hashed: most lists of a
// file are a handful of words, and a table for them costs more than it saves.
QStringList firstForms(const QStringList &words)
{
    QStringList keys;
    keys.reserve(words.size());
    constexpr qsizetype kShort = 16;
    if (words.size() <= kShort) {
        QVarLengthArray<QString, kShort> seen;
        for (const QString &word : words) {
            QString key = keyOf(word);
            if (std::find(seen.cbegin(), seen.cend(), key) != seen.cend())
                continue;
            seen.append(std::move(key));
            keys.append(word);
        }
        return keys;
    }
    QSet<QString> seen;
    seen.reserve(words.size());
    for (const QString &word : words) {
        const qsizetype before = seen.size();
        seen.insert(keyOf(word));
        if (seen.size() != before)
            keys.append(word);
    }
    return keys;
}

// Sorts by character code (UTF-16 code units, as QString compares), the
// first four code units packed into a number deciding most comparisons.
void sortByCode(QStringList &words)
{
    struct Entry
    {
        quint64 head;
        qsizetype index;
    };
    std::vector<Entry> entries;
    entries.reserve(std::size_t(words.size()));
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &w = words.at(i);
        quint64 head = 0;
        for (int k = 0; k < 4; ++k)
            head = head << 16 | (k < w.size() ? w.at(k).unicode() : 0u);
        entries.push_back({ head, i });
    }
    // A word shorter than four code units packs zeros behind it, as a word
    // with U+0000 there would: the whole words decide those.
    std::sort(entries.begin(), entries.end(), [&words](const Entry &a, const Entry &b) {
        if (a.head != b.head)
            return a.head < b.head;
        const int c = QStringView(words.at(a.index)).compare(QStringView(words.at(b.index)));
        return c != 0 ? c < 0 : a.index < b.index;
    });
    QStringList sorted;
    sorted.reserve(words.size());
    for (const Entry &e : entries)
        sorted.append(std::move(words[e.index]));
    words = std::move(sorted);
}

qsizetype pageCount(qsizetype keys)
{
    return std::max<qsizetype>(1, (keys + kPageSize - 1) / kPageSize);
}

// A list's title as keys show it: a title no key could open is numbered.
QString listTitle(const QString &title, qsizetype number)
{
    QString clean = cleanName(title);
    if (KeyboardFile::linkFileName(clean).isEmpty())
        clean = QStringLiteral("List %1").arg(number);
    return clean;
}

QString groupClash(const QString &groupLink, const QString &title)
{
    return QStringLiteral("The group keyboard \"%1\" would have the same file name as a page of "
                          "the list \"%2\". Give the group keyboard another name.")
            .arg(groupLink, TextRules::trimSpaces(title));
}

QString noGroupName()
{
    return QStringLiteral("The group keyboard needs a name. Type one that holds more than the "
                          "characters / \\ : * ? \" < > | and dots.");
}

quint64 pageKey(qsizetype list, qsizetype page)
{
    return quint64(list) << 32 | quint64(page);
}

} // namespace

QStringList keyWords(const QStringList &words)
{
    QStringList keys = firstForms(words);
    sortByCode(keys);
    return keys;
}

QString cleanName(const QString &name)
{
    static const QString kNotInNames = QStringLiteral("/\\:*?\"<>|");
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || kNotInNames.contains(c))
            continue;
        out.append(c);
    }
    // Leading dots, and the spaces among them: the file name drops the
    // spaces, and a name that starts with a dot is hidden.
    qsizetype start = 0;
    bool dot = false;
    while (start < out.size() && (out.at(start) == u'.' || out.at(start) == u' ')) {
        dot = dot || out.at(start) == u'.';
        ++start;
    }
    if (dot)
        out.remove(0, start);
    // File names hold at most 255 bytes: room is left for a page number and
    // ".kbd".  Spaces take none, as the file name drops them.
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        const bool pair =
                c.isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate();
        bytes += c == u' ' ? 0 : pair ? 4 : c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 ? 2 : 3;
        if (bytes > kLongestName) {
            out.truncate(i);
            break;
        }
        if (pair)
            ++i;
    }
    return out;
}

QStringList commonLines()
{
    // Made once: every page begins with them.
    static const QStringList lines = {
        QStringLiteral("999|Home"),    QStringLiteral("000|[back]"), QStringLiteral("000|[delete]"),
        QStringLiteral("000|[clear]"), QStringLiteral("000|[copy]"), QStringLiteral("000|[return]")
    };
    return lines;
}

QString closingMessage()
{
    return QStringLiteral("Done. KBD Files created. Don't forget to copy these into your keyboard "
                          "folder and add a menu link to the group table of contents file from an "
                          "existing keyboard.");
}

ListPages listPages(const WordList &list, qsizetype number)
{
    ListPages pages;
    pages.title = listTitle(list.title, number);
    pages.base = withoutSpaces(pages.title);
    pages.keys = keyWords(list.words);
    pages.pages = pageCount(pages.keys.size());
    return pages;
}

QString pageFileName(const ListPages &list, qsizetype page)
{
    return list.base + (page > 1 ? QString::number(page) : QString()) + QLatin1String(".kbd");
}

QStringList pageLines(const ListPages &list, qsizetype page, const QString &groupLink)
{
    const QStringList common = commonLines();
    const qsizetype first = (page - 1) * kPageSize;
    const qsizetype last = std::min<qsizetype>(first + kPageSize, list.keys.size());
    QStringList lines;
    lines.reserve(common.size() + (last - first) + 2);
    lines += common;
    for (qsizetype i = first; i < last; ++i)
        lines.append(QLatin1String("001|") + list.keys.at(i));
    if (page < list.pages)
        lines.append(QLatin1String("999|") + list.title + QString::number(page + 1));
    lines.append(QLatin1String("999|") + groupLink);
    return lines;
}

Plan plan(const QList<WordList> &lists, const QString &groupName)
{
    Plan result;
    const QString group = cleanName(groupName);
    const QString groupLink = TextRules::trimSpaces(group);
    // A name that no key could open is none.
    if (KeyboardFile::linkFileName(group).isEmpty()) {
        result.error = noGroupName();
        return result;
    }
    const QString groupFile = withoutSpaces(group) + QLatin1String(".kbd");

    QStringList groupLines = commonLines();
    qsizetype number = 0;
    for (const WordList &list : lists) {
        const ListPages pages = listPages(list, ++number);
        groupLines.append(QLatin1String("999|") + pages.title);
        for (qsizetype page = 1; page <= pages.pages; ++page) {
            Keyboard keyboard;
            keyboard.fileName = pageFileName(pages, page);
            if (keyboard.fileName.compare(groupFile, Qt::CaseInsensitive) == 0) {
                result.keyboards.clear();
                result.error = groupClash(groupLink, pages.title);
                return result;
            }
            keyboard.lines = pageLines(pages, page, groupLink);
            result.keyboards.append(std::move(keyboard));
        }
    }
    // The later of two files of one name is the one that stays.
    QSet<QString> later;
    for (qsizetype i = result.keyboards.size() - 1; i >= 0; --i) {
        const QString name = result.keyboards.at(i).fileName.toLower();
        if (later.contains(name))
            result.keyboards.removeAt(i);
        else
            later.insert(name);
    }
    result.keyboards.append({ groupFile, groupLines });
    return result;
}

Import::Import(const QString &inputPath, const QString &groupName, const QString &folder)
    : m_input(inputPath), m_folder(folder)
{
    m_writers.setMaxThreadCount(kWriters);
    const QString group = cleanName(groupName);
    m_groupLink = TextRules::trimSpaces(group);
    m_groupFile = withoutSpaces(group) + QLatin1String(".kbd");
    m_groupLines = commonLines();
    // A name that no key could open is none.
    if (KeyboardFile::linkFileName(group).isEmpty()) {
        m_error = noGroupName();
        return;
    }
    survey();
    if (!m_error.isEmpty())
        return;
    // A name in the folder is found without regard to case (an existing
    // file of another letter case is the one replaced), as a key finds it:
    // the folder is listed once, not for every file written.
    const QStringList entries = QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden
                                                         | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        m_names.insert(entry);
        m_lowerNames.insert(entry.toLower(), entry); // the first in list order stays
    }
    m_reader = std::make_unique<TextFile::LineReader>(m_input);
}

Import::~Import() = default;

void Import::survey()
{
    const auto unreadable = [this] {
        m_error = QStringLiteral("The word-list file \"%1\" cannot be read: %2.")
                          .arg(QDir::toNativeSeparators(m_input), readProblem(m_input));
    };
    TextFile::LineReader reader(m_input);
    if (!reader.isOk())
        return unreadable();
    ListReader lists(ListReader::Words::Count);
    WordList closed;
    QString line;
    qsizetype number = 0;
    while (reader.next(&line)) {
        if (!lists.add(line, &closed))
            continue;
        ++number;
        const QString title = listTitle(closed.title, number);
        m_groupLines.append(QLatin1String("999|") + title);
        ListPages pages;
        pages.base = withoutSpaces(title);
        pages.pages = pageCount(closed.distinct);
        closed = WordList();
        for (qsizetype page = 1; page <= pages.pages; ++page) {
            const QString name = pageFileName(pages, page);
            if (name.compare(m_groupFile, Qt::CaseInsensitive) == 0) {
                m_error = groupClash(m_groupLink, title);
                return;
            }
            m_lastWriter.insert(name.toLower(), pageKey(number, page));
        }
    }
    if (!reader.isOk())
        return unreadable();
    m_total = m_lastWriter.size() + 1;
}

bool Import::nextKeyboard(Keyboard *keyboard)
{
    for (;;) {
        while (m_page < m_list.pages && m_listNumber > 0) {
            ++m_page;
            keyboard->fileName = pageFileName(m_list, m_page);
            // A page that a later list's page of the same name replaces is
            // not written at all.
            if (m_lastWriter.value(keyboard->fileName.toLower()) != pageKey(m_listNumber, m_page))
                continue;
            keyboard->lines = pageLines(m_list, m_page, m_groupLink);
            return true;
        }
        if (m_reader) {
            WordList closed;
            QString line;
            bool found = false;
            while (!found && m_reader->next(&line))
                found = m_lists.add(line, &closed);
            if (found) {
                m_list = listPages(closed, ++m_listNumber);
                m_page = 0;
                continue;
            }
            m_reader.reset();
            m_list = ListPages();
        }
        if (m_groupHandedOut)
            return false;
        m_groupHandedOut = true;
        keyboard->fileName = m_groupFile;
        keyboard->lines = m_groupLines;
        return true;
    }
}

QString Import::pathOf(const QString &fileName)
{
    if (m_names.contains(fileName))
        return m_folder + u'/' + fileName;
    const QString lower = fileName.toLower();
    const auto it = m_lowerNames.constFind(lower);
    if (it != m_lowerNames.constEnd())
        return m_folder + u'/' + it.value();
    m_names.insert(fileName);
    m_lowerNames.insert(lower, fileName);
    return m_folder + u'/' + fileName;
}

QString Import::failureMessage(const QString &failedName, bool isGroup) const
{
    const QString failed = QDir::toNativeSeparators(m_folder + u'/' + failedName);
    const qsizetype pages = m_written.size();
    const QString group = QDir::toNativeSeparators(m_folder + u'/' + m_groupFile);
    if (isGroup)
        return QStringLiteral("The group keyboard \"%1\" could not be written. The %2 other "
                              "keyboard files were written, each complete, but no keyboard links "
                              "to them yet.")
                .arg(failed)
                .arg(pages);
    const QString written =
            pages == 0   ? QStringLiteral("No keyboard file was written")
            : pages == 1 ? QStringLiteral("1 other keyboard file was written, complete")
                         : QStringLiteral("%1 other keyboard files were written, each complete")
                                   .arg(pages);
    return QStringLiteral("The keyboard file \"%1\" could not be written, so the import stopped "
                          "there. %2; the group keyboard \"%3\" was not written, so no keyboard "
                          "links to them yet.")
            .arg(failed, written, group);
}

bool Import::writeNext(int count)
{
    if (atEnd())
        return false;
    // The pages first; the group keyboard alone once they are all there.
    const qsizetype pagesLeft = total() - 1 - m_next;
    const qsizetype n = pagesLeft > 0 ? std::min<qsizetype>(std::max(count, 1), pagesLeft) : 1;
    std::vector<Keyboard> batch(n);
    std::vector<QString> paths(n);
    std::vector<char> ok(n, 0);
    qsizetype made = 0;
    while (made < n && nextKeyboard(&batch[made]))
        ++made;
    if (made < n) {
        // The file changed since it was first read.
        m_error = QStringLiteral("The word-list file \"%1\" changed while it was imported. "
                                 "Import it again.")
                          .arg(QDir::toNativeSeparators(m_input));
        return false;
    }
    for (qsizetype i = 0; i < n; ++i)
        paths[i] = pathOf(batch[i].fileName);
    // No two files of a batch share a name, so the writers never meet.  (The
    // pool's own waitForDone would end its threads, to be made again for
    // the next batch.)  A file alone, the group keyboard always, is written
    // here.
    QSemaphore finished;
    int started = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (!FolderLookup::isPlainName(batch[i].fileName))
            continue;
        const auto write = [&batch, &paths, &ok, i] {
            ok[i] = TextFile::write(paths[i], TextFile::joinLines(batch[i].lines));
        };
        if (n == 1) {
            write();
            continue;
        }
        ++started;
        m_writers.start([write, &finished] {
            write();
            finished.release();
        });
    }
    finished.acquire(started);

    for (qsizetype i = 0; i < n; ++i) {
        if (ok[i])
            m_written.append(paths[i]);
    }
    const qsizetype failed = std::find(ok.begin(), ok.end(), 0) - ok.begin();
    if (failed < n) {
        m_next += failed;
        m_error = failureMessage(batch[failed].fileName, pagesLeft <= 0);
        return false;
    }
    m_next += n;
    return true;
}

bool Import::writeAll()
{
    while (writeNext(kWriters)) { }
    return m_error.isEmpty();
}

} // namespace WordImport
