// Senders that the desktop must allow first (the desktop portal): Send asks
// and waits for the answer in an event loop that closing the window ends;
// live typing asks at its first key and holds its keys until allowed.  A
// refusal types nothing, keeps the text and tells the user on the Okay
// keyboard; the next Send asks again.

#include "sending/programtyping.h"

#include "windowface.h"

#include <QEventLoop>

bool ProgramTyping::awaitAccess(KeySender *s)
{
    using Access = KeySender::Access;
    if (s->access() == Access::Allowed)
        return true;
    if (s->access() != Access::Asking)
        s->askAccess();
    if (s->access() == Access::Asking) {
        QEventLoop loop;
        s->whenAnswered(&loop, [&loop] { loop.quit(); });
        connect(m_face, &WindowFace::closing, &loop, &QEventLoop::quit);
        // A second Send meanwhile does nothing; live keys wait.
        m_sending = true;
        loop.exec();
        m_sending = false;
        // The window closed, or the settings chose another sender meanwhile.
        if (m_face->isClosing() || m_sender.get() != s)
            return false;
    }
    if (s->access() == Access::Allowed)
        return true;
    if (s->access() == Access::Refused) {
        m_toldRefused = true;
        m_face->okayPrompt(s->why());
    }
    return false;
}

bool ProgramTyping::liveAccess(KeySender *s)
{
    using Access = KeySender::Access;
    switch (s->access()) {
    case Access::Allowed:
        m_toldRefused = false;
        return true;
    case Access::NotAsked:
        s->askAccess();
        if (s->access() == Access::Allowed)
            return true;
        // What was typed meanwhile goes once the desktop allows it.
        s->whenAnswered(this, [this] { sync(); });
        return false;
    case Access::Asking:
        return false;
    case Access::Refused:
        // Told once; the next Send asks again.
        if (!m_toldRefused) {
            m_toldRefused = true;
            m_face->okayPrompt(s->why());
        }
        return false;
    }
    return false;
}
