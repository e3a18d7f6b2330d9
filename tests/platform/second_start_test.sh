#!/usr/bin/env bash
# The program started twice for one user, as a user would: the second start ends at once with status 0
# and leaves the user's folders as they were; after the first is killed outright the next start runs.
# No display needed: the offscreen platform, a private home and runtime folder. With no library server
# on the built-in address the first copy sits at its message over the splash, which is running enough.
set -euo pipefail
kestrin=$1
scratch=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; for f in "$scratch"/*.log; do echo "--- $f" >&2; cat "$f" >&2; done; exit 1; }

mkdir -p "$scratch/home" && mkdir -m 700 "$scratch/run"
export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run XDG_CONFIG_HOME=$scratch/home/.config \
       XDG_DATA_HOME=$scratch/home/.local/share XDG_CACHE_HOME=$scratch/home/.cache \
       QT_QPA_PLATFORM=offscreen KESTRIN_NO_WEBENGINE=1
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
lock=$XDG_RUNTIME_DIR/kestrin.lock

listing() { (cd "$scratch" && find home run -printf '%p %y %s %T@\n' | LC_ALL=C sort); }
# Waits until the copy with the given pid holds the lock and listens, then until its start-up has
# stopped making files, so that what changes afterwards is the later start's doing.
wait_running() {
  local pid=$1 i
  for i in $(seq 150); do
    kill -0 "$pid" 2>/dev/null || fail "copy $pid ended"
    [ -S "$XDG_RUNTIME_DIR/kestrin.socket" ] && [ "$(head -n1 "$lock" 2>/dev/null)" = "$pid" ] && break
    sleep 0.1
  done
  [ "$(head -n1 "$lock" 2>/dev/null)" = "$pid" ] || fail "copy $pid does not hold $lock"
  local last now
  last=$(listing)
  for i in $(seq 20); do
    sleep 0.5
    now=$(listing)
    [ "$now" = "$last" ] && return 0
    last=$now
  done
  fail "copy $pid keeps changing files"
}
# A later start must end by itself, with status 0, changing nothing.
later_start_ends() {
  local before after rc=0
  before=$(listing)
  timeout 10 "$kestrin" >>"$scratch/later.log" 2>&1 || rc=$?
  [ "$rc" = 0 ] || fail "a later start ended with status $rc (124: it did not end)"
  after=$(listing)
  [ "$before" = "$after" ] || fail "a later start changed files:
$(diff <(echo "$before") <(echo "$after"))"
}

"$kestrin" >"$scratch/first.log" 2>&1 &
first=$!
pids+=("$first")
wait_running "$first"
later_start_ends
later_start_ends
# The command line still answers while a copy runs.
version=$("$kestrin" --version) || fail "--version failed while a copy runs"
[[ $version == "Kestrin "[0-9]* ]] || fail "--version said: $version"
kill -0 "$first" 2>/dev/null || fail "the first copy ended"

# Killed outright, it leaves its lock and socket; the next start takes them over.
kill -KILL "$first"
wait "$first" 2>/dev/null || true
[ -e "$lock" ] || fail "SIGKILL left no lock: nothing was tested"
"$kestrin" >"$scratch/next.log" 2>&1 &
next=$!
pids+=("$next")
wait_running "$next"
sleep 2
kill -0 "$next" 2>/dev/null || fail "the start after a crash ended"
later_start_ends
echo "ok: a later start ends with 0 and changes nothing; a crashed copy's lock is taken over"
