#!/usr/bin/env bash
# The sending benchmark on a private X server with the receiver focused.
#
#   bench/run_send.sh BUILD-DIR [benchmark options]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
shift
QT_QPA_PLATFORM=offscreen bash "$here/../tests/sending/x11session.sh" \
    "$build/bin/receiver" "$build/bin/bench_send" "$@"
