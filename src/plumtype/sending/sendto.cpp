// Typing into other programs from the main window: the "[send]" key and its
// menu item, live typing after every key, and a window that keeps its hands
// off the keyboard focus while it types.
#include "sending/programtyping.h"

#include "access/access.h"
#include "access/switches.h"
#include "keyinjection.h"
#include "sending/passwordshield.h"
#include "windowface.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

using HandsFree::Id;

namespace {

const QString kOnClipboard =
        QStringLiteral("Your text has been put on the clipboard: Plumtype cannot type into the "
                       "program you are using.\r\nUse paste in that program to place it there.");
const QString kNoProgram =
        QStringLiteral("Plumtype could not find the program to type into. Click in that "
                       "program, then send your text again.");
const QString kNotTyped =
        QStringLiteral("Your text could not be typed into the other program. It is still here.");
const QString kLiveUnreachable =
        QStringLiteral("Plumtype cannot type into the program you are using as you write. Your "
                       "typing stays here: Send puts it on the clipboard for you to paste.");

// The switch keys that scanning grabs would catch the keys typed here: they
// are let go while Plumtype types.
class GrabsAside
{
public:
    explicit GrabsAside(HandsFreeAccess *access)
        : m_inputs(access ? access->scan()->switchInputs() : nullptr)
    {
        if (m_inputs)
            m_inputs->setTyping(true);
    }
    ~GrabsAside()
    {
        if (m_inputs)
            m_inputs->setTyping(false);
    }
    GrabsAside(const GrabsAside &) = delete;
    GrabsAside &operator=(const GrabsAside &) = delete;

private:
    SwitchInputs *m_inputs;
};

} // namespace

// ---- ProgramTyping ----

ProgramTyping::ProgramTyping(WindowFace *face, HandsFreeAccess *access)
    : QObject(face->window()), m_face(face), m_access(access)
{
    connect(access, &HandsFreeAccess::settingsChanged, this, &ProgramTyping::apply);
    connect(face, &WindowFace::windowAdded, this, &ProgramTyping::keepFocusOff);
    // The program to type into is the one that takes the focus from us, or
    // that the user moves to meanwhile.
    m_noteFocus.setSingleShot(true);
    m_noteFocus.setInterval(50);
    connect(&m_noteFocus, &QTimer::timeout, this, [this] {
        if (!m_face->isClosing())
            sender()->noteFocus();
    });
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    noteFocusSoon();
            });
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() == u"xcb" && x11 && x11->display()) {
        m_rootWindow = DefaultRootWindow(x11->display());
        m_activeWindowAtom = XInternAtom(x11->display(), "_NET_ACTIVE_WINDOW", False);
        qApp->installNativeEventFilter(this);
    }
    // The pointer coming over the keyboard: the focus is still where the
    // user was writing.
    face->window()->installEventFilter(this);
    connect(qGuiApp, &QCoreApplication::aboutToQuit, this, &ProgramTyping::releaseAll);
    connect(face, &WindowFace::closing, this, &ProgramTyping::releaseAll);
    apply();
    m_shield = new PasswordShield(face, access, this);
}

ProgramTyping::~ProgramTyping()
{
    qApp->removeNativeEventFilter(this);
    releaseAll();
}

KeySender *ProgramTyping::sender()
{
    const int backend = m_access->settings().value(Id::SendBackend);
    if (!m_sender || backend != m_senderBackend) {
        if (m_sender)
            m_sender->releaseAll();
        m_sender = makeSender(static_cast<KeySender::Backend>(backend));
        m_senderBackend = backend;
        m_sender->noteFocus();
    }
    return m_sender.get();
}

void ProgramTyping::setSender(std::unique_ptr<KeySender> sender)
{
    if (m_sender)
        m_sender->releaseAll();
    m_sender = std::move(sender);
    m_senderBackend = m_access->settings().value(Id::SendBackend);
}

void ProgramTyping::noteFocusSoon()
{
    // The desktop names the new focus a moment later; a burst of changes
    // is looked at once.
    if (!m_noteFocus.isActive())
        m_noteFocus.start();
}

bool ProgramTyping::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t"
        || (static_cast<const xcb_generic_event_t *>(message)->response_type & 0x7f)
                   != XCB_PROPERTY_NOTIFY)
        return false;
    const auto *notify = static_cast<const xcb_property_notify_event_t *>(message);
    if (notify->window == m_rootWindow && notify->atom == m_activeWindowAtom)
        noteFocusSoon();
    return false;
}

bool ProgramTyping::eventFilter(QObject *watched, QEvent *event)
{
    // Nothing stays held down while the window is away.
    QWidget *window = m_face->window();
    if (watched == window && event->type() == QEvent::Hide)
        releaseAll();
    if (watched == window && event->type() == QEvent::Enter && !m_face->isClosing()
        && qGuiApp->applicationState() != Qt::ApplicationActive)
        sender()->noteFocus();
    return QObject::eventFilter(watched, event);
}

void ProgramTyping::apply()
{
    const bool live = m_access->settings().on(Id::LiveTyping);
    if (m_sender && m_access->settings().value(Id::SendBackend) != m_senderBackend) {
        m_sender->releaseAll();
        m_sender.reset();
    }
    if (live == m_live)
        return;
    m_live = live;
    // What is in the typing area now stays here: only what is typed from now
    // on goes to the other program.
    m_sent = m_face->text();
    m_toldUnreachable = false;
    if (!live)
        releaseAll();
    setNoFocus(live);
    // The sender is made now, not at the first key: a virtual keyboard needs
    // a moment before the desktop takes its keys.
    if (live)
        sender();
}

void ProgramTyping::setNoFocus(bool on)
{
    if (on == m_noFocus)
        return;
    m_noFocus = on;
    // An always-on-top tool window that is never activated: the program being
    // typed into keeps the focus while the keys are clicked.
    QWidget *w = m_face->window();
    const bool visible = w->isVisible();
    const QPoint place = w->pos();
    Qt::WindowFlags flags = w->windowFlags() & ~Qt::WindowType_Mask;
    flags |= on ? Qt::Tool : Qt::Window;
    flags.setFlag(Qt::WindowDoesNotAcceptFocus, on);
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    w->setAttribute(Qt::WA_ShowWithoutActivating, on);
    w->setWindowFlags(flags);
    m_face->setFocusTaking(!on);
    if (visible) {
        w->move(place);
        w->show();
    }
    // The windows that keys open (the saved-text picker, the settings) take
    // no focus either.
    for (QWidget *window : m_face->windows())
        keepFocusOff(window);
}

void ProgramTyping::keepFocusOff(QWidget *window)
{
    if (!window || window->testAttribute(Qt::WA_ShowWithoutActivating) == m_noFocus)
        return;
    const bool visible = window->isVisible();
    window->setAttribute(Qt::WA_ShowWithoutActivating, m_noFocus);
    window->setWindowFlag(Qt::WindowDoesNotAcceptFocus, m_noFocus);
    window->setWindowFlag(Qt::WindowStaysOnTopHint, m_noFocus);
    if (visible)
        window->show();
}

void ProgramTyping::sync()
{
    if (!m_live || m_sending || m_face->typingAreaBusy())
        return;
    const QString now = m_face->text();
    if (now != m_sent) {
        KeySender *s = sender();
        if (s->reachesPrograms() && !liveAccess(s)) {
            // Held back until the desktop allows typing.
        } else if (!s->reachesPrograms()) {
            m_sent = now;
            if (!m_toldUnreachable) {
                m_toldUnreachable = true;
                m_face->okayPrompt(kLiveUnreachable);
            }
        } else {
            const KeyInjection::Change change = KeyInjection::liveChange(m_sent, now);
            m_sending = true;
            const GrabsAside aside(m_access);
            if (change.backspaces > 0)
                s->backspace(change.backspaces);
            if (!change.text.isEmpty())
                s->type(change.text);
            m_sending = false;
            // Whatever arrived, the record follows the typing area: a key
            // that failed is not sent again with the next one.  What went
            // into a password field shows as dots.
            m_sent = m_shield->sent(m_sent, change);
        }
    }
    if (!m_face->isClosing() && m_live)
        m_face->putCaretAtEnd();
}

void ProgramTyping::forget()
{
    m_sent.clear();
}

void ProgramTyping::send()
{
    if (m_sending)
        return;
    m_shield->sendUsed();
    KeySender *s = sender();
    const QString text = m_face->text();
    if (m_live && s->reachesPrograms()) {
        // Live typing has sent it all already, once the desktop allows it.
        if (!awaitAccess(s))
            return;
        sync();
        m_face->learnAtCommit();
        m_sent.clear();
        m_face->setText(QString());
        m_face->learnFrom(QString());
        return;
    }
    if (text.isEmpty() || !awaitAccess(s))
        return;
    if (!s->reachesPrograms()) {
        s->type(text);
        if (!m_shield->intoPassword())
            m_face->learnAtCommit();
        m_face->okayPrompt(kOnClipboard);
        return;
    }
    m_sending = true;
    const bool focused = s->restoreFocus();
    bool typed = false;
    if (focused) {
        const GrabsAside aside(m_access);
        typed = s->type(text);
    }
    m_sending = false;
    if (!focused || !typed) {
        m_face->okayPrompt(focused ? kNotTyped : kNoProgram);
        return;
    }
    // Nothing that went into a password field is learned.
    if (!m_shield->intoPassword())
        m_face->learnAtCommit();
    m_sent.clear();
    m_face->setText(QString());
    m_face->learnFrom(QString());
}

void ProgramTyping::releaseAll()
{
    if (m_sender)
        m_sender->releaseAll();
}
