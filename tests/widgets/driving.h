#pragma once

// Driving the real window as a user does: clicking keys by their text, and
// answering the prompts on the keyboard from timers, without blocking the
// event loop that the prompt waits in.

#include "form1.h"

#include <QTest>
#include <QTimer>

#include <functional>

inline int keyIndex(Form1 *w, const QString &text)
{
    for (int i = 2; i <= w->lastbutton; ++i) {
        if (w->Command1(i)->ToolTipText == text)
            return i;
    }
    return 0;
}

// Clicks the key with this text on the loaded keyboard; false when none.
inline bool click(Form1 *w, const QString &text)
{
    const int i = keyIndex(w, text);
    if (i == 0)
        return false;
    w->Command1(i)->click();
    return true;
}

// Runs `action` once `ready` holds, looking every few milliseconds from the
// event loop (a prompt's wait, a load) without blocking it.
inline void whenReady(Form1 *w, std::function<bool()> ready, std::function<void()> action)
{
    auto *timer = new QTimer(w);
    QObject::connect(timer, &QTimer::timeout, w, [timer, ready, action] {
        if (!ready())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start(5);
}

// Answers the next prompt with the key of this text, once it is on screen.
inline void answerLater(Form1 *w, const QString &answer, QString *asked = nullptr)
{
    whenReady(
            w, [w, answer] { return !w->loadingmap && keyIndex(w, answer) != 0; },
            [w, answer, asked] {
                if (asked)
                    *asked = w->Text1->Text();
                click(w, answer);
            });
}

// Clicks through a script on `keyboard`: key texts, "#n" for suggestion
// button n, and "yes", "no" or "Okay" to answer the prompt that the step
// before opens.  A prompt (or a resize) brings the home keyboard back:
// `keyboard` is loaded again when a key is not on screen.
inline void play(Form1 *w, const QString &keyboard, const QStringList &script)
{
    const auto isAnswer = [](const QString &step) {
        return step == u"yes" || step == u"no" || step == u"Okay";
    };
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QString &step = script.at(i);
        if (isAnswer(step))
            continue;
        if (i + 1 < script.size() && isAnswer(script.at(i + 1)))
            answerLater(w, script.at(i + 1));
        if (step.startsWith(u'#')) {
            FaceButton *button = w->WordSelect(step.mid(1).toInt());
            QVERIFY2(button && button->isEnabled(), qPrintable(step));
            button->click();
            continue;
        }
        if (keyIndex(w, step) == 0)
            w->loadmap(w->keyboardPath(keyboard));
        QVERIFY2(click(w, step), qPrintable(step + QStringLiteral(" on ") + w->FileName));
    }
}
