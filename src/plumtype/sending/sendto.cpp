// Typing into other programs from the main window: the "[send]" key and its
// menu item, live typing after every key, and a window that keeps its hands
// off the keyboard focus while it types.
#include "sending/programtyping.h"

#include "sending/focuskeeper.h"

#include "access/access.h"
#include "access/switches.h"
#include "keyinjection.h"
#include "sending/passwordshield.h"
#include "windowface.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

using HandsFree::Id;

namespace {

const QString kOnClipboard =
        QStringLiteral("Your text has been put on the clipboard: Plumtype cannot type into the "
                       "program you are using.\r\nUse paste in that program to place it there.");
const QString kPlumtypeHasFocus =
        QStringLiteral("Plumtype has the keyboard focus, so your text was not sent. Click in the "
                       "program you want to write in, then press Send again.");
const QString kNoProgram =
        QStringLiteral("There is no program to send your text to, so it was not sent. Click in "
                       "the program you want to write in, then press Send again.");
const QString kCannotTell =
        QStringLiteral("Plumtype cannot tell which program has the keyboard focus on this "
                       "desktop, so your text was not typed. It is on the clipboard: paste it in "
                       "the program you want to write in.");
const QString kLivePlumtypeHasFocus =
        QStringLiteral("Plumtype has the keyboard focus, so what you write is not sent. Click in "
                       "the program you want to write in: your next key sends it there.");
const QString kLiveNoProgram =
        QStringLiteral("There is no program to send what you write to. Click in the program you "
                       "want to write in: your next key sends it there.");
const QString kLiveCannotTell =
        QStringLiteral("Plumtype cannot tell which program has the keyboard focus on this "
                       "desktop, so what you write is not sent. Send puts it on the clipboard for "
                       "you to paste.");
const QString kNotTyped =
        QStringLiteral("Your text could not be typed into the other program. It is still here.");
const QString kLiveUnreachable =
        QStringLiteral("Plumtype cannot type into the program you are using as you write. Your "
                       "typing stays here: Send puts it on the clipboard for you to paste.");

// The characters a layout lacks, as the user is told them: ten at most.
QString listed(const QStringList &characters)
{
    constexpr qsizetype kShown = 10;
    QString list = characters.mid(0, kShown).join(u' ');
    if (characters.size() > kShown)
        list += QStringLiteral(" and others");
    return list;
}

// Why Send kept the text, or (live) why what is written waits.
QString lacking(const QStringList &characters, bool send)
{
    const bool one = characters.size() == 1;
    const QString it = one ? QStringLiteral("it") : QStringLiteral("them");
    const QString out =
            one ? QStringLiteral("the character out") : QStringLiteral("the characters out");
    const QString cannot = QStringLiteral("Your keyboard layout has no key for %1, so Plumtype "
                                          "cannot type %2 into the other program. ")
                                   .arg(listed(characters), it);
    if (send)
        return cannot
               + QStringLiteral("Your text is still here. Add a keyboard layout that has %1 in "
                                "your desktop's settings, or take %2, then press Send again.")
                         .arg(it, out);
    return cannot
           + QStringLiteral("What you write waits here until you take %1 or add a keyboard "
                            "layout that has %2 in your desktop's settings: your next key then "
                            "sends it.")
                     .arg(out, it);
}

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
    m_focus = new FocusKeeper(face);
    connect(m_focus, &FocusKeeper::clickedAway, this, &ProgramTyping::giveFocusBack);
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
    m_toldFocus = false;
    m_toldMissing = false;
    if (!live)
        releaseAll();
    m_focus->setLive(live);
    // The sender is made now, not at the first key: a virtual keyboard needs
    // a moment before the desktop takes its keys.
    if (live)
        sender();
}

void ProgramTyping::keepFocusOff(QWidget *window)
{
    m_focus->follow(window);
}

void ProgramTyping::giveFocusBack()
{
    if (m_sending || m_face->isClosing())
        return;
    KeySender *s = sender();
    if (s->reachesPrograms())
        s->restoreFocus();
}

bool ProgramTyping::readyToType(KeySender *s, bool always)
{
    const KeySender::Focus focus = s->focusTarget();
    if (focus == KeySender::Focus::Target) {
        m_focus->letGo();
        m_toldFocus = false;
        return true;
    }
    if (!always && m_toldFocus)
        return false;
    // Told until keys reach the program again.
    m_toldFocus = true;
    QString message;
    switch (focus) {
    case KeySender::Focus::Plumtype:
        message = always ? kPlumtypeHasFocus : kLivePlumtypeHasFocus;
        break;
    case KeySender::Focus::Unknown:
        message = always ? kCannotTell : kLiveCannotTell;
        break;
    default:
        message = always ? kNoProgram : kLiveNoProgram;
        break;
    }
    if (always && focus == KeySender::Focus::Unknown) {
        QString text = m_face->text();
#ifndef Q_OS_WIN
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
        QGuiApplication::clipboard()->setText(text);
    }
    m_face->okayPrompt(message);
    return false;
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
            m_sending = true;
            // Keys that cannot reach the program are not typed (they could
            // land in Plumtype's own typing area); the record stays, so the
            // next key sends them where the user writes.
            const KeyInjection::Change change = KeyInjection::liveChange(m_sent, now);
            if (const QStringList missing = s->missingCharacters(change.text); !missing.isEmpty()) {
                // A key the layout cannot type is not typed, nor anything
                // after it: the record stays what the program has, so that
                // once the character is taken out (or the layout has it) the
                // next key sends all that waits.  Told once until then.
                if (!m_toldMissing) {
                    m_toldMissing = true;
                    m_face->okayPrompt(lacking(missing, false));
                }
            } else if (readyToType(s, false)) {
                m_toldMissing = false;
                const GrabsAside aside(m_access);
                if (change.backspaces > 0)
                    s->backspace(change.backspaces);
                if (!change.text.isEmpty())
                    s->type(change.text);
                // Whatever arrived, the record follows the typing area: a
                // key that failed is not sent again with the next one.
                // What went into a password field shows as dots.
                m_sent = m_shield->sent(m_sent, change);
            }
            m_sending = false;
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
        // Live typing has sent it all already, once the desktop allows it,
        // unless the keys could not reach the program: then they go now, or
        // Send says why not.
        if (!awaitAccess(s))
            return;
        if (text != m_sent) {
            if (const QStringList missing =
                        s->missingCharacters(KeyInjection::liveChange(m_sent, text).text);
                !missing.isEmpty()) {
                m_face->okayPrompt(lacking(missing, true));
                return;
            }
            m_sending = true;
            const bool ready = readyToType(s, true);
            m_sending = false;
            if (!ready)
                return;
            sync();
            if (m_face->text() != m_sent)
                return;
        }
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
    // Nothing goes when the layout lacks a character: the text stays whole.
    if (const QStringList missing = s->missingCharacters(text); !missing.isEmpty()) {
        m_face->okayPrompt(lacking(missing, true));
        return;
    }
    m_sending = true;
    const bool ready = readyToType(s, true);
    bool typed = false;
    if (ready) {
        const GrabsAside aside(m_access);
        typed = s->type(text);
    }
    m_sending = false;
    if (!ready)
        return;
    if (!typed) {
        m_face->okayPrompt(kNotTyped);
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
