#!/usr/bin/env bash
# A password field end to end: a private session bus (dbus-run-session), on
# which the accessibility bus and its registry start when first asked for,
# Xvfb with openbox, the receiver as a login form with Qt's accessibility on,
# and the test, whose Plumtype window types into it.
#
#   run_password.sh RECEIVER TEST
#
# Exits with 77 (skipped) when dbus-run-session or the accessibility bus
# launcher is missing (scripts/setup.sh installs them), or as x11session.sh
# does.
set -euo pipefail
here=$(dirname "$0")
if ! command -v dbus-run-session >/dev/null; then
    echo "skipped: dbus-run-session is not installed (scripts/setup.sh installs it)"
    exit 77
fi
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
dbus-run-session -- bash "$here/x11session.sh" "$1" "$2"
