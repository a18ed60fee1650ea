#!/usr/bin/python3
"""A key typed as Plumtype's home keyboard appears, measured through
accessibility as a screen reader or a speech-control tool sees the window.

    firstkey_atspi.py PROGRAM [ARGS...]

Starts the program, waits until the accessibility tree shows its window titled
with the home keyboard, clicks into the typing area (the window takes no focus
otherwise), types "x" there, and waits until the typing area's text holds it.  Prints one line:  ready=MS key=MS  (ms from the start to the
titled window, and from the typed key to its showing; -1: never, within 10 s).
Needs a session bus with the accessibility bus up and Qt's accessibility on
(bench/startup.sh with A11Y=1 provides both), and python3-pyatspi.
"""
import subprocess
import sys
import time

import pyatspi

READY = "Plumtype - home.kbd - (0)"


def now_ms(start):
    return (time.monotonic() - start) * 1000.0


def find_window(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is None or app.get_process_id() != pid:
                continue
            for j in range(app.childCount):
                frame = app.getChildAtIndex(j)
                if frame is not None and READY in (frame.name or ""):
                    return frame
        except Exception:
            continue
    return None


def find_text(node, depth=0):
    """The typing area: the first editable text on screen."""
    if node is None or depth > 8:
        return None
    try:
        state = node.getState()
        if not state.contains(pyatspi.STATE_SHOWING):
            return None
        if node.getRole() == pyatspi.ROLE_TEXT and state.contains(pyatspi.STATE_EDITABLE):
            return node
        for i in range(node.childCount):
            found = find_text(node.getChildAtIndex(i), depth + 1)
            if found is not None:
                return found
    except Exception:
        return None
    return None


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, -1)
    except Exception:
        return ""


def main():
    start = time.monotonic()
    child = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ready = key = -1.0
    try:
        frame = None
        while frame is None and now_ms(start) < 30000:
            frame = find_window(child.pid)
            if frame is None:
                time.sleep(0.005)
        if frame is not None:
            ready = now_ms(start)
            area = find_text(frame)
            # Plumtype's window takes no focus of its own: a click into the
            # typing area takes it for the keyboard, as a user's would.
            if area is not None:
                box = area.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                pyatspi.Registry.generateMouseEvent(
                    box.x + box.width // 2, box.y + box.height // 2, "b1c")
                clicked = time.monotonic()
                while (time.monotonic() - clicked) < 2 and not area.getState().contains(
                        pyatspi.STATE_FOCUSED):
                    time.sleep(0.002)
            typed = time.monotonic()
            pyatspi.Registry.generateKeyboardEvent(ord("x"), None, pyatspi.KEY_SYM)
            while area is not None and (time.monotonic() - typed) < 10:
                if "x" in text_of(area):
                    key = (time.monotonic() - typed) * 1000.0
                    break
                time.sleep(0.002)
    finally:
        child.terminate()
        try:
            child.wait(10)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()
    print("ready=%.1f key=%.1f" % (ready, key))
    return 0 if key >= 0 else 1


if __name__ == "__main__":
    sys.exit(main())
