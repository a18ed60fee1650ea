#!/usr/bin/env bash
# shellcheck disable=SC2317  # cleanup and the wait conditions run through trap and wait_for
# Runs a command inside a private headless GNOME desktop: mutter as the
# Wayland compositor with a virtual monitor, the desktop portal with GNOME's
# backend and the accessibility bus on a session bus of its own, a system bus
# of its own that tells the keyboard layout, a keyboard on the seat, the
# receiver as a native Wayland program with the focus, and a stand-in for the
# person that answers the portal's dialogs through accessibility.
#
#   gnomesession.sh RECEIVER COMMAND [ARGS...]
#
# PORTAL_LAYOUT names the desktop's keyboard layout (XKB, default de);
# PORTAL_XWAYLAND=1 starts XWayland too and names it in DISPLAY.  The
# command finds WAYLAND_DISPLAY, DBUS_SESSION_BUS_ADDRESS, RECEIVER_TEXT and
# RECEIVER_FOCUS (the receiver's files, as x11session.sh names them),
# PORTAL_ANSWER (a file: the answer to the next dialogs, allow, refuse, close
# or wait) and PORTAL_DIALOGS (a file: one answer a line, as given) in its
# environment.  Nothing here refuses root, so everything runs as the caller.
# Exits 77 (skipped) only when a part of the desktop is not installed.
set -uo pipefail

skip() {
    echo "SKIP: $*" >&2
    exit 77
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ $# -ge 2 ] || fail "usage: $0 RECEIVER COMMAND [ARGS...]"
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
for tool in mutter dbus-daemon /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-gnome \
    /usr/libexec/at-spi-bus-launcher "$python"; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done
"$python" -c 'import gi, pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"
receiver=$(realpath "$1")
shift

work=$(mktemp -d /tmp/plumtype-gnome.XXXXXX) || fail "no temporary folder"
runtime=$work/runtime
mkdir -m 0700 "$runtime" "$work/home" "$work/tmp"

# The buses run in process groups of their own with every service they
# start: the clean-up ends each group whole.
groups=()
pids=()
cleanup() {
    local pid group
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null
        wait "${pids[i]}" 2>/dev/null
    done
    for group in "${groups[@]}"; do
        kill -- "-$group" 2>/dev/null
    done
    # Services still ending may write to the runtime folder: they go first.
    for group in "${groups[@]}"; do
        wait_for 20 group_gone "$group" || kill -KILL -- "-$group" 2>/dev/null
    done
    sleep 0.1
    # The document portal mounts a folder of the runtime folder.
    fusermount3 -u -q "$runtime/doc" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

group_gone() { ! kill -0 -- "-$1" 2>/dev/null; }

show_log() {
    echo "--- $1" >&2
    tail -n 30 "$1" >&2 2>/dev/null
}

# Waits until a command succeeds, at most $1 tenths of a second.
wait_for() {
    local tenths=$1 i
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

display=plumtype-gnome-$$
# The environment of everything here, the services the session bus starts
# included.
export PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 HOME="$work/home" \
    XDG_RUNTIME_DIR="$runtime" XDG_CACHE_HOME="$work/cache" XDG_CONFIG_HOME="$work/config" \
    XDG_DATA_HOME="$work/data" XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland \
    WAYLAND_DISPLAY="$display" GDK_BACKEND=wayland GSETTINGS_BACKEND=memory \
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system_bus" \
    DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/bus" NO_AT_BRIDGE=0
unset DISPLAY

# Started without a function or a subshell between, so that $! is the
# program itself.
setsid dbus-daemon --session --nofork --address="$DBUS_SYSTEM_BUS_ADDRESS" \
    >"$work/system_bus.log" 2>&1 &
groups+=($!)
setsid dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" \
    >"$work/session_bus.log" 2>&1 &
groups+=($!)
wait_for 50 test -S "$work/system_bus" -a -S "$runtime/bus" || fail "the buses did not start"

"$python" "$here/desktop.py" locale1 "${PORTAL_LAYOUT:-de}" >"$work/locale1.log" 2>&1 &
pids+=($!)
has_name() { dbus-send --bus="$1" --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner "string:$2" 2>/dev/null | grep -q true; }
wait_for 50 has_name "$DBUS_SYSTEM_BUS_ADDRESS" org.freedesktop.locale1 \
    || { show_log "$work/locale1.log"; fail "the layout service did not start"; }

x11=(--no-x11)
[ "${PORTAL_XWAYLAND:-0}" = 1 ] && x11=()
mutter --headless --wayland "${x11[@]}" --virtual-monitor 1280x800 --wayland-display "$display" \
    >"$work/mutter.log" 2>&1 &
mutter_pid=$!
pids+=("$mutter_pid")
mutter_up() { [ -S "$runtime/$display" ] && has_name "$DBUS_SESSION_BUS_ADDRESS" org.gnome.Mutter.RemoteDesktop; }
if ! wait_for 150 mutter_up; then
    show_log "$work/mutter.log"
    fail "mutter did not start headless within 15 s"
fi
if [ "${PORTAL_XWAYLAND:-0}" = 1 ]; then
    x_display() { grep -o 'Using public X11 display :[0-9]*' "$work/mutter.log" | grep -o ':[0-9]*$'; }
    wait_for 150 x_display >/dev/null || { show_log "$work/mutter.log"; fail "XWayland did not start"; }
    export DISPLAY XAUTHORITY
    DISPLAY=$(x_display)
    # mutter lets X programs in with a cookie of its own.
    XAUTHORITY=$(ls "$runtime"/.mutter-Xwaylandauth.* 2>/dev/null | head -n1)
fi

"$python" "$here/desktop.py" keyboard >"$work/keyboard.log" 2>&1 &
pids+=($!)
wait_for 50 grep -q ready "$work/keyboard.log" \
    || { show_log "$work/keyboard.log"; fail "no keyboard on the seat"; }

export RECEIVER_TEXT="$work/text" RECEIVER_FOCUS="$work/focus"
QT_QPA_PLATFORM=wayland "$receiver" "$RECEIVER_TEXT" "$RECEIVER_FOCUS" >"$work/receiver.log" 2>&1 &
receiver_pid=$!
pids+=("$receiver_pid")
focused() { [ "$(cat "$RECEIVER_FOCUS" 2>/dev/null)" = active ] || ! kill -0 "$receiver_pid" 2>/dev/null; }
if ! wait_for 150 focused || ! kill -0 "$receiver_pid" 2>/dev/null; then
    show_log "$work/receiver.log"
    show_log "$work/mutter.log"
    fail "the receiver did not start or did not get the keyboard focus"
fi

# The portal and its GNOME backend, started by the bus on the first call;
# GNOME's backend offers remote desktop once it has found mutter's.
portal_up() {
    dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop \
        /org/freedesktop/portal/desktop org.freedesktop.DBus.Properties.Get \
        string:org.freedesktop.portal.RemoteDesktop string:AvailableDeviceTypes 2>/dev/null \
        | grep -q uint32 \
        && dbus-send --session --print-reply --dest=org.freedesktop.impl.portal.desktop.gnome \
            /org/freedesktop/portal/desktop org.freedesktop.DBus.Introspectable.Introspect \
            2>/dev/null | grep -q org.freedesktop.impl.portal.RemoteDesktop
}
wait_for 200 portal_up || fail "the desktop portal did not offer remote desktop within 20 s"

export PORTAL_ANSWER="$work/answer" PORTAL_DIALOGS="$work/dialogs"
: >"$PORTAL_DIALOGS"
"$python" "$here/desktop.py" answer "$PORTAL_ANSWER" "$PORTAL_DIALOGS" >"$work/answer.log" 2>&1 &
pids+=($!)

echo "headless GNOME on $display, layout ${PORTAL_LAYOUT:-de}"
TMPDIR="$work/tmp" timeout --kill-after=5 280 "$@"
status=$?
if [ "$status" -ne 0 ]; then
    for log in receiver mutter answer session_bus; do
        show_log "$work/$log.log"
    done
fi
exit "$status"
