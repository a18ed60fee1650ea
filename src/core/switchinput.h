#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Switch input that reaches Plumtype whichever program has the focus: the
// rules that need no display.  The window's backends (access/switches.h)
// grab the switch keys on X11, float a chosen input device, or read one
// directly; what they grab, which devices they offer, how they pair presses
// with releases and what the settings window says about it is decided here.
namespace SwitchInput {

// ---- keys ----

// The X keysym of a key code of the toolkit (Qt::Key): letters as their
// small letter, Return, Enter (the keypad's), function keys, arrows and the
// other keys a switch interface may send.  0 when there is none.
quint32 keysymOf(int qtKey);
// The other way round; 0 when the keysym is no such key.
int qtKeyOf(quint32 keysym);
// The same for the key codes of Linux input devices (KEY_SPACE is 57).
int qtKeyOfEvdev(int code);
// A mouse button of an input device as a switch: the left button is switch 1,
// the right one switch 2, any other 0.  Linux codes (BTN_LEFT is 0x110) and X
// button numbers (1 and 3) have a function each.
int switchOfEvdevButton(int code);
int switchOfXButton(int button);

// The modifier states a grab of one key must cover so that it holds with
// Num Lock, Caps Lock and Scroll Lock on or off: every combination of the
// masks given (0 for a lock the keyboard lacks), each once, 0 first.
QList<unsigned> lockCombinations(unsigned numLock, unsigned capsLock, unsigned scrollLock);

// ---- presses and releases ----

// Keeps presses and releases of keys in pairs.  A key held down repeats:
// with detectable auto-repeat as presses without releases, otherwise as a
// release and a press at the same server time.  Both are dropped here, so a
// held switch is one press and one release.  A release waits until settle()
// (the end of a batch of events): a press of the same key at the same time
// undoes it.
class Pairing
{
public:
    struct Change
    {
        int key = 0;
        bool down = false;
        bool operator==(const Change &) const = default;
    };
    // What a press means now: nothing (a repeat, or the key is down), the
    // press, or a release that waited and then the press.
    QList<Change> press(int key, quint32 time);
    void release(int key, quint32 time);
    // The releases that stand, in the order they came.
    QList<Change> settle();
    bool isDown(int key) const { return m_down.contains(key); }
    // Every key down, let go at once (a grab ended): the keys to release.
    QList<int> clear();

private:
    QSet<int> m_down;
    QList<std::pair<int, quint32>> m_pending; // key, time
};

// A selection made while a switch is down is carried out only once every
// switch is up, so that the key the program types is never one the user
// still holds, nor the switch key itself.
class Gate
{
public:
    void down(int number);
    // The slot to carry out now, or 0 when it waits for the release.
    int selected(int slot);
    // Switch `number` went up: the slot that waited, or 0.
    int up(int number);
    // Scanning went off: nothing waits.
    void clear();
    int waiting() const { return m_waiting; }

private:
    QSet<int> m_down;
    int m_waiting = 0;
};

// ---- input devices ----

struct Device
{
    enum class Use { MasterPointer, MasterKeyboard, SlavePointer, SlaveKeyboard, Floating };
    int id = 0;
    QString name;
    Use use = Use::SlaveKeyboard;
    int attachment = 0;   // the master of a slave
    bool keys = false;    // has keys
    bool buttons = false; // has buttons
};

// The devices a switch may be: slave (or floating) keyboards and pointers by
// name, sorted, each name once.  The server's virtual devices (the core
// ones, XTEST) and the buttons of the machine's case (power, sleep, lid,
// video bus) are left out.
QStringList switchDevices(const QList<Device> &devices);
// The settings window's choice button: "" stands for keys of any keyboard.
// The next choice after `current` in ["", names...], wrapping round; a
// current name no longer there goes back to "".
QString nextDevice(const QString &current, const QStringList &names);
// The device of this name, preferring one that is not a master; null when
// none.
const Device *findDevice(const QList<Device> &devices, const QString &name);

// The note of floated devices, kept in the user's runtime folder while a
// device is floating, so that the next start puts back what a crash left:
// one line per device, "device-id master-id name".  Lines that are not so
// are skipped.
struct Floated
{
    int device = 0;
    int master = 0;
    QString name;
    bool operator==(const Floated &) const = default;
};
QByteArray writeNote(const QList<Floated> &floated);
QList<Floated> readNote(const QByteArray &bytes);

// ---- Linux input devices ----

struct EvdevEvent
{
    quint16 type = 0;
    quint16 code = 0;
    qint32 value = 0;
};
// The whole records at the front of `buffer`, taken out of it; a record cut
// at the end stays for the next read.  `recordSize` is sizeof(input_event):
// 24 on 64-bit machines, 16 on 32-bit ones; the type, code and value are its
// last 8 bytes, in the machine's byte order.
QList<EvdevEvent> takeEvdevEvents(QByteArray *buffer, int recordSize);
// A key or button record as a switch edge: press, release, or none (a
// repeat, or anything else).
enum class Edge { None, Down, Up };
Edge edgeOf(const EvdevEvent &event);

// ---- what the settings window says ----

enum class Session {
    X11,      // Plumtype on an X server of its own desktop
    XWayland, // Plumtype an X client of a Wayland desktop
    Wayland,  // Plumtype a native Wayland client
    Other,    // no windowing system Plumtype knows (offscreen)
};
// From Qt's platform name and the session's environment.
Session sessionOf(const QString &platform, const QString &sessionType, bool waylandDisplay);
// Where switches work, in plain words, for the settings window.  `device` is
// the chosen device's name (empty for keys of any keyboard); `readable`
// whether this user may read input devices directly (on Wayland).
QString whereSwitchesWork(Session session, const QString &device, bool readable);

} // namespace SwitchInput
