// SwitchInputs: which backend serves on this desktop, the chosen device in
// the settings file, and the words the settings window shows.
#include "access/switches.h"

#include <QFile>
#include <QGuiApplication>
#include <QSettings>

#include <algorithm>

using SwitchInput::Session;

namespace {

QSettings settingsFile()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("plumtype"),
                     QStringLiteral("plumtype"));
}

const QString kDeviceKey = QStringLiteral("scan/device");

} // namespace

SwitchInputs::SwitchInputs(QObject *parent) : QObject(parent)
{
    m_session = SwitchInput::sessionOf(QGuiApplication::platformName(),
                                       qEnvironmentVariable("XDG_SESSION_TYPE"),
                                       !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
    m_device = settingsFile().value(kDeviceKey).toString().trimmed();
    // A device that an earlier run left floating (it ended before its keeper
    // could act) is put back now.
    if (m_session == Session::X11 && QFile::exists(X11Switches::notePath())) {
        X11Switches repair;
        repair.repairFromNote();
    }
}

SwitchInputs::~SwitchInputs()
{
    if (m_x11)
        m_x11->releaseAll();
}

void SwitchInputs::configure(int key1, int key2, bool buttons)
{
    if (m_keys[0] == key1 && m_keys[1] == key2 && m_buttons == buttons)
        return;
    m_keys[0] = key1;
    m_keys[1] = key2;
    m_buttons = buttons;
    apply();
}

void SwitchInputs::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    apply();
}

void SwitchInputs::setTyping(bool typing)
{
    if (m_x11 && m_on)
        m_x11->setTyping(typing);
}

void SwitchInputs::setDevice(const QString &name)
{
    const QString trimmed = name.trimmed();
    QSettings file = settingsFile();
    file.setValue(kDeviceKey, trimmed);
    file.sync();
    if (trimmed != m_device) {
        m_device = trimmed;
        apply();
    }
    emit changed();
}

void SwitchInputs::apply()
{
    // X11: the keys of every keyboard are grabbed, or the chosen device is
    // floated and read.  Wayland desktops: the chosen device is read
    // directly; an X grab there holds only while an X program has the focus,
    // which is still better than nothing.
    const bool x11 = m_session == Session::X11 || m_session == Session::XWayland;
    const bool direct = m_session == Session::XWayland || m_session == Session::Wayland;
    if (x11 && !m_x11 && m_on) {
        m_x11 = std::make_unique<X11Switches>();
        connect(m_x11.get(), &X11Switches::key, this, &SwitchInputs::key);
        connect(m_x11.get(), &X11Switches::button, this, &SwitchInputs::button);
    }
    if (m_x11 && m_x11->isReady()) {
        if (!m_on) {
            m_x11->releaseAll();
        } else {
            const bool device = m_session == Session::X11 && !m_device.isEmpty();
            QList<int> keys;
            if (!device || !m_x11->takeDevice(m_device)) {
                for (int k : m_keys) {
                    if (k)
                        keys.append(k);
                }
            }
            m_x11->grabKeys(keys);
            if (!device)
                m_x11->takeDevice(QString());
        }
    }
    if (direct && m_on && !m_device.isEmpty()) {
        if (!m_evdev) {
            m_evdev = std::make_unique<EvdevSwitches>();
            connect(m_evdev.get(), &EvdevSwitches::key, this, &SwitchInputs::key);
            connect(m_evdev.get(), &EvdevSwitches::button, this, &SwitchInputs::button);
        }
        m_evdev->open(m_device);
    } else if (m_evdev) {
        m_evdev->close();
    }
}

QStringList SwitchInputs::devices() const
{
    QList<SwitchInput::Device> found;
    if (m_session == Session::X11) {
        if (m_x11 && m_x11->isReady()) {
            found = m_x11->listDevices();
        } else {
            X11Switches probe;
            found = probe.listDevices();
        }
    } else if (m_session == Session::XWayland || m_session == Session::Wayland) {
        for (const EvdevSwitches::Node &n : EvdevSwitches::nodes()) {
            SwitchInput::Device d;
            d.name = n.name;
            d.keys = d.buttons = true;
            found.append(d);
        }
    }
    return SwitchInput::switchDevices(found);
}

QString SwitchInputs::whereText() const
{
    const bool readable = m_session == Session::X11 || EvdevSwitches::readable();
    return SwitchInput::whereSwitchesWork(m_session, m_device, readable);
}

QString SwitchInputs::problem() const
{
    if (!m_on)
        return QString();
    if (m_evdev && !m_evdev->problem().isEmpty())
        return m_evdev->problem();
    return m_x11 ? m_x11->problem() : QString();
}
