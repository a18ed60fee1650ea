#include "programfolder.h"

#include "filewrite.h"
#include "folderlookup.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <algorithm>

namespace ProgramFolder {

namespace {

bool copyFile(const QString &from, const QString &to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    return FileWrite::makeFolder(QFileInfo(to).absolutePath()) && FileWrite::replace(to, bytes);
}

// The user's folders, each read once: at every start all the shipped files
// are looked for, and nearly all are there.  Finds paths as
// FolderLookup::resolve does; a folder written to is read again.
class Listing
{
public:
    QString resolve(const QString &base, const QString &relative)
    {
        QString path = base;
        bool found = true;
        for (const QString &part : relative.split(u'/', Qt::SkipEmptyParts)) {
            const Entry *entry = found ? find(path, part) : nullptr;
            found = entry != nullptr;
            path += u'/' + (entry ? entry->name : part);
        }
        return path;
    }

    // Whether the resolved path is there (a link, where it leads).
    bool exists(const QString &path)
    {
        const qsizetype slash = path.lastIndexOf(u'/');
        const QList<Entry> &in = entries(path.left(slash));
        const QStringView name = QStringView(path).mid(slash + 1);
        for (const Entry &entry : in) {
            if (entry.name == name)
                return entry.exists;
        }
        return QFileInfo::exists(path);
    }

    void written(const QString &path) { m_folders.remove(path.left(path.lastIndexOf(u'/'))); }

private:
    struct Entry
    {
        QString name;
        bool exists;
    };

    const QList<Entry> &entries(const QString &folder)
    {
        auto it = m_folders.find(folder);
        if (it == m_folders.end()) {
            QList<Entry> list;
            // The folder's order, as FolderLookup::resolve reads it.
            const QFileInfoList infos = QDir(folder).entryInfoList(
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            list.reserve(infos.size());
            for (const QFileInfo &info : infos)
                list.append({ info.fileName(), info.exists() });
            it = m_folders.insert(folder, list);
        }
        return *it;
    }

    // An entry that is there by the exact name wins; else the first that
    // matches ignoring case (a link that leads nowhere matches only so).
    const Entry *find(const QString &folder, const QString &name)
    {
        const QList<Entry> &in = entries(folder);
        for (const Entry &entry : in) {
            if (entry.exists && entry.name == name)
                return &entry;
        }
        for (const Entry &entry : in) {
            if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
                return &entry;
        }
        return nullptr;
    }

    QHash<QString, QList<Entry>> m_folders;
};

} // namespace

Result layOut(const QString &shipped, const QString &target)
{
    Result result;
    FileWrite::makeFolder(target);
    const QDir base(shipped);
    QDirIterator it(shipped, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    QList<QPair<QString, bool>> entries; // relative path, is a folder
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        entries.append({ base.relativeFilePath(info.filePath()), info.isDir() });
    }
    std::sort(entries.begin(), entries.end());
    Listing listing;
    for (const auto &[relative, isFolder] : std::as_const(entries)) {
        const QString from = shipped + u'/' + relative;
        const QString to = listing.resolve(target, relative);
        if (isFolder) {
            const bool wasThere = listing.exists(to);
            if (!FileWrite::makeFolder(to))
                result.failed.append(relative);
            if (!wasThere)
                listing.written(to);
            continue;
        }
        // A link that leads nowhere is no file of the user's: it is not
        // followed (see FileWrite::target), and the copy fails.
        if (listing.exists(to))
            continue;
        if (copyFile(from, to))
            result.copied.append(relative);
        else
            result.failed.append(relative);
        listing.written(to);
    }
    return result;
}

namespace {

// Empty when a file can be made in the folder, else what stood in the way.
QString writeProblem(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("the folder %1 cannot be made").arg(folder);
    QTemporaryFile probe(folder + QStringLiteral("/.plumtype-XXXXXX"));
    if (!probe.open() || probe.write("probe") != 5 || !probe.flush())
        return QStringLiteral("the folder %1 cannot be written to (%2)")
                .arg(folder, probe.errorString());
    return QString();
}

} // namespace

Choice choose(const QString &shipped, const QString &target)
{
    Choice choice;
    choice.laidOut = layOut(shipped, target);
    choice.folder = target;
    const QString problem = writeProblem(target);
    const bool hasHome =
            QFileInfo::exists(FolderLookup::resolve(target, QStringLiteral("Keyboards/home.kbd")));
    if (!hasHome) {
        choice.folder = shipped;
        choice.readOnlyReason =
                problem.isEmpty()
                        ? QStringLiteral("the keyboards could not be copied into %1").arg(target)
                        : problem;
    } else if (!problem.isEmpty()) {
        choice.readOnlyReason = problem;
    }
    return choice;
}

} // namespace ProgramFolder
