#pragma once

// Hands-free access for the main window: dwell clicking (a pointer resting on
// a key selects it) and switch scanning (a highlight steps over the keys and
// a switch selects), with their settings window.  The rules live in the core
// (dwell.h, scanning.h, handsfree.h); the classes here feed them the pointer,
// the switches and the clock, and carry out a selection through the same
// click a mouse gives.  Of the window they see only its WindowFace
// (windowface.h): its controls, typing area, prompts, voice and signals.
//
//   access/handsfree.cpp       HandsFreeAccess: the menu, the settings file,
//                              which controls can be selected, the marks
//   access/dwellcontroller.cpp DwellController
//   access/scancontroller.cpp  ScanController
//   access/settingswindow.cpp  AccessSettingsWindow

#include "dwell.h"
#include "handsfree.h"
#include "scanning.h"
#include "surface/facebutton.h"
#include "switchinput.h"
#include "windowface.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class QAbstractButton;
class DwellController;
class ScanController;
class AccessSettingsWindow;
class SwitchInputs;
class QGridLayout;
class QListWidget;

class HandsFreeAccess : public QObject
{
    Q_OBJECT
public:
    // A child of the face's window.
    explicit HandsFreeAccess(WindowFace *face);
    ~HandsFreeAccess() override;

    const HandsFree::Settings &settings() const { return m_settings; }
    WindowFace *face() const { return m_face; }
    // Changes one setting: it takes effect at once and is written to the
    // settings file.
    void change(HandsFree::Id id, int value);

    // The "[dwell]" key and the shortcut: turns dwell on when it is off, and
    // otherwise pauses it or takes it up again.  While paused only the
    // "[dwell]" keys can be dwelt on.
    void toggleDwell();
    bool dwellPaused() const { return m_paused; }
    // The "[scan]" key: turns scanning on when it is off, and otherwise
    // pauses it or takes it up again.  While paused the highlight rests on
    // the "[scan]" key and only a select press takes scanning up again.
    void toggleScan();
    bool scanPaused() const;
    // Key `id` is a command key of this text ("[scan]").
    bool isStateKey(int id, const QString &command) const;
    void showSettings();

    DwellController *dwell() const { return m_dwell; }
    ScanController *scan() const { return m_scan; }
    AccessSettingsWindow *settingsWindow() const { return m_settingsWindow; }

    // Milliseconds from a steady clock; tests step their own.
    qint64 now() const { return m_clock ? m_clock() : m_elapsed.elapsed(); }
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // Auditory scanning speaks through here; by default the window's voice.
    std::function<void(const QString &)> speakSeam;
    void say(const QString &text);

    // ---- the controls dwell and scanning act on ----
    // Ids: keys 2 to 121 (their Command1 index), suggestions 200 to 203,
    // Speak 300, the editor's buttons from 400, the picker's from 500, the
    // settings window's from 1000.  0 is nothing.
    int targetId(QWidget *widget) const;
    QWidget *targetWidget(int id) const;
    // Shown, enabled and in reach (no prompt of the desktop in the way).
    bool selectable(int id) const;
    // What a press means for the target: a key's name, a suggestion's word.
    QString spokenName(int id) const;
    // The dwell time of the target.
    int completionMs(int id) const;
    // Carries out a selection once the current event is done, with the same
    // click a mouse gives; nothing while the voice speaks the typed text.
    void select(int id, const std::function<void()> &after = {});
    // The scan groups of whatever is in front: the settings window, the
    // picker, or the main window (editor buttons, suggestions, each row of
    // keys, Speak).
    QList<QList<int>> scanGroups(QStringList *names = nullptr) const;
    // A window whose controls take part.
    bool ours(const QWidget *window) const;
    bool speaking() const;

    // ---- marks ----
    void setDwellMark(int id, double progress);
    void setScanMark(int id, FaceButton::ScanMark mark);
    // The frame round these controls; none for an empty list.
    void setGroupFrame(const QList<int> &ids);
    // Where a control lies in its window.
    QRect targetArea(int id, QWidget **window) const;

signals:
    void settingsChanged();

private:
    void load();
    void apply();
    void keyboardLoaded();
    void paintStateKeys();
    void updateMenu();

    WindowFace *m_face;
    HandsFree::Settings m_settings;
    bool m_paused = false;
    bool m_fileIgnored = false; // the settings file is far too large: not read, not written
    DwellController *m_dwell = nullptr;
    ScanController *m_scan = nullptr;
    QPointer<AccessSettingsWindow> m_settingsWindow;
    QElapsedTimer m_elapsed;
    std::function<qint64()> m_clock;
};

class DwellController : public QObject
{
    Q_OBJECT
public:
    explicit DwellController(HandsFreeAccess *access);
    void setOn(bool on);
    bool isOn() const { return m_on; }
    void configure();
    // The pointer is at this place on the screen.
    void pointerAt(QPoint global);
    // Time passes: the timer's work, which tests call on a stepped clock.
    void poll();
    // A keyboard was loaded under the pointer.
    void keysReplaced();
    // A window or panel appeared, or one went and showed what was under
    // it: nothing under the still pointer fires until it moves.
    void windowAppeared();
    // A dwell on a suggestion is in progress: they keep what they offer.
    bool holdSuggestions();
    const Dwell::Tracker &tracker() const { return m_tracker; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Dwell::Target targetAt(QPoint global) const;
    void handle(int fired);
    // A window opened from the main window (menus and tooltips are not).
    bool opensFromWindow(const QWidget *window) const;
    void paint();
    void releaseSuggestions();

    HandsFreeAccess *m_access;
    WindowFace *m_face;
    Dwell::Tracker m_tracker;
    QTimer m_timer;
    bool m_on = false;
    bool m_held = false;  // a refresh of the suggestions waits
    int m_selecting = 0;  // selections made but not yet carried out
    QList<int> m_painted; // targets that show a bar
};

class ScanController : public QObject
{
    Q_OBJECT
public:
    explicit ScanController(HandsFreeAccess *access);
    void setOn(bool on);
    bool isOn() const { return m_on; }
    void configure();
    // New groups from what is on screen; the scan starts at the top.
    void restart();
    // A keyboard was loaded: the scan starts at the top, unless the same
    // keys came back (a resize reloads the keyboard): then it goes on where
    // it is, and the user's next switch press does what they expect.
    void keysReloaded();
    // Time passes: the timer's work, which tests call on a stepped clock.
    void poll();
    // A switch went down or up (1 or 2).
    void switchDown(int number);
    void switchUp(int number);
    QList<int> highlighted() const;
    // Paused: the highlight rests on the "[scan]" key and a select press
    // (either switch, switch 2 in step mode) takes scanning up again.
    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }
    const Scanning::Scanner &scanner() const { return m_scanner; }
    // How long a selected key flashes.
    int flashMs = 300;
    // The switches from outside the window (access/switches.h).
    SwitchInputs *switchInputs() const { return m_inputs; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int switchForKey(int key) const;
    void fromOutside(int key, bool down);
    void handle(int selected);
    void carryOut(int selected);
    void schedule();
    void paint();

    HandsFreeAccess *m_access;
    WindowFace *m_face;
    Scanning::Scanner m_scanner;
    QStringList m_names; // of the groups, for auditory scanning
    QTimer m_timer;
    QTimer m_flashTimer;
    int m_flashed = 0;
    bool m_on = false;
    QList<int> m_marked;
    Scanning::Highlight m_spoken;
    bool m_selecting = false;
    bool m_paused = false;
    qint64 m_pausedDown[2] = { -1, -1 }; // when a switch went down while paused
    QList<int> pauseKeys() const;
    SwitchInputs *m_inputs = nullptr;
    // A selection waits until the switch that made it is up.
    SwitchInput::Gate m_gate;
};

// The settings window: every setting with its range, changed with large
// buttons that dwell and scanning reach like keys.  It shows one section at
// a time, chosen with a row of section buttons; scanning first steps over
// Close and the sections, then over the lines of the section chosen, then
// over a line's buttons.
class AccessSettingsWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AccessSettingsWindow(HandsFreeAccess *access, QWidget *parent = nullptr);
    // The values shown again, after a change from anywhere.
    void refresh();
    // The button of this id (1000 on).
    QAbstractButton *button(int id) const;
    // The scan groups: Close and each section, each a group of one; once a
    // section is chosen, each of its lines, then the row of Close and the
    // sections.
    QList<QList<int>> scanGroups(QStringList *names) const;
    // Shows a section (HandsFree::sections()) and scans into it.
    void openSection(int index);
    int shownSection() const { return m_shown; }
    // The section scanning steps into, -1 for the top.
    int scannedSection() const { return m_scanned; }
    // A switch key is being chosen: the next key pressed becomes it.
    bool capturing() const { return m_capturing >= 0; }
    void capture(int key);
    // The learned words with their counts, shown again.
    void refreshLearned();

signals:
    void shownOrHidden();
    // Other controls are scanned: a section was opened.
    void groupsChanged();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Row
    {
        HandsFree::Id id;
        QLabel *value = nullptr;
        QList<FaceButton *> buttons;
    };
    FaceButton *makeButton(const QString &text, int width, QWidget *parent);
    void paintFace(FaceButton *button, const QString &text);
    QString valueText(HandsFree::Id id) const;
    QLabel *makeLabel(const QString &text, QWidget *parent, bool bold = false);
    QList<int> ids(const QList<FaceButton *> &buttons) const;

    HandsFreeAccess *m_access;
    QList<Row> m_rows;
    QList<FaceButton *> m_buttons; // by id - 1000
    FaceButton *m_close = nullptr;
    QList<FaceButton *> m_sectionButtons;
    class QStackedWidget *m_pages = nullptr;
    int m_shown = 0;
    int m_scanned = -1;
    int m_capturing = -1; // the row whose key is being chosen
    // What learning has learned: the words by count, forgetting them.
    QListWidget *m_learned = nullptr;
    FaceButton *m_wordUp = nullptr;
    FaceButton *m_wordDown = nullptr;
    FaceButton *m_forgetWord = nullptr;
    FaceButton *m_forgetAll = nullptr;
    bool m_forgetAllAsked = false;
    void addLearnedWords(QGridLayout *grid, int line);
    // The switch device and where switches work (access/switchsettings.cpp).
    FaceButton *m_switchDevice = nullptr;
    QLabel *m_switchWhere = nullptr;
    void addSwitchDevice(QGridLayout *grid, int line);
    void refreshSwitchDevice();
};
