// Scramble Finder, the word game: five words taken from the user's keyboards
// are shown with their letters scrambled, and the game waits until each has
// been typed, normally by finding its button.  The whole keyboard keeps
// working while it waits; the user's text is put aside and comes back at the
// end, however the game ends.
#include "form1.h"

#include "gamerules.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QMenu>

#include <chrono>
#include <random>

namespace {

std::mt19937 &gameRandom()
{
    static std::mt19937 generator(static_cast<std::mt19937::result_type>(
            std::chrono::system_clock::now().time_since_epoch().count()));
    return generator;
}

const QString &noWordMessage()
{
    static const QString message = QStringLiteral(
            "Scramble Finder has no word to play.\r\nIt needs a keyboard with at least three word "
            "buttons of five letters or more, besides the standard keyboards.");
    return message;
}

// Sleeps until the typing area changes, the typed word differs from
// `lastWord`, quitgame is set or the window closes.  False when the
// application is leaving all its event loops.
bool waitForChange(Form1 *w, const QString &lastWord)
{
    QEventLoop loop;
    QObject::connect(w->Text1, &TextBox::changed, &loop, &QEventLoop::quit);
    QObject::connect(w, &Form1::closing, &loop, &QEventLoop::quit);
    // Some commands set quitgame without touching the typing area (entering
    // the editor hides it): look once the events at hand have run, just
    // before the thread goes to sleep.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(w->thread())) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &loop, [&] {
            if (w->quitgame || w->killme || w->typedword != lastWord)
                loop.quit();
        });
    }
    return loop.exec() != -1;
}

} // namespace

QString Form1::pickgameword()
{
    File1->Path = programPath(QStringLiteral("Keyboards"));
    const QString folder = File1->Path;
    const std::optional<GameRules::Pick> pick = GameRules::pickWord(
            File1->files(),
            [&folder](const QString &name) { return GameRules::wordPool(folder + u'/' + name); },
            gameRandom());
    gamekbd = pick ? pick->keyboard : QString();
    return pick ? pick->word : QString();
}

QString Form1::scramble(const QString &word)
{
    return GameRules::scramble(word, gameRandom());
}

void Form1::scramblefinder_Click()
{
    // One game at a time: its menu is disabled while it runs.
    if (gameRunning())
        return;
    dogame->menuAction()->setEnabled(false);
    const QString saved = Text1->Text();
    Text4->setGeometry(Text1->geometry());
    Text4->raise();
    Text4->show();
    quitgame = false;
    int solved = 0;
    int guesses = 0;
    bool noWord = false;
    bool leaving = false;

    while (!quitgame && !killme && !leaving) {
        Text1->setText(QString());
        const QString word = pickgameword();
        if (word.isEmpty()) {
            noWord = true;
            break;
        }
        const QString scrambled = scramble(word);
        const QString target = word.toLower();
        // Clearing the typing area for the new word is no guess.
        QString lastWord = typedword;
        int tries = 1;
        bool hint = false;
        bool found = false;
        Text4->setText(GameRules::statusText(solved, guesses, scrambled, QString()));
        while (!found && !quitgame && !killme) {
            if (!waitForChange(this, lastWord)) {
                leaving = true;
                break;
            }
            if (Text1->Text().toLower().contains(target)) {
                ++solved;
                found = true;
                tries = 0;
            }
            if (typedword != lastWord) {
                if (tries >= GameRules::kHintFromChange)
                    hint = true;
                ++tries;
                lastWord = typedword;
                if (!found)
                    ++guesses;
                Text4->setText(GameRules::statusText(solved, guesses, scrambled,
                                                     hint ? gamekbd : QString()));
            }
        }
        if (found && solved == GameRules::kWordsPerGame) {
            Text4->setText(GameRules::finalMessage(guesses));
            pause(gameEndMs);
            quitgame = true;
        }
    }

    Text4->hide();
    // Without a word the game would search for ever: say so instead.
    if (noWord && !killme && !leaving)
        okayprompt(noWordMessage());
    dogame->menuAction()->setEnabled(true);
    // The user goes on writing at the end of their own text.
    tp = static_cast<int>(saved.size());
    Text1->setText(saved);
    if (!killme && Text1->isEnabled()) {
        Text1->setSelStart(tp);
        Text1->setFocus();
    }
}
