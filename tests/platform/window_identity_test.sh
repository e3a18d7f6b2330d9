#!/usr/bin/env bash
# The real program on a real X server (Xvfb) with the web engine: showing a web tab for the first time
# must not replace the window by a new native one, which the desktop, a screen reader or a tool holding
# the old one would lose. Skipped (77) when the built-in address is taken or Xvfb is missing.
set -euo pipefail
kestrin=$1
library=$2
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "no Xvfb or xdotool"; exit 77; }
if (exec 3<>/dev/tcp/127.0.0.1/16990) 2>/dev/null; then echo "127.0.0.1:16990 is taken"; exit 77; fi
scratch=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; for f in "$scratch"/*.log; do echo "--- $f" >&2; tail -20 "$f" >&2; done; exit 1; }

disp=:151
while [ -e "/tmp/.X11-unix/X${disp#:}" ]; do disp=":$(( ${disp#:} + 1 ))"; done
Xvfb "$disp" -screen 0 1280x900x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
"$(dirname "$0")/../../scripts/wait-for-display" "$disp" $! "$scratch/xvfb.log" || fail "no X server"
"$library" init "$scratch/lib" >/dev/null
"$library" serve "$scratch/lib" --host 127.0.0.1 --port 16990 >"$scratch/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q . "$scratch/server.log" 2>/dev/null && break; sleep 0.1; done

mkdir -p "$scratch/home" && mkdir -m 700 "$scratch/run"
export DISPLAY=$disp HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run QT_QPA_PLATFORM=xcb
unset KESTRIN_NO_WEBENGINE WAYLAND_DISPLAY
"$kestrin" >"$scratch/client.log" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 150); do
  window=$(xdotool search --onlyvisible --name "Kestrin欢迎您的光临" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || fail "the window did not appear"
sleep 2 # the web module comes in after the first frame
requests() { grep -c "$1" "$scratch/server.log" || true; }
before=$(requests rd2.htm)
xdotool mousemove --window "$window" 252 12 click 1 # the "开奖历史" tab
for _ in $(seq 100); do [ "$(requests rd2.htm)" -gt "$before" ] && break; sleep 0.1; done
[ "$(requests rd2.htm)" -gt "$before" ] || fail "the tab did not load its page"
sleep 1
now=$(xdotool search --onlyvisible --name "Kestrin欢迎您的光临" 2>/dev/null | head -1 || true)
[ "$now" = "$window" ] || fail "the window was replaced: $window before, '$now' after the first web view"
xdotool mousemove --window "$window" 36 12 click 1 || fail "the window is gone"
echo "ok: window $window kept through the first web view"
