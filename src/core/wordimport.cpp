#include "wordimport.h"

#include "folderlookup.h"
#include "keyboardfile.h"
#include "textfile.h"
#include "textrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <vector>

namespace WordImport {

namespace {

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

QList<WordList> readLists(const QStringList &lines)
{
    QList<WordList> lists;
    WordList current;
    bool open = false;
    for (const QString &line : lines) {
        if (isBlank(line)) {
            if (open)
                lists.append(std::move(current));
            current = WordList();
            open = false;
        } else if (!open) {
            current.title = line;
            open = true;
        } else {
            current.words.append(line);
        }
    }
    return lists;
}

QStringList keyWords(const QStringList &words)
{
    QStringList keys;
    QSet<QString> seen;
    seen.reserve(words.size());
    for (const QString &word : words) {
        const QString key = TextRules::trimSpaces(word).toLower();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        keys.append(word);
    }
    // QString compares UTF-16 code units: the character-code order.
    std::stable_sort(keys.begin(), keys.end());
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
    return { QStringLiteral("999|Home"),     QStringLiteral("000|[back]"),
             QStringLiteral("000|[delete]"), QStringLiteral("000|[clear]"),
             QStringLiteral("000|[copy]"),   QStringLiteral("000|[return]") };
}

QString closingMessage()
{
    return QStringLiteral("Done. KBD Files created. Don't forget to copy these into your keyboard "
                          "folder and add a menu link to the group table of contents file from an "
                          "existing keyboard.");
}

Plan plan(const QList<WordList> &lists, const QString &groupName)
{
    Plan result;
    const QString group = cleanName(groupName);
    const QString groupLink = TextRules::trimSpaces(group);
    // A name that no key could open is none.
    if (KeyboardFile::linkFileName(group).isEmpty()) {
        result.error = QStringLiteral("The group keyboard needs a name. Type one that holds more "
                                      "than the characters / \\ : * ? \" < > | and dots.");
        return result;
    }
    const QString groupFile = withoutSpaces(group) + QLatin1String(".kbd");
    const QString backLink = QLatin1String("999|") + groupLink;

    QStringList groupLines = commonLines();
    qsizetype number = 0;
    for (const WordList &list : lists) {
        ++number;
        QString title = cleanName(list.title);
        if (KeyboardFile::linkFileName(title).isEmpty())
            title = QStringLiteral("List %1").arg(number);
        const QString base = withoutSpaces(title);
        groupLines.append(QLatin1String("999|") + title);

        const QStringList keys = keyWords(list.words);
        const qsizetype pages = std::max<qsizetype>(1, (keys.size() + kPageSize - 1) / kPageSize);
        for (qsizetype page = 1; page <= pages; ++page) {
            Keyboard keyboard;
            keyboard.fileName =
                    base + (page > 1 ? QString::number(page) : QString()) + QLatin1String(".kbd");
            if (keyboard.fileName.compare(groupFile, Qt::CaseInsensitive) == 0) {
                result.keyboards.clear();
                result.error = QStringLiteral("The group keyboard \"%1\" would have the same file "
                                              "name as a page of the list \"%2\". Give the group "
                                              "keyboard another name.")
                                       .arg(groupLink, TextRules::trimSpaces(title));
                return result;
            }
            keyboard.lines = commonLines();
            const qsizetype first = (page - 1) * kPageSize;
            const qsizetype last = std::min<qsizetype>(first + kPageSize, keys.size());
            keyboard.lines.reserve(keyboard.lines.size() + (last - first) + 2);
            for (qsizetype i = first; i < last; ++i)
                keyboard.lines.append(QLatin1String("001|") + keys.at(i));
            if (page < pages)
                keyboard.lines.append(QLatin1String("999|") + title + QString::number(page + 1));
            keyboard.lines.append(backLink);
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
    : m_folder(folder)
{
    m_writers.setMaxThreadCount(kWriters);
    const std::optional<QStringList> lines = TextFile::readLines(inputPath);
    if (!lines) {
        m_error = QStringLiteral("The word-list file \"%1\" cannot be read: %2.")
                          .arg(QDir::toNativeSeparators(inputPath), readProblem(inputPath));
        return;
    }
    m_plan = plan(readLists(*lines), groupName);
    m_error = m_plan.error;
}

bool Import::writeNext(int count)
{
    if (atEnd())
        return false;
    // The pages first; the group keyboard alone once they are all there.
    const qsizetype pagesEnd = total() - 1;
    const qsizetype end =
            m_next < pagesEnd ? std::min(m_next + std::max(count, 1), pagesEnd) : total();
    const qsizetype n = end - m_next;
    // No two files of a plan share a name, so the writers never meet.  An
    // existing file of the same name in another letter case is the one
    // replaced, as keyboards are found without regard to case.
    std::vector<QString> paths(n);
    std::vector<char> ok(n, 0);
    for (qsizetype i = 0; i < n; ++i) {
        const Keyboard &keyboard = m_plan.keyboards.at(m_next + i);
        if (!FolderLookup::isPlainName(keyboard.fileName))
            continue;
        m_writers.start([this, &keyboard, &paths, &ok, i] {
            paths[i] = FolderLookup::resolve(m_folder, keyboard.fileName);
            ok[i] = TextFile::write(paths[i], TextFile::joinLines(keyboard.lines));
        });
    }
    m_writers.waitForDone();

    for (qsizetype i = 0; i < n; ++i) {
        if (ok[i])
            m_written.append(paths[i]);
    }
    const qsizetype failed = std::find(ok.begin(), ok.end(), 0) - ok.begin();
    if (failed < n) {
        m_error = QStringLiteral("The keyboard file \"%1\" could not be written, so the import "
                                 "stopped there. The files written before it are complete.")
                          .arg(QDir::toNativeSeparators(
                                  m_folder + u'/' + m_plan.keyboards.at(m_next + failed).fileName));
        m_next += failed;
        return false;
    }
    m_next = end;
    return true;
}

bool Import::writeAll()
{
    while (writeNext(kWriters)) { }
    return m_error.isEmpty();
}

} // namespace WordImport
