// Typing into another program through the X11 sender, on the X server that
// bench/run_send.sh starts with the receiver focused: a 1,000-character
// everyday text (the opening of a novel, line breaks included) until the
// receiver's file holds all of it, and one word as live typing sends it (the
// time the call takes, which is what a key click waits for).

#include "access/access.h"
#include "form1.h"
#include "programfolder.h"
#include "sending/passwordguard.h"
#include "sending/programtyping.h"
#include "sending/sender.h"
#include "textfile.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

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
    state.counters["chars_per_second"] = benchmark::Counter(
            double(expected.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
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

// What a live-typed key asks besides the bus's answer, which is kept ready:
// the process of the program with the focus, and whether a terminal of it
// waits for a password.
void BM_PasswordQuestion(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(terminalAwaitsPassword(sender()->targetProcess()));
}
BENCHMARK(BM_PasswordQuestion)->Unit(benchmark::kMicrosecond);

// The terminal question alone for a program with this many children (a
// browser has a dozen or more).
void BM_TerminalQuestion(benchmark::State &state)
{
    std::vector<std::unique_ptr<QProcess>> children;
    for (int i = 0; i < state.range(0); ++i) {
        children.push_back(std::make_unique<QProcess>());
        children.back()->start(QStringLiteral("sleep"), { QStringLiteral("60") });
        children.back()->waitForStarted();
    }
    const qint64 pid = QCoreApplication::applicationPid();
    for (auto _ : state)
        benchmark::DoNotOptimize(terminalAwaitsPassword(pid));
    for (auto &child : children) {
        child->kill();
        child->waitForFinished();
    }
}
BENCHMARK(BM_TerminalQuestion)->Arg(0)->Arg(20)->Unit(benchmark::kMicrosecond);

// ---- the same through Plumtype's window ----

// The window on a program folder of its own, with a word key and "[send]".
// Ended before the application is.
std::unique_ptr<Form1> g_window;

Form1 &window()
{
    static QTemporaryDir dir;
    if (!g_window) {
        g_window = [] {
            QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                               dir.filePath(QStringLiteral("config")));
            ProgramFolder::layOut(QStringLiteral(PLUMTYPE_DATA_DIR), dir.path());
            TextFile::write(dir.filePath(QStringLiteral("Keyboards/send.kbd")),
                            TextFile::joinLines({ QStringLiteral("001|because"),
                                                  QStringLiteral("000|[send]") }));
            auto form = std::make_unique<Form1>(dir.path());
            form->splashMs = 0;
            form->show();
            while (form->starting || form->loadingmap || form->lastbutton < 2)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            form->loadmap(form->keyboardPath(QStringLiteral("send.kbd")));
            // Offscreen, the automatic choice never types into the desktop.
            form->handsFree->change(HandsFree::Id::SendBackend, int(HandsFree::SendBackend::X11));
            if (form->programTyping->sender()->name() != u"X11")
                qFatal("no X11 sender");
            return form;
        }();
    }
    return *g_window;
}

// A click as the mouse gives it: the key's handler and live typing after it.
void clickKey(Form1 &w, const QString &text)
{
    for (int i = 2; i <= w.lastbutton; ++i) {
        if (w.Command1(i)->ToolTipText == text) {
            w.Command1(i)->click();
            return;
        }
    }
}

// "[send]" with 1,000 characters in the typing area, until the receiver
// holds them all.
void BM_SendKeyThousandCharacters(benchmark::State &state)
{
    Form1 &w = window();
    const QString path = qEnvironmentVariable("RECEIVER_TEXT");
    const QString text = everydayText();
    QString expected = text;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (auto _ : state) {
        state.PauseTiming();
        clearReceiver(path);
        w.Text1->setText(text);
        state.ResumeTiming();
        clickKey(w, QStringLiteral("[send]"));
        if (!w.Text1->Text().isEmpty() || !waitForFile(path, expected)) {
            state.SkipWithError("the receiver did not get the whole text");
            break;
        }
    }
}
BENCHMARK(BM_SendKeyThousandCharacters)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(5);

// One click on a word key, live typing off (0) and on (1): the difference is
// what live typing adds to a click.
void BM_WordKeyClickLive(benchmark::State &state)
{
    Form1 &w = window();
    w.handsFree->change(HandsFree::Id::LiveTyping, int(state.range(0)));
    clearReceiver(qEnvironmentVariable("RECEIVER_TEXT"));
    const QString start = QStringLiteral("I went home early today ");
    for (auto _ : state) {
        state.PauseTiming();
        w.Text1->setText(start);
        w.Text1->setSelStart(static_cast<int>(start.size()));
        // Live typing takes the word back, out of the timing.
        w.programTyping->sync();
        state.ResumeTiming();
        clickKey(w, QStringLiteral("because"));
    }
    w.handsFree->change(HandsFree::Id::LiveTyping, 0);
}
BENCHMARK(BM_WordKeyClickLive)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("RECEIVER_TEXT")) {
        std::fprintf(stderr,
                     "run through bench/run_send.sh: it starts the X server and the receiver\n");
        return 2;
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    g_window.reset();
    return 0;
}
