// Typing into X11 programs (and XWayland ones) through XTest.  The keyboard
// layout is read through XKB before every run of keys, so a layout switched
// meanwhile is typed correctly; characters the current group lacks go on
// spare keycodes (keycodes without keysyms) for a moment.

#include "sending/sender.h"

#include "desktopsession.h"
#include "keyinjection.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QSet>
#include <QThread>
#include <QWindow>

#include <bit>
#include <cstdlib>
#include <unistd.h>

// X headers last: they define macros (None, Bool, Status) that Qt's clash with.
#include "xerrortrap.h"
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

using namespace KeyInjection;

namespace {

constexpr int kFocusWaitMs = 300;

// How long a spare keycode keeps its keysym after its last press.  A
// program reads the keymap again when told it changed, and then gets the
// newest one: were the keycode bound anew before it has read its earlier
// presses, it would read them with the new keysym.  On a busy machine
// programs fall behind, so the hold grows with the load.
int spareHoldNow()
{
    double load = -1;
    getloadavg(&load, 1);
    return spareHoldMs(load, QThread::idealThreadCount());
}

qint64 steadyMs()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

bool isModifierKeysym(KeySym sym)
{
    switch (sym) {
    case XK_Shift_L:
    case XK_Shift_R:
    case XK_Control_L:
    case XK_Control_R:
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
    case XK_Super_L:
    case XK_Super_R:
    case XK_Hyper_L:
    case XK_Hyper_R:
    case XK_ISO_Level3_Shift:
    case XK_ISO_Level5_Shift:
        return true;
    default:
        return false;
    }
}

class X11Sender : public KeySender
{
public:
    X11Sender(Display *display, bool ownDisplay);
    ~X11Sender() override;

    QString name() const override { return QStringLiteral("X11"); }
    bool isReady() const override { return m_xkb != nullptr; }
    bool type(const QString &text) override;
    bool backspace(int count) override;
    std::optional<QSet<quint32>> layoutKeysyms() override;
    void releaseAll() override;
    void noteFocus() override;
    bool restoreFocus() override { return focusTarget() == Focus::Target; }
    Focus focusTarget() override;
    qint64 targetProcess() override;
    // In a Wayland session the keys reach only XWayland programs: not when
    // the program written in is a native one (no X window has the focus).
    bool reachesPrograms() const override;

private:
    bool readLayout();
    bool run(const Plan &plan, const Held &held);
    void giveBackSpares();
    Window activeWindow();
    // The X input focus is in a window of Plumtype.
    bool inputFocusIsOurs();
    bool wmSupports(Atom atom);
    bool isOurs(Window window);
    qint64 processOf(Window window);
    qint64 pidOf(Window window);
    Window parentOf(Window window);
    Keyboard keyboard() const;
    Held heldModifiers();

    Display *m_display;
    bool m_ownDisplay;
    XkbDescPtr m_xkb = nullptr;
    SparePool m_pool;
    QHash<quint32, Position> m_positions; // keysym -> key and level in the current group
    quint32 m_modifierKeys[8] = {};
    QSet<quint32> m_down; // keys this sender pressed and has not released
    Window m_target = 0;  // the program to type into
    const bool m_waylandSession = DesktopSession::isWaylandSession(DesktopSession::fromProcess());
    Atom m_activeAtom;
    Atom m_supportedAtom;
    Atom m_pidAtom;
};

X11Sender::X11Sender(Display *display, bool ownDisplay)
    : m_display(display), m_ownDisplay(ownDisplay)
{
    m_activeAtom = XInternAtom(m_display, "_NET_ACTIVE_WINDOW", False);
    m_supportedAtom = XInternAtom(m_display, "_NET_SUPPORTED", False);
    m_pidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
    if (!readLayout())
        return;
    // Spare keycodes: every one that carries no keysym, highest first, so
    // that a long run of missing characters rarely binds a keycode anew.
    QList<quint32> spares;
    for (int kc = m_xkb->max_key_code; kc >= m_xkb->min_key_code; --kc) {
        if (XkbKeyNumSyms(m_xkb, kc) == 0)
            spares.append(quint32(kc));
    }
    m_pool = SparePool(spares, spareHoldNow());
}

X11Sender::~X11Sender()
{
    // Qt's connection is gone once the application is.
    if (!m_ownDisplay && !qGuiApp)
        return;
    releaseAll();
    if (m_xkb)
        XkbFreeKeyboard(m_xkb, 0, True);
    if (m_ownDisplay)
        XCloseDisplay(m_display);
}

// The layout and the current group, and where every keysym of that group
// sits: the key and the level with the fewest modifiers.
bool X11Sender::readLayout()
{
    if (m_xkb)
        XkbFreeKeyboard(m_xkb, 0, True);
    m_xkb = XkbGetMap(m_display, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask,
                      XkbUseCoreKbd);
    if (!m_xkb)
        return false;
    XkbStateRec state;
    XkbGetState(m_display, XkbUseCoreKbd, &state);

    // A new layout empties the spare keycodes, or someone else bound them.
    for (quint32 kc : m_pool.keycodes()) {
        const bool hasSyms = XkbKeyNumSyms(m_xkb, kc) > 0;
        m_pool.setBound(kc, hasSyms ? quint32(XkbKeySymEntry(m_xkb, kc, 0, 0)) : 0);
    }
    m_positions.clear();
    std::fill(std::begin(m_modifierKeys), std::end(m_modifierKeys), 0u);
    auto cost = [](unsigned mask) { return std::popcount(mask) + ((mask & LockMask) ? 8 : 0); };
    for (int kc = m_xkb->min_key_code; kc <= m_xkb->max_key_code; ++kc) {
        const int groups = XkbKeyNumGroups(m_xkb, kc);
        if (groups == 0 || m_pool.contains(quint32(kc)))
            continue;
        int group = state.group;
        if (group >= groups) {
            const unsigned char info = XkbKeyGroupInfo(m_xkb, kc);
            switch (XkbOutOfRangeGroupAction(info)) {
            case XkbClampIntoRange:
                group = groups - 1;
                break;
            case XkbRedirectIntoRange:
                group = XkbOutOfRangeGroupNumber(info);
                if (group >= groups)
                    group = 0;
                break;
            default:
                group %= groups;
                break;
            }
        }
        const XkbKeyTypePtr type = XkbKeyKeyType(m_xkb, kc, group);
        for (int level = 0; level < type->num_levels; ++level) {
            const KeySym sym = XkbKeySymEntry(m_xkb, kc, level, group);
            if (sym == NoSymbol)
                continue;
            int best = -1;
            unsigned mask = 0;
            if (level == 0) {
                best = 0;
            } else {
                for (int i = 0; i < type->map_count; ++i) {
                    const XkbKTMapEntryRec &entry = type->map[i];
                    if (entry.active && entry.level == level
                        && (best < 0 || cost(entry.mods.mask) < best)) {
                        best = cost(entry.mods.mask);
                        mask = entry.mods.mask;
                    }
                }
            }
            if (best < 0)
                continue;
            auto it = m_positions.find(quint32(sym));
            if (it == m_positions.end() || cost(it->modifiers) > best)
                m_positions.insert(quint32(sym), { quint32(kc), mask });
        }
        // A key that sets a modifier when pressed on its own.
        const unsigned char modmap = m_xkb->map->modmap[kc];
        if (modmap && isModifierKeysym(XkbKeySymEntry(m_xkb, kc, 0, 0))) {
            for (int bit = 0; bit < 8; ++bit) {
                if ((modmap & (1u << bit)) && m_modifierKeys[bit] == 0)
                    m_modifierKeys[bit] = quint32(kc);
            }
        }
    }
    return true;
}

Keyboard X11Sender::keyboard() const
{
    Keyboard k;
    k.keysymOf = [](char32_t c) { return quint32(xkb_utf32_to_keysym(c)); };
    k.find = [this](quint32 keysym) { return m_positions.value(keysym); };
    k.modifierKey = [this](int bit) { return m_modifierKeys[bit]; };
    return k;
}

// Under XWayland the X keymap is the desktop's own: the compositor keeps it
// in step with the layout the user chose.  Spare keycodes bound by this
// sender are not part of it.
std::optional<QSet<quint32>> X11Sender::layoutKeysyms()
{
    if (!readLayout())
        return std::nullopt;
    return QSet<quint32>(m_positions.keyBegin(), m_positions.keyEnd());
}

// Modifier keys that are down now.
Held X11Sender::heldModifiers()
{
    Held held;
    char keys[32];
    XQueryKeymap(m_display, keys);
    for (int kc = m_xkb->min_key_code; kc <= m_xkb->max_key_code; ++kc) {
        if ((keys[kc / 8] & (1 << (kc % 8))) && m_xkb->map->modmap[kc] != 0)
            held.keys.append(quint32(kc));
    }
    return held;
}

bool X11Sender::type(const QString &text)
{
    if (!readLayout())
        return false;
    m_pool.setHoldMs(spareHoldNow());
    const Held held = heldModifiers();
    return run(planText(text, keyboard(), held, &m_pool, steadyMs()), held);
}

bool X11Sender::backspace(int count)
{
    if (count <= 0)
        return true;
    if (!readLayout())
        return false;
    m_pool.setHoldMs(spareHoldNow());
    const Held held = heldModifiers();
    return run(
            planKeysyms(QList<quint32>(count, kBackSpace), keyboard(), held, &m_pool, steadyMs()),
            held);
}

// The plan begins by releasing the held modifier keys and ends by pressing
// them again.  XTest can only release what it pressed itself: a key the user
// holds on a real keyboard stays down, and it is not pressed again either, or
// it would stay down after the user lets it go.
bool X11Sender::run(const Plan &plan, const Held &held)
{
    // Latched and locked modifiers (Caps Lock, a latched Shift) would change
    // the levels: they are cleared for the run and put back after it.  Num
    // Lock only touches the keypad, which typing does not use.
    XkbStateRec state;
    XkbGetState(m_display, XkbUseCoreKbd, &state);
    const unsigned numLock = XkbKeysymToModifiers(m_display, XK_Num_Lock);
    const unsigned locked = state.locked_mods & ~numLock;
    const unsigned latched = state.latched_mods;
    if (locked)
        XkbLockModifiers(m_display, XkbUseCoreKbd, locked, 0);
    if (latched)
        XkbLatchModifiers(m_display, XkbUseCoreKbd, latched, 0);

    const qsizetype heldCount = held.keys.size();
    QSet<quint32> stillDown;
    for (qsizetype i = 0; i < plan.events.size(); ++i) {
        const Event &e = plan.events.at(i);
        if (i == heldCount && heldCount > 0) {
            char keys[32];
            XQueryKeymap(m_display, keys);
            for (quint32 kc : held.keys) {
                if (keys[kc / 8] & (1 << (kc % 8)))
                    stillDown.insert(kc);
            }
        }
        if (i >= plan.events.size() - heldCount && stillDown.contains(e.keycode))
            continue;
        switch (e.type) {
        case Event::Press:
            XTestFakeKeyEvent(m_display, e.keycode, True, CurrentTime);
            m_down.insert(e.keycode);
            break;
        case Event::Release:
            XTestFakeKeyEvent(m_display, e.keycode, False, CurrentTime);
            m_down.remove(e.keycode);
            break;
        case Event::Bind: {
            KeySym syms[2] = { KeySym(e.keysym), KeySym(e.keysym) };
            XChangeKeyboardMapping(m_display, int(e.keycode), 2, syms, 1);
            break;
        }
        case Event::Wait:
            XSync(m_display, False);
            QThread::msleep(e.ms);
            break;
        }
    }
    // Held modifiers pressed again by the plan are the user's, not ours.
    m_down.clear();
    if (latched)
        XkbLatchModifiers(m_display, XkbUseCoreKbd, latched, latched);
    if (locked)
        XkbLockModifiers(m_display, XkbUseCoreKbd, locked, locked);
    XSync(m_display, False);
    m_pool.sent(steadyMs());
    return true;
}

void X11Sender::giveBackSpares()
{
    const QList<quint32> bound = m_pool.bound();
    if (bound.isEmpty())
        return;
    if (const int wait = m_pool.msUntilFree(steadyMs()); wait > 0)
        QThread::msleep(wait);
    for (quint32 kc : bound) {
        KeySym none[2] = { NoSymbol, NoSymbol };
        XChangeKeyboardMapping(m_display, int(kc), 2, none, 1);
    }
    m_pool.clear();
}

void X11Sender::releaseAll()
{
    for (quint32 kc : std::as_const(m_down))
        XTestFakeKeyEvent(m_display, kc, False, CurrentTime);
    m_down.clear();
    giveBackSpares();
    XSync(m_display, False);
}

bool X11Sender::wmSupports(Atom atom)
{
    Atom type;
    int format;
    unsigned long count = 0, after;
    unsigned char *data = nullptr;
    bool found = false;
    if (XGetWindowProperty(m_display, DefaultRootWindow(m_display), m_supportedAtom, 0, 4096, False,
                           XA_ATOM, &type, &format, &count, &after, &data)
                == Success
        && data && format == 32) {
        const auto *atoms = reinterpret_cast<const Atom *>(data);
        found = std::find(atoms, atoms + count, atom) != atoms + count;
    }
    if (data)
        XFree(data);
    return found;
}

// The window with the focus: the window manager's active window when it
// keeps one, else the X input focus; 0 for none.
Window X11Sender::activeWindow()
{
    if (wmSupports(m_activeAtom)) {
        Atom type;
        int format;
        unsigned long count = 0, after;
        unsigned char *data = nullptr;
        Window active = 0;
        if (XGetWindowProperty(m_display, DefaultRootWindow(m_display), m_activeAtom, 0, 1, False,
                               XA_WINDOW, &type, &format, &count, &after, &data)
                    == Success
            && data && count == 1 && format == 32)
            active = *reinterpret_cast<const Window *>(data);
        if (data)
            XFree(data);
        return active;
    }
    Window focus = 0;
    int revert;
    XGetInputFocus(m_display, &focus, &revert);
    return focus == PointerRoot ? 0 : focus;
}

// A window of this process: marked with our process id, or one of Qt's
// windows (or inside one) when Qt itself runs on X.
bool X11Sender::isOurs(Window window)
{
    XErrorTrap trap(m_display);
    QSet<Window> ours;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        for (QWindow *w : QGuiApplication::allWindows()) {
            if (w->handle())
                ours.insert(Window(w->winId()));
        }
    }
    for (Window w = window; w != 0; w = parentOf(w)) {
        if (ours.contains(w))
            return true;
        if (pidOf(w) == qint64(getpid()))
            return true;
    }
    return false;
}

void X11Sender::noteFocus()
{
    const Window active = activeWindow();
    if (active && !isOurs(active))
        m_target = active;
    else if (!active && m_waylandSession)
        m_target = 0; // a native Wayland program has it
}

// The process named by _NET_WM_PID of the window or of the nearest window
// above it that has one; 0 for none.
qint64 X11Sender::processOf(Window window)
{
    XErrorTrap trap(m_display);
    for (Window w = window; w != 0; w = parentOf(w)) {
        if (const qint64 pid = pidOf(w); pid > 0)
            return pid;
    }
    return 0;
}

// The window's _NET_WM_PID, 0 for none.
qint64 X11Sender::pidOf(Window window)
{
    Atom type;
    int format;
    unsigned long count = 0, after;
    unsigned char *data = nullptr;
    qint64 pid = 0;
    if (XGetWindowProperty(m_display, window, m_pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data)
                == Success
        && data && count == 1 && format == 32)
        pid = qint64(*reinterpret_cast<const unsigned long *>(data));
    if (data)
        XFree(data);
    return pid;
}

// The window's parent, 0 at the top (or when the window has gone).
Window X11Sender::parentOf(Window window)
{
    Window root = 0, parent = 0;
    Window *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(m_display, window, &root, &parent, &children, &n))
        return 0;
    if (children)
        XFree(children);
    return parent == root ? 0 : parent;
}

qint64 X11Sender::targetProcess()
{
    // The program with the focus gets the keys; while a window of ours has
    // it, the one that restoreFocus gives it back to.
    const Window active = activeWindow();
    const Window target = active && !isOurs(active) ? active : m_target;
    return target ? processOf(target) : 0;
}

bool X11Sender::reachesPrograms() const
{
    if (!m_waylandSession)
        return true;
    auto *self = const_cast<X11Sender *>(this);
    const Window active = self->activeWindow();
    return (active && !self->isOurs(active)) || m_target != 0;
}

bool X11Sender::inputFocusIsOurs()
{
    Window focus = 0;
    int revert;
    XGetInputFocus(m_display, &focus, &revert);
    return focus != 0 && focus != PointerRoot && isOurs(focus);
}

KeySender::Focus X11Sender::focusTarget()
{
    const Window active = activeWindow();
    const bool oursActive = active && isOurs(active);
    if (active && !oursActive && !inputFocusIsOurs()) {
        // Another program has the focus (the user went there, or our window
        // never took it): that one gets the keys.
        m_target = active;
        return Focus::Target;
    }
    const Focus failed = oursActive || inputFocusIsOurs() ? Focus::Plumtype : Focus::Nobody;
    // No program was written in before, or it has gone.
    if (m_target == 0)
        return failed;
    {
        XErrorTrap trap(m_display);
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(m_display, m_target, &attributes) || trap.failed()) {
            m_target = 0;
            return failed;
        }
        if (wmSupports(m_activeAtom)) {
            XEvent event = {};
            event.xclient.type = ClientMessage;
            event.xclient.window = m_target;
            event.xclient.message_type = m_activeAtom;
            event.xclient.format = 32;
            event.xclient.data.l[0] = 2; // asked for by a pager-like tool: the user's wish
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(m_display, DefaultRootWindow(m_display), False,
                       SubstructureRedirectMask | SubstructureNotifyMask, &event);
        } else {
            XSetInputFocus(m_display, m_target, RevertToParent, CurrentTime);
        }
        XFlush(m_display);
    }
    // Typed only once the window manager names the program and the X input
    // focus has left Plumtype: keys sent before would land in Plumtype.
    const qint64 deadline = steadyMs() + kFocusWaitMs;
    while (true) {
        if (activeWindow() == m_target && !inputFocusIsOurs())
            return Focus::Target;
        if (steadyMs() >= deadline)
            return failed;
        QThread::msleep(5);
    }
}

} // namespace

std::unique_ptr<KeySender> makeX11Sender(QString *why)
{
    auto fail = [&](const QString &reason) {
        if (why)
            *why = reason;
        return std::unique_ptr<KeySender>();
    };
    Display *display = nullptr;
    bool own = false;
    if (qGuiApp) {
        if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            display = x11->display();
    }
    if (!display) {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            return fail(QStringLiteral("There is no X display to type into."));
        display = XOpenDisplay(nullptr);
        if (!display)
            return fail(QStringLiteral("The X display could not be opened."));
        own = true;
    }
    int event, error, major, minor;
    int xkbOpcode, xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    const bool hasTest = XTestQueryExtension(display, &event, &error, &major, &minor);
    const bool hasXkb =
            XkbQueryExtension(display, &xkbOpcode, &event, &error, &xkbMajor, &xkbMinor);
    if (!hasTest || !hasXkb) {
        if (own)
            XCloseDisplay(display);
        return fail(QStringLiteral("The X server cannot take typed keys from Plumtype (XTest or "
                                   "XKB is missing)."));
    }
    auto sender = std::make_unique<X11Sender>(display, own);
    if (!sender->isReady())
        return fail(QStringLiteral("The keyboard layout of the X server could not be read."));
    return sender;
}
