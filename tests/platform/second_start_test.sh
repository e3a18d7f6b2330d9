#!/usr/bin/env bash
# The program started twice for one user: the second start ends at once with status 0 and leaves the
# user's folders as they were; after the first is killed outright the next start runs. Offscreen, in a
# private home: with no library server at the built-in address the first copy waits at its message.
set -euo pipefail
kestrin=$1
scratch=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; for f in "$scratch"/*.log; do echo "--- $f" >&2; cat "$f" >&2; done; exit 1; }

mkdir -p "$scratch/home" && mkdir -m 700 "$scratch/run"
export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run XDG_CONFIG_HOME=$scratch/home/.config \
       XDG_DATA_HOME=$scratch/home/.local/share XDG_CACHE_HOME=$scratch/home/.cache \
       QT_QPA_PLATFORM=offscreen KESTRIN_NO_WEBENGINE=1
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
lock=$XDG_RUNTIME_DIR/kestrin.lock

listing() { (cd "$scratch" && find home run -printf '%p %y %s %T@\n' | LC_ALL=C sort); }
# Starts a copy and waits until it holds the lock, listens and has stopped making files, so that what
# changes afterwards is a later start's doing.
start_copy() {
  "$kestrin" >"$scratch/$1.log" 2>&1 &
  copy=$! && pids+=("$copy")
  local i last now
  for i in $(seq 150); do
    [ -S "$XDG_RUNTIME_DIR/kestrin.socket" ] && [ "$(head -n1 "$lock" 2>/dev/null)" = "$copy" ] && break
    kill -0 "$copy" 2>/dev/null || fail "copy $copy ended"
    sleep 0.1
  done
  [ "$(head -n1 "$lock" 2>/dev/null)" = "$copy" ] || fail "copy $copy does not hold $lock"
  last=$(listing)
  for i in $(seq 20); do
    sleep 0.5 && now=$(listing)
    [ "$now" = "$last" ] && return 0
    last=$now
  done
  fail "copy $copy keeps changing files"
}
# A later start must end by itself, with status 0, changing nothing.
later_start_ends() {
  local before after rc=0
  before=$(listing)
  timeout 10 "$kestrin" >>"$scratch/later.log" 2>&1 || rc=$?
  [ "$rc" = 0 ] || fail "a later start ended with status $rc (124: it did not end)"
  after=$(listing)
  [ "$before" = "$after" ] || fail "a later start changed files: $(diff <(echo "$before") <(echo "$after"))"
}

start_copy first
later_start_ends
later_start_ends
version=$("$kestrin" --version) || fail "--version failed while a copy runs"
[[ $version == "Kestrin "[0-9]* ]] || fail "--version said: $version"
kill -0 "$copy" 2>/dev/null || fail "the first copy ended"

# Killed outright, it leaves its lock and socket; the next start takes them over.
kill -KILL "$copy" && wait "$copy" 2>/dev/null || true
[ -e "$lock" ] || fail "SIGKILL left no lock: nothing was tested"
start_copy next
later_start_ends
kill -0 "$copy" 2>/dev/null || fail "the start after a crash ended"
echo "ok: a later start ends with 0 and changes nothing; a crashed copy's lock is taken over"
