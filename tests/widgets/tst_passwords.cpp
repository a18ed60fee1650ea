// Typing into a password field of another program, through the real window:
// a fake guard says when the focused object there is a password field ("{pw}"
// in a script) and when it is not ("{field}").  What went there shows as dots,
// gets no suggestions and never reaches Learned.txt.

#include "driving.h"
#include "testfolder.h"

#include "access/access.h"
#include "sending/passwordguard.h"
#include "sending/passwordshield.h"
#include "sending/programtyping.h"

#include <QFile>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using HandsFree::Id;

namespace {

class FakeSender : public KeySender
{
public:
    QString received;
    QString name() const override { return u"Fake"_s; }
    bool isReady() const override { return true; }
    bool type(const QString &text) override
    {
        received += QString(text).replace(u"\r\n"_s, u"\n"_s);
        return true;
    }
    bool backspace(int count) override
    {
        received.chop(std::min<qsizetype>(count, received.size()));
        return true;
    }
    void releaseAll() override { }
    qint64 targetProcess() override { return 4242; }
};

class FakeGuard : public PasswordGuard
{
public:
    bool password = false;
    bool watching = false;
    qint64 askedFor = -1;
    void setWatching(bool on) override { watching = on; }
    bool isWatching() const override { return watching; }
    bool isPasswordField(qint64 pid) override
    {
        askedFor = pid;
        return password;
    }
};

const QStringList kKeys = {
    "000|s",      "000|u",      "000|n",       "001|sunshine", "001|hello",  "001|world",
    "000|[back]", "000|[copy]", "000|[clear]", "000|[return]", "000|[send]",
};

struct Started
{
    TestFolder folder;
    std::unique_ptr<Form1> w;
    FakeSender *sender = nullptr;
    FakeGuard *guard = nullptr;
    QString learned() const { return folder.file(u"words/Learned.txt"_s); }
};

std::unique_ptr<Started> start(bool live)
{
    auto s = std::make_unique<Started>();
    s->folder.keyboard(u"t.kbd"_s, kKeys);
    const QString words = s->folder.file(u"words/"_s);
    QFile::remove(words + u"Pairs.txt"_s);
    TextFile::write(words + u"S words 3.txt"_s, u"|sun|sunny|\r\n"_s);
    TextFile::write(words + u"H words 1.txt"_s, u"|hello|help|\r\n"_s);
    s->w = s->folder.start(0);
    s->w->handsFree->change(Id::LearnOn, 1);
    s->w->loadwords();
    s->w->loadmap(s->w->keyboardPath(u"t.kbd"_s));
    if (!QTest::qWaitFor([&] { return s->w->learningReady(); }, 5000))
        qWarning("the learned model did not load");
    auto sender = std::make_unique<FakeSender>();
    s->sender = sender.get();
    s->w->programTyping->setSender(std::move(sender));
    auto guard = std::make_unique<FakeGuard>();
    s->guard = guard.get();
    s->w->programTyping->passwords()->setGuard(std::move(guard));
    s->w->handsFree->change(Id::LiveTyping, live);
    return s;
}

// Plays the script; "{pw}" and "{field}" move the other program's focus.
void playWithFocus(Started *s, const QStringList &script)
{
    QStringList run;
    const auto flush = [&] {
        play(s->w.get(), u"t.kbd"_s, run);
        run.clear();
    };
    for (const QString &step : script) {
        if (step == u"{pw}" || step == u"{field}") {
            flush();
            s->guard->password = step == u"{pw}";
        } else {
            run.append(step);
        }
    }
    flush();
}

QStringList row(Form1 *w)
{
    QStringList out;
    for (int i = 0; i < 4; ++i) {
        if (w->WordSelect(i)->isEnabled())
            out.append(w->WordSelect(i)->ToolTipText.trimmed());
    }
    return out;
}

// Learned.txt as "word" and "previous>word" entries, sorted.
QStringList learnedEntries(const QByteArray &file)
{
    QStringList out;
    for (const QByteArray &line : file.split('\n')) {
        const QList<QByteArray> cells = line.trimmed().split('\t');
        if (cells.size() == 2)
            out.append(QString::fromUtf8(cells.at(1)));
        else if (cells.size() == 3)
            out.append(QString::fromUtf8(cells.at(1) + '>' + cells.at(2)));
    }
    out.sort();
    return out;
}

QByteArray commitAndRead(Started *s)
{
    play(s->w.get(), u"t.kbd"_s, { u"[copy]"_s, u"Okay"_s });
    s->w->saveLearned();
    QFile file(s->learned());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A child of this process on a pseudo-terminal of its own, as a terminal
// window runs its shell.
struct TerminalChild
{
    int master = -1;
    int slave = -1;
    pid_t pid = -1;

    bool start()
    {
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            return false;
        pid = fork();
        if (pid == 0) {
            setsid();
            ioctl(slave, TIOCSCTTY, 0);
            execl("/bin/sleep", "sleep", "30", static_cast<char *>(nullptr));
            _exit(127);
        }
        // Ready once it runs sleep, with the terminal taken.
        return pid > 0 && QTest::qWaitFor([this] {
                   QFile comm(u"/proc/%1/comm"_s.arg(pid));
                   return comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "sleep";
               });
    }
    void setModes(bool echo, bool canonical)
    {
        termios mode;
        tcgetattr(slave, &mode);
        mode.c_lflag = echo ? (mode.c_lflag | ECHO) : (mode.c_lflag & ~tcflag_t(ECHO));
        mode.c_lflag = canonical ? (mode.c_lflag | ICANON) : (mode.c_lflag & ~tcflag_t(ICANON));
        tcsetattr(slave, TCSANOW, &mode);
    }
    ~TerminalChild()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (master >= 0)
            close(master);
        if (slave >= 0)
            close(slave);
    }
};

} // namespace

class tst_Passwords : public QObject
{
    Q_OBJECT
private slots:
    void liveTyping_data();
    void liveTyping();
    void send_data();
    void send();
    void watchedOnlyWhileSending();
    void terminals_data();
    void terminals();
};

void tst_Passwords::liveTyping_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("offered"); // {"*"}: not looked at
    QTest::addColumn<QStringList>("learned");
    const QStringList any { u"*"_s };

    QTest::newRow("not a password field")
            << QStringList { u"s"_s, u"u"_s, u"n"_s } << u"sun"_s << u"sun"_s
            << QStringList { u"sun"_s, u"sunny"_s } << QStringList { u"<s>>sun"_s, u"sun"_s };
    QTest::newRow("letters into a password field")
            << QStringList { u"{pw}"_s, u"s"_s, u"u"_s, u"n"_s } << u"sun"_s << u"•••"_s
            << QStringList {} << QStringList {};
    QTest::newRow("back over the dots")
            << QStringList { u"{pw}"_s, u"s"_s, u"u"_s, u"n"_s, u"[back]"_s } << u"su"_s << u"••"_s
            << QStringList {} << QStringList {};
    // The dots stay when the focus leaves the field; what follows is learned.
    QTest::newRow("a word key, then the focus leaves")
            << QStringList { u"{pw}"_s,    u"sunshine"_s, u"[return]"_s,
                             u"{field}"_s, u"hello"_s,    u"world"_s }
            << u"Sunshine \nHello world "_s << u"•••••••••\r\nHello world "_s << any
            << QStringList { u"<s>>hello"_s, u"hello"_s, u"hello>world"_s, u"world"_s };
    QTest::newRow("a password among words")
            << QStringList { u"hello"_s, u"{pw}"_s, u"sunshine"_s, u"{field}"_s, u"world"_s }
            << u"Hello sunshine world "_s << u"Hello •••••••••world "_s << any
            << QStringList { u"<s>>hello"_s, u"hello"_s };
    QTest::newRow("cleared, then written afresh")
            << QStringList { u"{pw}"_s, u"sunshine"_s, u"[clear]"_s,
                             u"yes"_s,  u"{field}"_s,  u"hello"_s }
            << u"Sunshine Hello "_s << u"Hello "_s << any
            << QStringList { u"<s>>hello"_s, u"hello"_s };
}

void tst_Passwords::liveTyping()
{
    QFETCH(QStringList, script);
    QFETCH(QString, received);
    QFETCH(QString, shown);
    QFETCH(QStringList, offered);
    QFETCH(QStringList, learned);

    auto s = start(true);
    playWithFocus(s.get(), script);
    QCOMPARE(s->sender->received, received);
    QCOMPARE(s->w->Text1->Text(), shown);
    if (offered != QStringList { u"*"_s })
        QCOMPARE(row(s->w.get()), offered);
    // The guard was asked about the program the sender types into.
    QCOMPARE(s->guard->askedFor, qint64(4242));

    const QByteArray file = commitAndRead(s.get());
    QCOMPARE(learnedEntries(file), learned);
    if (script.contains(u"{pw}"_s))
        QVERIFY2(!file.toLower().contains("sun"), file.constData());
}

void tst_Passwords::send_data()
{
    QTest::addColumn<bool>("password");
    QTest::addColumn<QStringList>("learned");

    QTest::newRow("into a text field")
            << false << QStringList { u"<s>>hello"_s, u"hello"_s, u"hello>world"_s, u"world"_s };
    QTest::newRow("into a password field") << true << QStringList {};
}

void tst_Passwords::send()
{
    QFETCH(bool, password);
    QFETCH(QStringList, learned);

    auto s = start(false);
    play(s->w.get(), u"t.kbd"_s, { u"hello"_s, u"world"_s });
    s->guard->password = password;
    play(s->w.get(), u"t.kbd"_s, { u"[send]"_s });
    QCOMPARE(s->sender->received, u"Hello world "_s);
    QVERIFY(s->w->Text1->Text().isEmpty());
    QCOMPARE(learnedEntries(commitAndRead(s.get())), learned);
}

void tst_Passwords::watchedOnlyWhileSending()
{
    auto s = start(false);
    FakeGuard *guard = s->guard;
    QVERIFY(!guard->watching);
    // Nothing is masked while the focus is not followed.
    guard->password = true;
    play(s->w.get(), u"t.kbd"_s, { u"s"_s });
    QCOMPARE(s->w->Text1->Text(), u"s"_s);

    for (const bool live : { true, false, true, false }) {
        s->w->handsFree->change(Id::LiveTyping, live);
        QCOMPARE(guard->watching, live);
    }
    // Once "[send]" was used the focus is followed until Plumtype ends.
    play(s->w.get(), u"t.kbd"_s, { u"[send]"_s });
    QVERIFY(guard->watching);
    s->w->handsFree->change(Id::LiveTyping, 1);
    s->w->handsFree->change(Id::LiveTyping, 0);
    QVERIFY(guard->watching);
}

void tst_Passwords::terminals_data()
{
    QTest::addColumn<bool>("echo");
    QTest::addColumn<bool>("canonical");
    QTest::addColumn<bool>("password");

    // sudo, ssh, read -s: a whole line, not shown.
    QTest::newRow("a password prompt") << false << true << true;
    // A shell's line editor and full-screen programs read key by key and
    // show what they like.
    QTest::newRow("a shell's line editor") << false << false << false;
    QTest::newRow("a program reading lines") << true << true << false;
    QTest::newRow("key by key, shown") << true << false << false;
}

void tst_Passwords::terminals()
{
    QFETCH(bool, echo);
    QFETCH(bool, canonical);
    QFETCH(bool, password);

    TerminalChild child;
    QVERIFY(child.start());
    child.setModes(echo, canonical);
    // This process is the terminal window; the child runs in it.
    QCOMPARE(terminalAwaitsPassword(QCoreApplication::applicationPid()), password);
    // The child has no terminal windows of its own, and no process is none.
    QVERIFY(!terminalAwaitsPassword(child.pid));
    QVERIFY(!terminalAwaitsPassword(0));
}

QTEST_MAIN(tst_Passwords)
#include "tst_passwords.moc"
