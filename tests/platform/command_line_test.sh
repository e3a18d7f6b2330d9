#!/usr/bin/env bash
# The built program as a shell or a desktop starts it, in a private home: the answer and exit status of
# each command line, no display, Qt's own options; then, on Xvfb, a start that no server answers ends
# with its own status once its message is acknowledged, having moved an earlier release's queue into
# the data folder. Skipped (77) when the built-in address is taken or Xvfb is missing.
set -euo pipefail
kestrin=$1
scratch=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; for f in "$scratch"/*.log; do [ -e "$f" ] && echo "--- $f" >&2 && tail -20 "$f" >&2; done; exit 1; }

mkdir -p "$scratch/home" && mkdir -m 700 "$scratch/run"
export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run XDG_CONFIG_HOME=$scratch/home/.config \
       XDG_DATA_HOME=$scratch/home/.local/share XDG_CACHE_HOME=$scratch/home/.cache KESTRIN_NO_WEBENGINE=1
unset DBUS_SESSION_BUS_ADDRESS XDG_SESSION_TYPE
free_display() { local d=151; while [ -e "/tmp/.X11-unix/X$d" ]; do d=$((d + 1)); done; echo ":$d"; }
nowhere=$(free_display)

# what | environment | arguments | status | stdout | stderr (extended regular expressions over the whole
# output, "." taking line ends too). Status 124: still running after 3 seconds, waiting at its message
# for a server.
cases=(
  "unknown option|QT_QPA_PLATFORM=offscreen|--frobnicate|2|^$|^kestrin: 无法识别的参数“--frobnicate”.用法: kestrin \[选项\].*选项:"
  "a stray argument|QT_QPA_PLATFORM=offscreen|picture.jpg|2|^$|^kestrin: 无法识别的参数“picture.jpg”.用法: kestrin"
  "a Qt option without its value|QT_QPA_PLATFORM=offscreen|-style|2|^$|^kestrin: 无法识别的参数“-style”"
  "help without a display|-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM|--help|0|^用法: kestrin \[选项\].图库.*选项:.*-platform.*退出状态:.*3  没有服务器应答.*: $XDG_CONFIG_HOME/Kestrin/Kestrin.ini.*下载队列: $XDG_DATA_HOME/Kestrin/queue.json.*网页显示模块: /|^$"
  "version without a display|-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM|--version|0|^Kestrin [0-9]+(\.[0-9]+)+$|^$"
  "version after Qt's options|-u DISPLAY|-platform offscreen -reverse -v|0|^Kestrin [0-9.]+$|^$"
  "no display|-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM||1|^$|^kestrin: 没有可用的显示，无法打开窗口：未设置 DISPLAY 环境变量。$"
  "a display that does not open|-u QT_QPA_PLATFORM DISPLAY=$nowhere||1|^$|^kestrin: 没有可用的显示，无法打开窗口：无法打开 X 显示“$nowhere”。$"
  "-display that does not open|-u QT_QPA_PLATFORM DISPLAY=:0|-display $nowhere|1|^$|^kestrin: .*无法打开 X 显示“$nowhere”。$"
  "Qt's options taken|-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM|-platform offscreen -style fusion -reverse -qwindowgeometry 800x600+0+0|124||"
  "Qt's platform from the environment|-u DISPLAY QT_QPA_PLATFORM=offscreen|--style=fusion|124||"
)
for c in "${cases[@]}"; do
  IFS='|' read -r what environment arguments status out err <<<"$c"
  rc=0
  # shellcheck disable=SC2086 # the table's words are meant to split
  env $environment timeout 3 "$kestrin" $arguments >"$scratch/out" 2>"$scratch/err" || rc=$?
  [ "$rc" = "$status" ] || fail "$what: status $rc, not $status; stderr: $(cat "$scratch/err")"
  [[ $(cat "$scratch/out") =~ $out ]] || fail "$what: stdout was: $(cat "$scratch/out")"
  [[ $(cat "$scratch/err") =~ $err ]] || fail "$what: stderr was: $(cat "$scratch/err")"
done

command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "no Xvfb or xdotool"; exit 77; }
if (exec 3<>/dev/tcp/127.0.0.1/16990) 2>/dev/null; then echo "127.0.0.1:16990 is taken"; exit 77; fi
disp=$(free_display)
Xvfb "$disp" -screen 0 1024x768x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${disp#:}" ] && break; sleep 0.1; done
data=$XDG_DATA_HOME/Kestrin
mkdir -p "$data/Kestrin" && echo '{"queue":[]}' >"$data/Kestrin/queue.json"
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY="$disp" "$kestrin" >"$scratch/client.log" 2>&1 &
client=$!
pids+=("$client")
# The splash and, over it, the message: both titled 图库; the message is the later one.
for _ in $(seq 100); do
  [ "$(DISPLAY=$disp xdotool search --onlyvisible --name '^图库$' 2>/dev/null | wc -l)" -ge 2 ] && break
  kill -0 "$client" 2>/dev/null || fail "the program ended before its message"
  sleep 0.2
done
box=$(DISPLAY=$disp xdotool search --onlyvisible --name '^图库$' | tail -1)
[ -f "$data/queue.json" ] && [ ! -e "$data/Kestrin" ] || fail "the earlier release's queue was not moved: $(find "$data")"
DISPLAY=$disp xdotool windowfocus --sync "$box" key Return
rc=0
for _ in $(seq 50); do kill -0 "$client" 2>/dev/null || break; sleep 0.2; done
wait "$client" || rc=$?
[ "$rc" = 3 ] || fail "a start no server answered ended with status $rc, not 3"
echo "ok: ${#cases[@]} command lines; no server ends with 3; the earlier queue moved"
