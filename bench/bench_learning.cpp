// The learning suggestions with a full model: 50,000 learned words and
// 200,000 learned pairs (made up, with word and pair counts that fall off like
// those of real text) and the shipped static pairs.  Measures loading, the
// memory the loaded model takes, one keystroke's suggestions (median and
// worst over many typed words) and learning a sentence into the full model.

#include "folderlookup.h"
#include "learning.h"
#include "shippedlists.h"
#include "textfile.h"
#include "wordlists.h"

#include <QFile>
#include <QFileInfo>

#include <malloc.h>
#include <time.h>
#include <QSet>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

// Letters about as often as in English, so that prefixes share ranges as
// real words do.
const char kLetters[] = "eeeeeeeeeeeetttttttttaaaaaaaaoooooooiiiiiiinnnnnnnsssssshhhhhhrrrrrr"
                        "ddddlllluuucccmmmwwffggyyppbbvkjxqz";

struct Synthetic
{
    QStringList words;
    std::vector<std::pair<int, int>> pairs;
    QString text; // the Learned.txt text
};

const Synthetic &synthetic()
{
    static const Synthetic s = [] {
        Synthetic s;
        std::mt19937 random(12345);
        QSet<QString> seen;
        std::uniform_int_distribution<int> length(2, 10);
        std::uniform_int_distribution<int> letter(0, int(sizeof kLetters) - 2);
        while (s.words.size() < LearnedModel::kWordCap) {
            QString w;
            const int n = length(random);
            for (int i = 0; i < n; ++i)
                w += QChar(kLetters[letter(random)]);
            if (!seen.contains(w)) {
                seen.insert(w);
                s.words.append(w);
            }
        }
        // Word ranks drawn with a falling-off law: a few words follow and
        // precede very many others.
        const auto zipf = [&random](int n) {
            std::uniform_real_distribution<double> u(0.0, 1.0);
            return std::min(n - 1, int(std::pow(double(n), u(random))) - 1);
        };
        QSet<quint64> pairSeen;
        while (int(s.pairs.size()) < LearnedModel::kPairCap) {
            const int a = zipf(int(s.words.size()));
            const int b = zipf(int(s.words.size()));
            const quint64 key = (quint64(a) << 32) | quint32(b);
            if (!pairSeen.contains(key)) {
                pairSeen.insert(key);
                s.pairs.emplace_back(a, b);
            }
        }
        for (int i = 0; i < s.words.size(); ++i)
            s.text += QStringLiteral("%1\t%2\r\n").arg(1 + 5000 / (i + 1)).arg(s.words.at(i));
        for (const auto &[a, b] : s.pairs)
            s.text += QStringLiteral("%1\t%2\t%3\r\n")
                              .arg(1 + 500 / (a + b + 1))
                              .arg(s.words.at(a), s.words.at(b));
        return s;
    }();
    return s;
}

QString learnedFile(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("Learned.txt"));
    if (!QFileInfo::exists(path))
        TextFile::write(path, synthetic().text);
    return path;
}

QString pairsFile()
{
    return FolderLookup::resolve(QStringLiteral(PLUMTYPE_SOURCE_DATA "/words"),
                                 QStringLiteral("Pairs.txt"));
}

long residentKilobytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

// This thread's processor time: a call's own cost, without the time the
// machine gave to other work meanwhile.
double threadMicros()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

double heapMegabytes()
{
    return double(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

// Memory taken by the loaded model and static pairs: the heap in use, and the
// resident size (which also counts what the reading of the files left behind
// in the heap); measured first, on a fresh heap.
void BM_LearningMemory(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = learnedFile(dir);
    for (auto _ : state) {
        const long before = residentKilobytes();
        const double heapBefore = heapMegabytes();
        auto *model = new LearnedModel;
        auto *pairs = new StaticPairs;
        model->load(path);
        pairs->load(pairsFile());
        state.counters["heap_MB"] = heapMegabytes() - heapBefore;
        state.counters["resident_MB"] = double(residentKilobytes() - before) / 1024.0;
        state.counters["words"] = model->wordCount();
        state.counters["pairs"] = model->pairCount();
        state.counters["static_pairs"] = pairs->pairCount();
        delete pairs;
        delete model;
    }
}
BENCHMARK(BM_LearningMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_LoadLearnedFull(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = learnedFile(dir);
    for (auto _ : state) {
        state.PauseTiming();
        auto *model = new LearnedModel;
        state.ResumeTiming();
        model->load(path);
        benchmark::DoNotOptimize(model->wordCount());
        state.PauseTiming();
        delete model;
        state.ResumeTiming();
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}
BENCHMARK(BM_LoadLearnedFull)->Unit(benchmark::kMillisecond);

void BM_LoadStaticPairs(benchmark::State &state)
{
    const QString path = pairsFile();
    StaticPairs pairs;
    for (auto _ : state) {
        pairs.load(path);
        benchmark::DoNotOptimize(pairs.pairCount());
    }
    state.counters["pairs"] = pairs.pairCount();
}
BENCHMARK(BM_LoadStaticPairs)->Unit(benchmark::kMillisecond);

// Typing words letter by letter behind their previous word, as the window
// asks: the next-word row after the space, then the row for every prefix
// with the words offered so far.  Half the words come from the made-up
// model, half are English word pairs of the static model.
void BM_KeystrokeFullModel(benchmark::State &state)
{
    QTemporaryDir dir;
    LearnedModel model;
    model.load(learnedFile(dir));
    StaticPairs pairs;
    pairs.load(pairsFile());
    WordTable table;
    loadLists(QStringLiteral(PLUMTYPE_SOURCE_DATA "/words"), table);

    std::vector<std::pair<QString, QString>> typing; // previous, word
    const Synthetic &s = synthetic();
    std::mt19937 random(7);
    for (int i = 0; i < 1000; ++i) {
        const auto &[a, b] = s.pairs[random() % s.pairs.size()];
        typing.emplace_back(s.words.at(a), s.words.at(b));
    }
    const QStringList real = TextFile::readLines(pairsFile()).value_or(QStringList());
    for (int i = 0; i < 1000 && !real.isEmpty(); ++i) {
        const QStringList f = real.at(random() % real.size()).split(u'\t');
        if (f.size() == 3)
            typing.emplace_back(f.at(1).toLower(), f.at(2));
    }

    // Wall time and this thread's processor time of every call.
    std::vector<double> wall;
    std::vector<double> cpu;
    const auto timed = [&](auto call) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = threadMicros();
        call();
        cpu.push_back(threadMicros() - cpuStart);
        wall.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                        .count());
    };
    for (auto _ : state) {
        wall.clear();
        cpu.clear();
        for (const auto &[previous, word] : typing) {
            QStringList offered;
            timed([&] { offered = Learning::nextWords(model, pairs, previous); });
            for (int n = 1; n <= word.size(); ++n) {
                QStringList row;
                timed([&] {
                    row = Learning::suggest(model, pairs, table, previous, word.left(n), offered);
                });
                offered += row;
            }
        }
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    state.counters["keystrokes"] = double(wall.size());
    state.counters["median_us"] = wall[wall.size() / 2];
    state.counters["p99_us"] = wall[wall.size() * 99 / 100];
    state.counters["worst_us"] = wall.back();
    state.counters["cpu_median_us"] = cpu[cpu.size() / 2];
    state.counters["cpu_worst_us"] = cpu.back();
}
BENCHMARK(BM_KeystrokeFullModel)->Iterations(3)->Unit(benchmark::kMillisecond);

// A commit of one sentence into the full model: learning it and dropping
// what goes over the caps.
void BM_CommitFullModel(benchmark::State &state)
{
    QTemporaryDir dir;
    LearnedModel model;
    model.load(learnedFile(dir));
    const ShippedWords shipped;
    int i = 0;
    for (auto _ : state) {
        Learning::learn(model,
                        QStringLiteral("Some brand new words arrive today, number %1 of them.")
                                .arg(QString(QChar(u'a' + i % 26)).repeated(1 + i / 26 % 20)),
                        shipped);
        ++i;
    }
}
BENCHMARK(BM_CommitFullModel)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
