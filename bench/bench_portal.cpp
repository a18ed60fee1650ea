// Typing into a native Wayland program through the desktop portal, under the
// headless GNOME desktop that tests/portal/gnomesession.sh starts (run by
// bench/run_portal.sh, which then runs the X11 sender's benchmark for
// comparison): the same 1,000-character everyday text as bench_send, from
// type() until the receiver's file holds all of it.  The desktop's dialog is
// answered once, before the timing.

#include "sending/sender.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The event loop runs meanwhile: the sender's calls go from there.
bool waitForFile(const QString &path, const QString &expected, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (readFile(path) != expected) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(1);
    }
    return true;
}

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
        auto made = makePortalSender(&why);
        if (!made)
            qFatal("no portal sender: %s", qPrintable(why));
        made->askAccess();
        const QDeadlineTimer deadline(60000);
        while (made->access() == KeySender::Access::Asking && !deadline.hasExpired())
            QTest::qWait(20);
        if (made->access() != KeySender::Access::Allowed)
            qFatal("the desktop did not allow typing: %s", qPrintable(made->why()));
        return made;
    }();
    return s.get();
}

void BM_PortalSendThousandCharacters(benchmark::State &state)
{
    const QString path = qEnvironmentVariable("RECEIVER_TEXT");
    const QString text = everydayText();
    QString expected = text;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    KeySender *s = sender();
    for (auto _ : state) {
        state.PauseTiming();
        // Emptied through the portal too, out of the timing.
        const QString left = readFile(path);
        if (!left.isEmpty()) {
            s->backspace(int(left.size()));
            if (!waitForFile(path, QString(), 300000)) {
                state.SkipWithError("the receiver was not emptied");
                break;
            }
        }
        state.ResumeTiming();
        s->type(text);
        if (!waitForFile(path, expected, 300000)) {
            state.SkipWithError("the receiver did not get the whole text");
            break;
        }
    }
    state.counters["characters"] = double(expected.size());
    state.counters["chars_per_second"] = benchmark::Counter(
            double(expected.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PortalSendThousandCharacters)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("RECEIVER_TEXT")
        || qEnvironmentVariableIsEmpty("PORTAL_ANSWER")) {
        std::fprintf(stderr, "run through bench/run_portal.sh: it starts GNOME headless and the "
                             "receiver\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
