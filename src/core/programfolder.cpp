#include "programfolder.h"

#include "filewrite.h"
#include "folderlookup.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

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

} // namespace

Result layOut(const QString &shipped, const QString &target)
{
    Result result;
    FileWrite::makeFolder(target);
    const QDir base(shipped);
    QDirIterator it(shipped, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    QStringList entries;
    while (it.hasNext())
        entries.append(base.relativeFilePath(it.next()));
    entries.sort();
    for (const QString &relative : entries) {
        const QString from = shipped + u'/' + relative;
        const QString to = FolderLookup::resolve(target, relative);
        if (QFileInfo(from).isDir()) {
            if (!FileWrite::makeFolder(to))
                result.failed.append(relative);
            continue;
        }
        // A link that leads nowhere is no file of the user's: it is not
        // followed (see FileWrite::target), and the copy fails.
        if (QFileInfo::exists(to))
            continue;
        if (copyFile(from, to))
            result.copied.append(relative);
        else
            result.failed.append(relative);
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
