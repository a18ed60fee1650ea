// Speaking the typed text: the Speak button hands the whole typing area to
// the system's default text-to-speech voice and returns once it has been
// spoken.  The window repaints meanwhile, but clicks and keys wait until the
// voice is done.  The voice itself lives in a thread of its own (Voice), so
// that neither making it nor a slow speech service ever holds the window.
#include "form1.h"

#include "speech/voice.h"

#include <QAction>
#include <QGuiApplication>
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
    // The voice is made in its own thread once the first keyboard is up, so
    // that it is ready when Speak is first pressed.  Without a screen
    // (tests, benchmarks) nobody is about to press Speak: the first Speak
    // makes it.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QTimer::singleShot(250, this, &Form1::prepareVoice);
}

void Form1::prepareVoice()
{
    if (killme)
        return;
    if (starting || loadingmap) {
        QTimer::singleShot(250, this, &Form1::prepareVoice);
        return;
    }
    voice()->prepare();
}

Voice *Form1::voice()
{
    if (m_voice && m_voice->engine() != speechEngine) {
        delete m_voice;
        m_voice = nullptr;
    }
    if (!m_voice)
        m_voice = new Voice(speechEngine, this);
    return m_voice;
}

void Form1::Speak_Click()
{
    const QString text = Text1->Text();
    if (killme || m_speaking || text.trimmed().isEmpty())
        return;
    learnAtCommit();
    switch (speakAndWait(voice(), text)) {
    case Spoken::Done:
    case Spoken::Closed:
        break;
    case Spoken::NoVoice:
        okayprompt(QStringLiteral("Plumtype cannot read your text aloud: no text-to-speech "
                                  "voice could be found on this computer."));
        break;
    case Spoken::NotReady:
        okayprompt(QStringLiteral("Plumtype cannot read your text aloud yet: the text-to-speech "
                                  "voice is still starting. Please try again in a moment."));
        break;
    }
}

Form1::Spoken Form1::speakAndWait(Voice *v, const QString &text)
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
    connect(v, &Voice::ready, &loop, [&](bool available) {
        if (!available) {
            failed = true;
            finish();
            return;
        }
        guard.start(speakingGuardMs(text.size()));
    });
    connect(v, &Voice::stateChanged, &loop, [&](QTextToSpeech::State state) {
        if (state == QTextToSpeech::Speaking)
            started = true;
        else if (started && state != QTextToSpeech::Paused)
            finish();
    });
    connect(v, &Voice::errorOccurred, &loop, [&] {
        failed = true;
        finish();
    });

    const bool wasReady = v->isReady();
    if (wasReady && !v->isAvailable())
        return Spoken::NoVoice;
    m_speaking = true;
    const quint64 request = v->say(text);
    guard.start(wasReady ? speakingGuardMs(text.size()) : voiceReadyMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_speaking = false;
    if (!v->isReady()) {
        // Given up on, or the window closed: the text is never spoken.
        v->cancel(request);
        return killme ? Spoken::Closed : Spoken::NotReady;
    }
    // The window closed or the voice never reported its end: it falls silent.
    if (!failed && !started)
        v->cancel(request);
    if (started || v->state() == QTextToSpeech::Speaking)
        v->stop();
    if (killme)
        return Spoken::Closed;
    if (failed || (!started && v->state() == QTextToSpeech::Error))
        return Spoken::NoVoice;
    return Spoken::Done;
}
