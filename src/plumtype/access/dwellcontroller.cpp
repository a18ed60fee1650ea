// Dwell clicking: one controller for the window.  It learns where the pointer
// is from the pointer's own events (moves, enters and leaves, seen by an
// application-wide filter while dwell is on) and runs a timer only while a
// dwell is in progress, so a resting pointer costs nothing.
#include "access/access.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QListWidget>
#include <QMouseEvent>

using HandsFree::Id;

namespace {

constexpr int kFirstSuggestion = 200;
constexpr int kPickerRow = 600;
// Frames of the progress bar: smooth to the eye, and no more.
constexpr int kFrameMs = 40;

} // namespace

DwellController::DwellController(HandsFreeAccess *access)
    : QObject(access), m_access(access), m_face(access->face())
{
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, &DwellController::poll);
    // The settings window, the picker, a message box, the editor's panel or
    // a prompt's keyboard come up under a pointer that has not moved.
    connect(m_face, &WindowFace::windowShown, this, &DwellController::windowAppeared);
}

void DwellController::configure()
{
    const HandsFree::Settings &s = m_access->settings();
    m_tracker.setTiming({ s.value(Id::LockOnMs), s.value(Id::StrayMs), s.value(Id::RearmPx) });
    // Paused or not, times changed: what is under the pointer waits for a move.
    keysReplaced();
}

void DwellController::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    if (on) {
        qApp->installEventFilter(this);
        // The key that turned dwell on is under the pointer: it does not
        // select itself again.
        keysReplaced();
        return;
    }
    qApp->removeEventFilter(this);
    m_timer.stop();
    m_tracker.reset();
    paint();
    releaseSuggestions();
}

bool DwellController::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Hide && m_on && watched->isWidgetType()) {
        // A window of ours that goes shows what lay under it.
        auto *w = static_cast<QWidget *>(watched);
        if (w->isWindow() && w != m_face->window() && opensFromWindow(w))
            windowAppeared();
        return false;
    }
    if ((type == QEvent::MouseMove || type == QEvent::Enter || type == QEvent::Leave) && m_on
        && !m_face->isClosing() && watched->isWidgetType()) {
        QPoint global;
        if (type == QEvent::MouseMove)
            global = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
        else if (type == QEvent::Enter)
            global = static_cast<QEnterEvent *>(event)->globalPosition().toPoint();
        else
            global = QCursor::pos();
        pointerAt(global);
    }
    return QObject::eventFilter(watched, event);
}

Dwell::Target DwellController::targetAt(QPoint global) const
{
    // Menus and the desktop's dialogs are no dwell targets.
    if (!m_on || QApplication::activePopupWidget())
        return {};
    QWidget *w = QApplication::widgetAt(global);
    if (!w || !m_access->ours(w->window()))
        return {};
    int id = 0;
    QListWidget *list = m_face->pickerList();
    if (w == list->viewport()) {
        if (QListWidgetItem *item = list->itemAt(w->mapFromGlobal(global)))
            id = kPickerRow + list->row(item);
    } else {
        id = m_access->targetId(w);
    }
    if (id == 0 || !m_access->selectable(id))
        return {};
    if (m_access->dwellPaused()) {
        // Paused, only the key that takes dwell up again can be dwelt on.
        const FaceButton *key = id <= m_face->lastKey() ? m_face->key(id) : nullptr;
        if (!key || key->Tag != u"letter" || key->ToolTipText != u"[dwell]")
            return {};
    }
    return { id, m_access->completionMs(id) };
}

void DwellController::pointerAt(QPoint global)
{
    if (!m_on)
        return;
    handle(m_tracker.pointer(targetAt(global), global, m_access->now()));
}

void DwellController::poll()
{
    if (!m_on || m_face->isClosing())
        return;
    handle(m_tracker.tick(m_access->now()));
}

void DwellController::keysReplaced()
{
    if (!m_on)
        return;
    const QPoint global = QCursor::pos();
    m_tracker.replaced(targetAt(global), global, m_access->now());
    handle(0);
}

void DwellController::windowAppeared()
{
    if (!m_on || m_face->isClosing())
        return;
    m_tracker.appeared(QCursor::pos(), m_access->now());
    handle(0);
}

bool DwellController::opensFromWindow(const QWidget *window) const
{
    const Qt::WindowType type = window->windowType();
    if (type == Qt::Popup || type == Qt::ToolTip)
        return false;
    for (const QWidget *w = window; w; w = w->parentWidget()) {
        if (w == m_face->window())
            return true;
    }
    return false;
}

void DwellController::handle(int fired)
{
    if (fired) {
        ++m_selecting;
        m_access->select(fired, [this] {
            --m_selecting;
            releaseSuggestions();
        });
    }
    paint();
    if (m_tracker.busy()) {
        if (!m_timer.isActive())
            m_timer.start();
    } else {
        m_timer.stop();
    }
    if (!fired)
        releaseSuggestions();
}

void DwellController::paint()
{
    const qint64 now = m_access->now();
    QList<int> shown;
    for (int id : m_tracker.active()) {
        const double progress = m_tracker.progress(id, now);
        if (progress >= 0) {
            m_access->setDwellMark(id, progress);
            shown.append(id);
        }
    }
    for (int id : std::as_const(m_painted)) {
        if (!shown.contains(id))
            m_access->setDwellMark(id, -1);
    }
    m_painted = shown;
}

bool DwellController::holdSuggestions()
{
    if (!m_on)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (m_tracker.inProgress(kFirstSuggestion + i)) {
            m_held = true;
            return true;
        }
    }
    return false;
}

void DwellController::releaseSuggestions()
{
    // The refresh waits for a selection on its way: it must click the word
    // the user dwelt on.
    if (!m_held || m_selecting > 0)
        return;
    for (int i = 0; i < 4; ++i) {
        if (m_on && m_tracker.inProgress(kFirstSuggestion + i))
            return;
    }
    m_held = false;
    m_face->refreshSuggestions();
}
