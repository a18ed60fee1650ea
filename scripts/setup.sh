#!/usr/bin/env bash
# Installs the Debian packages that Plumtype needs to build, test and run,
# when they are missing.  Runs apt-get through sudo when not root.
# `setup.sh fuzz` or `setup.sh sanitize` adds clang and its sanitizer and
# libFuzzer runtimes, which only `make fuzz` and `make sanitize` need.
set -euo pipefail

packages=(
    build-essential cmake
    qt6-base-dev qt6-speech-dev qt6-declarative-dev
    qt6-speech-speechd-plugin speech-dispatcher speech-dispatcher-espeak-ng
    xdg-utils fonts-dejavu-core fonts-liberation2
    libbenchmark-dev
    desktop-file-utils appstream
    libwayland-dev libwayland-bin libxkbcommon-dev qt6-wayland sway xwayland
    libx11-dev libxtst-dev libxi-dev xvfb xdotool openbox x11-xkb-utils x11-utils
    # Typing through the desktop portal, tested under a headless GNOME:
    # its compositor, the portal with GNOME's backend, the session bus and
    # accessibility, through which the tests answer the portal's dialog.
    mutter xwayland xdg-desktop-portal xdg-desktop-portal-gnome dbus dbus-daemon dbus-bin at-spi2-core
    python3-pyatspi gir1.2-atspi-2.0 python3-gi
)
case "${1:-}" in
    fuzz | sanitize) packages+=(clang libclang-rt-14-dev) ;;
    "") ;;
    *) echo "usage: $0 [fuzz|sanitize]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
