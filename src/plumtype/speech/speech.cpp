// Speaking the typed text: the Speak button hands the whole typing area to
// the system's default text-to-speech voice and returns once it has been
// spoken.  The window repaints meanwhile, but clicks and keys wait until the
// voice is done.
#include "form1.h"

#include <QAction>
#include <QGuiApplication>
#include <QTextToSpeech>
#include <QToolButton>

#include <algorithm>

namespace {

// The longest a Speak waits for the voice to report its end: far longer than
// speaking takes, so that only a voice that never reports it is given up on.
int speakingGuardMs(qsizetype characters)
{
    constexpr qint64 base = 5000;
    constexpr qint64 perCharacter = 200;
    constexpr qint64 longest = 10 * 60 * 1000;
    return static_cast<int>(std::min(base + perCharacter * qint64(characters), longest));
}

} // namespace

void Form1::connectSpeechAndHandoffs()
{
    connect(Speak, &QToolButton::clicked, this, &Form1::Speak_Click);
    connect(kbdfolder, &QAction::triggered, this, &Form1::kbdfolder_Click);
    // Making the voice takes a second or two with the usual speech service
    // (more when it has to be started first), so it is made once the first
    // keyboard is up rather than on the way to it.  Without a screen (tests,
    // benchmarks) nobody is about to press Speak: the first Speak makes it.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QTimer::singleShot(250, this, &Form1::prepareVoice);
}

void Form1::prepareVoice()
{
    if (killme || m_voice)
        return;
    if (starting || loadingmap) {
        QTimer::singleShot(250, this, &Form1::prepareVoice);
        return;
    }
    voice();
}

QTextToSpeech *Form1::voice()
{
    if (m_voice && m_voice->engine() != speechEngine) {
        delete m_voice;
        m_voice = nullptr;
    }
    if (!m_voice && QTextToSpeech::availableEngines().contains(speechEngine))
        m_voice = new QTextToSpeech(speechEngine, this);
    return m_voice;
}

void Form1::Speak_Click()
{
    const QString text = Text1->Text();
    if (killme || m_speaking || text.trimmed().isEmpty())
        return;
    learnAtCommit();
    QTextToSpeech *v = voice();
    if (!v || !speakAndWait(v, text)) {
        okayprompt(QStringLiteral("Plumtype cannot read your text aloud: no text-to-speech "
                                  "voice could be found on this computer."));
    }
}

bool Form1::speakAndWait(QTextToSpeech *v, const QString &text)
{
    // A voice may stand in its error state until it is first used: only a
    // failed attempt to speak tells that there is no voice.
    bool started = false;
    bool failed = false;
    bool done = false;
    QEventLoop loop;
    const auto finish = [&] {
        done = true;
        loop.quit();
    };
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, &loop, finish);
    connect(this, &Form1::closing, &loop, finish);
    connect(v, &QTextToSpeech::stateChanged, &loop, [&](QTextToSpeech::State state) {
        if (state == QTextToSpeech::Speaking)
            started = true;
        else if (started && state != QTextToSpeech::Paused)
            finish();
    });
    connect(v, &QTextToSpeech::errorOccurred, &loop, [&] {
        failed = true;
        finish();
    });

    m_speaking = true;
    v->say(text);
    if (!done) {
        guard.start(speakingGuardMs(text.size()));
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    m_speaking = false;
    // The window closed or the voice never reported its end: it falls silent.
    if (v->state() == QTextToSpeech::Speaking || v->state() == QTextToSpeech::Paused)
        v->stop();
    return !failed && (started || v->state() != QTextToSpeech::Error);
}
