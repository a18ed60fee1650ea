#!/usr/bin/env bash
# Characters per second for a 1,000-character Send: through the desktop
# portal into a native Wayland program under a headless GNOME desktop, then
# through the X11 sender on a private X server, one after the other in the
# same run.
#
#   bench/run_portal.sh BUILD-DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
echo "== through the desktop portal (GNOME, mutter headless)"
QT_QPA_PLATFORM=offscreen bash "$here/../tests/portal/gnomesession.sh" \
    "$build/bin/receiver" "$build/bin/bench_portal"
echo "== through the X11 sender (Xvfb, openbox)"
QT_QPA_PLATFORM=offscreen bash "$here/../tests/sending/x11session.sh" \
    "$build/bin/receiver" "$build/bin/bench_send" --benchmark_filter=BM_SendThousandCharacters
