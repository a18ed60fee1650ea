#include "folderlookup.h"

#include <QDir>
#include <QFileInfo>

namespace FolderLookup {

QString resolve(const QString &base, const QString &relative)
{
    QString path = base;
    const QStringList parts = relative.split(u'/', Qt::SkipEmptyParts);
    bool found = true;
    for (const QString &part : parts) {
        QString next = path + u'/' + part;
        if (found && !QFileInfo::exists(next)) {
            found = false;
            const QStringList entries = QDir(path).entryList(QDir::AllEntries | QDir::Hidden
                                                             | QDir::System | QDir::NoDotAndDotDot);
            for (const QString &entry : entries) {
                if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                    next = path + u'/' + entry;
                    found = true;
                    break;
                }
            }
        }
        path = next;
    }
    return path;
}

bool isPlainName(const QString &name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    return !name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(0));
}

} // namespace FolderLookup
