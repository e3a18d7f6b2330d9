#!/usr/bin/env bash
# The real program on Xvfb with its accessibility bridge on, read over AT-SPI as a screen reader reads
# it (atspi_tree.py). Skipped (77) when Xvfb, the session bus, the AT-SPI bus or its Python bindings are
# missing, or the built-in address is taken.
set -uo pipefail
kestrin=$1
library=$2
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
command -v Xvfb >/dev/null && command -v dbus-run-session >/dev/null && [ -x /usr/libexec/at-spi-bus-launcher ] \
  || { echo "no Xvfb, session bus or AT-SPI bus"; exit 77; }
"$python" -c "import gi; gi.require_version('Atspi', '2.0')" 2>/dev/null || { echo "no AT-SPI bindings"; exit 77; }
if (exec 3<>/dev/tcp/127.0.0.1/16990) 2>/dev/null; then echo "127.0.0.1:16990 is taken"; exit 77; fi
scratch=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT

disp=:161
while [ -e "/tmp/.X11-unix/X${disp#:}" ]; do disp=":$(( ${disp#:} + 1 ))"; done
Xvfb "$disp" -screen 0 1280x900x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
"$library" init "$scratch/lib" >/dev/null
"$library" serve "$scratch/lib" --host 127.0.0.1 --port 16990 >"$scratch/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${disp#:}" ] && grep -q . "$scratch/server.log" 2>/dev/null && break; sleep 0.1; done

mkdir -p "$scratch/home" && mkdir -m 700 "$scratch/run"
export DISPLAY=$disp HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run QT_QPA_PLATFORM=xcb
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 KESTRIN_NO_WEBENGINE=1 NO_AT_BRIDGE=0
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
# A session bus of its own, the AT-SPI bus on it, the program, then the reader; all end with the bus.
dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$0/bus.log" 2>&1 &
  bus=$!
  for _ in $(seq 50); do dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 && break; sleep 0.1; done
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 || { kill $bus; exit 77; }
  "$1" >"$0/client.log" 2>&1 &
  client=$!
  "$2" "$3"
  rc=$?
  kill $client $bus 2>/dev/null
  wait $client $bus 2>/dev/null
  exit $rc
' "$scratch" "$kestrin" "$python" "$here/atspi_tree.py" 2>"$scratch/session.log"
rc=$?
[ $rc -eq 0 ] || [ $rc -eq 77 ] || { for f in "$scratch"/*.log; do echo "--- $f"; tail -5 "$f"; done; }
exit $rc
