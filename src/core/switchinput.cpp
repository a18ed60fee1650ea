#include "switchinput.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace SwitchInput {

namespace {

using namespace Qt::StringLiterals;

// Qt::Key values, written out: the core links QtCore only.
constexpr int kQtEscape = 0x01000000;
constexpr int kQtTab = 0x01000001;
constexpr int kQtBackspace = 0x01000003;
constexpr int kQtReturn = 0x01000004;
constexpr int kQtEnter = 0x01000005;
constexpr int kQtInsert = 0x01000006;
constexpr int kQtDelete = 0x01000007;
constexpr int kQtPause = 0x01000008;
constexpr int kQtPrint = 0x01000009;
constexpr int kQtHome = 0x01000010;
constexpr int kQtEnd = 0x01000011;
constexpr int kQtLeft = 0x01000012;
constexpr int kQtUp = 0x01000013;
constexpr int kQtRight = 0x01000014;
constexpr int kQtDown = 0x01000015;
constexpr int kQtPageUp = 0x01000016;
constexpr int kQtPageDown = 0x01000017;
constexpr int kQtScrollLock = 0x01000026;
constexpr int kQtF1 = 0x01000030;
constexpr int kQtF35 = 0x01000052;
constexpr int kQtMenu = 0x01000055;

constexpr quint32 kSymF1 = 0xffbe;

// Keys with a keysym of their own, beside the Latin-1 ones and F1 to F35.
struct NamedKey
{
    int qt;
    quint32 keysym;
};
constexpr NamedKey kNamedKeys[] = {
    { kQtEscape, 0xff1b }, { kQtTab, 0xff09 },      { kQtBackspace, 0xff08 },
    { kQtReturn, 0xff0d }, { kQtEnter, 0xff8d },    { kQtInsert, 0xff63 },
    { kQtDelete, 0xffff }, { kQtPause, 0xff13 },    { kQtPrint, 0xff61 },
    { kQtHome, 0xff50 },   { kQtEnd, 0xff57 },      { kQtLeft, 0xff51 },
    { kQtUp, 0xff52 },     { kQtRight, 0xff53 },    { kQtDown, 0xff54 },
    { kQtPageUp, 0xff55 }, { kQtPageDown, 0xff56 }, { kQtScrollLock, 0xff14 },
    { kQtMenu, 0xff67 },
};

// Linux key codes in the order of the main block, from KEY_ESC (1) to
// KEY_SPACE (57); 0 where the key is a modifier or has no Qt key here.
constexpr int kEvdevMain[] = {
    0,   kQtEscape, '1',          '2',    '3',       '4', '5', '6',  '7', '8', '9', '0',
    '-', '=',       kQtBackspace, kQtTab, 'Q',       'W', 'E', 'R',  'T', 'Y', 'U', 'I',
    'O', 'P',       '[',          ']',    kQtReturn, 0,   'A', 'S',  'D', 'F', 'G', 'H',
    'J', 'K',       'L',          ';',    '\'',      '`', 0,   '\\', 'Z', 'X', 'C', 'V',
    'B', 'N',       'M',          ',',    '.',       '/', 0,   '*',  0,   ' ',
};

struct EvdevOther
{
    int code;
    int qt;
};
constexpr EvdevOther kEvdevOther[] = {
    { 70, kQtScrollLock }, { 87, kQtF1 + 10 }, { 88, kQtF1 + 11 }, { 96, kQtEnter },
    { 102, kQtHome },      { 103, kQtUp },     { 104, kQtPageUp }, { 105, kQtLeft },
    { 106, kQtRight },     { 107, kQtEnd },    { 108, kQtDown },   { 109, kQtPageDown },
    { 110, kQtInsert },    { 111, kQtDelete }, { 119, kQtPause },  { 127, kQtMenu },
};

bool isLatin1UpperLetter(int c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 0xc0 && c <= 0xde && c != 0xd7);
}

} // namespace

quint32 keysymOf(int qtKey)
{
    if (isLatin1UpperLetter(qtKey))
        return quint32(qtKey + 0x20);
    if ((qtKey >= 0x20 && qtKey <= 0x7e) || (qtKey >= 0xa0 && qtKey <= 0xff))
        return quint32(qtKey);
    if (qtKey >= kQtF1 && qtKey <= kQtF35)
        return kSymF1 + quint32(qtKey - kQtF1);
    for (const NamedKey &s : kNamedKeys) {
        if (s.qt == qtKey)
            return s.keysym;
    }
    return 0;
}

int qtKeyOf(quint32 keysym)
{
    const int k = int(keysym);
    if ((k >= 'a' && k <= 'z') || (k >= 0xe0 && k <= 0xfe && k != 0xf7))
        return k - 0x20;
    if ((k >= 0x20 && k <= 0x7e) || (k >= 0xa0 && k <= 0xff))
        return k;
    if (keysym >= kSymF1 && keysym <= kSymF1 + quint32(kQtF35 - kQtF1))
        return kQtF1 + int(keysym - kSymF1);
    for (const NamedKey &s : kNamedKeys) {
        if (s.keysym == keysym)
            return s.qt;
    }
    return 0;
}

int qtKeyOfEvdev(int code)
{
    if (code >= 0 && code < int(std::size(kEvdevMain)))
        return kEvdevMain[code];
    if (code >= 59 && code <= 68) // KEY_F1 to KEY_F10
        return kQtF1 + code - 59;
    if (code >= 183 && code <= 194) // KEY_F13 to KEY_F24
        return kQtF1 + 12 + code - 183;
    for (const EvdevOther &o : kEvdevOther) {
        if (o.code == code)
            return o.qt;
    }
    return 0;
}

int switchOfEvdevButton(int code)
{
    switch (code) {
    case 0x110: // BTN_LEFT
    case 0x100: // BTN_0
    case 0x120: // BTN_TRIGGER, the first button of joystick-like interfaces
        return 1;
    case 0x111: // BTN_RIGHT
    case 0x101: // BTN_1
    case 0x121: // BTN_THUMB
        return 2;
    default:
        return 0;
    }
}

int switchOfXButton(int button)
{
    return button == 1 ? 1 : button == 3 ? 2 : 0;
}

QList<unsigned> lockCombinations(unsigned numLock, unsigned capsLock, unsigned scrollLock)
{
    QList<unsigned> masks { 0 };
    for (const unsigned lock : { numLock, capsLock, scrollLock }) {
        if (lock == 0)
            continue;
        const qsizetype n = masks.size();
        for (qsizetype i = 0; i < n; ++i) {
            const unsigned m = masks.at(i) | lock;
            if (!masks.contains(m))
                masks.append(m);
        }
    }
    return masks;
}

// ---- Pairing ----

QList<Pairing::Change> Pairing::press(int key, quint32 time)
{
    QList<Change> changes;
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        if (m_pending.at(i).first != key)
            continue;
        // A release at the same time as this press is the key repeating.
        const bool repeat = m_pending.at(i).second == time;
        m_pending.removeAt(i);
        if (repeat)
            return changes;
        // A real release, then a new press: the release comes first.
        m_down.remove(key);
        changes.append({ key, false });
        break;
    }
    if (m_down.contains(key))
        return changes;
    m_down.insert(key);
    changes.append({ key, true });
    return changes;
}

void Pairing::release(int key, quint32 time)
{
    if (!m_down.contains(key))
        return;
    for (auto &p : m_pending) {
        if (p.first == key) {
            p.second = time;
            return;
        }
    }
    m_pending.append({ key, time });
}

QList<Pairing::Change> Pairing::settle()
{
    QList<Change> released;
    for (const auto &p : std::as_const(m_pending)) {
        m_down.remove(p.first);
        released.append({ p.first, false });
    }
    m_pending.clear();
    return released;
}

QList<int> Pairing::clear()
{
    QList<int> down(m_down.begin(), m_down.end());
    std::sort(down.begin(), down.end());
    m_down.clear();
    m_pending.clear();
    return down;
}

// ---- Gate ----

void Gate::down(int number)
{
    m_down.insert(number);
}

int Gate::selected(int slot)
{
    if (slot == 0)
        return 0;
    if (m_down.isEmpty())
        return slot;
    m_waiting = slot;
    return 0;
}

int Gate::up(int number)
{
    m_down.remove(number);
    if (!m_down.isEmpty())
        return 0;
    return std::exchange(m_waiting, 0);
}

void Gate::clear()
{
    m_down.clear();
    m_waiting = 0;
}

// ---- devices ----

QStringList switchDevices(const QList<Device> &devices)
{
    static const QStringList left = { u"XTEST"_s, u"Power Button"_s, u"Sleep Button"_s,
                                      u"Lid Switch"_s, u"Video Bus"_s };
    QStringList names;
    for (const Device &d : devices) {
        if (d.use == Device::Use::MasterPointer || d.use == Device::Use::MasterKeyboard)
            continue;
        if (!d.keys && !d.buttons)
            continue;
        const QString name = d.name.trimmed();
        if (name.isEmpty() || name.startsWith(u"Virtual core"_s, Qt::CaseInsensitive))
            continue;
        if (std::any_of(left.begin(), left.end(), [&](const QString &word) {
                return name.contains(word, Qt::CaseInsensitive);
            }))
            continue;
        if (!names.contains(name))
            names.append(name);
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QString nextDevice(const QString &current, const QStringList &names)
{
    if (current.isEmpty())
        return names.value(0);
    const qsizetype at = names.indexOf(current);
    if (at < 0)
        return QString();
    return names.value(at + 1);
}

const Device *findDevice(const QList<Device> &devices, const QString &name)
{
    const Device *found = nullptr;
    for (const Device &d : devices) {
        if (d.name.trimmed() != name.trimmed() || name.trimmed().isEmpty())
            continue;
        const bool master =
                d.use == Device::Use::MasterPointer || d.use == Device::Use::MasterKeyboard;
        if (!master)
            return &d;
        if (!found)
            found = &d;
    }
    return found;
}

QByteArray writeNote(const QList<Floated> &floated)
{
    QByteArray out;
    for (const Floated &f : floated) {
        QString name = f.name;
        name.replace(u'\n', u' ').replace(u'\r', u' ');
        out += QByteArray::number(f.device) + ' ' + QByteArray::number(f.master) + ' '
               + name.toUtf8() + '\n';
    }
    return out;
}

QList<Floated> readNote(const QByteArray &bytes)
{
    QList<Floated> floated;
    for (const QByteArray &line : bytes.split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() < 2)
            continue;
        bool okDevice = false;
        bool okMaster = false;
        const int device = parts.at(0).toInt(&okDevice);
        const int master = parts.at(1).toInt(&okMaster);
        if (!okDevice || !okMaster || device <= 0 || master <= 0 || device > 0xffff
            || master > 0xffff)
            continue;
        const qsizetype nameAt = parts.at(0).size() + 1 + parts.at(1).size() + 1;
        QString name = QString::fromUtf8(line.mid(nameAt));
        if (name.endsWith(u'\r'))
            name.chop(1);
        floated.append({ device, master, name });
    }
    return floated;
}

// ---- Linux input devices ----

QList<EvdevEvent> takeEvdevEvents(QByteArray *buffer, int recordSize)
{
    QList<EvdevEvent> events;
    if (recordSize < 8)
        return events;
    const qsizetype whole = buffer->size() / recordSize;
    for (qsizetype i = 0; i < whole; ++i) {
        const char *tail = buffer->constData() + (i + 1) * recordSize - 8;
        EvdevEvent e;
        std::memcpy(&e.type, tail, 2);
        std::memcpy(&e.code, tail + 2, 2);
        std::memcpy(&e.value, tail + 4, 4);
        events.append(e);
    }
    buffer->remove(0, whole * recordSize);
    return events;
}

Edge edgeOf(const EvdevEvent &event)
{
    constexpr quint16 kEvKey = 1;
    if (event.type != kEvKey)
        return Edge::None;
    return event.value == 1 ? Edge::Down : event.value == 0 ? Edge::Up : Edge::None;
}

// ---- the settings window's words ----

Session sessionOf(const QString &platform, const QString &sessionType, bool waylandDisplay)
{
    if (platform == u"xcb"_s)
        return (waylandDisplay || sessionType == u"wayland"_s) ? Session::XWayland : Session::X11;
    if (platform.startsWith(u"wayland"_s))
        return Session::Wayland;
    return Session::Other;
}

QString whereSwitchesWork(Session session, const QString &device, bool readable)
{
    const bool chosen = !device.isEmpty();
    switch (session) {
    case Session::X11:
        return chosen ? u"Switches work whichever program has the focus: while scanning is on, "
                        u"the chosen device is Plumtype's alone."_s
                      : u"Switch keys work whichever program has the focus: while scanning is "
                        u"on they are Plumtype's, and no other program gets them."_s;
    case Session::XWayland:
    case Session::Wayland: {
        QString text = session == Session::XWayland
                               ? u"On this Wayland desktop, switch keys reach Plumtype only "
                                 u"while its window or another X program has the focus, and "
                                 u"mouse buttons only over its window."_s
                               : u"On this Wayland desktop, switch keys reach Plumtype only "
                                 u"while its window has the focus, and mouse buttons only over "
                                 u"its window."_s;
        if (chosen && readable)
            text += u" The chosen device is read directly: its switches work whichever "
                    u"program has the focus."_s;
        else if (readable)
            text += u" Choose your switch device to use switches whichever program has the "
                    u"focus."_s;
        else
            text += u" To use switches whichever program has the focus, add yourself to the "
                    u"input group (sudo adduser $USER input), log in again and choose your "
                    u"switch device."_s;
        return text;
    }
    case Session::Other:
        break;
    }
    return u"Switch keys reach Plumtype only while its window has the focus."_s;
}

} // namespace SwitchInput
