#pragma once

// Switches that reach Plumtype whichever program has the focus.  While
// scanning is on, the switch keys are grabbed on X11, or the switch device
// the user chose is Plumtype's alone: floated off its master device on X11
// (a keeper process puts it back if Plumtype dies), read directly and
// grabbed on Wayland desktops where the user may read input devices.  The
// rules are in the core (switchinput.h); the scan hears of the keys and
// buttons through the signals here.
//
//   access/switches.cpp   SwitchInputs: the face, the chosen device, the session
//   access/x11switches.cpp   X11Switches: grabs, XInput 2 devices, the keeper
//   access/evdevswitches.cpp EvdevSwitches: a Linux input device read directly
//   keeper/main.cpp          plumtype-keeper: puts floated devices back

#include "switchinput.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>

#include <memory>

class X11Switches;
class EvdevSwitches;

class SwitchInputs : public QObject
{
    Q_OBJECT
public:
    explicit SwitchInputs(QObject *parent = nullptr);
    ~SwitchInputs() override;

    // The keys of switch 1 and 2 (Qt key codes), whether mouse buttons are
    // switches, and the chosen device (empty: keys of any keyboard).
    void configure(int key1, int key2, bool buttons);
    // Scanning on or off: the grabs and the device are taken or given back.
    void setOn(bool on);
    bool isOn() const { return m_on; }

    // Plumtype types into another program: the grabbed keys are let go
    // meanwhile, or the keys it types would come back to it as switches.
    void setTyping(bool typing);

    // The chosen device, kept in the settings file by name.
    QString device() const { return m_device; }
    void setDevice(const QString &name);
    // The devices that can be chosen on this desktop.
    QStringList devices() const;
    // Where switches work, for the settings window.
    QString whereText() const;
    // Why the chosen device or a key cannot be taken; empty when all is well.
    QString problem() const;
    SwitchInput::Session session() const { return m_session; }

    X11Switches *x11() const { return m_x11.get(); }
    EvdevSwitches *evdev() const { return m_evdev.get(); }

signals:
    // A key (a Qt key code) or a mouse button switch (1 or 2) of the outside
    // went down or up.
    void key(int qtKey, bool down);
    void button(int number, bool down);
    void changed();

private:
    void apply();

    SwitchInput::Session m_session;
    bool m_on = false;
    int m_keys[2] = { 0, 0 };
    bool m_buttons = false;
    QString m_device;
    std::unique_ptr<X11Switches> m_x11;
    std::unique_ptr<EvdevSwitches> m_evdev;
};

// The X server's side: its own connection, so that nothing here disturbs
// Qt's.  Grabbed keys come to this connection whichever window has the
// focus; a chosen device is floated and grabbed, its events read here.
class X11Switches : public QObject
{
    Q_OBJECT
public:
    // Opens the display of DISPLAY; isReady() false when it cannot.
    explicit X11Switches(QObject *parent = nullptr);
    ~X11Switches() override;
    bool isReady() const { return m_display != nullptr; }

    // The keys to grab (Qt key codes); an empty list grabs none.
    void grabKeys(const QList<int> &keys);
    // While set, the keys are not grabbed (Plumtype types them itself).
    void setTyping(bool typing);
    // The device to float and read, by name; empty for none.  False when it
    // cannot be had (not there, or the server refused).
    bool takeDevice(const QString &name);
    QString takenDevice() const { return m_deviceName; }
    // Every grab and the device given back.
    void releaseAll();

    QList<SwitchInput::Device> listDevices() const;
    // The keys actually grabbed (keycodes), for tests.
    QList<int> grabbedKeycodes() const;
    QString problem() const { return m_problem; }
    // Puts back the devices that the note of an earlier run left floating.
    void repairFromNote();
    static QString notePath();

signals:
    void key(int qtKey, bool down);
    void button(int number, bool down);

private:
    void readEvents();
    void regrab();
    void ungrabKeys();
    void giveBackDevice();
    void writeNote();
    void tellKeeper();

    struct Private;
    std::unique_ptr<Private> d;
    void *m_display = nullptr; // Display *
    QPointer<QSocketNotifier> m_notifier;
    QList<int> m_wantedKeys;
    bool m_typing = false;
    QString m_deviceName;
    QString m_problem;
    SwitchInput::Pairing m_pairing;
    QProcess *m_keeper = nullptr;
};

// A Linux input device read directly (Wayland desktops): its key and button
// records, grabbed so that no other program gets them.
class EvdevSwitches : public QObject
{
    Q_OBJECT
public:
    explicit EvdevSwitches(QObject *parent = nullptr);
    ~EvdevSwitches() override;

    // The input devices by name ("/dev/input/event*"), and whether any of
    // them may be read by this user.
    struct Node
    {
        QString path;
        QString name;
    };
    static QList<Node> nodes(const QString &folder = QStringLiteral("/dev/input"));
    static bool readable(const QString &folder = QStringLiteral("/dev/input"));

    // Reads the device of this name; false when it cannot be opened.
    bool open(const QString &name);
    // Reads records from an open descriptor (a device, or a pipe in tests);
    // takes it over.
    void openDescriptor(int fd);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    QString problem() const { return m_problem; }

signals:
    void key(int qtKey, bool down);
    void button(int number, bool down);

private:
    void readRecords();

    int m_fd = -1;
    QPointer<QSocketNotifier> m_notifier;
    QByteArray m_buffer;
    QString m_problem;
};
