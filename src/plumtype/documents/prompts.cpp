// Questions and notices asked on the keyboard itself: the text goes into the
// typing area, a small answer keyboard replaces the current one, and the
// program waits until the user has typed an answer with it.
#include "form1.h"

#include "textrules.h"

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

std::optional<QString> Form1::promptAnswer(const QString &question, const QString &keyboard)
{
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
