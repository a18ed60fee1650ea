// Masking and withholding what goes into password fields (see passwordshield.h).
#include "sending/passwordshield.h"

#include "access/access.h"
#include "sending/programtyping.h"
#include "windowface.h"

using HandsFree::Id;

PasswordShield::PasswordShield(WindowFace *face, HandsFreeAccess *access, ProgramTyping *typing)
    : QObject(typing), m_face(face), m_typing(typing), m_guard(makePasswordGuard())
{
    // After ProgramTyping has taken up the new settings.
    connect(access, &HandsFreeAccess::settingsChanged, this, &PasswordShield::updateWatching);
    updateWatching();
}

void PasswordShield::setGuard(std::unique_ptr<PasswordGuard> guard)
{
    m_guard = std::move(guard);
    updateWatching();
}

void PasswordShield::updateWatching()
{
    // The desktop's accessibility is asked for only while Plumtype types into
    // other programs.
    m_guard->setWatching(m_typing->live() || m_sendUsed);
}

void PasswordShield::sendUsed()
{
    m_sendUsed = true;
    updateWatching();
}

bool PasswordShield::intoPassword()
{
    return m_guard->isWatching() && m_guard->isPasswordField(m_typing->sender()->targetProcess());
}

QString PasswordShield::sent(const QString &sentBefore, const KeyInjection::Change &change)
{
    m_record = PasswordFields::afterSend(PasswordFields::follow(m_record, sentBefore), change,
                                         intoPassword());
    // The typing area takes the dots; its change runs the suggestions again,
    // which find nothing for them.
    if (m_face->text() != m_record.text)
        m_face->setText(m_record.text);
    return m_record.text;
}

QString PasswordShield::forLearning(const QString &text) const
{
    return PasswordFields::forLearning(PasswordFields::follow(m_record, text));
}
