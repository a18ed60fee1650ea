#!/usr/bin/env bash
# shellcheck disable=SC2317  # cleanup and the wait conditions run through trap and wait_for
# The Wayland sender end to end: sway headless with a configuration of its
# own, the receiver as a native Wayland client (the only window, so it has the
# keyboard focus), then the test program, which types into it.
#
#   run_wayland.sh RECEIVER TEST [test arguments]
#
# sway will not run as root: as root, sway, the receiver and the test run as
# the unprivileged system user plumtest (created when missing; nobody when it
# cannot be).  Exits 77 (skipped) only when sway cannot start.
#
# The test finds the receiver's files in RECEIVER_TEXT and RECEIVER_FOCUS (as
# x11session.sh names them; PLUMTYPE_RECEIVER_TEXT and PLUMTYPE_RECEIVER_FOCUS
# too), the receiver's process in RECEIVER_PID, sway's IPC socket in
# SWAYSOCK, PLUMTYPE_DATA passed on, and a TMPDIR of its own.  It runs on the
# offscreen platform, unless:
#
#   XWAYLAND=1      sway runs XWayland, and the test gets DISPLAY and chooses
#                   its platform itself, as Plumtype does
#   POINTER=PROGRAM a program that gives the seat a virtual pointer, started
#                   first, so that clicks of sway's cursor reach programs
#   SESSION_TYPE=T  the test's XDG_SESSION_TYPE (unset otherwise, as in a
#                   sway started from a text console)
set -uo pipefail

skip() {
    echo "SKIP: $*" >&2
    exit 77
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ $# -ge 2 ] || fail "usage: $0 RECEIVER TEST [test arguments]"
command -v sway >/dev/null || skip "sway is not installed (scripts/setup.sh installs it)"
receiver=$(realpath "$1")
test=$(realpath "$2")
shift 2

as_user=()
user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
    user=plumtest
    if ! id -u "$user" >/dev/null 2>&1; then
        useradd --system --no-create-home --home-dir /nonexistent \
            --shell /usr/sbin/nologin "$user" >/dev/null 2>&1 || user=nobody
    fi
    as_user=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --clear-groups --)
fi
run() { "${as_user[@]}" "$@"; }

for program in "$receiver" "$test"; do
    run test -x "$program" \
        || skip "user $user cannot run $program: a folder above it is closed to other users" \
            "(the checkout must be under folders that others may enter, chmod o+x)"
done

work=$(mktemp -d /tmp/plumtype-wayland.XXXXXX) || fail "no temporary folder"
runtime=$work/runtime
mkdir -m 0700 "$runtime"
# The test's own temporary files (a program folder laid out from the shipped
# data) go here, where the unprivileged user may write.
mkdir -m 0700 "$work/tmp"
chown -R "$user": "$work"
chmod 0700 "$work"

pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

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

xwayland=disable
[ "${XWAYLAND:-0}" = 1 ] && xwayland=force
cat >"$work/sway.config" <<EOF
# Nothing but the receiver's window (and the test's): no bar, no background.
xwayland $xwayland
default_border none
focus_follows_mouse no
EOF
chown "$user": "$work/sway.config"

session=(env -i PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 HOME="$work"
    XDG_RUNTIME_DIR="$runtime" XDG_CACHE_HOME="$work/cache" XDG_CONFIG_HOME="$work/config")

# Started without a function or a subshell between, so that $! is the
# program itself and the clean-up can end it.
"${as_user[@]}" "${session[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
sway_pid=$!
pids+=("$sway_pid")

socket=
find_socket() {
    kill -0 "$sway_pid" 2>/dev/null || return 0
    for s in "$runtime"/wayland-*; do
        if [ -S "$s" ]; then
            socket=${s##*/}
            return 0
        fi
    done
    return 1
}
wait_for 100 find_socket
if [ -z "$socket" ]; then
    show_log "$work/sway.log"
    skip "sway could not start headless (no Wayland socket within 10 s)"
fi

session+=(WAYLAND_DISPLAY="$socket")
ipc=$(find "$runtime" -maxdepth 1 -name 'sway-ipc.*.sock' -print -quit)
session+=(SWAYSOCK="$ipc")
swaymsg_() { run "${session[@]}" swaymsg "$@" >/dev/null 2>&1; }

test_env=(QT_QPA_PLATFORM=offscreen)
if [ "${XWAYLAND:-0}" = 1 ]; then
    # sway gives the programs it starts the display of its XWayland.
    displayed() { [ -s "$work/display" ] || ! kill -0 "$sway_pid" 2>/dev/null; }
    swaymsg_ exec "printf %s \"\$DISPLAY\" >$work/display"
    if ! wait_for 100 displayed || ! [ -s "$work/display" ]; then
        show_log "$work/sway.log"
        skip "sway could not start XWayland (is xwayland installed? scripts/setup.sh installs it)"
    fi
    # No speech service is wanted on a real display.
    test_env=(DISPLAY="$(cat "$work/display")" SPEECHD_ADDRESS=unix_socket:/nonexistent/speechd.sock)
fi
[ -n "${SESSION_TYPE:-}" ] && test_env+=(XDG_SESSION_TYPE="$SESSION_TYPE")

if [ -n "${POINTER:-}" ]; then
    "${as_user[@]}" "${session[@]}" "$(realpath "$POINTER")" >"$work/pointer.log" 2>&1 &
    pids+=($!)
    has_pointer() { grep -q ready "$work/pointer.log"; }
    wait_for 50 has_pointer || { show_log "$work/pointer.log"; fail "no virtual pointer"; }
fi
"${as_user[@]}" "${session[@]}" QT_QPA_PLATFORM=wayland \
    "$receiver" "$work/text" "$work/focus" >"$work/receiver.log" 2>&1 &
receiver_pid=$!
pids+=("$receiver_pid")

focused() { [ "$(cat "$work/focus" 2>/dev/null)" = active ] || ! kill -0 "$receiver_pid" 2>/dev/null; }
if ! wait_for 150 focused || ! kill -0 "$receiver_pid" 2>/dev/null; then
    show_log "$work/receiver.log"
    show_log "$work/sway.log"
    fail "the receiver did not start or did not get the keyboard focus"
fi

# A sender stuck on a compositor that no longer answers ends here, not in
# ctest's time-out, so that sway and the receiver are still cleaned up.
run "${session[@]}" "${test_env[@]}" \
    TMPDIR="$work/tmp" PLUMTYPE_DATA="${PLUMTYPE_DATA:-}" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}" \
    UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
    PLUMTYPE_RECEIVER_TEXT="$work/text" PLUMTYPE_RECEIVER_FOCUS="$work/focus" \
    RECEIVER_TEXT="$work/text" RECEIVER_FOCUS="$work/focus" RECEIVER_PID="$receiver_pid" \
    timeout --kill-after=5 90 "$test" "$@"
status=$?
if [ "$status" -ne 0 ]; then
    show_log "$work/receiver.log"
    show_log "$work/sway.log"
fi
exit "$status"
