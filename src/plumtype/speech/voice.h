#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextToSpeech>

#include <atomic>
#include <memory>

class QThread;
class VoiceWorker;

// The system's text-to-speech voice, kept in a thread of its own.  Making it
// waits on the speech service (seconds, or far longer when the service has to
// start first or the machine is busy), and so may speaking: the window never
// does.  Requests go to the voice's thread in the order they are made, by
// queued calls, and its answers come back as signals.  Closing never waits
// for the voice: a thread that is still busy with the speech service is left
// to end on its own.
class Voice : public QObject
{
    Q_OBJECT
public:
    explicit Voice(const QString &engine, QObject *parent = nullptr);
    ~Voice() override;

    QString engine() const { return m_engine; }

    // Starts making the voice, if that has not started yet.
    void prepare();
    // The voice has been made, or found missing.
    bool isReady() const { return m_ready; }
    // There is a voice to speak with (false until it is ready).
    bool isAvailable() const { return m_available; }
    // As last reported by the voice.
    QTextToSpeech::State state() const { return m_state; }

    // Speaks `text` once the voice is ready and what was asked before is
    // done; a number for cancel().
    quint64 say(const QString &text);
    // A text that has not been handed to the voice yet is dropped.
    void cancel(quint64 request);
    // Falls silent.
    void stop();

    // Waits up to `ms` for the threads of voices let go to end; true when
    // all have.  The program's end waits a moment; tests wait for them.
    static bool waitForVoicesLetGo(int ms);

signals:
    void ready(bool available);
    void stateChanged(QTextToSpeech::State state);
    void errorOccurred();

private:
    void start();

    const QString m_engine;
    QThread *m_thread = nullptr;
    QPointer<VoiceWorker> m_worker;
    std::shared_ptr<std::atomic<quint64>> m_cancelledUpTo;
    std::shared_ptr<std::atomic<bool>> m_making = std::make_shared<std::atomic<bool>>(false);
    quint64 m_lastRequest = 0;
    bool m_ready = false;
    bool m_available = false;
    QTextToSpeech::State m_state = QTextToSpeech::Ready;
};

// Lives in the voice's thread: makes the voice there, on first need, and
// hands it the texts.
class VoiceWorker : public QObject
{
    Q_OBJECT
public:
    VoiceWorker(const QString &engine, std::shared_ptr<std::atomic<quint64>> cancelledUpTo,
                std::shared_ptr<std::atomic<bool>> making);

    void make();
    void speak(const QString &text, quint64 request);
    void stop();
    // Lets the voice go and ends the thread.
    void end();

signals:
    void made(bool available);
    void stateChanged(QTextToSpeech::State state);
    void errorOccurred();

private:
    const QString m_engine;
    std::shared_ptr<std::atomic<quint64>> m_cancelledUpTo;
    std::shared_ptr<std::atomic<bool>> m_making; // true while the voice is being made
    QTextToSpeech *m_voice = nullptr;
    bool m_tried = false;
};
