// Wordloom's import: any word-list file and group name.  The input's first
// line is the group name, the rest the word-list file.

#include "fuzzcheck.h"

#include "folderlookup.h"
#include "keyboardfile.h"
#include "textfile.h"
#include "textrules.h"
#include "wordimport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t trapKind = in.takeByte();
    const QString group = TextFile::decode(in.takeUntil('\n'));
    const QByteArray listFile = in.rest();

    const QString root = scratchFolder();
    const QString out = root + QStringLiteral("/out");
    QDir().mkpath(out);
    // Now and then a link out of the folder waits at the group keyboard's
    // name, in another letter case.
    const bool trapped = trapKind & 8;
    std::optional<LinkTrap> trap;
    if (trapped) {
        trap.emplace(out);
        QString groupFile = WordImport::cleanName(group);
        groupFile.remove(u' ');
        groupFile += QStringLiteral(".KBD");
        if (FolderLookup::isPlainName(groupFile))
            trap->plant(groupFile, trapKind >> 4);
    }
    const QString input = root + QStringLiteral("/WordLists.txt");
    {
        QFile file(input);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(listFile) == listFile.size(),
                   input);
    }

    WordImport::Import import(input, group, out);
    const bool ok = import.writeAll();
    const QString what = shown(group) + QStringLiteral(": ") + shown(import.error());
    FUZZ_CHECK(ok == import.error().isEmpty(), what);
    if (trap) {
        FUZZ_CHECK(trap->untouched(), what);
        // The link is refused like any file that cannot be written.
        FUZZ_CHECK(ok || import.error().contains(QLatin1String("could not be written"))
                           || import.written().isEmpty(),
                   what);
    } else if (!ok) {
        // The only reason to stop here is a group name of nothing usable.
        FUZZ_CHECK(import.written().isEmpty(), what);
        FUZZ_CHECK(KeyboardFile::linkFileName(WordImport::cleanName(group)).isEmpty()
                           || import.error().contains(QLatin1String("same file name")),
                   what);
    }

    // Nothing lands outside the output folder, nothing hidden, nothing half
    // written.
    FUZZ_CHECK(
            QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)
                    == (trapped ? QStringList({ "WordLists.txt", "out", "outside" })
                                : QStringList({ "WordLists.txt", "out" })),
            what);
    QStringList files;
    for (const QFileInfo &info :
         QDir(out).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (!info.isSymLink())
            files.append(info.fileName());
    }
    FUZZ_CHECK(files.size() <= import.written().size(), what);
    for (const QString &name : files) {
        FUZZ_CHECK(name.endsWith(QLatin1String(".kbd")) && !name.startsWith(u'.')
                           && !name.contains(u' '),
                   shown(name));
    }
    if (!ok)
        return 0;
    FUZZ_CHECK(import.written().size() == import.total(), what);

    for (const QString &path : import.written()) {
        FUZZ_CHECK(QFileInfo(path).absolutePath() == out, shown(path));
        const QStringList lines = TextFile::readLines(path).value_or(QStringList());
        FUZZ_CHECK(lines.mid(0, 6) == WordImport::commonLines(), shown(path));
        // Every line is a key, and every key of a page finds its place on the
        // keyboard (the group keyboard, written last, has one key a list).
        const KeyboardFile::Layout layout =
                KeyboardFile::placeText(TextFile::joinLines(lines), QFileInfo(path).fileName());
        const qsizetype placed = path == import.written().constLast()
                                         ? std::min<qsizetype>(lines.size(), KeyboardFile::kMaxKeys)
                                         : lines.size();
        FUZZ_CHECK(layout.keys.size() >= placed, shown(path)
                                                         + QStringLiteral(" places %1 of %2 lines")
                                                                   .arg(layout.keys.size())
                                                                   .arg(lines.size()));
        // Every link opens a keyboard that was written, as a click on it
        // opens one: its text trimmed of spaces, without spaces, + ".kbd".
        for (const KeyboardFile::PlacedKey &key : layout.keys) {
            if (key.record.kind != QLatin1String("keyboard") || key.record.output == u"Home")
                continue;
            QString name = TextRules::trimSpaces(key.record.output);
            name.remove(u' ');
            FUZZ_CHECK(!KeyboardFile::linkFileName(key.record.output).isEmpty()
                               && QFileInfo::exists(FolderLookup::resolve(out, name + ".kbd")),
                       shown(key.record.output) + QStringLiteral(" in ") + shown(path));
        }
    }
    return 0;
}
