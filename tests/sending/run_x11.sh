#!/usr/bin/env bash
# The X11 sender end to end in a private X server, twice: with a window
# manager and the sender on an X connection of its own (as Plumtype under
# XWayland has it), then without one (the focus moves without
# _NET_ACTIVE_WINDOW) and the sender on Qt's own X connection.
#
#   run_x11.sh RECEIVER TEST
#
# Exits with 77 (skipped) when Xvfb, xdotool or xprop is missing.
set -euo pipefail
here=$(dirname "$0")
X11_WM=openbox QT_QPA_PLATFORM=offscreen bash "$here/x11session.sh" "$1" "$2"
X11_WM=none QT_QPA_PLATFORM=xcb bash "$here/x11session.sh" "$1" "$2"
