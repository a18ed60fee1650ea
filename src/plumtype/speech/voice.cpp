#include "speech/voice.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QList>
#include <QThread>

#include <limits>

namespace {

// Threads let go while still busy with the speech service.  They are kept
// here until they end, so that none is lost track of; the program may end
// before they do.
struct LettingGo
{
    QThread *thread;
    std::shared_ptr<const std::atomic<bool>> making; // still making the voice
};

QList<LettingGo> &lettingGo()
{
    static QList<LettingGo> threads;
    return threads;
}

// Waits up to `ms` for the threads let go to end, leaving out those still
// making their voice when `evenMaking` is false; true when all have ended.
bool waitForThreads(int ms, bool evenMaking)
{
    const QDeadlineTimer deadline(ms);
    bool ended = true;
    for (const LettingGo &t : std::as_const(lettingGo())) {
        if (evenMaking || !t.making->load())
            ended = t.thread->wait(deadline) && ended;
        else
            ended = false;
    }
    return ended;
}

// When the program ends (its window is gone by then), the threads get a few
// seconds to end: one left running would use what the program's end tears
// down.  (Plumtype itself waits before this, and ends at once without the
// libraries' own ends when a voice is still being made.)
void letGoBeforeTheEnd()
{
    waitForThreads(3000, true);
}

} // namespace

Voice::Voice(const QString &engine, QObject *parent)
    : QObject(parent), m_engine(engine), m_cancelledUpTo(std::make_shared<std::atomic<quint64>>(0))
{
}

Voice::~Voice()
{
    if (!m_thread)
        return;
    // Nothing more is spoken, and no answer comes back here.
    m_cancelledUpTo->store(std::numeric_limits<quint64>::max());
    disconnect(m_worker, nullptr, this, nullptr);
    // The voice is let go in its own thread once it is done with what it is
    // doing now, and the thread ends; nobody waits for either.  Destroying a
    // thread object waits for the thread's end, so it is destroyed only once
    // the thread has ended, whenever that is.
    QThread *thread = m_thread;
    static const bool endRoutine = [] {
        qAddPostRoutine(letGoBeforeTheEnd);
        return true;
    }();
    Q_UNUSED(endRoutine);
    lettingGo().append({ thread, m_making });
    connect(thread, &QThread::finished, thread, [thread] {
        lettingGo().removeIf([thread](const LettingGo &t) { return t.thread == thread; });
        thread->deleteLater();
    });
    QMetaObject::invokeMethod(m_worker, &VoiceWorker::end, Qt::QueuedConnection);
}

bool Voice::waitForVoicesLetGo(int ms)
{
    return waitForThreads(ms, true);
}

void Voice::start()
{
    if (m_thread)
        return;
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("voice"));
    m_worker = new VoiceWorker(m_engine, m_cancelledUpTo, m_making);
    m_worker->moveToThread(m_thread);
    connect(m_worker, &VoiceWorker::made, this, [this](bool available) {
        m_ready = true;
        m_available = available;
        emit ready(available);
    });
    connect(m_worker, &VoiceWorker::stateChanged, this, [this](QTextToSpeech::State state) {
        m_state = state;
        emit stateChanged(state);
    });
    connect(m_worker, &VoiceWorker::errorOccurred, this, &Voice::errorOccurred);
    // Making the voice is never urgent enough to slow the window down.
    m_thread->start(QThread::LowPriority);
}

void Voice::prepare()
{
    if (m_thread)
        return;
    start();
    QMetaObject::invokeMethod(m_worker, &VoiceWorker::make, Qt::QueuedConnection);
}

quint64 Voice::say(const QString &text)
{
    prepare();
    const quint64 request = ++m_lastRequest;
    QMetaObject::invokeMethod(
            m_worker, [worker = m_worker, text, request] { worker->speak(text, request); },
            Qt::QueuedConnection);
    return request;
}

void Voice::cancel(quint64 request)
{
    quint64 known = m_cancelledUpTo->load();
    while (known < request && !m_cancelledUpTo->compare_exchange_weak(known, request)) { }
}

void Voice::stop()
{
    if (m_worker)
        QMetaObject::invokeMethod(m_worker, &VoiceWorker::stop, Qt::QueuedConnection);
}

VoiceWorker::VoiceWorker(const QString &engine, std::shared_ptr<std::atomic<quint64>> cancelledUpTo,
                         std::shared_ptr<std::atomic<bool>> making)
    : m_engine(engine), m_cancelledUpTo(std::move(cancelledUpTo)), m_making(std::move(making))
{
}

void VoiceWorker::make()
{
    if (m_tried)
        return;
    m_tried = true;
    m_making->store(true);
    if (QTextToSpeech::availableEngines().contains(m_engine)) {
        m_voice = new QTextToSpeech(m_engine, this);
        connect(m_voice, &QTextToSpeech::stateChanged, this, &VoiceWorker::stateChanged);

        connect(m_voice, &QTextToSpeech::errorOccurred, this, &VoiceWorker::errorOccurred);
    }
    m_making->store(false);
    emit made(m_voice != nullptr);
}

void VoiceWorker::speak(const QString &text, quint64 request)
{
    make();
    if (!m_voice || request <= m_cancelledUpTo->load())
        return;
    m_voice->say(text);
    // A voice that cannot speak may say so only by its state.  (A new voice
    // may stand in its error state until it speaks.)
    emit stateChanged(m_voice->state());
}

void VoiceWorker::end()
{
    // The voice goes here, where waiting on the speech service holds
    // nothing up; the worker itself goes with the thread.
    delete m_voice;
    m_voice = nullptr;
    deleteLater();
    QThread::currentThread()->quit();
}

void VoiceWorker::stop()
{
    if (m_voice
        && (m_voice->state() == QTextToSpeech::Speaking
            || m_voice->state() == QTextToSpeech::Paused))
        m_voice->stop();
}
