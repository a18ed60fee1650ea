// Wordloom's import: any word-list file and group name.  The input's first
// line is the group name, the rest the word-list file.  The plan of the
// keyboards is checked on every input; on disk turns (one input in 32) the
// import writes them, and what it writes, read as a stream, must be the plan
// to the byte.

#include "fuzzcheck.h"

#include "folderlookup.h"
#include "keyboardfile.h"
#include "textfile.h"
#include "textrules.h"
#include "wordimport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <optional>

namespace {

// Every keyboard of the plan is a plain file name, begins with the common
// lines, places every line as a key, and links only to keyboards of the plan
// (as a click opens one: its text trimmed of spaces, without spaces, + ".kbd").
template<typename What> void checkPlan(const WordImport::Plan &plan, const What &what)
{
    QSet<QString> names;
    names.reserve(plan.keyboards.size());
    for (const WordImport::Keyboard &k : plan.keyboards) {
        FUZZ_CHECK(FolderLookup::isPlainName(k.fileName) && k.fileName.endsWith(u".kbd")
                           && !k.fileName.startsWith(u'.') && !k.fileName.contains(u' '),
                   shown(k.fileName));
        const qsizetype before = names.size();
        names.insert(k.fileName.toLower());
        FUZZ_CHECK(names.size() > before, shown(k.fileName) + what());
    }
    static const QStringList common = WordImport::commonLines();
    for (qsizetype i = 0; i < plan.keyboards.size(); ++i) {
        const WordImport::Keyboard &k = plan.keyboards.at(i);
        FUZZ_CHECK(k.lines.size() >= common.size()
                           && std::equal(common.cbegin(), common.cend(), k.lines.cbegin()),
                   shown(k.fileName));
        for (const QString &line : k.lines) {
            if (!line.startsWith(QLatin1String("999|")) || line == u"999|Home")
                continue;
            // The line reads as one key (KeyboardFile::parse() reads each
            // line so).
            const KeyKind *kind = nullptr;
            const std::optional<KeyboardFile::Record> record = KeyboardFile::parseLine(line, kind);
            FUZZ_CHECK(record.has_value(), shown(line));
            const QString &output = record->output;
            QString name = TextRules::trimSpaces(output);
            name.remove(u' ');
            name += QLatin1String(".kbd");
            FUZZ_CHECK(!KeyboardFile::linkFileName(output).isEmpty()
                               && names.contains(name.toLower()),
                       shown(output) + QStringLiteral(" in ") + shown(k.fileName));
        }
    }
    // Placing keys costs: the first keyboard, a page, places every line as
    // a key.
    if (plan.keyboards.size() > 1) {
        const WordImport::Keyboard &k = plan.keyboards.first();
        const KeyboardFile::Layout layout =
                KeyboardFile::placeText(TextFile::joinLines(k.lines), k.fileName);
        FUZZ_CHECK(layout.keys.size() >= k.lines.size(),
                   shown(k.fileName)
                           + QStringLiteral(" places %1 of %2 lines")
                                     .arg(layout.keys.size())
                                     .arg(k.lines.size()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t trapKind = in.takeByte();
    const QString group = TextFile::decode(in.takeUntil('\n'));
    const QByteArray listFile = in.rest();

    const WordImport::Plan plan = WordImport::plan(
            WordImport::readLists(TextFile::splitLines(TextFile::decode(listFile))), group);
    const auto planned = [&] { return shown(group) + QStringLiteral(": ") + shown(plan.error); };
    // The only reasons to write nothing: a group name of nothing usable, or
    // one that is a page's name too.
    if (!plan.error.isEmpty()) {
        FUZZ_CHECK(plan.keyboards.isEmpty(), planned());
        FUZZ_CHECK(KeyboardFile::linkFileName(WordImport::cleanName(group)).isEmpty()
                           || plan.error.contains(QLatin1String("same file name")),
                   planned());
    }
    checkPlan(plan, planned);
    // On disk one input in 32: an import writes, lists and reads back up to
    // a hundred files, ten times what all the rest of a run costs.
    if (!diskTurn(32))
        return 0;

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
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                           && file.write(listFile) == listFile.size(),
                   input);
    }

    WordImport::Import import(input, group, out);
    // On one disk turn in eight (as the input's low bits pick) the import
    // writes in batches on its threads, as Wordloom does; on the others one
    // keyboard at a time on this thread, which goes through the same steps:
    // under the sanitizers, starting the threads cost more than all the rest
    // of a disk turn.
    bool ok;
    if ((trapKind & 7) == 0) {
        ok = import.writeAll();
    } else {
        // Each call writes one keyboard more and says so; the first false
        // comes once all are written, or with error() naming the one that
        // failed, which is not among the files written.
        for (;;) {
            const qsizetype before = import.done();
            const bool more = import.writeNext(1);
            FUZZ_CHECK(more == (import.error().isEmpty() && import.done() == before + 1),
                       shown(import.error()));
            FUZZ_CHECK(import.written().size() == import.done(), shown(import.error()));
            if (!more)
                break;
        }
        FUZZ_CHECK(import.atEnd() && !import.writeNext(1), shown(import.error()));
        ok = import.error().isEmpty() && import.done() == import.total();
    }
    const QString what = shown(group) + QStringLiteral(": ") + shown(import.error());
    FUZZ_CHECK(ok == import.error().isEmpty(), what);
    if (trap) {
        FUZZ_CHECK(trap->untouched(), what);
        // The link is refused like any file that cannot be written.
        FUZZ_CHECK(ok || import.error().contains(QLatin1String("could not be written"))
                           || import.written().isEmpty(),
                   what);
    } else {
        FUZZ_CHECK(ok == plan.error.isEmpty(), what + QStringLiteral(" planned ") + planned());
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
    if (!ok)
        return 0;

    // The stream wrote the plan: the same files in the same order, byte for
    // byte, and nothing else.
    FUZZ_CHECK(import.written().size() == import.total() && import.total() == plan.keyboards.size()
                       && files.size() == import.total(),
               what
                       + QStringLiteral(" wrote %1 of %2 planned")
                                 .arg(files.size())
                                 .arg(plan.keyboards.size()));
    for (qsizetype i = 0; i < plan.keyboards.size(); ++i) {
        const WordImport::Keyboard &k = plan.keyboards.at(i);
        const QString path = import.written().at(i);
        FUZZ_CHECK(path == out + u'/' + k.fileName,
                   shown(path) + QStringLiteral(" for ") + shown(k.fileName));
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
                           && file.readAll() == TextFile::encode(TextFile::joinLines(k.lines)),
                   shown(path));
    }
    return 0;
}
