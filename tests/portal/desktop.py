#!/usr/bin/python3
# The parts of a GNOME desktop that gnomesession.sh cannot take from a
# package as they are:
#
#   desktop.py locale1 LAYOUT   the keyboard layout, as systemd-localed tells it
#                               on the system bus (mutter reads it from there)
#   desktop.py keyboard         a keyboard on the seat, as every real machine
#                               has one (without one, mutter has the programs
#                               take up a keyboard when the first key comes, and
#                               the first keys are lost)
#   desktop.py answer FILE LOG  the person before the screen: answers every
#                               dialog of the desktop portal through
#                               accessibility with the word in FILE (allow,
#                               refuse, close or wait; allow when FILE is
#                               missing) and writes the word given to LOG
#
# Each runs until it is ended.  System python: it needs gi and pyatspi.
import sys
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

LOCALE1_XML = """
<node>
  <interface name="org.freedesktop.locale1">
    <property name="Locale" type="as" access="read"/>
    <property name="VConsoleKeymap" type="s" access="read"/>
    <property name="VConsoleKeymapToggle" type="s" access="read"/>
    <property name="X11Layout" type="s" access="read"/>
    <property name="X11Model" type="s" access="read"/>
    <property name="X11Variant" type="s" access="read"/>
    <property name="X11Options" type="s" access="read"/>
  </interface>
</node>
"""


def locale1(layout):
    values = {
        "Locale": GLib.Variant("as", ["LANG=C.UTF-8"]),
        "VConsoleKeymap": GLib.Variant("s", layout),
        "VConsoleKeymapToggle": GLib.Variant("s", ""),
        "X11Layout": GLib.Variant("s", layout),
        "X11Model": GLib.Variant("s", "pc105"),
        "X11Variant": GLib.Variant("s", ""),
        "X11Options": GLib.Variant("s", ""),
    }
    info = Gio.DBusNodeInfo.new_for_xml(LOCALE1_XML).interfaces[0]
    bus = Gio.bus_get_sync(Gio.BusType.SYSTEM)
    bus.register_object(
        "/org/freedesktop/locale1", info, None, lambda *args: values[args[4]], None
    )
    Gio.bus_own_name_on_connection(
        bus, "org.freedesktop.locale1", Gio.BusNameOwnerFlags.NONE, None, None
    )
    GLib.MainLoop().run()


def keyboard():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    mutter = "org.gnome.Mutter.RemoteDesktop"

    def call(path, iface, method, args=None):
        return bus.call_sync(mutter, path, iface, method, args, None, 0, -1, None)

    session = call("/org/gnome/Mutter/RemoteDesktop", mutter, "CreateSession").unpack()[0]
    iface = mutter + ".Session"
    call(session, iface, "Start")
    # The device exists from its first key on: a Shift press and release.
    for pressed in (True, False):
        call(session, iface, "NotifyKeyboardKeysym", GLib.Variant("(ub)", (0xFFE1, pressed)))
    print("keyboard ready", flush=True)
    GLib.MainLoop().run()


def answer(answer_file, log_file):
    import pyatspi

    def find(node, wanted, depth=0):
        if wanted(node):
            return node
        if depth > 20:
            return None
        for child in node:
            if child is not None:
                found = find(child, wanted, depth + 1)
                if found is not None:
                    return found
        return None

    def role(r):
        return lambda node: node.getRole() == r

    def do(node, name):
        action = node.queryAction()
        for i in range(action.nActions):
            if action.getName(i) == name:
                action.doAction(i)
                return

    def word():
        try:
            with open(answer_file, encoding="utf-8") as f:
                return f.read().strip() or "allow"
        except OSError:
            return "allow"

    def dialog():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "xdg-desktop-portal-gnome":
                for frame in app:
                    if frame is not None and frame.getRole() == pyatspi.ROLE_FRAME:
                        return frame
        return None

    def sensitive(node):
        return node is not None and node.getState().contains(pyatspi.STATE_SENSITIVE)

    def button(frame, label):
        return find(frame, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and label in n.name)

    while True:
        time.sleep(0.1)
        try:
            frame = dialog()
            if frame is None:
                continue
            given = word()
            if given == "wait":
                continue
            if given == "allow":
                # Remote interaction is off until ticked, and Share is greyed
                # until then.
                box = find(frame, role(pyatspi.ROLE_CHECK_BOX))
                if box is not None and not box.getState().contains(pyatspi.STATE_CHECKED):
                    do(box, "toggle")
                share = button(frame, "Share")
                for _ in range(30):
                    if sensitive(share):
                        break
                    time.sleep(0.1)
                do(share, "click")
            elif given == "refuse":
                do(button(frame, "Cancel"), "click")
            else:
                do(frame, "window.close")
            # Answered once the dialog has gone; else it is answered again.
            for _ in range(30):
                time.sleep(0.1)
                if dialog() is None:
                    with open(log_file, "a", encoding="utf-8") as log:
                        log.write(given + "\n")
                    break
            else:
                box = find(frame, role(pyatspi.ROLE_CHECK_BOX))
                checked = box is not None and box.getState().contains(pyatspi.STATE_CHECKED)
                print("answer: the dialog stayed (ticked %s, Share %s); answering again"
                      % (checked, sensitive(button(frame, "Share"))), file=sys.stderr, flush=True)
        except Exception as error:  # a dialog closing under our hands
            print("answer:", error, file=sys.stderr, flush=True)


if __name__ == "__main__":
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "locale1" and len(sys.argv) == 3:
        locale1(sys.argv[2])
    elif command == "keyboard":
        keyboard()
    elif command == "answer" and len(sys.argv) == 4:
        answer(sys.argv[2], sys.argv[3])
    else:
        sys.exit("usage: desktop.py locale1 LAYOUT | keyboard | answer FILE LOG")
