// Switch scanning: the highlight steps over what is on screen and a switch
// selects.  Switch presses are taken by an application-wide filter before
// any control sees them; the timer runs only while the highlight has
// somewhere to go, so a scan stopped at the top costs nothing.  Switches
// from outside the window (grabbed keys, a chosen device) come through
// SwitchInputs; a selection is carried out once the switch is up again.
#include "access/access.h"
#include "access/switches.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>

#include <utility>

using HandsFree::Id;
using Level = Scanning::Highlight::Level;

ScanController::ScanController(HandsFreeAccess *access)
    : QObject(access), m_access(access), m_face(access->face())
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ScanController::poll);
    m_flashTimer.setSingleShot(true);
    connect(&m_flashTimer, &QTimer::timeout, this, [this] {
        const int flashed = m_flashed;
        m_flashed = 0;
        if (flashed)
            m_access->setScanMark(flashed, FaceButton::ScanMark::None);
        paint();
    });
    m_inputs = new SwitchInputs(this);
    connect(m_inputs, &SwitchInputs::key, this, &ScanController::fromOutside);
    connect(m_inputs, &SwitchInputs::button, this, [this](int number, bool down) {
        if (!m_access->settings().on(Id::MouseSwitches))
            return;
        if (down)
            switchDown(number);
        else
            switchUp(number);
    });
}

void ScanController::configure()
{
    const HandsFree::Settings &s = m_access->settings();
    Scanning::Timing t;
    t.mode = static_cast<Scanning::Mode>(s.value(Id::ScanMode));
    t.order = static_cast<Scanning::Order>(s.value(Id::ScanOrder));
    t.intervalMs = s.value(Id::IntervalMs);
    t.firstItemPercent = s.value(Id::FirstItemPercent);
    t.loops = s.value(Id::Loops);
    t.acceptMs = s.value(Id::AcceptMs);
    t.releaseMs = s.value(Id::ReleaseMs);
    const Scanning::Timing before = m_scanner.timing();
    m_scanner.setTiming(t);
    m_inputs->configure(s.value(Id::Switch1Key), s.value(Id::Switch2Key), s.on(Id::MouseSwitches));
    if (m_on && (t.mode != before.mode || t.order != before.order))
        restart();
}

void ScanController::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    m_paused = false;
    m_gate.clear();
    m_inputs->setOn(on);
    if (on) {
        qApp->installEventFilter(this);
        restart();
        return;
    }
    qApp->removeEventFilter(this);
    m_timer.stop();
    m_scanner.stop();
    paint();
}

void ScanController::restart()
{
    if (!m_on || m_face->isClosing())
        return;
    m_scanner.restart(m_access->scanGroups(&m_names), m_access->now());
    if (m_paused)
        m_scanner.stop();
    m_spoken = Scanning::Highlight {};
    paint();
    schedule();
}

void ScanController::setPaused(bool paused)
{
    if (paused == m_paused || (paused && !m_on))
        return;
    m_paused = paused;
    m_pausedDown[0] = m_pausedDown[1] = -1;
    m_gate.clear();
    // Taken up again, the scan starts at the top.
    restart();
}

QList<int> ScanController::pauseKeys() const
{
    QList<int> keys;
    for (int i = 2; i <= m_face->lastKey(); ++i) {
        if (m_access->isStateKey(i, QStringLiteral("[scan]")) && m_access->selectable(i))
            keys.append(i);
    }
    return keys;
}

QList<int> ScanController::highlighted() const
{
    if (m_on && m_paused)
        return pauseKeys().mid(0, 1);
    return m_scanner.highlighted();
}

void ScanController::keysReloaded()
{
    if (!m_on || m_face->isClosing())
        return;
    QStringList names;
    const QList<QList<int>> groups = m_access->scanGroups(&names);
    if (!m_scanner.running() || groups != m_scanner.groups() || names != m_names) {
        restart();
        return;
    }
    // The keys are new widgets: the highlight is painted on them.
    paint();
}

void ScanController::poll()
{
    if (!m_on || m_paused || m_face->isClosing())
        return;
    // While the typed text is read aloud the highlight waits.
    if (m_access->speaking()) {
        m_timer.start(250);
        return;
    }
    handle(m_scanner.tick(m_access->now()));
}

void ScanController::switchDown(int number)
{
    if (!m_on)
        return;
    if (m_paused) {
        if (number == 1 || number == 2)
            m_pausedDown[number - 1] = m_access->now();
        return;
    }
    m_gate.down(number);
    handle(m_scanner.press(number, m_access->now()));
}

void ScanController::switchUp(int number)
{
    if (!m_on)
        return;
    if (m_paused) {
        // A whole select press, held for the acceptance time, takes the scan
        // up again; switch 1 moves the highlight in step mode and does not.
        if (number != 1 && number != 2)
            return;
        const qint64 down = std::exchange(m_pausedDown[number - 1], -1);
        const Scanning::Timing t = m_scanner.timing();
        if (down >= 0 && m_access->now() - down >= t.acceptMs
            && (t.mode != Scanning::Mode::Step || number == 2))
            m_access->toggleScan();
        return;
    }
    if (const int waited = m_gate.up(number))
        carryOut(waited);
    handle(m_scanner.release(number, m_access->now()));
}

void ScanController::fromOutside(int key, bool down)
{
    AccessSettingsWindow *settings = m_access->settingsWindow();
    if (settings && settings->capturing()) {
        if (down)
            settings->capture(key);
        return;
    }
    if (const int number = switchForKey(key)) {
        if (down)
            switchDown(number);
        else
            switchUp(number);
    }
}

void ScanController::handle(int selected)
{
    if (selected) {
        if (m_flashed)
            m_access->setScanMark(m_flashed, FaceButton::ScanMark::None);
        m_flashed = selected;
        m_flashTimer.start(flashMs);
        // The switch still down would reach the program typed into, or
        // hold a key the selection types: it waits for the release.
        carryOut(m_gate.selected(selected));
    }
    paint();
    schedule();
}

void ScanController::carryOut(int selected)
{
    // Once the selection is carried out, the scan starts again on what it
    // left on screen (new suggestions, another keyboard).
    if (selected)
        m_access->select(selected, [this] { restart(); });
}

void ScanController::schedule()
{
    const qint64 wait = m_on && !m_paused ? m_scanner.msUntilNext(m_access->now()) : -1;
    if (wait < 0)
        m_timer.stop();
    else
        m_timer.start(static_cast<int>(std::min<qint64>(wait, 24 * 3600 * 1000)));
}

void ScanController::paint()
{
    const Scanning::Highlight at = m_scanner.highlight();
    const QList<int> lit = m_on ? highlighted() : QList<int>();
    // While paused the "[scan]" key keeps its amber face inside the frame.
    const auto mark = at.level == Level::Group || m_paused ? FaceButton::ScanMark::Group
                                                           : FaceButton::ScanMark::Item;
    // The frame goes round the group highlighted, or round the group whose
    // keys are scanned; in key-by-key order there is no group to show.
    QList<int> framed;
    if (m_on && m_paused)
        framed = lit;
    else if (m_on && at.level == Level::Group)
        framed = lit;
    else if (m_on && at.level == Level::Item && m_scanner.timing().order == Scanning::Order::Groups)
        framed = m_scanner.groups().value(at.group);
    m_access->setGroupFrame(framed);
    for (int id : std::as_const(m_marked)) {
        if (!lit.contains(id) && id != m_flashed)
            m_access->setScanMark(id, FaceButton::ScanMark::None);
    }
    for (int id : lit) {
        if (id != m_flashed)
            m_access->setScanMark(id, mark);
    }
    if (m_flashed)
        m_access->setScanMark(m_flashed, FaceButton::ScanMark::Selected);
    m_marked = lit;

    // Auditory scanning: each new place of the highlight is spoken.
    if (!m_on || !m_access->settings().on(Id::Auditory) || at == m_spoken)
        return;
    m_spoken = at;
    if (at.level == Level::Group)
        m_access->say(m_names.value(at.group));
    else if (at.level == Level::Item && !lit.isEmpty())
        m_access->say(m_access->spokenName(lit.first()));
}

int ScanController::switchForKey(int key) const
{
    if (key == Qt::Key_Enter)
        key = Qt::Key_Return;
    const HandsFree::Settings &s = m_access->settings();
    if (key == s.value(Id::Switch1Key))
        return 1;
    if (key == s.value(Id::Switch2Key))
        return 2;
    return 0;
}

bool ScanController::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::ContextMenu:
        break;
    default:
        return false;
    }
    if (!m_on || m_face->isClosing() || !watched->isWidgetType()
        || QApplication::activePopupWidget())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (!m_access->ours(widget->window()))
        return false;
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: {
        auto *key = static_cast<QKeyEvent *>(event);
        AccessSettingsWindow *settings = m_access->settingsWindow();
        if (settings && settings->capturing()) {
            // The next key chosen as a switch.
            if (type == QEvent::KeyPress)
                settings->capture(key->key());
            event->accept();
            return true;
        }
        const int number = switchForKey(key->key());
        if (number == 0)
            return false;
        if (type == QEvent::ShortcutOverride) {
            // Taken here, the key makes no shortcut either.
            event->accept();
            return true;
        }
        if (!key->isAutoRepeat()) {
            if (type == QEvent::KeyPress)
                switchDown(number);
            else
                switchUp(number);
        }
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::ContextMenu: {
        // The menu bar stays in reach of the mouse, so scanning can be
        // turned off with it.
        if (!m_access->settings().on(Id::MouseSwitches) || qobject_cast<QMenuBar *>(widget))
            return false;
        if (type == QEvent::ContextMenu)
            return static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Mouse;
        auto *mouse = static_cast<QMouseEvent *>(event);
        const int number = mouse->button() == Qt::LeftButton    ? 1
                           : mouse->button() == Qt::RightButton ? 2
                                                                : 0;
        if (number == 0)
            return false;
        if (type == QEvent::MouseButtonRelease)
            switchUp(number);
        else
            switchDown(number);
        return true;
    }
    default:
        break;
    }
    return false;
}
