// The command keys: keys of kind "letter" whose whole text is one of the
// bracketed commands edit the typing area as a whole, use the clipboard, ask
// on the keyboard, or run a menu command.
#include "form1.h"

#include "sending/programtyping.h"
#include "typingrules.h"

#include <QClipboard>
#include <QGuiApplication>

using TypingRules::Edit;

bool Form1::isCommandKey(const QString &text)
{
    static const QStringList commands = {
        QStringLiteral("[space]"),  QStringLiteral("[copy]"),    QStringLiteral("[lock]"),
        QStringLiteral("[unlock]"), QStringLiteral("[clear]"),   QStringLiteral("[return]"),
        QStringLiteral("[back]"),   QStringLiteral("[website]"), QStringLiteral("[save]"),
        QStringLiteral("[load]"),   QStringLiteral("[game]"),    QStringLiteral("[edit]"),
        QStringLiteral("[delete]"), QStringLiteral("[dwell]"),   QStringLiteral("[access]"),
        QStringLiteral("[send]"),   QStringLiteral("[learn]"),   QStringLiteral("[scan]"),
    };
    return commands.contains(text);
}

Form1::ClickEnd Form1::commandKey(int Index, const QString &command)
{
    // While a word game runs, the commands that would lose the game's text or
    // start something else do nothing.
    static const QStringList blockedInGame = {
        QStringLiteral("[copy]"),    QStringLiteral("[clear]"), QStringLiteral("[back]"),
        QStringLiteral("[website]"), QStringLiteral("[save]"),  QStringLiteral("[load]"),
        QStringLiteral("[game]"),    QStringLiteral("[edit]"),  QStringLiteral("[delete]"),
        QStringLiteral("[send]"),
    };
    if (blockedInGame.contains(command) && gameRunning())
        return ClickEnd::Ends;

    const QString text = Text1->Text();
    const int selStart = Text1->SelStart();
    const int selLength = Text1->SelLength();

    if (command == u"[space]") {
        Text1->setText(TypingRules::spaceKey(text).text);
    } else if (command == u"[copy]") {
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        pause(100);
        clipboard->setText(Text1->Text());
        learnAtCommit();
        disableSuggestions();
        const int length = static_cast<int>(Text1->Text().size());
        okayprompt(QStringLiteral("Your text has been copied to your clipboard.\r\nYou may use "
                                  "paste in your application of choice to place the copied text "
                                  "there."));
        if (killme)
            return ClickEnd::Ends;
        Text1->setSelStart(length);
        Text1->setFocus();
        return ClickEnd::Ends;
    } else if (command == u"[lock]" || command == u"[unlock]") {
        toggleLock(Command1(Index));
    } else if (command == u"[clear]") {
        if (yesnoprompt(QStringLiteral("Are you sure you want to erase all of your typing?"))) {
            learnAtCommit();
            // What was typed into another program stays there.
            programTyping->forget();
            Text1->setText(QString());
            learnFrom(QString());
            disableSuggestions();
        }
    } else if (command == u"[return]") {
        quitgame = true;
        Text4->hide();
        const Edit e = TypingRules::returnKey(text, selStart, selLength);
        if (e.addsWord) {
            addword(text);
            Text1->setText(QString());
            tp = 1;
            Text1->setSelStart(1);
        } else {
            Text1->setText(e.text);
            tp = e.tp;
        }
    } else if (command == u"[back]") {
        const Edit e = TypingRules::backKey(text, selStart, selLength);
        if (e.ended) {
            Text1->setText(e.text);
            tp = 0;
            return ClickEnd::Ends;
        }
        if (e.ok) {
            // The change ran the typing-area rules with the caret not yet
            // known; they run again once it is.
            Text1->setText(e.text);
            tp = e.tp;
            Text1_Change();
        }
    } else if (command == u"[website]") {
        if (yesnoprompt(QStringLiteral(
                    "Visit the Orvane website to check for updates and share keyboards?")))
            openWebsite();
    } else if (command == u"[save]") {
        FileSave_Click();
        return ClickEnd::Ends;
    } else if (command == u"[load]") {
        FileOpen_Click();
        return ClickEnd::Ends;
    } else if (command == u"[game]") {
        scramblefinder_Click();
        return ClickEnd::Ends;
    } else if (command == u"[edit]") {
        EditMode_Click();
        return ClickEnd::Ends;
    } else if (command == u"[delete]") {
        const Edit e = TypingRules::deleteKey(text, selStart, selLength);
        if (e.ok) {
            Text1->setText(e.text);
            tp = e.tp;
            disableSuggestions();
        }
    } else if (command == u"[dwell]" || command == u"[scan]" || command == u"[access]") {
        accessCommand(command);
    } else if (command == u"[send]") {
        SendToProgram_Click();
    } else if (command == u"[learn]") {
        learnCommand();
    }
    return ClickEnd::Finish;
}
