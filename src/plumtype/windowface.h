#pragma once

// All that hands-free access (access/) and typing into other programs
// (sending/) see of the main window: the controls they can select, the
// typing area, who holds it, the prompts, the voice and the learning hooks,
// and the signals of a keyboard loaded, a window shown and the window
// closing.  Form1 owns one and hands it to both at construction; it is
// made in surface/windowface.cpp.

#include "learning.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class FaceButton;
class Form1;
class QAbstractButton;
class QAction;
class QEvent;
class QListWidget;
class QWidget;

class WindowFace : public QObject
{
    Q_OBJECT
public:
    explicit WindowFace(Form1 *form);

    // The main window: its flags, its events, the parent of the windows
    // opened from it.
    QWidget *window() const;

    // ---- the controls that can be selected ----
    // The keys on screen are 2 to lastKey(); key 1 is never shown.  Its Tag
    // and ToolTipText tell what a key is ("letter", "[dwell]").
    int lastKey() const;
    FaceButton *key(int index) const;
    // The suggestion buttons 0 to 3; their ToolTipText is the word offered.
    FaceButton *suggestion(int index) const;
    QAbstractButton *speakButton() const;
    // The editor's buttons and choices, always 19 in this order: Stop
    // Editing, Add Button, Save Edit, the arrows up, left, right and down,
    // then the twelve button types.
    QList<QWidget *> editorControls() const;
    // The saved-text picker: its window, its list and its two buttons.
    QWidget *picker() const;
    QListWidget *pickerList() const;
    FaceButton *pickerOk() const;
    FaceButton *pickerCancel() const;
    // A key that shows a state ("Dwell Paused") painted again with this
    // caption on the letter keys' colour, or on `colour` (0xAARRGGBB) when
    // it is not 0.
    void paintStateKey(int index, const QString &caption, quint32 colour = 0);
    // The items of the Access menu.
    enum class MenuItem { DwellClicking, SwitchScanning, AccessSettings };
    QAction *menuItem(MenuItem item) const;

    // ---- the windows ----
    // A window opened from the main window (the settings window) joins the
    // windows whose controls take part; windowAdded is emitted for it.
    void addWindow(QWidget *window);
    // The main window, the picker, or an added window.
    bool ownWindow(const QWidget *window) const;
    // The picker and the added windows, not the main window.
    QList<QWidget *> windows() const;

    // ---- the typing area ----
    // The typing area itself, to know a click into it.
    QWidget *typingArea() const;
    QString text() const;
    // Replaces the whole text.
    void setText(const QString &text);
    // The caret goes to the end of the text; nothing when it is there.
    void putCaretAtEnd();
    // The typing area and Speak take the keyboard focus on a click (true)
    // or never (false).
    void setFocusTaking(bool on);
    // The suggestions are made again for the word being typed.
    void refreshSuggestions();
    // A prompt, a name entry, the editor, key-text entry or a word game
    // holds the typing area, or the window is closing.
    bool typingAreaBusy() const;

    // ---- state ----
    // The window is closing: every wait ends, nothing new starts.
    bool isClosing() const;
    bool loadingKeyboard() const;

    // ---- telling and speaking ----
    // The message on the Okay keyboard; returns once it is answered or the
    // window closes.
    void okayPrompt(const QString &message);
    // The same message once the window is free to show it (not loading,
    // no other prompt up); returns at once.
    void noticeWhenFree(const QString &message);
    // Says `text` with the window's voice and returns at once; nothing
    // when there is no voice.
    void say(const QString &text);
    // Speak is reading the typed text aloud.
    bool speaking() const;

    // ---- learning ----
    // A commit point: what the typing area holds is learned.
    void learnAtCommit();
    // The typing area was emptied or replaced: `text` counts as learned.
    void learnFrom(const QString &text);
    // The learned words by count, forgetting one, forgetting all.
    QList<LearnedModel::Word> learnedWords() const;
    void forgetLearnedWord(const QString &word);
    bool forgetAllLearned();

signals:
    // The end of every keyboard load: new keys are on screen.
    void keyboardLoaded();
    // The window is closing.
    void closing();
    // The learned model was read.
    void learningLoaded();
    // One of Plumtype's own windows or panels is being shown: the main
    // window, the picker, the settings window, a message box, the editor's
    // panel, or the keys of a keyboard loaded while a prompt or a name
    // entry holds the typing area.
    void windowShown(QWidget *window);
    // addWindow was given this window.
    void windowAdded(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A window opened from the main window, or the main window itself.
    bool opensFromHere(const QWidget *window) const;

    Form1 *m_form;
    QList<QPointer<QWidget>> m_windows;
};
