#!/usr/bin/env bash
# Starts the program with an archive under Xvfb, on a private D-Bus session with the accessibility
# bus it starts on demand, and reads the main window's list over AT-SPI as a screen reader does
# (AtSpiListing.py). The program runs in a throwaway prefix and home. Skipped (77) where the
# display, the bus or pyatspi is missing; scripts/install-deps installs them.
#   AtSpiListing.sh PROGRAM
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3 # the system's, which has pyatspi
skip() {
  echo "SKIPPED: $* (scripts/install-deps installs it)"
  exit 77
}
command -v xvfb-run >/dev/null || skip "no xvfb-run"
command -v dbus-run-session >/dev/null || skip "no dbus-run-session"
[ -x "$python" ] && "$python" -c 'import pyatspi' 2>/dev/null || skip "no python3-pyatspi"
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "no at-spi2-core"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/tmp" "$work/run" "$work/downloads"
chmod 700 "$work/run"
# Outside the temporary folder, so the archive is listed where it is, not handed over.
archive="$work/downloads/Tool-2.4.zip"
"$python" - "$archive" <<'PY'
import sys, zipfile
when = (2023, 5, 17, 14, 30, 22)
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr(zipfile.ZipInfo("setup.exe", when), b"MZ" + bytes(range(256)) * 20)
    z.writestr(zipfile.ZipInfo("readme.txt", (2024, 1, 2, 3, 4, 6)), "Read me first.\n" * 30)
    z.writestr(zipfile.ZipInfo("data/tool.dll", when), bytes(1234567))
PY

export HOME="$work/home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/run"
export XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export PAKRUNE_PREFIX="$work/home/.pakrune" LANG=C.UTF-8 LC_ALL=C.UTF-8
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
# On the private session: the program, then the reader; the program ends with the reader.
status=0
xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- bash -c '
  "$1" "$2" >"$5/program.log" 2>&1 &
  program=$!
  status=0
  "$3" "$4" "$2" || status=$?
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  [ "$status" -eq 0 ] || { echo "The program said:"; cat "$5/program.log"; }
  exit "$status"' _ "$program" "$archive" "$python" "$here/AtSpiListing.py" "$work" \
  >"$work/output" 2>&1 || status=$?
# A bus run as root cannot raise its own limit of open files, and says so at every start.
grep -v "Failed to set fd limit" "$work/output" || true
exit "$status"
