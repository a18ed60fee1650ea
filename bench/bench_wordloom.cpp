// Wordloom, the program, on a million words: one list of 1,000,000 words
// (9,091 pages), and 1,000 lists of 1,000.  Each run imports into a fresh
// folder; the time is the wall time of the process, peak_MB the largest
// resident size a run of it reached, wordloom_cpu_s the processor time a run
// took.

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

// `lists` lists of `words` words each: random lower-case words of 4 to 12
// letters, a few repeated, as a file of the import's format.
QByteArray wordLists(int lists, int words)
{
    std::mt19937 random(17);
    std::uniform_int_distribution<int> length(4, 12);
    std::uniform_int_distribution<int> letter('a', 'z');
    QByteArray text;
    text.reserve(qsizetype(lists) * words * 10);
    for (int l = 1; l <= lists; ++l) {
        text += "List " + QByteArray::number(l) + "\r\n";
        for (int w = 0; w < words; ++w) {
            const int n = length(random);
            for (int i = 0; i < n; ++i)
                text += char(letter(random));
            text += "\r\n";
        }
        text += "\r\n";
    }
    text += "end\r\n";
    return text;
}

// Runs Wordloom on the file and waits; the exit status, the peak resident
// size of that one process in megabytes and the processor time it took.
int runWordloom(const QString &input, double *peakMegabytes, double *cpuSeconds)
{
    const QByteArray exe = WORDLOOM_EXE;
    const QByteArray arg = QFile::encodeName(input);
    char *argv[] = { const_cast<char *>(exe.constData()), const_cast<char *>(arg.constData()),
                     nullptr };
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return -1;
    *peakMegabytes = usage.ru_maxrss / 1024.0;
    *cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                  + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_Wordloom(benchmark::State &state)
{
    const QByteArray input = wordLists(int(state.range(0)), int(state.range(1)));
    double peakMegabytes = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("WordLists.txt")));
        if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size()) {
            state.SkipWithError("cannot write the word lists");
            return;
        }
        file.close();
        QElapsedTimer timer;
        timer.start();
        double peak = 0;
        double cpu = 0;
        if (runWordloom(file.fileName(), &peak, &cpu) != 0) {
            state.SkipWithError("wordloom failed");
            return;
        }
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        peakMegabytes = std::max(peakMegabytes, peak);
        cpuSeconds += cpu;
        state.counters["files"] = double(QDir(dir.path()).entryList({ "*.kbd" }).size());
    }
    state.counters["words"] = double(state.range(0) * state.range(1));
    state.counters["input_MB"] = input.size() / (1024.0 * 1024.0);
    state.counters["peak_MB"] = peakMegabytes;
    // Its own processor time (user and system), which other loads on the
    // machine do not stretch as they stretch the wall time.
    state.counters["wordloom_cpu_s"] = cpuSeconds / double(state.iterations());
}
BENCHMARK(BM_Wordloom)
        ->Args({ 1, 1000000 })
        ->Args({ 1000, 1000 })
        ->UseManualTime()
        ->Iterations(2)
        ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
