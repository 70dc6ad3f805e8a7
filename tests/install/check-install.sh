#!/usr/bin/env bash
# Installs the build under a prefix with a blank in it into a temporary DESTDIR and checks the
# tree: the program with everything it finds beside it, the command in bin, the desktop entry,
# the icons and the metainfo (validated with the desktop's own tools). Then starts the installed
# program for a moment as a new user, on the offscreen platform with its own home, and checks
# what the first start made: the user's program folder in the prefix, the registry's open
# command naming it, and the desktop's ZIP handler naming the installed program.
set -euo pipefail
# The desktop is told of a program only where no other user could put one in its place, so the
# installation must not lie in a folder others can write to, as /tmp is: as root the script runs
# with a /tmp of its own (a folder only root can write to, mounted over /tmp for this script
# alone), otherwise in the user's runtime folder.
if [ "$(id -u)" = 0 ] && [ -z "${PAKRUNE_OWN_TMP:-}" ] && command -v unshare >/dev/null; then
  own=$(mktemp -d /tmp/pakrune-install.XXXXXX)
  chmod 755 "$own"
  status=0
  PAKRUNE_OWN_TMP=$own unshare --mount --propagation private \
    bash -c 'mount --bind "$PAKRUNE_OWN_TMP" /tmp && exec bash "$@"' bash "$0" "$@" || status=$?
  rm -rf "$own"
  exit $status
fi
build=$1
work=$(mktemp -d -p "$([ -n "${PAKRUNE_OWN_TMP:-}" ] && echo /tmp || echo "${XDG_RUNTIME_DIR:-/tmp}")")
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

prefix="/opt/Pakrune Test"
DESTDIR="$work/root" cmake --install "$build" --prefix "$prefix" >/dev/null
root="$work/root$prefix"
for file in lib/pakrune/pakrune lib/pakrune/libzipdll.so lib/pakrune/libunzdll.so \
    lib/pakrune/pakrune.installed share/applications/org.pakrune.Pakrune.desktop \
    share/metainfo/org.pakrune.Pakrune.metainfo.xml \
    share/icons/hicolor/scalable/apps/org.pakrune.Pakrune.svg \
    share/icons/hicolor/48x48/apps/org.pakrune.Pakrune.png; do
  [ -f "$root/$file" ] || fail "$file was not installed"
done
for optional in ZIPSFX.BIN; do
  [ ! -f "$build/bin/$optional" ] || [ -f "$root/lib/pakrune/$optional" ] || fail "$optional was not installed"
done
[ "$(readlink "$root/bin/pakrune")" = ../lib/pakrune/pakrune ] || fail "bin/pakrune is not a link to the program"
[ -x "$root/bin/pakrune" ] || fail "bin/pakrune does not run"
python3 - "$root/share/icons/hicolor/48x48/apps/org.pakrune.Pakrune.png" <<'PY' || fail "the icon is not 48 by 48"
import struct, sys
data = open(sys.argv[1], 'rb').read(24)
sys.exit(0 if data[:8] == b'\x89PNG\r\n\x1a\n' and struct.unpack('>II', data[16:24]) == (48, 48) else 1)
PY
desktop-file-validate "$root/share/applications/org.pakrune.Pakrune.desktop" || fail "desktop entry"
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/share/metainfo/org.pakrune.Pakrune.metainfo.xml" >/dev/null ||
    fail "metainfo: $(appstreamcli validate --no-net "$root/share/metainfo/org.pakrune.Pakrune.metainfo.xml")"
fi

# The first start of a new user.
home="$work/home"
mkdir -p "$home" "$work/tmp" "$work/run"
chmod 700 "$work/run"
user_env=(env -i PATH=/usr/bin:/bin HOME="$home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/run"
  XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
  XDG_CONFIG_DIRS="$work/none" XDG_DATA_DIRS="$work/none" PAKRUNE_PREFIX="$home/.pakrune")
"${user_env[@]}" QT_QPA_PLATFORM=offscreen "$root/bin/pakrune" >"$work/output" 2>&1 &
pid=$!
command='@="C:\\Program Files\\Pakrune\\pakrune \"%1\""'
for _ in $(seq 100); do
  grep -qF "$command" "$home/.pakrune/HKEY_CLASSES_ROOT.reg" 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || fail "the installed program ended: $(cat "$work/output")"
  sleep 0.2
done
grep -qF "$command" "$home/.pakrune/HKEY_CLASSES_ROOT.reg" || fail "no open command in the registry"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=

folder="$home/.pakrune/drive_c/Program Files/Pakrune"
for file in pakrune libzipdll.so libunzdll.so; do
  [ "$(readlink "$folder/$file")" = "$root/lib/pakrune/$file" ] || fail "C:\\Program Files\\Pakrune\\$file is not linked"
done
handler="$home/.local/share/applications/org.pakrune.Pakrune.ZipHandler.desktop"
desktop-file-validate "$handler" || fail "the ZIP handler's entry"
grep -qF "Exec=\"$root/lib/pakrune/pakrune\" %f" "$handler" || fail "the handler does not start the installed program"
[ "$("${user_env[@]}" xdg-mime query default application/zip)" = org.pakrune.Pakrune.ZipHandler.desktop ] ||
  fail "the ZIP handler is not the default"
echo "The installed program passed its checks."
