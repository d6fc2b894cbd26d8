#!/usr/bin/env bash
# The installed program: `cmake --install` into a temporary prefix, the launcher on PATH starts
# it (offscreen, in temporary XDG folders), a second start hands a collection file to the
# running instance, the program stops, and removing what the install manifest lists leaves
# nothing behind.
# Usage: InstallE2ETest.sh BUILD_DIR
set -euo pipefail

build=$1
work=$(mktemp -d /tmp/tw-install-XXXXXX)
prefix=$work/prefix
first_pid=
cleanup() {
  [ -n "$first_pid" ] && kill "$first_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/trace.log" ] && sed 's/^/  trace: /' "$work/trace.log" >&2; exit 1; }

# Waits up to 30 s for a condition given as a command.
wait_for() {
  for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done
  return 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
manifest=$build/install_manifest.txt

for f in lib/tilewick/tilewick lib/tilewick/const.dat lib/tilewick/oem.dat \
         lib/tilewick/langs/English.lan lib/tilewick/res/help.html \
         share/applications/tilewick.desktop share/mime/packages/tilewick.xml \
         share/icons/hicolor/64x64/apps/tilewick.png; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
[ -x "$prefix/bin/tilewick" ] || fail "no launcher bin/tilewick"
grep -qx 'Exec=tilewick %f' "$prefix/share/applications/tilewick.desktop" || fail "Exec line"
desktop-file-validate "$prefix/share/applications/tilewick.desktop" || fail "invalid desktop entry"
type=$(sed -n 's/.*mime-type type="\([^"]*\)".*/\1/p' "$prefix/share/mime/packages/tilewick.xml")
grep -qx "MimeType=$type;" "$prefix/share/applications/tilewick.desktop" ||
  fail "the desktop entry does not open $type"
grep -q '<glob pattern="\*.vkt"/>' "$prefix/share/mime/packages/tilewick.xml" || fail "no *.vkt glob"

mkdir -p "$work/config" "$work/common" "$work/runtime" "$work/home"
chmod 700 "$work/runtime"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime \
  TILEWICK_COMMON_APPDATA=$work/common QT_QPA_PLATFORM=offscreen TILEWICK_TRACE=1
export PATH=$prefix/bin:$PATH

collection="$work/home/My pictures.vkt"
tilewick-collection add "$collection" "$(dirname "$0")/../data/collection/flag.PNG" >/dev/null ||
  fail "the installed collection tool did not make a collection"

# The launcher is a link: the program still finds its files through its real place.
tilewick 2>>"$work/trace.log" &
first_pid=$!
wait_for grep -q ': shown$' "$work/trace.log" || fail "the installed program did not show its window"

# A file manager opening the collection runs `tilewick %f`.
tilewick "$collection" 2>>"$work/trace.log" || fail "the second start failed"
hex=$(printf '%s' "$collection" | od -An -v -tx1 | tr -d ' \n' | tr a-f A-F)
wait_for grep -q ": copydata $hex\$" "$work/trace.log" ||
  fail "the running instance did not receive the collection"
grep -q ': role second$' "$work/trace.log" || fail "the second start did not hand over"

tilewick -s 2>>"$work/trace.log" || fail "the stop command failed"
wait_for bash -c "! kill -0 $first_pid 2>/dev/null" || fail "the program did not stop"
wait "$first_pid" || true
first_pid=

# Uninstall: remove every file the manifest lists, then the folders they leave empty.
# The manifest ends without a newline: its last line counts too.
while IFS= read -r f || [ -n "$f" ]; do rm -f "$f"; done <"$manifest"
find "$prefix" -depth -type d -empty -delete
[ ! -e "$prefix" ] || fail "left after uninstalling: $(find "$prefix" ! -type d)"
echo "installed, handed over and uninstalled cleanly"
