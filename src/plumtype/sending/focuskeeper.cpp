// Plumtype's windows and the keyboard focus: see focuskeeper.h.
#include "sending/focuskeeper.h"

#include "desktopsession.h"
#include "windowface.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QList>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>
#include <QWindow>

// X headers last: they define macros (None, Bool, Status) that Qt's clash with.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

Display *xDisplay()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

// Qt offers every X window WM_TAKE_FOCUS.  With it, a window manager that
// sees an input hint of false still hands the window the focus and leaves
// it to the window to take: it is taken out before the window is mapped.
void dropTakeFocus(QWidget *window)
{
    Display *display = xDisplay();
    if (!display || !window->testAttribute(Qt::WA_WState_Created))
        return;
    const Window id = Window(window->winId());
    Atom *protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(display, id, &protocols, &count))
        return;
    const Atom takeFocus = XInternAtom(display, "WM_TAKE_FOCUS", False);
    QList<Atom> kept;
    for (int i = 0; i < count; ++i) {
        if (protocols[i] != takeFocus)
            kept.append(protocols[i]);
    }
    if (kept.size() != count)
        XSetWMProtocols(display, id, kept.data(), int(kept.size()));
    XFree(protocols);
    XFlush(display);
}

// The flags are given to the native window as it is: a window made anew
// would be placed and sized again by the window manager, which reloads the
// keyboard and starts a scan over under the user's switch.
void setFlags(QWidget *window, bool noFocus, bool onTop)
{
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowDoesNotAcceptFocus, noFocus);
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    window->setAttribute(Qt::WA_ShowWithoutActivating, noFocus);
    if (flags == window->windowFlags())
        return;
    QWindow *handle = window->windowHandle();
    if (handle && window->testAttribute(Qt::WA_WState_Created)) {
        window->overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        window->setWindowFlags(flags);
    }
}

bool inside(const QWidget *area, const QObject *object)
{
    if (!area || !object || !object->isWidgetType())
        return false;
    const auto *w = static_cast<const QWidget *>(object);
    return w == area || area->isAncestorOf(w);
}

// A field a keyboard writes in (the typing area, the editor's key text),
// or a part of one.
bool inTextField(const QObject *object)
{
    for (const QObject *o = object; o && o->isWidgetType(); o = o->parent()) {
        const auto *w = static_cast<const QWidget *>(o);
        if (const auto *edit = qobject_cast<const QPlainTextEdit *>(w))
            return !edit->isReadOnly();
        if (const auto *edit = qobject_cast<const QTextEdit *>(w))
            return !edit->isReadOnly();
        if (const auto *edit = qobject_cast<const QLineEdit *>(w))
            return !edit->isReadOnly();
        if (qobject_cast<const QAbstractSpinBox *>(w))
            return true;
        if (w->isWindow())
            break;
    }
    return false;
}

} // namespace

FocusKeeper::FocusKeeper(WindowFace *face)
    : QObject(face->window()),
      m_face(face),
      m_onX(QGuiApplication::platformName() == u"xcb" && xDisplay())
{
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                // The user went to another program.
                if (state != Qt::ApplicationActive)
                    m_holding = false;
            });
    qApp->installEventFilter(this);
    m_keepsOff = DesktopSession::keepsFocusOff(QGuiApplication::platformName(), m_live);
    apply(face->window());
    for (QWidget *window : face->windows())
        apply(window);
}

void FocusKeeper::setLive(bool live)
{
    m_live = live;
    m_keepsOff = DesktopSession::keepsFocusOff(QGuiApplication::platformName(), live);
    if (live)
        m_holding = false;
    apply(m_face->window());
    for (QWidget *window : m_face->windows())
        apply(window);
    // The typing area and Speak take no focus of their own while live
    // typing is on: a keyboard writes straight into the other program.
    m_face->setFocusTaking(!live);
}

void FocusKeeper::follow(QWidget *window)
{
    if (window)
        apply(window);
}

void FocusKeeper::apply(QWidget *window)
{
    if (!window)
        return;
    setFlags(window, m_keepsOff, m_live);
    if (m_onX && m_keepsOff)
        dropTakeFocus(window);
}

bool FocusKeeper::wantsKeyboard(const QObject *clicked) const
{
    if (m_face->isClosing() || !clicked->isWidgetType()
        || !m_face->ownWindow(static_cast<const QWidget *>(clicked)->window()))
        return false;
    // While live typing is on a keyboard writes straight into the program.
    if (m_live && inside(m_face->typingArea(), clicked))
        return false;
    return inTextField(clicked);
}

void FocusKeeper::takeFocus(QWidget *window)
{
    m_holding = true;
    if (m_onX && m_keepsOff) {
        // No window manager hands this window the focus: it takes it.
        XSetInputFocus(xDisplay(), Window(window->winId()), RevertToParent, CurrentTime);
        XFlush(xDisplay());
    } else {
        window->activateWindow();
    }
}

bool FocusKeeper::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::WinIdChange:
    case QEvent::Show: {
        // Every window that refuses the focus, made anew or about to be
        // mapped, drops WM_TAKE_FOCUS.
        if (!m_onX || !watched->isWidgetType())
            break;
        auto *w = static_cast<QWidget *>(watched);
        if (w->isWindow() && w->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus))
            dropTakeFocus(w);
        break;
    }
    case QEvent::MouseButtonPress:
        if (wantsKeyboard(watched))
            takeFocus(static_cast<QWidget *>(watched)->window());
        break;
    case QEvent::MouseButtonRelease: {
        if (!watched->isWidgetType() || m_holding || m_face->isClosing())
            break;
        const auto *w = static_cast<const QWidget *>(watched);
        if (!m_face->ownWindow(w->window()) || wantsKeyboard(watched))
            break;
        // Once, after the click has done its work (a release the widget
        // leaves unaccepted comes by again for each of its parents).
        if (m_awayQueued)
            break;
        m_awayQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_awayQueued = false;
            if (!m_holding && !m_face->isClosing())
                emit clickedAway();
        });
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
