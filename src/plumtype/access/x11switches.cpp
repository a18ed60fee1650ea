// Switches on the X server: the switch keys grabbed on the root window, and a
// chosen device floated off its master and grabbed, all on a connection of
// our own.  A floated device is written down in a note in the runtime folder
// and told to the keeper process, which puts it back when Plumtype ends
// without doing so itself.
#include "access/switches.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <unistd.h>

// X headers last: they define macros (None, Bool, Status) that Qt's clash with.
#include "xerrortrap.h"
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

using SwitchInput::Device;

namespace {

// Keys of the chosen device are kept apart from the grabbed ones.
constexpr int kDeviceKeys = 0x10000;

Device::Use useOf(int use)
{
    switch (use) {
    case XIMasterPointer:
        return Device::Use::MasterPointer;
    case XIMasterKeyboard:
        return Device::Use::MasterKeyboard;
    case XISlavePointer:
        return Device::Use::SlavePointer;
    case XISlaveKeyboard:
        return Device::Use::SlaveKeyboard;
    default:
        return Device::Use::Floating;
    }
}

QList<Device> queryDevices(Display *display)
{
    QList<Device> list;
    XErrorTrap trap(display);
    int n = 0;
    XIDeviceInfo *info = XIQueryDevice(display, XIAllDevices, &n);
    for (int i = 0; info && i < n; ++i) {
        Device d;
        d.id = info[i].deviceid;
        d.name = QString::fromUtf8(info[i].name);
        d.use = useOf(info[i].use);
        d.attachment = info[i].attachment;
        for (int c = 0; c < info[i].num_classes; ++c) {
            if (info[i].classes[c]->type == XIKeyClass)
                d.keys = true;
            else if (info[i].classes[c]->type == XIButtonClass)
                d.buttons = true;
        }
        list.append(d);
    }
    if (info)
        XIFreeDeviceInfo(info);
    return list;
}

// The master to put a device back on: the one it came from when it is still
// a master of the right kind, else the first such master.
int masterFor(const QList<Device> &devices, const Device &device, int wanted)
{
    const bool keyboard = device.keys && !device.buttons;
    const Device::Use kind = keyboard ? Device::Use::MasterKeyboard : Device::Use::MasterPointer;
    int first = 0;
    for (const Device &d : devices) {
        if (d.use != kind)
            continue;
        if (d.id == wanted)
            return wanted;
        if (!first)
            first = d.id;
    }
    return first;
}

bool attach(Display *display, int device, int master)
{
    XErrorTrap trap(display);
    XIAttachSlaveInfo info;
    info.type = XIAttachSlave;
    info.deviceid = device;
    info.new_master = master;
    XIChangeHierarchy(display, reinterpret_cast<XIAnyHierarchyChangeInfo *>(&info), 1);
    return !trap.failed();
}

} // namespace

struct X11Switches::Private
{
    Display *display = nullptr;
    Window root = 0;
    int xiOpcode = -1;
    QList<std::pair<int, unsigned>> grabbed; // keycode, modifiers
    QList<int> grabbedKeys;                  // their Qt keys, by the same index
    int deviceId = 0;
    int master = 0;
    bool floated = false;
};

X11Switches::X11Switches(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return;
    d->display = display;
    d->root = DefaultRootWindow(display);
    m_display = display;
    // A held key repeats as presses alone, which the pairing drops.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(display, True, &supported);
    int event = 0, error = 0, major = 2, minor = 2;
    if (!XQueryExtension(display, "XInputExtension", &d->xiOpcode, &event, &error)
        || XIQueryVersion(display, &major, &minor) != Success)
        d->xiOpcode = -1;
    m_notifier = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11Switches::readEvents);
}

X11Switches::~X11Switches()
{
    if (!d->display)
        return;
    releaseAll();
    delete m_notifier;
    XCloseDisplay(d->display);
    if (m_keeper) {
        m_keeper->closeWriteChannel();
        m_keeper->waitForFinished(2000);
    }
}

QString X11Switches::notePath()
{
    QString display = qEnvironmentVariable("DISPLAY");
    for (QChar &c : display) {
        if (!c.isLetterOrNumber())
            c = u'_';
    }
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/plumtype-floated-") + display;
}

QList<Device> X11Switches::listDevices() const
{
    if (!d->display || d->xiOpcode < 0)
        return {};
    return queryDevices(d->display);
}

QList<int> X11Switches::grabbedKeycodes() const
{
    QList<int> codes;
    for (const auto &g : d->grabbed) {
        if (!codes.contains(g.first))
            codes.append(g.first);
    }
    return codes;
}

void X11Switches::grabKeys(const QList<int> &keys)
{
    if (keys == m_wantedKeys && !d->grabbed.isEmpty())
        return;
    m_wantedKeys = keys;
    regrab();
}

void X11Switches::setTyping(bool typing)
{
    if (typing == m_typing)
        return;
    m_typing = typing;
    if (typing) {
        // Let go before the first typed key reaches the server, which gets
        // it on another connection.
        ungrabKeys();
        if (d->display)
            XSync(d->display, False);
    } else {
        regrab();
    }
}

void X11Switches::regrab()
{
    if (!d->display)
        return;
    ungrabKeys();
    if (m_typing)
        return;
    m_problem.clear();
    const unsigned numLock = XkbKeysymToModifiers(d->display, XK_Num_Lock);
    const unsigned scrollLock = XkbKeysymToModifiers(d->display, XK_Scroll_Lock);
    const QList<unsigned> masks = SwitchInput::lockCombinations(numLock, LockMask, scrollLock);
    QList<int> keys = m_wantedKeys;
    // The keypad's Enter is Return to the switches, as in the window.
    if (keys.contains(Qt::Key_Return) && !keys.contains(Qt::Key_Enter))
        keys.append(Qt::Key_Enter);
    for (int key : std::as_const(keys)) {
        const KeySym sym = SwitchInput::keysymOf(key);
        const KeyCode code = sym ? XKeysymToKeycode(d->display, sym) : 0;
        if (!code)
            continue;
        XErrorTrap trap(d->display);
        for (unsigned mask : masks)
            XGrabKey(d->display, code, mask, d->root, False, GrabModeAsync, GrabModeAsync);
        if (trap.failed()) {
            // Another program holds the key (a desktop shortcut).
            for (unsigned mask : masks)
                XUngrabKey(d->display, code, mask, d->root);
            if (key != Qt::Key_Enter)
                m_problem = QStringLiteral("Another program holds a switch key: choose another "
                                           "key for the switch.");
            continue;
        }
        for (unsigned mask : masks) {
            d->grabbed.append({ code, mask });
            d->grabbedKeys.append(key);
        }
    }
    XFlush(d->display);
}

void X11Switches::ungrabKeys()
{
    if (!d->display)
        return;
    for (const auto &[code, mask] : std::as_const(d->grabbed))
        XUngrabKey(d->display, code, mask, d->root);
    d->grabbed.clear();
    d->grabbedKeys.clear();
    XFlush(d->display);
}

bool X11Switches::takeDevice(const QString &name)
{
    if (!d->display)
        return false;
    if (name == m_deviceName && (d->deviceId != 0 || name.isEmpty()))
        return true;
    giveBackDevice();
    if (name.isEmpty())
        return true;
    const QList<Device> devices = listDevices();
    const Device *device = SwitchInput::findDevice(devices, name);
    if (!device || device->use == Device::Use::MasterPointer
        || device->use == Device::Use::MasterKeyboard) {
        m_problem = QStringLiteral("The switch device \"%1\" is not connected: the switch keys "
                                   "of any keyboard serve meanwhile.")
                            .arg(name);
        return false;
    }
    m_problem.clear();
    const bool attached = device->use != Device::Use::Floating;
    d->deviceId = device->id;
    d->floated = attached;
    d->master = attached ? device->attachment : masterFor(devices, *device, 0);
    m_deviceName = name;
    // Written down before the device leaves its master: however Plumtype
    // ends from now on, the note or the keeper puts it back.
    writeNote();
    tellKeeper();
    if (attached) {
        XErrorTrap trap(d->display);
        XIDetachSlaveInfo info;
        info.type = XIDetachSlave;
        info.deviceid = device->id;
        XIChangeHierarchy(d->display, reinterpret_cast<XIAnyHierarchyChangeInfo *>(&info), 1);
        if (trap.failed()) {
            d->deviceId = 0;
            d->floated = false;
            m_deviceName.clear();
            writeNote();
            tellKeeper();
            m_problem = QStringLiteral("The X server did not let Plumtype take the switch "
                                       "device \"%1\".")
                                .arg(name);
            return false;
        }
    }

    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XIEventMask mask;
    mask.deviceid = device->id;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    XISetMask(bits, XI_KeyPress);
    XISetMask(bits, XI_KeyRelease);
    XISetMask(bits, XI_ButtonPress);
    XISetMask(bits, XI_ButtonRelease);
    XErrorTrap trap(d->display);
    const int status = XIGrabDevice(d->display, device->id, d->root, CurrentTime, 0, GrabModeAsync,
                                    GrabModeAsync, False, &mask);
    if (status != Success || trap.failed())
        m_problem = QStringLiteral("Another program holds the switch device \"%1\".").arg(name);
    return true;
}

void X11Switches::giveBackDevice()
{
    if (!d->display || d->deviceId == 0) {
        m_deviceName.clear();
        return;
    }
    const int id = d->deviceId;
    {
        XErrorTrap trap(d->display);
        XIUngrabDevice(d->display, id, CurrentTime);
    }
    if (d->floated) {
        const QList<Device> devices = listDevices();
        for (const Device &dev : devices) {
            if (dev.id == id && dev.use == Device::Use::Floating)
                attach(d->display, id, masterFor(devices, dev, d->master));
        }
    }
    d->deviceId = 0;
    d->floated = false;
    m_deviceName.clear();
    writeNote();
    tellKeeper();
}

void X11Switches::releaseAll()
{
    if (!d->display)
        return;
    ungrabKeys();
    giveBackDevice();
    // Whatever was down is up now, as far as the scan knows.
    for (const int key : m_pairing.clear()) {
        const KeySym sym = XkbKeycodeToKeysym(d->display, KeyCode(key % kDeviceKeys), 0, 0);
        if (const int qt = SwitchInput::qtKeyOf(quint32(sym)))
            emit this->key(qt, false);
    }
    XFlush(d->display);
}

void X11Switches::writeNote()
{
    const QString path = notePath();
    if (!d->floated) {
        QFile::remove(path);
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(SwitchInput::writeNote({ { d->deviceId, d->master, m_deviceName } }));
    file.commit();
}

void X11Switches::tellKeeper()
{
    QList<SwitchInput::Floated> floated;
    if (d->floated)
        floated.append({ d->deviceId, d->master, m_deviceName });
    if (!m_keeper) {
        if (floated.isEmpty())
            return;
        // The keeper lives in a session of its own, so that Ctrl+C in a
        // terminal or a hang-up reaches Plumtype alone: it acts when the
        // pipe from Plumtype closes, however Plumtype ended.
        m_keeper = new QProcess(this);
        m_keeper->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_keeper->setChildProcessModifier([] { ::setsid(); });
        QString program = qEnvironmentVariable("PLUMTYPE_KEEPER");
        if (program.isEmpty())
            program = QCoreApplication::applicationDirPath() + QStringLiteral("/plumtype-keeper");
        m_keeper->start(program, {});
        if (!m_keeper->waitForStarted(2000)) {
            // The note still puts the device back at the next start.
            qWarning("plumtype: the keeper of floated devices did not start: %s",
                     qPrintable(program));
            delete m_keeper;
            m_keeper = nullptr;
            return;
        }
    }
    m_keeper->write(SwitchInput::writeNote(floated) + ".\n");
    m_keeper->waitForBytesWritten(1000);
}

void X11Switches::repairFromNote()
{
    const QString path = notePath();
    QFile file(path);
    if (!d->display || !file.open(QIODevice::ReadOnly))
        return;
    const QList<SwitchInput::Floated> floated = SwitchInput::readNote(file.read(64 * 1024));
    file.close();
    const QList<Device> devices = listDevices();
    for (const SwitchInput::Floated &f : floated) {
        for (const Device &dev : devices) {
            if (dev.id == f.device && dev.name == f.name && dev.use == Device::Use::Floating)
                attach(d->display, dev.id, masterFor(devices, dev, f.master));
        }
    }
    QFile::remove(path);
}

void X11Switches::readEvents()
{
    Display *display = d->display;
    auto report = [this, display](const QList<SwitchInput::Pairing::Change> &changes) {
        for (const SwitchInput::Pairing::Change &c : changes) {
            const KeySym sym = XkbKeycodeToKeysym(display, KeyCode(c.key % kDeviceKeys), 0, 0);
            if (const int qt = SwitchInput::qtKeyOf(quint32(sym)))
                emit key(qt, c.down);
        }
    };
    while (XPending(display)) {
        XEvent e;
        XNextEvent(display, &e);
        switch (e.type) {
        case KeyPress:
            report(m_pairing.press(int(e.xkey.keycode), quint32(e.xkey.time)));
            break;
        case KeyRelease:
            m_pairing.release(int(e.xkey.keycode), quint32(e.xkey.time));
            break;
        case MappingNotify:
            XRefreshKeyboardMapping(&e.xmapping);
            // Another layout may put the switch keys on other keycodes.
            if (e.xmapping.request != MappingPointer && !d->grabbed.isEmpty())
                regrab();
            break;
        case GenericEvent: {
            if (e.xcookie.extension != d->xiOpcode || !XGetEventData(display, &e.xcookie))
                break;
            const auto *de = static_cast<const XIDeviceEvent *>(e.xcookie.data);
            if (de->deviceid == d->deviceId) {
                const int code = kDeviceKeys + de->detail;
                switch (de->evtype) {
                case XI_KeyPress:
                    if (!(de->flags & XIKeyRepeat))
                        report(m_pairing.press(code, quint32(de->time)));
                    break;
                case XI_KeyRelease:
                    m_pairing.release(code, quint32(de->time));
                    break;
                case XI_ButtonPress:
                case XI_ButtonRelease:
                    if (const int n = SwitchInput::switchOfXButton(de->detail))
                        emit button(n, de->evtype == XI_ButtonPress);
                    break;
                default:
                    break;
                }
            }
            XFreeEventData(display, &e.xcookie);
            break;
        }
        default:
            break;
        }
    }
    report(m_pairing.settle());
}
