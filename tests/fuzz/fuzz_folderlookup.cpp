// Finding files without regard to letter case, and the names that may stand
// for a file inside its folder.

#include "fuzzcheck.h"

#include "folderlookup.h"
#include "keyboardfile.h"
#include "textfile.h"

#include <QDir>
#include <QFile>

namespace {

bool plainByHand(const QString &name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/')
           && !name.contains(u'\\') && !name.contains(QChar(0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint32_t kinds = in.takeInt(0xFFFFFFFFu);
    const QString text = TextFile::decode(in.rest());

    // Lines: the entries to make under base (a "/" nests them), then the
    // relative path to look up, last.
    QStringList lines = TextFile::splitLines(text);
    const QString relative = lines.isEmpty() ? QString() : lines.takeLast();

    const QString root = scratchFolder();
    const QString base = root + QStringLiteral("/base");
    QDir().mkpath(base);
    QFile::copy(QStringLiteral("/dev/null"), root + QStringLiteral("/outside"));
    for (qsizetype i = 0; i < lines.size() && i < 16; ++i) {
        const QStringList parts = lines.at(i).split(u'/', Qt::SkipEmptyParts);
        bool plain = !parts.isEmpty();
        for (const QString &part : parts)
            plain = plain && plainByHand(part) && part.toUtf8().size() < 200;
        if (!plain)
            continue;
        const QString path = base + u'/' + parts.join(u'/');
        if (kinds & (1u << i)) {
            QDir().mkpath(path);
        } else {
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            file.open(QIODevice::WriteOnly);
        }
    }

    for (const QString &name : lines + QStringList { relative }) {
        FUZZ_CHECK(FolderLookup::isPlainName(name) == plainByHand(name), shown(name));
        const QString link = KeyboardFile::linkFileName(name);
        FUZZ_CHECK(link.isEmpty()
                           || (link.endsWith(QLatin1String(".kbd")) && link.size() > 4
                               && FolderLookup::isPlainName(link) && !link.contains(u' ')),
                   shown(name) + QStringLiteral(" links to ") + shown(link));
    }

    // A path of plain names stays inside base: one component for each name,
    // each the name itself or an entry that differs only in letter case.
    const QStringList parts = relative.split(u'/', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (!FolderLookup::isPlainName(part))
            return 0;
    }
    const QString resolved = FolderLookup::resolve(base, relative);
    const QString what = shown(relative) + QStringLiteral(" resolved as ") + shown(resolved);
    FUZZ_CHECK(resolved == base || resolved.startsWith(base + u'/'), what);
    const QStringList got = resolved.mid(base.size() + 1).split(u'/', Qt::SkipEmptyParts);
    FUZZ_CHECK(got.size() == parts.size(), what);
    QString walked = base;
    bool exists = true;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        FUZZ_CHECK(got.at(i).compare(parts.at(i), Qt::CaseInsensitive) == 0, what);
        // An entry that is there under the very name is taken.
        if (exists && QFileInfo::exists(walked + u'/' + parts.at(i)))
            FUZZ_CHECK(got.at(i) == parts.at(i), what);
        walked += u'/' + got.at(i);
        exists = exists && QFileInfo::exists(walked);
    }
    FUZZ_CHECK(QDir::cleanPath(resolved) == resolved, what);
    return 0;
}
