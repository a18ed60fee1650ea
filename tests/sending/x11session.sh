#!/usr/bin/env bash
# Runs a command inside a private X server: Xvfb on a free display, openbox
# (unless X11_WM=none or it is missing) and the receiver, focused.  The
# command finds DISPLAY, RECEIVER_TEXT, RECEIVER_FOCUS (the receiver's files)
# and RECEIVER_WINDOW (its X window) in its environment.  RECEIVER_MODE is
# passed on to the receiver ("password": a login form), RECEIVER_ENV (NAME=VALUE
# words) is its environment on top of this one.
#
#   x11session.sh RECEIVER COMMAND [ARGS...]
#
# Exits with 77 (skipped) when Xvfb, xdotool or xprop is missing.
set -euo pipefail

receiver=$1
shift
for tool in Xvfb xdotool xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed (scripts/setup.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Waits up to $1 tenths of a second for the command after it to succeed.
until_ok() {
    local tries=$1
    shift
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        if [ "$tries" -le 0 ]; then
            return 1
        fi
        sleep 0.1
    done
}

# Xvfb picks a free display and writes its number to the descriptor.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
if ! until_ok 100 grep -q . "$work/display"; then
    echo "Xvfb did not start:"
    cat "$work/xvfb.log"
    exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"

wm=none
if [ "${X11_WM:-openbox}" != none ] && command -v openbox >/dev/null; then
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wm=openbox
    # Ready once it has announced itself on the root window.
    until_ok 100 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
fi

export RECEIVER_TEXT="$work/text" RECEIVER_FOCUS="$work/focus"
# shellcheck disable=SC2086  # RECEIVER_ENV is split into its words on purpose
env ${RECEIVER_ENV:-} QT_QPA_PLATFORM=xcb "$receiver" "$RECEIVER_TEXT" "$RECEIVER_FOCUS" \
    ${RECEIVER_MODE:+"$RECEIVER_MODE"} >"$work/receiver.log" 2>&1 &
pids+=($!)
RECEIVER_WINDOW=$(timeout 10 xdotool search --sync --onlyvisible --name '^Receiver$' | head -n1)
export RECEIVER_WINDOW
# The window manager may still be starting and ignore the first requests:
# ask again until the receiver says it has the focus.
for _ in $(seq 20); do
    if [ "$wm" = openbox ]; then
        xdotool windowactivate "$RECEIVER_WINDOW" >/dev/null 2>&1 || true
    else
        xdotool windowfocus "$RECEIVER_WINDOW" >/dev/null 2>&1 || true
    fi
    if until_ok 5 grep -qx active "$RECEIVER_FOCUS"; then
        break
    fi
done
if ! grep -qx active "$RECEIVER_FOCUS"; then
    echo "the receiver did not get the focus (window manager: $wm)"
    cat "$work/receiver.log" "$work/openbox.log" 2>/dev/null || true
    xdotool getactivewindow getwindowname || true
    xdotool getwindowfocus getwindowname || true
    exit 1
fi
echo "X display $DISPLAY, window manager: $wm"
"$@"
