#!/usr/bin/env bash
# A password field end to end: a private session bus (dbus-run-session) with
# the accessibility bus and its registry started first, as a desktop session
# has them; then Xvfb with openbox, the receiver as a login form with Qt's
# accessibility on, and the test, whose Plumtype window types into it.
# Accessibility is off for the desktop at the start: Plumtype turns it on.
#
#   run_password.sh RECEIVER TEST
#
# Exits with 77 (skipped) when dbus-run-session, dbus-send or the
# accessibility bus launcher is missing (scripts/setup.sh installs them), or
# as x11session.sh does.
set -euo pipefail
here=$(dirname "$0")
for tool in dbus-run-session dbus-send; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed (scripts/setup.sh installs it)"
        exit 77
    fi
done
if [ ! -x /usr/libexec/at-spi-bus-launcher ]; then
    echo "skipped: at-spi2-core is not installed (scripts/setup.sh installs it)"
    exit 77
fi
# The accessibility bus puts its socket in the runtime folder, and keeps
# whether accessibility is on in the desktop settings (dconf): folders of our
# own, so that the user's desktop is left alone.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 0700 "$home/runtime" "$home/config" "$home/cache"
export XDG_RUNTIME_DIR=$home/runtime XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache
export RECEIVER_MODE=password RECEIVER_ENV=QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 X11_WM=openbox
# What the guard hears, for the log of a failed run.
export QT_LOGGING_RULES=plumtype.passwords.debug=true
# shellcheck disable=SC2016  # expanded by the inner shell
dbus-run-session -- bash -c '
    address=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
        org.a11y.Bus.GetAddress) || exit 1
    # The registry too, as on a desktop, where it runs before the programs.
    dbus-send --bus="${address//[[:space:]]/}" --print-reply --dest=org.a11y.atspi.Registry \
        /org/a11y/atspi/registry org.a11y.atspi.Registry.GetRegisteredEvents >/dev/null || exit 1
    exec bash "$0" "$@"' "$here/x11session.sh" "$1" "$2"
