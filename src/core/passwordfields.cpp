#include "passwordfields.h"

namespace PasswordFields {

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// The units that one BackSpace takes at the end of `text`: a CR LF pair and a
// surrogate pair are one character.
qsizetype lastCharacterSize(const QString &text)
{
    const qsizetype n = text.size();
    if (n >= 2
        && ((text.at(n - 2) == u'\r' && text.at(n - 1) == u'\n')
            || (text.at(n - 2).isHighSurrogate() && text.at(n - 1).isLowSurrogate())))
        return 2;
    return n > 0 ? 1 : 0;
}

} // namespace

Record afterSend(const Record &before, const KeyInjection::Change &change, bool password)
{
    Record r = before;
    r.masked.resize(r.text.size());
    for (int i = 0; i < change.backspaces && !r.text.isEmpty(); ++i) {
        const qsizetype size = lastCharacterSize(r.text);
        r.text.chop(size);
        r.masked.resize(r.text.size());
    }
    const QString &typed = change.text;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed.at(i);
        if (!password || isLineBreak(c)) {
            r.text.append(c);
            r.masked.append(false);
            continue;
        }
        r.text.append(QChar(kMaskCharacter));
        r.masked.append(true);
        if (c.isHighSurrogate() && i + 1 < typed.size() && typed.at(i + 1).isLowSurrogate())
            ++i;
    }
    return r;
}

Record follow(const Record &before, const QString &now)
{
    Record r { now, QList<bool>(now.size(), false) };
    if (!before.hasMask())
        return r;
    const QString &was = before.text;
    const qsizetype shorter = std::min(was.size(), now.size());
    qsizetype prefix = 0;
    while (prefix < shorter && was.at(prefix) == now.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix
           && was.at(was.size() - 1 - suffix) == now.at(now.size() - 1 - suffix))
        ++suffix;
    const auto maskedAt = [&](qsizetype i) { return i < before.masked.size() && before.masked[i]; };
    for (qsizetype i = 0; i < prefix; ++i)
        r.masked[i] = maskedAt(i);
    for (qsizetype k = 1; k <= suffix; ++k)
        r.masked[now.size() - k] = maskedAt(was.size() - k);
    return r;
}

QString forLearning(const Record &record)
{
    QString text = record.text;
    for (qsizetype i = 0; i < text.size() && i < record.masked.size(); ++i) {
        if (record.masked[i])
            text[i] = u'0';
    }
    return text;
}

// ---- FocusTracker ----

FocusTracker::App &FocusTracker::app(const QString &name, qint64 pid)
{
    App &a = m_apps[name];
    if (pid != 0)
        a.pid = pid;
    return a;
}

FocusTracker::Field FocusTracker::fieldOf(const App &a)
{
    if (!a.known)
        return Field::Unknown;
    if (a.object.isEmpty())
        return Field::Other;
    return a.password ? Field::Password : Field::Other;
}

void FocusTracker::focusGained(const QString &app, qint64 pid, const QString &object, bool password)
{
    App &a = this->app(app, pid);
    a.object = object;
    a.password = password;
    a.known = true;
    a.active = true;
    a.stamp = ++m_clock;
}

void FocusTracker::focusLost(const QString &app, const QString &object)
{
    const auto it = m_apps.find(app);
    if (it != m_apps.end() && it->object == object) {
        it->object.clear();
        it->password = false;
    }
}

void FocusTracker::windowActive(const QString &app, qint64 pid, bool active)
{
    App &a = this->app(app, pid);
    if (active)
        a.stamp = ++m_clock;
    a.active = active;
}

void FocusTracker::appGone(const QString &app)
{
    m_apps.remove(app);
}

void FocusTracker::clear()
{
    m_apps.clear();
}

FocusTracker::Field FocusTracker::targetField(qint64 targetPid) const
{
    const App *best = nullptr;
    for (const App &a : m_apps) {
        if (targetPid != 0 && a.pid != targetPid)
            continue;
        if (!best || a.stamp > best->stamp)
            best = &a;
    }
    if (!best)
        return Field::Unknown;
    if (targetPid == 0 && !best->active)
        return Field::Unknown;
    return fieldOf(*best);
}

} // namespace PasswordFields
