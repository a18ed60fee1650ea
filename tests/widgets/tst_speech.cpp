// The Speak button against a real speech service, and the hand-offs to the
// file manager and the browser, caught before anything is started.

#include "testfolder.h"

#include "shortcutfile.h"
#include "speech/voice.h"

#include <QAction>
#include <QDesktopServices>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTextToSpeech>
#include <QToolButton>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A speech service of the test's own: speech-dispatcher with one output module
// that appends what it is given to a file instead of playing it.
class SpeechService
{
public:
    ~SpeechService()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        // The service and its module run in a process group of their own.
        ::kill(-pid_t(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(5000))
            ::kill(-pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }

    // Empty when the service runs, else why it does not.
    QString start()
    {
        const QString program = QStandardPaths::findExecutable(u"speech-dispatcher"_s);
        if (program.isEmpty())
            return u"speech-dispatcher is not installed"_s;
        const QDir dir(m_dir.path());
        dir.mkpath(u"conf/modules"_s);
        dir.mkpath(u"config"_s);
        dir.mkpath(u"runtime"_s);
        QFile::setPermissions(dir.filePath(u"runtime"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        TextFile::write(dir.filePath(u"conf/speechd.conf"_s),
                        u"AudioOutputMethod \"alsa\"\nAudioALSADevice \"null\"\n"
                        "AddModule \"logger\" \"sd_generic\" \"logger.conf\"\n"
                        "DefaultModule logger\n"_s);
        TextFile::write(dir.filePath(u"conf/modules/logger.conf"_s),
                        u"GenericExecuteSynth \"printf %s '$DATA' >> '"_s + spokenFile()
                                + u"'; if [ -e '"_s + slowFile()
                                + u"' ]; then sleep 600; fi\"\n"
                                  "AddVoice \"en\" \"MALE1\" \"en\"\n"
                                  "GenericLanguage \"en\" \"en\" \"utf-8\"\n"_s);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_RUNTIME_DIR"_s, dir.filePath(u"runtime"_s));
        env.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
        env.insert(u"LANG"_s, u"C.UTF-8"_s);
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // A group of its own, ended with the test even when the test dies.
        m_process.setChildProcessModifier([] {
            ::setsid();
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        });
        m_process.start(program, { u"-s"_s, u"-t"_s, u"0"_s, u"-C"_s, dir.filePath(u"conf"_s) });
        const QString socket = this->socket();
        const bool ended = QTest::qWaitFor(
                [&] { return QFile::exists(socket) || m_process.state() == QProcess::NotRunning; },
                20000);
        if (!ended || !QFile::exists(socket)) {
            return u"speech-dispatcher did not start: "_s + m_process.errorString() + u' '
                   + QString::fromLocal8Bit(m_process.readAll());
        }
        qputenv("SPEECHD_ADDRESS", "unix_socket:" + socket.toLocal8Bit());
        return {};
    }

    QString socket() const { return m_dir.filePath(u"runtime/speech-dispatcher/speechd.sock"_s); }
    QString spokenFile() const { return m_dir.filePath(u"spoken.txt"_s); }
    // While this file exists, the module never finishes a text.
    QString slowFile() const { return m_dir.filePath(u"slow"_s); }
    // What the module has been given since the last call.
    QString takeSpoken() const
    {
        QFile file(spokenFile());
        const QString text =
                file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        QFile::remove(spokenFile());
        return text;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

// A speech service that keeps its callers waiting for their first answer, as
// one does that is still starting on a busy machine: it takes their
// connections, and passes them on to the real service only once released.
class HeldService : public QObject
{
public:
    explicit HeldService(const QString &realSocket) : m_real(realSocket)
    {
        m_server.listen(m_dir.filePath(u"held.sock"_s));
        connect(&m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *caller = m_server.nextPendingConnection()) {
                m_callers.append(caller);
                if (m_released)
                    forward(caller);
            }
        });
    }
    QByteArray address() const { return "unix_socket:" + m_server.fullServerName().toLocal8Bit(); }
    // Callers still connected, and what they have sent so far.
    int callers() const
    {
        return int(std::count_if(m_callers.cbegin(), m_callers.cend(), [](QLocalSocket *c) {
            return c->state() == QLocalSocket::ConnectedState;
        }));
    }
    void release()
    {
        m_released = true;
        for (QLocalSocket *caller : std::as_const(m_callers))
            forward(caller);
    }

private:
    void forward(QLocalSocket *caller)
    {
        auto *service = new QLocalSocket(caller);
        service->connectToServer(m_real);
        if (!service->waitForConnected(5000)) {
            caller->disconnectFromServer();
            return;
        }
        connect(caller, &QLocalSocket::readyRead, service,
                [caller, service] { service->write(caller->readAll()); });
        connect(service, &QLocalSocket::readyRead, caller,
                [caller, service] { caller->write(service->readAll()); });
        connect(caller, &QLocalSocket::disconnected, service, &QLocalSocket::disconnectFromServer);
        connect(service, &QLocalSocket::disconnected, caller, &QLocalSocket::disconnectFromServer);
        service->write(caller->readAll());
    }

    QTemporaryDir m_dir;
    QString m_real;
    QLocalServer m_server;
    QList<QLocalSocket *> m_callers;
    bool m_released = false;
};

// Answers the notice on the Okay keyboard as a click on its key would, and
// keeps what it said.
class NoticeAnswer
{
public:
    explicit NoticeAnswer(Form1 *w)
    {
        QObject::connect(&m_timer, &QTimer::timeout, w, [this, w] {
            if (w->FileName == u"Okay.kbd" && m_shown.isEmpty()) {
                m_shown = w->Text1->Text();
                w->Text1->setText(m_shown + u"Okay "_s);
            }
        });
        m_timer.start(20);
    }
    QString shown() const { return m_shown; }

private:
    QTimer m_timer;
    QString m_shown;
};

// A program folder whose path holds spaces.
class SpacedFolder
{
public:
    SpacedFolder() { ProgramFolder::layOut(qEnvironmentVariable("PLUMTYPE_DATA"), path()); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir { QDir::tempPath() + u"/Plum type folder XXXXXX"_s };
};

} // namespace

class TestSpeech : public QObject
{
    Q_OBJECT

public slots:
    // Stands in for the file manager and the browser.
    void open(const QUrl &url) { m_opened.append(url); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init() { m_opened.clear(); }
    void speaks_data();
    void speaks();
    void closingEndsSpeaking();
    void speakWhileTheVoiceIsMade_data();
    void speakWhileTheVoiceIsMade();
    void keyboardsFolderAfterNotice_data();
    void keyboardsFolderAfterNotice();
    void websiteOpensOnlyWebPages_data();
    void websiteOpensOnlyWebPages();

private:
    // Every scheme a shortcut might hold, so that nothing is ever started.
    const QStringList m_schemes { u"file"_s, u"http"_s, u"https"_s, u"javascript"_s, u""_s };
    QList<QUrl> m_opened;
    SpeechService m_service;
    QString m_noService;
};

void TestSpeech::initTestCase()
{
    for (const QString &scheme : m_schemes)
        QDesktopServices::setUrlHandler(scheme, this, "open");
    // Only the window's own closing may end a wait.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_noService = m_service.start();
    // The speech plugin is loaded once on this thread before the voices load
    // it in theirs: the leak check of the sanitizer builds trips at the end
    // over the thread-local storage of a library first loaded in a thread
    // that has ended.
    if (m_noService.isEmpty()) {
        const QTextToSpeech loaded(u"speechd"_s);
    }
    if (!m_noService.isEmpty())
        qWarning("No speech service for the speaking tests: %s", qPrintable(m_noService));
}

void TestSpeech::cleanupTestCase()
{
    // Every voice let go ends, now that no service holds it: nothing of the
    // speech service is left running when the test ends.
    QVERIFY(Voice::waitForVoicesLetGo(60000));
    for (const QString &scheme : m_schemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

void TestSpeech::speaks_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("spoken");
    QTest::addColumn<QString>("notice"); // shown on the Okay keyboard
    const QString speechd = u"speechd"_s;
    QTest::newRow("one word") << speechd << u"Hello"_s << u"Hello"_s << QString();
    const QString letter = u"Dear Ann,\r\nsee you at noon.\r\n\r\nBob"_s;
    QTest::newRow("lines") << speechd << letter << letter << QString();
    const QString marks = u"Tom's <b> & \"Kim\" $HOME `ls` 100% a\\b"_s;
    QTest::newRow("marks") << speechd << marks << marks << QString();
    QTest::newRow("empty") << speechd << QString() << QString() << QString();
    QTest::newRow("only spaces and lines") << speechd << u"  \r\n \r\n"_s << QString() << QString();
    QTest::newRow("no voice") << u"no-such-engine"_s << u"Hello there"_s << QString()
                              << u"Plumtype cannot read your text aloud: no text-to-speech voice "
                                 "could be found on this computer."_s;
}

void TestSpeech::speaks()
{
    QFETCH(QString, engine);
    QFETCH(QString, typed);
    QFETCH(QString, spoken);
    QFETCH(QString, notice);
    if (!m_noService.isEmpty() && notice.isEmpty())
        QSKIP(qPrintable(m_noService));
    TestFolder folder;
    auto w = folder.start();
    w->speechEngine = engine;
    w->Text1->setText(typed);
    // A notice is answered as a click on the Okay key would.
    QString shown;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        if (w->FileName == u"Okay.kbd" && shown.isEmpty()) {
            shown = w->Text1->Text();
            w->Text1->setText(shown + u"Okay "_s);
        }
    });
    answer.start(20);
    w->Speak->click();
    // The click returns once the voice is done with the whole text.
    QCOMPARE(m_service.takeSpoken(), spoken);
    QCOMPARE(shown, notice);
    QCOMPARE(w->Text1->Text(), typed);
    QCOMPARE(w->FileName, u"home.kbd"_s);
}

void TestSpeech::closingEndsSpeaking()
{
    if (!m_noService.isEmpty())
        QSKIP(qPrintable(m_noService));
    TestFolder folder;
    auto w = folder.start();
    // The voice never finishes, and the text is long enough that only the
    // window closing can end the wait before the test is given up on.
    const QString typed = u"Please read this slowly. "_s.repeated(200);
    w->Text1->setText(typed);
    QFile slow(m_service.slowFile());
    QVERIFY(slow.open(QIODevice::WriteOnly));
    slow.close();
    const auto fast = qScopeGuard([&] { QFile::remove(m_service.slowFile()); });
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (QFile::exists(m_service.spokenFile()))
            w->close();
    });
    closer.start(20);
    w->Speak->click();
    QVERIFY(w->killme);
    QVERIFY(typed.startsWith(m_service.takeSpoken()));
    QCOMPARE(w->Text1->Text(), typed);
}

void TestSpeech::speakWhileTheVoiceIsMade_data()
{
    QTest::addColumn<QString>("meanwhile"); // what happens while the service holds the voice
    QTest::addColumn<QString>("spoken");    // by the end, a second Speak's text included
    QTest::addColumn<QString>("notice");
    QTest::newRow("the voice comes: spoken") << u"release"_s << u"Hello there"_s << QString();
    QTest::newRow("the window closes: nothing spoken, closing waits for nothing")
            << u"close"_s << QString() << QString();
    QTest::newRow("the voice is late: told so, and the text is never spoken")
            << u"give up"_s << u"Second"_s
            << u"Plumtype cannot read your text aloud yet: the text-to-speech voice is still "
               "starting. Please try again in a moment."_s;
}

void TestSpeech::speakWhileTheVoiceIsMade()
{
    QFETCH(QString, meanwhile);
    QFETCH(QString, spoken);
    QFETCH(QString, notice);
    if (!m_noService.isEmpty())
        QSKIP(qPrintable(m_noService));
    HeldService held(m_service.socket());
    const QByteArray realAddress = qgetenv("SPEECHD_ADDRESS");
    qputenv("SPEECHD_ADDRESS", held.address());
    const auto restore = qScopeGuard([&] { qputenv("SPEECHD_ADDRESS", realAddress); });
    TestFolder folder;
    auto w = folder.start(0);
    w->Text1->setText(u"Hello there"_s);
    // Given up on at once: the voice is made only later.
    if (meanwhile == u"give up")
        w->voiceReadyMs = 0;
    NoticeAnswer answer(w.get());
    // While the voice is being made the window goes on: its timers run.
    bool ranMeanwhile = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, w.get(), [&] {
        if (held.callers() != 1)
            return;
        poll.stop();
        ranMeanwhile = !QFile::exists(m_service.spokenFile());
        if (meanwhile == u"release")
            held.release();
        else if (meanwhile == u"close")
            w->close();
    });
    if (meanwhile != u"give up")
        poll.start(20);
    w->Speak->click();
    QVERIFY(ranMeanwhile || meanwhile == u"give up");
    QCOMPARE(answer.shown(), notice);
    QCOMPARE(w->Text1->Text(), u"Hello there"_s);
    if (meanwhile == u"give up") {
        // The voice comes after all: only the next Speak is heard.
        held.release();
        w->voiceReadyMs = 30000;
        w->Text1->setText(u"Second"_s);
        w->Speak->click();
    }
    QCOMPARE(m_service.takeSpoken(), spoken);
    QCOMPARE(w->killme, meanwhile == u"close");
    w.reset();
    // The window is gone while the service still holds the voice.
    if (meanwhile == u"close")
        QCOMPARE(held.callers(), 1);
}

void TestSpeech::keyboardsFolderAfterNotice_data()
{
    QTest::addColumn<bool>("spaces");
    QTest::addColumn<QString>("keyboards"); // the folder's name on disk
    QTest::newRow("plain folder") << false << u"Keyboards"_s;
    QTest::newRow("folder with spaces") << true << u"Keyboards"_s;
    QTest::newRow("other letter case") << true << u"keyboards"_s;
}

void TestSpeech::keyboardsFolderAfterNotice()
{
    QFETCH(bool, spaces);
    QFETCH(QString, keyboards);
    TestFolder plain;
    SpacedFolder spaced;
    const QString root = spaces ? spaced.path() : plain.path();
    if (keyboards != u"Keyboards")
        QVERIFY(QDir(root).rename(u"Keyboards"_s, keyboards));
    Form1 w(root);
    qsizetype openedBeforeOk = -1;
    QStringList shown;
    w.msgBoxSeam = [&](const QString &text) {
        shown.append(text);
        openedBeforeOk = m_opened.size();
    };
    w.kbdfolder->trigger();
    QCOMPARE(shown,
             QStringList { u"Visit the Keyboard Library at "_s
                           + QLatin1String(ShortcutFile::kMakerAddress)
                           + u" to share your customized keyboards!\r\n\r\n"
                             "Click OK to open up your keyboards folder, this is where you can "
                             "place downloaded keyboards.\r\n\r\n"
                             "Don't forget to use the edit option to add a purple menu button "
                             "that will launch your new keyboard.\r\n"
                             "Set the button text with the file name of your downloaded "
                             "keyboard."_s });
    QCOMPARE(openedBeforeOk, 0);
    QCOMPARE(m_opened, QList<QUrl> { QUrl::fromLocalFile(root + u'/' + keyboards + u'/') });
    QVERIFY(QDir(m_opened.first().toLocalFile()).exists());
    QVERIFY(!QFile::exists(root + u"/kbpath.bat"_s));
}

void TestSpeech::websiteOpensOnlyWebPages_data()
{
    QTest::addColumn<QString>("name");       // the shortcut's file name; empty: none
    QTest::addColumn<QByteArray>("content"); // empty: as shipped
    QTest::addColumn<QString>("opened");
    QTest::newRow("shipped") << u"Orvane.url"_s << QByteArray()
                             << QString::fromLatin1(ShortcutFile::kMakerAddress);
    QTest::newRow("other letter case")
            << u"ORVANE.URL"_s
            << QByteArray("[InternetShortcut]\r\nURL=http://orvane.example/a\r\n")
            << u"http://orvane.example/a"_s;
    QTest::newRow("local file") << u"Orvane.url"_s
                                << QByteArray("[InternetShortcut]\r\nURL=file:///etc/passwd\r\n")
                                << QString();
    QTest::newRow("script") << u"Orvane.url"_s
                            << QByteArray("[InternetShortcut]\r\nURL=javascript:alert(1)\r\n")
                            << QString();
    QTest::newRow("program") << u"Orvane.url"_s
                             << QByteArray("[InternetShortcut]\r\nURL=/usr/bin/xterm\r\n")
                             << QString();
    QTest::newRow("missing") << QString() << QByteArray() << QString();
}

void TestSpeech::websiteOpensOnlyWebPages()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, opened);
    SpacedFolder folder;
    const QString shipped = folder.path() + u"/Orvane.url"_s;
    if (name.isEmpty() || !content.isEmpty())
        QVERIFY(QFile::remove(shipped));
    if (!content.isEmpty()) {
        QFile file(folder.path() + u'/' + name);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    }
    Form1 w(folder.path());
    w.openWebsite();
    QCOMPARE(m_opened, opened.isEmpty() ? QList<QUrl>() : QList<QUrl> { QUrl(opened) });
}

QTEST_MAIN(TestSpeech)
#include "tst_speech.moc"
