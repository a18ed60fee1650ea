#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the desktop entries, the
# icons and the AppStream file, and starts the installed programs: Plumtype on
# a fresh data folder, where it must lay out the keyboards it finds beside its
# own executable and show the home keyboard; Wordloom from the command line.
#   check_install.sh <build folder>
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/plumtype bin/plumtype-keeper bin/wordloom \
    share/plumtype/Keyboards/home.kbd share/plumtype/home.bmp share/plumtype/screensize.dat \
    share/metainfo/org.plumtype.Plumtype.metainfo.xml; do
    [ -e "$prefix/$file" ] || fail "$file was not installed"
done
[ -n "$(ls "$prefix"/share/plumtype/words)" ] || fail "no word lists installed"

# Each desktop entry starts an installed program and names an installed icon.
for id in org.plumtype.Plumtype org.plumtype.Wordloom; do
    entry=$prefix/share/applications/$id.desktop
    [ -f "$entry" ] || fail "$id.desktop was not installed"
    exe=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$prefix/bin/$exe" ] || fail "$id.desktop starts $exe, which is not in bin/"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    for size in 16 32 48 64 128 256; do
        png=$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png
        [ -s "$png" ] || fail "no ${size}x${size} icon $icon"
    done
done
grep -q '^Categories=.*Accessibility;' "$prefix/share/applications/org.plumtype.Plumtype.desktop" \
    || fail "Plumtype is not in the Accessibility category"
desktop-file-validate "$prefix"/share/applications/*.desktop
appstreamcli validate --no-net --strict "$prefix"/share/metainfo/org.plumtype.Plumtype.metainfo.xml \
    >/dev/null || fail "appstreamcli validate"

# The installed Plumtype on a fresh data folder, with nothing pointing it at
# the build tree.
env -u PLUMTYPE_DATA XDG_DATA_HOME="$tmp/data" XDG_CONFIG_HOME="$tmp/config" \
    XDG_RUNTIME_DIR="$tmp" QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/plumtype" --screenshot "$tmp/home.png" || fail "plumtype showed no home keyboard"
[ -s "$tmp/home.png" ] || fail "plumtype drew no picture"
cmp -s "$prefix/share/plumtype/Keyboards/home.kbd" "$tmp/data/plumtype/Keyboards/home.kbd" \
    || fail "the shipped keyboards were not laid out in the fresh data folder"

# The installed Wordloom, from the command line.
mkdir "$tmp/lists"
printf 'My Animals\r\ncat\r\n\r\nend\r\n' >"$tmp/lists/WordLists.txt"
QT_QPA_PLATFORM=offscreen "$prefix/bin/wordloom" "$tmp/lists/WordLists.txt" >/dev/null \
    || fail "wordloom failed"
[ -f "$tmp/lists/MyAnimals.kbd" ] && [ -f "$tmp/lists/NewKeyboardList.kbd" ] \
    || fail "wordloom wrote no keyboards"
echo "installed and started from $prefix"
