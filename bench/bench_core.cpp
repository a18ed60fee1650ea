// The display-free work behind a keyboard load and the suggestions: reading
// and saving a 120-key keyboard file, and loadwords with the shipped lists and a
// 5,000-line user word file; the check of the program folder at start; the
// virtual keyboard's keymaps for a text.

#include "keyboardfile.h"
#include "programfolder.h"
#include "textfile.h"
#include "virtualkeymap.h"
#include "wordimport.h"
#include "wordlists.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_ReadKeyboard120(benchmark::State &state)
{
    QTemporaryDir dir;
    QStringList lines;
    for (int i = 0; i < 120; ++i)
        lines << QStringLiteral("00%1|key number %2").arg(i % 5).arg(i);
    const QString path = dir.filePath(QStringLiteral("big.kbd"));
    TextFile::write(path, TextFile::joinLines(lines));
    for (auto _ : state) {
        auto layout = KeyboardFile::place(
                KeyboardFile::parse(TextFile::readLines(path).value_or(QStringList())),
                QStringLiteral("big.kbd"));
        benchmark::DoNotOptimize(layout.lastbutton);
    }
}
BENCHMARK(BM_ReadKeyboard120)->Unit(benchmark::kMicrosecond);

// The editor's save of a 120-key keyboard, short of the disk: the lines, the
// text and its bytes.
void BM_SaveKeyboard120(benchmark::State &state)
{
    QList<KeyboardFile::KeyOut> keys;
    for (int i = 0; i < 120; ++i)
        keys.append({ QStringLiteral("word1"), QStringLiteral("key number %1").arg(i) });
    for (auto _ : state) {
        const QByteArray bytes = TextFile::encode(TextFile::joinLines(KeyboardFile::write(keys)));
        benchmark::DoNotOptimize(bytes.size());
    }
}
BENCHMARK(BM_SaveKeyboard120)->Unit(benchmark::kMicrosecond);

void BM_LoadWords(benchmark::State &state)
{
    QTemporaryDir dir;
    ProgramFolder::layOut(QStringLiteral(PLUMTYPE_SOURCE_DATA "/words"), dir.filePath("words"));
    QStringList user;
    for (int i = 0; i < 5000; ++i)
        user << QStringLiteral("%1userword%2").arg(QChar(u'A' + i % 26)).arg(i);
    TextFile::write(dir.filePath(QStringLiteral("words/UserAdded.txt")), TextFile::joinLines(user));
    WordTable table;
    for (auto _ : state) {
        table.load(dir.filePath(QStringLiteral("words")));
        benchmark::DoNotOptimize(table.list(1, 1).size());
    }
}
BENCHMARK(BM_LoadWords)->Unit(benchmark::kMillisecond);

// What the window pays: the user words at the start, then the one list that
// the first typed word needs.
void BM_LoadWordsOnDemand(benchmark::State &state)
{
    QTemporaryDir dir;
    ProgramFolder::layOut(QStringLiteral(PLUMTYPE_SOURCE_DATA "/words"), dir.filePath("words"));
    WordTable table;
    for (auto _ : state) {
        table.loadOnDemand(dir.filePath(QStringLiteral("words")));
        benchmark::DoNotOptimize(WordLists::suggest(table, QStringLiteral("th")));
    }
    if (table.listsRead() != 1)
        state.SkipWithError("more than one list was read");
}
BENCHMARK(BM_LoadWordsOnDemand)->Unit(benchmark::kMillisecond);

void BM_Suggest(benchmark::State &state)
{
    QTemporaryDir dir;
    ProgramFolder::layOut(QStringLiteral(PLUMTYPE_SOURCE_DATA "/words"), dir.path());
    WordTable table;
    table.load(dir.path());
    const QStringList prefixes = { "t", "th", "the", "wh", "wha", "some", "abcdefghijkl" };
    for (auto _ : state) {
        for (const QString &p : prefixes)
            benchmark::DoNotOptimize(WordLists::suggest(table, p));
    }
    // Seven searches an iteration: the rate gives the time of one.
    state.SetItemsProcessed(state.iterations() * prefixes.size());
}
BENCHMARK(BM_Suggest)->Unit(benchmark::kMicrosecond);

// Saving a 100 KB text: encoding it and replacing the file atomically.
void BM_SaveText100KB(benchmark::State &state)
{
    QTemporaryDir dir;
    QString text;
    while (text.size() < 100 * 1024)
        text += QStringLiteral("The quick brown fox jumps over the lazy dog, caf\u00E9.\r\n");
    const QString path = dir.filePath(QStringLiteral("notes.txt"));
    for (auto _ : state)
        benchmark::DoNotOptimize(TextFile::write(path, text + QStringLiteral("\r\n")));
}
BENCHMARK(BM_SaveText100KB)->Unit(benchmark::kMillisecond);

// Wordloom importing 50,000 words in 20 lists of 2,500: reading, dropping
// duplicates, sorting and writing 480 keyboard files, each atomically.
void BM_ImportWords50000(benchmark::State &state)
{
    QTemporaryDir dir;
    QStringList lines;
    for (int list = 0; list < 20; ++list) {
        lines << QStringLiteral("Word List %1").arg(list + 1);
        for (int i = 0; i < 2500; ++i) {
            // Unsorted, with a duplicate in another spelling now and then.
            const int n = (i * 7919 + list) % 2500;
            lines << (n % 50 == 0 && i > 0 ? QStringLiteral("WORD%1").arg((i - 1) * 7919 % 2500)
                                           : QStringLiteral("word%1").arg(n));
        }
        lines << QString();
    }
    lines << QStringLiteral("end");
    const QString input = dir.filePath(QStringLiteral("WordLists.txt"));
    TextFile::write(input, TextFile::joinLines(lines));
    for (auto _ : state) {
        WordImport::Import import(input, QStringLiteral("New Keyboard List"), dir.path());
        if (!import.writeAll())
            state.SkipWithError(qPrintable(import.error()));
        benchmark::DoNotOptimize(import.written().size());
    }
}
BENCHMARK(BM_ImportWords50000)->Unit(benchmark::kMillisecond);

// The plan of an import of many short lists (500 of eight words, a spelling
// repeated in each), in memory: a keyboard for every list.
void BM_PlanShortLists(benchmark::State &state)
{
    QStringList lines;
    for (int list = 0; list < 500; ++list) {
        lines << QStringLiteral("Topic %1").arg(list);
        for (int i = 0; i < 8; ++i)
            lines << (i == 7 ? QStringLiteral("WORD%1").arg(list)
                             : QStringLiteral("word%1").arg(list + i));
        lines << QString();
    }
    for (auto _ : state) {
        const WordImport::Plan plan =
                WordImport::plan(WordImport::readLists(lines), QStringLiteral("Topics"));
        benchmark::DoNotOptimize(plan.keyboards.size());
    }
}
BENCHMARK(BM_PlanShortLists)->Unit(benchmark::kMillisecond);

// The keymaps and keycodes for typing 1,000 characters of 300 different ones
// into a new keymap, bounded by the highest keycode there is (one keymap
// grown, one started again) or by a small bound (a keymap for nearly every
// character).
void BM_PlanVirtualKeymap(benchmark::State &state)
{
    QList<quint32> keysyms;
    for (int i = 0; i < 1000; ++i)
        keysyms << 0x1000100u + quint32(i * 7 % 300);
    for (auto _ : state) {
        VirtualKeymap keymap(int(state.range(0)));
        const QList<VirtualKeymap::Run> runs = keymap.plan(keysyms);
        benchmark::DoNotOptimize(runs.size());
    }
}
BENCHMARK(BM_PlanVirtualKeymap)
        ->Arg(VirtualKeymap::maxKeycode)
        ->Arg(VirtualKeymap::firstKeycode + 5)
        ->Unit(benchmark::kMicrosecond);

} // namespace

// Every start checks that the shipped files are in the user's folder; all of
// them are there, but for the first start.
void BM_ChooseLaidOutFolder(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString shipped = QStringLiteral(PLUMTYPE_SOURCE_DATA);
    ProgramFolder::layOut(shipped, dir.path());
    for (auto _ : state) {
        const ProgramFolder::Choice choice = ProgramFolder::choose(shipped, dir.path());
        benchmark::DoNotOptimize(choice.laidOut.copied.size());
    }
}
BENCHMARK(BM_ChooseLaidOutFolder)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
