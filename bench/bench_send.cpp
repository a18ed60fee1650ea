// Typing into another program through the X11 sender, on the X server that
// bench/run_send.sh starts with the receiver focused: a 1,000-character
// everyday text (the opening of a novel, line breaks included) until the
// receiver's file holds all of it, and one word as live typing sends it (the
// time the call takes, which is what a key click waits for).

#include "sending/sender.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>

#include <benchmark/benchmark.h>

namespace {

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool waitForFile(const QString &path, const QString &expected)
{
    const QDeadlineTimer deadline(20000);
    while (readFile(path) != expected) {
        if (deadline.hasExpired())
            return false;
        QThread::usleep(500);
    }
    return true;
}

void clearReceiver(const QString &path)
{
    QProcess::execute(QStringLiteral("xdotool"),
                      { QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                        QStringLiteral("ctrl+a"), QStringLiteral("Delete") });
    waitForFile(path, QString());
}

// The first 1,000 characters of the text, in the typing area's CR LF view.
QString everydayText()
{
    QFile file(QStringLiteral(PLUMTYPE_BENCH_DIR "/texts/pride-and-prejudice-1.txt"));
    file.open(QIODevice::ReadOnly);
    QString text =
            QString::fromUtf8(file.readAll()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text = text.left(1000);
    return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
}

KeySender *sender()
{
    static std::unique_ptr<KeySender> s = [] {
        QString why;
        auto made = makeX11Sender(&why);
        if (!made)
            qFatal("no X11 sender: %s", qPrintable(why));
        return made;
    }();
    return s.get();
}

void BM_SendThousandCharacters(benchmark::State &state)
{
    const QString path = qEnvironmentVariable("RECEIVER_TEXT");
    const QString text = everydayText();
    QString expected = text;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    double sentMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        clearReceiver(path);
        state.ResumeTiming();
        QElapsedTimer call;
        call.start();
        sender()->type(text);
        sentMs += call.nsecsElapsed() / 1e6;
        if (!waitForFile(path, expected)) {
            state.SkipWithError("the receiver did not get the whole text");
            break;
        }
    }
    state.counters["characters"] = double(expected.size());
    // Of the time, how long type() took to put all keys to the X server.
    state.counters["type_ms"] = sentMs / double(state.iterations());
}
BENCHMARK(BM_SendThousandCharacters)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_LiveWord(benchmark::State &state)
{
    const QString path = qEnvironmentVariable("RECEIVER_TEXT");
    clearReceiver(path);
    for (auto _ : state)
        sender()->type(QStringLiteral("world "));
}
BENCHMARK(BM_LiveWord)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("RECEIVER_TEXT")) {
        std::fprintf(stderr,
                     "run through bench/run_send.sh: it starts the X server and the receiver\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
