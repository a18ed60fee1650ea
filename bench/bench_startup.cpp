// Start-up and keyboard loading with the real window, on the offscreen
// platform: start-up to the painted home keyboard (splash included), loadmap
// of a 120-key keyboard without the splash, edit mode left with a save, and
// the peak memory.

#include "access/access.h"
#include "form1.h"
#include "programfolder.h"
#include "textfile.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

QTemporaryDir *programFolder()
{
    static QTemporaryDir *dir = [] {
        auto *d = new QTemporaryDir;
        ProgramFolder::layOut(QStringLiteral(PLUMTYPE_DATA_DIR), d->path());
        QStringList lines;
        const QStringList kinds = { "000", "001", "002", "003", "004", "999" };
        for (int i = 0; i < 120; ++i)
            lines << kinds.at(i % kinds.size()) + QStringLiteral("|key number %1").arg(i);
        TextFile::write(d->filePath(QStringLiteral("Keyboards/big.kbd")),
                        TextFile::joinLines(lines));
        return d;
    }();
    return dir;
}

// Writes `total` bytes: `head`, then `line` again and again, a megabyte at a
// time, so that making the file costs this process no memory.
void writeLarge(const QString &path, const QByteArray &head, const QByteArray &line, qint64 total)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(head);
    QByteArray chunk;
    while (chunk.size() < (1 << 20))
        chunk += line;
    while (file.size() < total)
        file.write(chunk);
}

// A program folder whose size file or home keyboard is far larger than any
// real one: the start must not slow down or swell with it.
QTemporaryDir *folderWithHugeFile(bool sizeFile)
{
    auto *d = new QTemporaryDir;
    ProgramFolder::layOut(QStringLiteral(PLUMTYPE_DATA_DIR), d->path());
    if (sizeFile) {
        writeLarge(d->filePath(QStringLiteral("screensize.dat")),
                   "10500\r\n11000\r\n718\r\n1259\r\n", "12345678901234567890\r\n", 100 << 20);
    } else {
        QFile home(d->filePath(QStringLiteral("Keyboards/home.kbd")));
        home.open(QIODevice::ReadOnly);
        writeLarge(d->filePath(QStringLiteral("Keyboards/home.kbd")), home.readAll(),
                   "001|word\r\n999|/\r\n002|another|word\r\n", 10 << 20);
    }
    return d;
}

// Shows the window and waits for the home keyboard.
void startUp(Form1 &w)
{
    w.show();
    while (w.starting || w.loadingmap || w.lastbutton < 2)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Processor time this process has used so far.
double cpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void BM_StartupToHomeKeyboard(benchmark::State &state)
{
    for (auto _ : state) {
        Form1 w(programFolder()->path());
        startUp(w);
        w.repaint();
        benchmark::DoNotOptimize(w.lastbutton);
    }
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_StartupToHomeKeyboard)->Unit(benchmark::kMillisecond)->Iterations(10);

// One click on a word key with the shipped word lists: the dispatch, the
// typing-area rules, the suggestion search and the repaint of the four
// suggestion faces.
void BM_WordKeyClick(benchmark::State &state)
{
    Form1 w(programFolder()->path());
    startUp(w);
    w.splashMs = 0;
    TextFile::write(w.keyboardPath(QStringLiteral("words.kbd")),
                    TextFile::joinLines({ QStringLiteral("001|because") }));
    w.loadmap(w.keyboardPath(QStringLiteral("words.kbd")));
    const QString start = QStringLiteral("I went home early today ");
    for (auto _ : state) {
        state.PauseTiming();
        w.Text1->setText(start);
        w.Text1->setSelStart(static_cast<int>(start.size()));
        state.ResumeTiming();
        w.Command1_Click(2);
    }
    if (!w.Text1->Text().endsWith(QStringLiteral("because ")))
        state.SkipWithError("the word was not typed");
}
BENCHMARK(BM_WordKeyClick)->Unit(benchmark::kMicrosecond);

// Processor time used while a prompt waits two seconds for its answer.
void BM_PromptWaitCpu(benchmark::State &state)
{
    Form1 w(programFolder()->path());
    startUp(w);
    double used = 0;
    for (auto _ : state) {
        // The answer comes after two seconds; the load of the answer keyboard
        // is over long before.
        QTimer::singleShot(300, &w, [&] { used = -cpuMs(); });
        QTimer::singleShot(2300, &w, [&] {
            used += cpuMs();
            w.Text1->setText(w.Text1->Text() + QStringLiteral("Okay"));
        });
        w.okayprompt(QStringLiteral("Waiting"));
    }
    state.counters["cpu_ms_per_2s"] = used;
}
BENCHMARK(BM_PromptWaitCpu)->Unit(benchmark::kMillisecond)->Iterations(1);

// Run each of these in a process of its own (make bench does): the peak is
// the process's.
void BM_StartupHugeFile(benchmark::State &state)
{
    static QTemporaryDir *folder = folderWithHugeFile(state.range(0) == 0);
    for (auto _ : state) {
        Form1 w(folder->path());
        startUp(w);
        w.repaint();
        benchmark::DoNotOptimize(w.lastbutton);
    }
    state.SetLabel(state.range(0) == 0 ? "100 MB screensize.dat" : "10 MB home.kbd");
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_StartupHugeFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LoadmapBigKeyboard(benchmark::State &state)
{
    Form1 w(programFolder()->path());
    startUp(w);
    w.splashMs = 0;
    const QString path = w.keyboardPath(QStringLiteral("big.kbd"));
    for (auto _ : state) {
        w.loadmap(path);
        benchmark::DoNotOptimize(w.lastbutton);
    }
    if (w.lastbutton != 121)
        state.SkipWithError("the big keyboard did not load");
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_LoadmapBigKeyboard)->Unit(benchmark::kMillisecond);

// Edit mode on a 120-key keyboard: entering it, then leaving it with a save
// under a new name.  Every prompt is answered as soon as its keyboard is up,
// so the figure is the editor's own work: the working copy, five keyboard
// loads and the written file.
void BM_EditModeEnterAndSave(benchmark::State &state)
{
    Form1 w(programFolder()->path());
    startUp(w);
    w.splashMs = 0;
    const QString prompt = QStringLiteral("Enter keyboard name then press return: ");
    QTimer answer;
    answer.setInterval(0);
    QObject::connect(&answer, &QTimer::timeout, &w, [&] {
        if (w.loadingmap)
            return;
        const QString text = w.Text1->Text();
        if (w.FileName == u"YesNo.kbd" && !text.endsWith(u"yes"))
            w.Text1->setText(text + QStringLiteral("yes"));
        else if (w.FileName == u"Okay.kbd" && !text.endsWith(u"Okay"))
            w.Text1->setText(text + QStringLiteral("Okay"));
        else if (w.FileName == u"FileNaming.kbd" && !text.contains(u"\r\n"))
            w.Text1->setText(prompt + QStringLiteral("bench copy\r\n"));
    });
    answer.start();
    const QString big = w.keyboardPath(QStringLiteral("big.kbd"));
    const QString saved = w.keyboardPath(QStringLiteral("bench copy.kbd"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(saved);
        w.loadmap(big);
        state.ResumeTiming();
        w.EditMode_Click();
        w.QuitEdit_Click();
    }
    if (w.editmode || w.FileName != u"bench copy.kbd" || w.lastbutton != 121)
        state.SkipWithError("the keyboard was not saved");
}
BENCHMARK(BM_EditModeEnterAndSave)->Unit(benchmark::kMillisecond);

// Scramble Finder picking its next word from the shipped keyboards: the
// folder listed, keyboards read until one gives a word.
void BM_PickGameWord(benchmark::State &state)
{
    Form1 w(programFolder()->path());
    for (auto _ : state)
        benchmark::DoNotOptimize(w.pickgameword());
    if (w.gamekbd.isEmpty())
        state.SkipWithError("no word was picked");
}
BENCHMARK(BM_PickGameWord)->Unit(benchmark::kMillisecond);

// Processor time used while a game waits five seconds for the user to type
// its word.
void BM_GameWaitCpu(benchmark::State &state)
{
    Form1 w(programFolder()->path());
    startUp(w);
    double used = 0;
    for (auto _ : state) {
        QTimer::singleShot(300, &w, [&] { used = -cpuMs(); });
        QTimer::singleShot(5300, &w, [&] {
            used += cpuMs();
            w.quitgame = true;
        });
        w.scramblefinder_Click();
    }
    state.counters["cpu_ms_per_5s"] = used;
}
BENCHMARK(BM_GameWaitCpu)->Unit(benchmark::kMillisecond)->Iterations(1);

// Processor time in percent of one core while the event loop runs for `ms`.
double cpuPercentOver(int ms)
{
    const double before = cpuMs();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return (cpuMs() - before) * 100.0 / ms;
}

// Processor time while dwell clicking is on and the pointer rests: on the
// word key it has just selected (0), or over the typing area (1).
void BM_DwellRestCpu(benchmark::State &state)
{
    Form1 w(programFolder()->path());
    startUp(w);
    w.splashMs = 0;
    w.handsFree->change(HandsFree::Id::DwellOn, 1);
    QWidget *rest = w.Text1;
    for (int i = 2; i <= w.lastbutton && state.range(0) == 0; ++i) {
        if (w.Command1(i)->Tag == u"word1" && w.Command1(i)->ToolTipText == u"you")
            rest = w.Command1(i);
    }
    double percent = 0;
    for (auto _ : state) {
        w.Text1->setText(QString());
        QCursor::setPos(rest->mapToGlobal(rest->rect().center()));
        // Lock-on and dwell time pass; the key is selected once, then rests.
        cpuPercentOver(2000);
        percent = cpuPercentOver(2000);
    }
    if (state.range(0) == 0 && !w.Text1->Text().startsWith(u"You"))
        state.SkipWithError("the key was not selected");
    w.handsFree->change(HandsFree::Id::DwellOn, 0);
    state.SetLabel(state.range(0) == 0 ? "on a selected key" : "over the typing area");
    state.counters["cpu_percent"] = percent;
}
BENCHMARK(BM_DwellRestCpu)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// Processor time while switch scanning is on: waiting at the top once its
// loops ran out (0), and with the highlight moving every 1.2 s (1).
void BM_ScanCpu(benchmark::State &state)
{
    Form1 w(programFolder()->path());
    startUp(w);
    const bool waiting = state.range(0) == 0;
    w.handsFree->change(HandsFree::Id::IntervalMs, waiting ? 100 : 1200);
    w.handsFree->change(HandsFree::Id::Loops, waiting ? 1 : 50);
    w.handsFree->change(HandsFree::Id::ScanOn, 1);
    double percent = 0;
    for (auto _ : state) {
        // Waiting: one loop over the rows at 0.1 s, and the scan stops.
        cpuPercentOver(3000);
        percent = cpuPercentOver(2000);
    }
    if (waiting == w.handsFree->scan()->scanner().running())
        state.SkipWithError(waiting ? "the scan did not stop" : "the scan stopped");
    w.handsFree->change(HandsFree::Id::ScanOn, 0);
    w.handsFree->change(HandsFree::Id::IntervalMs, 1200);
    w.handsFree->change(HandsFree::Id::Loops, 2);
    state.SetLabel(waiting ? "stopped at the top" : "moving every 1.2 s");
    state.counters["cpu_percent"] = percent;
}
BENCHMARK(BM_ScanCpu)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Hands-free settings go to a folder of the benchmark's own.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("peak memory: %.1f MB\n", peakMegabytes());
    return 0;
}
