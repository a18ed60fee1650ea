#!/usr/bin/env bash
# Start-up as a user sees it, on a private X server with a window manager:
# Plumtype to its titled home keyboard against a bare Qt window with a text
# box and 120 buttons, started the same way in the same run, ROUNDS times
# each, alternately.  Reports the medians of
#   ready   ms from the start to the titled window on screen
#   key     ms from a key typed then to its showing in the window
#   first   ms from a key typed as the window first shows to its showing
#   rss     peak resident memory in MB once ready, and 3 s later
#   term    ms from SIGTERM to the end of the program
# With A11Y=1 a further line measures the key through the accessibility tree
# (bench/firstkey_atspi.py): the window found there titled with the home
# keyboard, a key typed, and the typing area's text read back (it needs the
# Debian package python3-pyatspi).
#
#   bench/startup.sh [BUILD_DIR]        (default: build)
#
# ROUNDS (default 10).  A11Y=1 runs everything on a session bus with the
# accessibility bus up and Qt's accessibility on, as screen readers have it.
# Plumtype makes its voice as it would for a user (the speech service starts
# on demand); the script ends whatever it started.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
rounds=${ROUNDS:-10}
bin=$build/bin
for tool in Xvfb openbox xprop; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
for program in plumtype bare_window startwatch; do
    [ -x "$bin/$program" ] || { echo "missing $bin/$program: build with -DPLUMTYPE_BENCHMARKS=ON"; exit 1; }
done

if [ "${A11Y:-0}" = 1 ] && [ -z "${STARTUP_IN_BUS:-}" ]; then
    export STARTUP_IN_BUS=1
    exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    # The speech service that Plumtype started lives in our runtime folder.
    for pidfile in "$work"/runtime/speech-dispatcher/pid/*.pid; do
        [ -e "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
    done
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q . "$work/display" && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
done

mkdir -p "$work/data" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
export QT_QPA_PLATFORM=xcb
unset SPEECHD_ADDRESS
if [ "${A11Y:-0}" = 1 ]; then
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/atspi.log" 2>&1 &
    pids+=($!)
    sleep 1
fi

# The first start lays out the program folder; it is not counted.
"$bin/startwatch" --key-at none "home.kbd" -- "$bin/plumtype" >/dev/null

: >"$work/plumtype" && : >"$work/bare" && : >"$work/atspi"
for round in $(seq "$rounds"); do
    "$bin/startwatch" --settle 3000 "Bare window - (0)" -- "$bin/bare_window" >>"$work/bare"
    "$bin/startwatch" --key-at map "Bare window" -- "$bin/bare_window" |
        sed 's/ key=/ first=/' >>"$work/bare.first"
    "$bin/startwatch" --settle 3000 "Plumtype - home.kbd - (0)" -- "$bin/plumtype" >>"$work/plumtype"
    "$bin/startwatch" --key-at map "Plumtype" -- "$bin/plumtype" |
        sed 's/ key=/ first=/' >>"$work/plumtype.first"
    if [ "${A11Y:-0}" = 1 ] && /usr/bin/python3 -c "import pyatspi" 2>/dev/null; then
        /usr/bin/python3 "$(dirname "$0")/firstkey_atspi.py" "$bin/plumtype" >>"$work/atspi" || true
    fi
    echo "round $round of $rounds done" >&2
done

# The median of one field over the lines of a file.
median() {
    grep -o " $2=[-0-9.]*" "$1" | sed "s/.*=//" | sort -g |
        awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
range() {
    grep -o " $2=[-0-9.]*" "$1" | sed "s/.*=//" | sort -g | sed -n '1p;$p' | paste -sd- -
}
sed -i 's/^/ /' "$work"/plumtype "$work"/bare "$work"/plumtype.first "$work"/bare.first
printf "%-10s %14s %14s %9s %9s %9s %9s %9s\n" "" "ready ms" "(range)" "key ms" "first ms" \
    "rss MB" "rss+3s" "term ms"
for program in bare plumtype; do
    printf "%-10s %14s %14s %9s %9s %9s %9s %9s\n" "$program" "$(median "$work/$program" ready)" \
        "$(range "$work/$program" ready)" "$(median "$work/$program" key)" \
        "$(median "$work/$program.first" first)" "$(median "$work/$program" rss_ready)" \
        "$(median "$work/$program" rss_peak)" "$(median "$work/$program" term)"
done
if [ "${A11Y:-0}" = 1 ]; then
    sed -i 's/^/ /' "$work/atspi"
    printf "%-10s %14s %14s %9s   (through the accessibility tree)\n" "plumtype" \
        "$(median "$work/atspi" ready)" "$(range "$work/atspi" ready)" "$(median "$work/atspi" key)"
fi
echo "($rounds rounds, same run; A11Y=${A11Y:-0})"
