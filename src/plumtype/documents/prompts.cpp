// Questions and notices asked on the keyboard itself: the text goes into the
// typing area, a small answer keyboard replaces the current one, and the
// program waits until the user has typed an answer with it.
#include "form1.h"

#include "folderlookup.h"
#include "textrules.h"
#include "typingrules.h"

bool Form1::waitUntil(const std::function<bool()> &done)
{
    // The wait sleeps until the typing area changes or the window closes:
    // every key and the typing area keep working meanwhile.
    while (!killme && !done()) {
        QEventLoop loop;
        connect(Text1, &TextBox::changed, &loop, &QEventLoop::quit);
        connect(this, &Form1::closing, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !killme;
}

namespace {

// The typing area belongs to a prompt while it lasts.
struct PromptScope
{
    explicit PromptScope(int &depth) : m_depth(depth) { ++m_depth; }
    ~PromptScope() { --m_depth; }
    int &m_depth;
};

} // namespace

std::optional<QString> Form1::promptAnswer(const QString &question, const QString &keyboard)
{
    const PromptScope scope(m_promptDepth);
    LockMenu();
    const QString remembered = Text1->Text();
    Text1->setText(question);
    Text1->setSelStart(static_cast<int>(Text1->Text().size()));
    Text1->setFocus();
    loadmap(keyboardPath(keyboard));

    QString answer;
    const bool answered = waitUntil([&] {
        QString text = Text1->Text();
        if (!question.isEmpty())
            text.remove(question, Qt::CaseSensitive);
        answer = TextRules::trimSpaces(text);
        return !answer.isEmpty();
    });
    // The window is closing: text, keyboard and menus stay as they are.
    if (!answered)
        return std::nullopt;

    if (!editmode)
        loadmap(keyboardPath(QStringLiteral("home.kbd")));
    Text1->setText(remembered);
    UnLockMenu();
    return answer;
}

bool Form1::yesnoprompt(const QString &question)
{
    const std::optional<QString> answer = promptAnswer(question, QStringLiteral("YesNo.kbd"));
    return answer && answer->toLower() == u"yes";
}

void Form1::okayprompt(const QString &message)
{
    promptAnswer(message, QStringLiteral("Okay.kbd"));
}

std::optional<Form1::NameAnswer> Form1::askName(const NameRequest &request)
{
    const PromptScope scope(m_promptDepth);
    LockMenu();
    const QString remembered = Text1->Text();
    // The entry is found by its prompt without the final space.
    const QString searched =
            request.prompt.endsWith(u' ') ? request.prompt.chopped(1) : request.prompt;
    auto cancel = [&](const QString &message) {
        okayprompt(message);
        if (killme)
            return;
        Text1->setText(remembered);
        if (Text1->isEnabled()) {
            tp = static_cast<int>(Text1->Text().size());
            Text1->setSelStart(tp);
            Text1->setFocus();
        }
        UnLockMenu();
    };

    QString defaultName = request.defaultName;
    for (;;) {
        Text1->setText(request.prompt + defaultName);
        tp = static_cast<int>(Text1->Text().size());
        Text1->setSelStart(tp);
        Text1->setFocus();
        loadmap(keyboardPath(QStringLiteral("FileNaming.kbd")));
        // The entry ends with the naming keyboard's line-break key.
        if (!waitUntil([this] { return Text1->Text().contains(QLatin1String("\r\n")); }))
            return std::nullopt;
        if (request.homeAfterEntry)
            loadmap(keyboardPath(QStringLiteral("home.kbd")));

        const QString typed = Text1->Text();
        if (!TypingRules::nameEntryValid(typed, searched)) {
            cancel(QStringLiteral("Valid name not privided! Save Canceled."));
            return std::nullopt;
        }
        const QString name = TypingRules::cleanName(typed, searched);
        if (name.isEmpty()) {
            cancel(QStringLiteral("No name privided! Save canceled."));
            return std::nullopt;
        }
        const QString path = FolderLookup::resolve(request.folder, name + request.extension);
        if (!fileexists(path) || yesnoprompt(request.overwriteQuestion))
            return NameAnswer { name, path, remembered };
        if (killme)
            return std::nullopt;
        // No: the name just typed is offered again, or the caller's default.
        if (!request.keepDefault)
            defaultName = name;
    }
}

void Form1::noticeWhenFree(const QString &message)
{
    if (m_notices.contains(message))
        return;
    m_notices.append(message);
    if (!m_noticeTimer.isActive()) {
        m_noticeTimer.setInterval(250);
        m_noticeTimer.disconnect();
        connect(&m_noticeTimer, &QTimer::timeout, this, &Form1::showNotices);
        m_noticeTimer.start();
    }
}

void Form1::showNotices()
{
    if (killme) {
        m_noticeTimer.stop();
        return;
    }
    // Not while the user answers something else, nor in the middle of a
    // load or a click, nor while the window still settles its size (a resize
    // brings the home keyboard back): the timer looks again.
    if (starting || loadingmap || lastbutton < 2 || m_promptDepth > 0 || editmode || keytextentry
        || gameRunning() || !isVisible() || m_fitStartSize || m_resizePending
        || m_resizeTimer.isActive())
        return;
    m_noticeTimer.stop();
    while (!m_notices.isEmpty() && !killme)
        okayprompt(m_notices.takeFirst());
}
