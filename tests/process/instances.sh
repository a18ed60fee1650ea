#!/usr/bin/env bash
# Plumtype as a process on one program folder, in a private X server
# (x11session.sh runs this with DISPLAY set): a second start brings the
# running window forward and ends; SIGTERM, SIGHUP and SIGINT each end
# Plumtype within 5 seconds with every word it learned in words/Learned.txt,
# together with what another writer put there meanwhile; leftovers of killed
# writes are cleared at start; a crashed Plumtype's lock and socket are
# taken over by the next start.
#
#   instances.sh PLUMTYPE
set -euo pipefail
plumtype=$1
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export QT_QPA_PLATFORM=xcb
# No speech service: the voice is never wanted here.
export SPEECHD_ADDRESS=unix_socket:/nonexistent/speechd.sock
mkdir -p "$XDG_CONFIG_HOME/plumtype" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[learn]\non=1\n' >"$XDG_CONFIG_HOME/plumtype/plumtype.conf"
folder=$XDG_DATA_HOME/plumtype
learned=$folder/words/Learned.txt

fail() {
    echo "FAIL: $*"
    exit 1
}

# Milliseconds since the epoch.
now() { date +%s%3N; }

# Starts Plumtype, waits for its window; sets started (pid) and window.
start() {
    "$plumtype" >"$work/plumtype-$1.log" 2>&1 &
    started=$!
    pids+=("$started")
    window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$started" --name '^Plumtype' |
        head -n1) || fail "start $1: no window"
    # The home keyboard is up once the title names it.
    for _ in $(seq 100); do
        xdotool getwindowname "$window" | grep -q 'home.kbd' && return 0
        sleep 0.1
    done
    fail "start $1: the home keyboard did not come"
}

# Types text into the window's typing area and waits until the title counts
# `words` words.
type_words() {
    local text=$1 words=$2
    # Plumtype's window keeps off the focus; a click into its typing area
    # (at the top, across the window) takes it for the keyboard.
    xdotool mousemove --window "$window" 200 30 click 1
    sleep 0.3
    xdotool type --delay 30 "$text"
    for _ in $(seq 100); do
        xdotool getwindowname "$window" | grep -qF "($words)" && return 0
        sleep 0.1
    done
    fail "the typing area did not get \"$text\": $(xdotool getwindowname "$window")"
}

# Sends a signal, waits for the end; fails beyond 5 seconds.
end_with() {
    local signal=$1 pid=$started t0 waited
    t0=$(now)
    kill "-$signal" "$pid"
    while kill -0 "$pid" 2>/dev/null; do
        waited=$(($(now) - t0))
        [ "$waited" -le 5000 ] || fail "SIG$signal: still running after 5 s"
        sleep 0.02
    done
    wait "$pid" 2>/dev/null || true
    echo "SIG$signal: ended after $(($(now) - t0)) ms"
}

has_word() {
    grep -qP "^[0-9]+\t$1\r?$" "$learned"
}

# --- one instance a folder -------------------------------------------------
start first
first=$started
# The window is minimised and something else has the focus when the second
# start comes.
timeout 5 xdotool windowminimize --sync "$window" >/dev/null 2>&1 || true
xdotool windowactivate --sync "$RECEIVER_WINDOW" >/dev/null 2>&1 || true
t0=$(now)
"$plumtype" >"$work/second.log" 2>&1 || fail "the second start failed: $(cat "$work/second.log")"
echo "second start ended after $(($(now) - t0)) ms: $(cat "$work/second.log")"
grep -q "running already" "$work/second.log" || fail "the second start did not say so"
kill -0 "$first" || fail "the first ended"
# Shown again on top of the others; the focus stays where it was, as
# Plumtype's window never takes it.
on_top() {
    local stacking
    stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*' | tail -n1)
    [ "$((stacking))" = "$window" ] &&
        ! xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN
}
for _ in $(seq 50); do
    on_top && break
    sleep 0.1
done
on_top || fail "the running window was not brought forward"
[ "$(xdotool getactivewindow)" = "$RECEIVER_WINDOW" ] || fail "the running window took the focus"
[ "$(stat -c %a "$folder/.plumtype.lock")" = 600 ] || fail "the lock file is not private"
socket=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -type s -name 'plumtype-*')
[ -n "$socket" ] && [ "$(stat -c %a "$socket")" = 700 ] || fail "no private socket: $(ls -l "$XDG_RUNTIME_DIR")"
# A picture is taken only of a window of its own.
if "$plumtype" --screenshot "$work/shot.png" >"$work/shot.log" 2>&1; then
    fail "--screenshot ran on a folder in use"
fi
grep -q "is using" "$work/shot.log" && [ ! -e "$work/shot.png" ] ||
    fail "--screenshot on a folder in use: $(cat "$work/shot.log")"

# --- SIGTERM: what was learned is saved ----------------------------------
sleep 1 # the learned model is read once the home keyboard is up
type_words "apple pie. " 2
end_with TERM
has_word apple && has_word pie || fail "after SIGTERM: $(cat "$learned")"

# --- SIGHUP, with another writer and leftovers of killed writes ----------
printf 'x' >"$folder/words/Learned.txt~Ab12Cd"
printf 'x' >"$folder/Keyboards/home.kbd~Zz9Yy8"
printf 'keep' >"$folder/SavedText/notes.txt"
start second
[ ! -e "$folder/words/Learned.txt~Ab12Cd" ] && [ ! -e "$folder/Keyboards/home.kbd~Zz9Yy8" ] ||
    fail "leftovers of killed writes stayed: $(ls "$folder/words" "$folder/Keyboards" | grep '~')"
[ "$(cat "$folder/SavedText/notes.txt")" = keep ] || fail "a saved text was touched"
sleep 1
type_words "zebra crossing. " 2
# Another writer adds a word while this one runs, as a second Plumtype
# without the lock would.
printf '7\tmango\r\n' >>"$learned"
end_with HUP
for word in apple pie zebra crossing mango; do
    has_word "$word" || fail "after SIGHUP, $word is missing: $(cat "$learned")"
done

# --- SIGINT ------------------------------------------------------------
start third
sleep 1
type_words "kiwi. " 1
end_with INT
for word in apple pie zebra crossing mango kiwi; do
    has_word "$word" || fail "after SIGINT, $word is missing: $(cat "$learned")"
done
[ -z "$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -type s)" ] || fail "the socket stayed after the end"

# --- a crashed Plumtype's lock and socket are taken over ------------------
start crashed
kill -KILL "$started"
wait "$started" 2>/dev/null || true
start after-crash
"$plumtype" >"$work/second-after-crash.log" 2>&1 || fail "no answer after a crash: $(cat "$work/second-after-crash.log")"
grep -q "running already" "$work/second-after-crash.log" || fail "after a crash: $(cat "$work/second-after-crash.log")"
end_with TERM

[ "$(stat -c %a "$learned")" = 600 ] || fail "Learned.txt is not private: $(stat -c %a "$learned")"
for made in "$folder" "$folder/words" "$folder/Keyboards" "$folder/SavedText"; do
    [ "$(stat -c %a "$made")" = 700 ] || fail "$made is not private: $(stat -c %a "$made")"
done
echo "PASS"
