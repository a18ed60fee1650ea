// Typing into native Wayland programs on wlroots compositors (sway, wayfire):
// a virtual keyboard (zwp_virtual_keyboard_v1) with a keymap of our own, on a
// connection of our own, so it serves whatever platform Qt itself runs on.
//
// Every character gets a key of its own in the keymap (see VirtualKeymap), so
// nothing depends on the desktop's layout and no modifier is pressed.  A
// keymap is handed over through a memfd, and a roundtrip makes sure the
// compositor has taken it before the first key that needs it: sent
// straight after it, the first character is easily lost.
//
// Where the seat had no keyboard before ours (a tablet, a headless session),
// the compositor announces one when ours is created and every program must
// first ask for it; keys sent before the focused program has done so are
// lost.  That cannot be watched from here, so the first key waits until the
// keyboard is a moment old.
//
// The keys go to whichever window the compositor focused, Plumtype's own
// too: on sway a click on Plumtype focuses it.  So before typing, sway is
// asked which window has the focus, and the program typed into before is
// focused again when it is Plumtype's (SwayFocus).  Elsewhere the sender
// cannot tell, and says so rather than type blind.

#include "sending/sender.h"
#include "sending/swayfocus.h"

#include "virtualkeymap.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <QList>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr uint32_t keyReleased = WL_KEYBOARD_KEY_STATE_RELEASED;
constexpr uint32_t keyPressed = WL_KEYBOARD_KEY_STATE_PRESSED;
// Linux key codes are XKB keycodes less 8.
constexpr int evdevOffset = 8;
// Keys between flushes: a press and a release take 40 bytes, and libwayland
// buffers 4 KiB before it must write to the socket.
constexpr int flushEvery = 32;
constexpr int flushWaitMs = 2000;
// How long programs get to take up a seat's first keyboard.
constexpr int newKeyboardSettleMs = 250;
// How long the compositor gets to move the focus back.
constexpr int focusWaitMs = 300;

qint64 monotonicMs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The keysyms that type `text`: line breaks (LF, CR LF or a lone CR) as
// Return, tabs as Tab; other control characters are dropped.
QList<quint32> keysymsFor(const QString &text)
{
    QList<quint32> keysyms;
    const QList<uint> chars = text.toUcs4();
    keysyms.reserve(chars.size());
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const uint c = chars.at(i);
        if (c == '\r' || c == '\n') {
            keysyms << VirtualKeymap::returnKeysym;
            if (c == '\r' && i + 1 < chars.size() && chars.at(i + 1) == '\n')
                ++i;
        } else if (c == '\t') {
            keysyms << VirtualKeymap::tabKeysym;
        } else if (c >= 0x20 && (c < 0x7f || c >= 0xa0)) {
            keysyms << xkb_utf32_to_keysym(c);
        }
    }
    return keysyms;
}

class WaylandSender final : public KeySender
{
public:
    ~WaylandSender() override;

    bool start(QString *why);

    QString name() const override { return QStringLiteral("Wayland"); }
    bool isReady() const override { return m_ready; }
    QString why() const override { return m_why; }
    bool type(const QString &text) override;
    bool backspace(int count) override;
    void releaseAll() override;
    void noteFocus() override;
    bool restoreFocus() override { return focusTarget() == Focus::Target; }
    Focus focusTarget() override;

private:
    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
                       uint32_t version);
    static void globalRemove(void *, wl_registry *, uint32_t) { }
    static void capabilities(void *data, wl_seat *, uint32_t caps);

    bool upload(const QByteArray &keymap);
    void key(int keycode, uint32_t state);
    bool tap(int keycode, int *sinceFlush);
    bool flush();
    bool roundtrip();
    bool lost();
    bool ready();
    uint32_t now();

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    zwp_virtual_keyboard_manager_v1 *m_manager = nullptr;
    zwp_virtual_keyboard_v1 *m_keyboard = nullptr;
    VirtualKeymap m_keymap;
    QList<int> m_held; // keycodes pressed and not yet released
    uint32_t m_time = 0;
    uint32_t m_seatCapabilities = 0;
    qint64 m_settledAt = 0; // monotonic ms before which no key is sent
    bool m_ready = false;
    QString m_why;
    SwayFocus m_sway;
    qint64 m_target = 0; // the window typed into, by its sway container id
};

WaylandSender::~WaylandSender()
{
    if (m_keyboard) {
        releaseAll();
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
    }
    if (m_manager)
        zwp_virtual_keyboard_manager_v1_destroy(m_manager);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display) {
        wl_display_flush(m_display);
        wl_display_disconnect(m_display);
    }
}

void WaylandSender::global(void *data, wl_registry *registry, uint32_t name, const char *interface,
                           uint32_t version)
{
    auto *self = static_cast<WaylandSender *>(data);
    Q_UNUSED(version);
    if (!self->m_seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
        static const wl_seat_listener seatListener { &capabilities, nullptr };
        self->m_seat =
                static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        wl_seat_add_listener(self->m_seat, &seatListener, self);
    } else if (!self->m_manager
               && std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        self->m_manager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
                wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
}

void WaylandSender::capabilities(void *data, wl_seat *, uint32_t caps)
{
    static_cast<WaylandSender *>(data)->m_seatCapabilities = caps;
}

bool WaylandSender::start(QString *why)
{
    auto fail = [&](const QString &reason) {
        m_why = reason;
        if (why)
            *why = reason;
        return false;
    };
    m_display = wl_display_connect(nullptr);
    if (!m_display)
        return fail(QStringLiteral("Plumtype could not connect to a Wayland compositor."));
    static const wl_registry_listener registryListener { &global, &globalRemove };
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    // The second roundtrip brings the seat's capabilities.
    if (wl_display_roundtrip(m_display) < 0 || wl_display_roundtrip(m_display) < 0)
        return fail(QStringLiteral("The Wayland compositor closed the connection."));
    if (!m_manager)
        return fail(QStringLiteral("This desktop offers programs no virtual keyboard "
                                   "(GNOME and KDE do not), so Plumtype cannot type into "
                                   "its Wayland programs."));
    if (!m_seat)
        return fail(QStringLiteral("The Wayland compositor has no seat to type on."));
    const bool seatHadKeyboard = m_seatCapabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(m_manager, m_seat);
    if (!upload(m_keymap.text())) {
        const wl_interface *culprit = nullptr;
        const uint32_t code = wl_display_get_protocol_error(m_display, &culprit, nullptr);
        if (culprit == &zwp_virtual_keyboard_manager_v1_interface
            && code == ZWP_VIRTUAL_KEYBOARD_MANAGER_V1_ERROR_UNAUTHORIZED)
            return fail(QStringLiteral("The Wayland compositor does not let Plumtype use a "
                                       "virtual keyboard."));
        return fail(QStringLiteral("The Wayland compositor did not take Plumtype's keymap."));
    }
    if (!seatHadKeyboard)
        m_settledAt = monotonicMs() + newKeyboardSettleMs;
    m_ready = true;
    return true;
}

bool WaylandSender::ready()
{
    if (!m_ready)
        return false;
    if (m_settledAt) {
        const qint64 wait = m_settledAt - monotonicMs();
        if (wait > 0)
            poll(nullptr, 0, int(wait));
        m_settledAt = 0;
    }
    return true;
}

uint32_t WaylandSender::now()
{
    const auto ms = uint32_t(monotonicMs());
    // Key times never go back, even when the millisecond counter wraps.
    if (ms > m_time || m_time - ms > 0x80000000u)
        m_time = ms;
    return m_time;
}

bool WaylandSender::upload(const QByteArray &keymap)
{
    const int fd = memfd_create("plumtype-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return false;
    // The compositor reads a NUL-terminated string.
    const QByteArray bytes = keymap + '\0';
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        written += n;
    }
    fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    // libwayland sends a duplicate of the descriptor.
    zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   uint32_t(bytes.size()));
    ::close(fd);
    return roundtrip();
}

void WaylandSender::key(int keycode, uint32_t state)
{
    zwp_virtual_keyboard_v1_key(m_keyboard, now(), uint32_t(keycode - evdevOffset), state);
    if (state == keyPressed)
        m_held.append(keycode);
    else
        m_held.removeOne(keycode);
}

bool WaylandSender::tap(int keycode, int *sinceFlush)
{
    key(keycode, keyPressed);
    key(keycode, keyReleased);
    if (++*sinceFlush < flushEvery)
        return true;
    *sinceFlush = 0;
    return flush();
}

bool WaylandSender::flush()
{
    while (wl_display_flush(m_display) < 0) {
        if (errno != EAGAIN)
            return lost();
        // The compositor is behind: wait until the socket takes more.
        pollfd pfd { wl_display_get_fd(m_display), POLLOUT, 0 };
        const int ready = poll(&pfd, 1, flushWaitMs);
        if (ready == 0 || (ready < 0 && errno != EINTR))
            return lost();
    }
    return true;
}

bool WaylandSender::roundtrip()
{
    return wl_display_roundtrip(m_display) >= 0 || lost();
}

bool WaylandSender::lost()
{
    m_ready = false;
    m_why = QStringLiteral("The connection to the Wayland compositor was lost.");
    return false;
}

bool WaylandSender::type(const QString &text)
{
    if (!ready())
        return false;
    int sinceFlush = 0;
    for (const VirtualKeymap::Run &run : m_keymap.plan(keysymsFor(text))) {
        if (!run.keymap.isEmpty() && (!flush() || !upload(run.keymap)))
            return false;
        for (int keycode : run.keycodes) {
            if (!tap(keycode, &sinceFlush))
                return false;
        }
    }
    return roundtrip();
}

bool WaylandSender::backspace(int count)
{
    if (!ready())
        return false;
    const int keycode = m_keymap.keycode(VirtualKeymap::backSpaceKeysym);
    int sinceFlush = 0;
    for (int i = 0; i < count; ++i) {
        if (!tap(keycode, &sinceFlush))
            return false;
    }
    return roundtrip();
}

void WaylandSender::releaseAll()
{
    if (!m_ready)
        return;
    while (!m_held.isEmpty())
        key(m_held.constLast(), keyReleased);
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, 0, 0, 0, 0);
    flush();
}

void WaylandSender::noteFocus()
{
    if (!m_sway.available())
        return;
    const DesktopSession::Focused f = m_sway.focused();
    if (f.kind == DesktopSession::Focused::Window && f.pid != getpid())
        m_target = f.id;
}

KeySender::Focus WaylandSender::focusTarget()
{
    using DesktopSession::Focused;
    if (!m_sway.available())
        return Focus::Unknown;
    const Focused now = m_sway.focused();
    if (now.kind == Focused::Unreadable)
        return Focus::Unknown;
    const bool ours = now.kind == Focused::Window && now.pid == getpid();
    if (now.kind == Focused::Window && !ours) {
        m_target = now.id;
        return Focus::Target;
    }
    const Focus failed = ours ? Focus::Plumtype : Focus::Nobody;
    if (m_target == 0)
        return failed;
    if (!m_sway.focus(m_target)) {
        m_target = 0; // it has gone
        return failed;
    }
    // Typed only once the compositor has moved the focus.
    const qint64 deadline = monotonicMs() + focusWaitMs;
    while (true) {
        const Focused after = m_sway.focused();
        if (after.kind == Focused::Window && after.id == m_target && after.pid != getpid())
            return Focus::Target;
        if (monotonicMs() >= deadline)
            return failed;
        poll(nullptr, 0, 5);
    }
}

} // namespace

std::unique_ptr<KeySender> makeWaylandSender(QString *why)
{
    auto sender = std::make_unique<WaylandSender>();
    if (!sender->start(why))
        return nullptr;
    return sender;
}
