#!/usr/bin/env bash
# Starts, stops or checks the local catalogue service (service/) on the address of the
# service base (service/base-url, or TINDLE_SERVICE_BASE). Idempotent: starting a running
# service only checks it; stopping a stopped one does nothing.
# Usage: scripts/service.sh start|stop|status
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
pid_file="$build/service.pid"
log_file="$build/service.log"
data_dir="$build/service-data"
mkdir -p "$build"
cd "$root"

base="$(node --import tsx -e 'import("./service/base.ts").then(m => console.log(m.serviceBase()))')"
local_url="$(node --import tsx -e 'import("./service/base.ts").then(m => { const a = m.localListenAddress(m.serviceBase()); if (a) console.log(`http://${a.host.includes(":") ? `[${a.host}]` : a.host}:${a.port}/`); })')"

running_pid() { # prints the pid when our server is alive
  [ -f "$pid_file" ] || return 1
  local pid; pid="$(cat "$pid_file")"
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && tr '\0' ' ' < "/proc/$pid/cmdline" | grep -q 'service/server.ts' && echo "$pid"
}

answers() {
  node -e 'fetch(process.argv[1], { signal: AbortSignal.timeout(2000) }).then(r => process.exit(r.ok ? 0 : 1), () => process.exit(1))' "${local_url}releases?limit=1"
}

stop() {
  local pid
  if pid="$(running_pid)"; then
    kill "$pid"
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && kill -9 "$pid"
    echo "catalogue service stopped"
  fi
  rm -f "$pid_file"
}

start() {
  if [ -z "$local_url" ]; then
    echo "catalogue service: base $base is not local; nothing to start"
    return 0
  fi
  node --import tsx service/generate.ts --out "$data_dir"
  if pid="$(running_pid)"; then
    # A server started before the data changed still holds the old index.
    if [ "$data_dir/index.json" -nt "$pid_file" ]; then stop; elif answers; then
      echo "catalogue service already running at $local_url (pid $pid)"; return 0
    else stop; fi
  fi
  if answers; then
    echo "catalogue service: something else already answers at $local_url; stop it first" >&2
    return 1
  fi
  setsid node --import tsx service/server.ts --data "$data_dir" >>"$log_file" 2>&1 </dev/null 9>&- &
  local pid=$!
  echo "$pid" > "$pid_file"
  for _ in $(seq 100); do
    if answers; then echo "catalogue service running at $local_url (pid $pid)"; return 0; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "catalogue service failed to start; see $log_file" >&2
  tail -n 5 "$log_file" >&2 || true
  kill "$pid" 2>/dev/null || true
  rm -f "$pid_file"
  return 1
}

status() {
  if pid="$(running_pid)" && answers; then echo "catalogue service running at $local_url (pid $pid)"; else echo "catalogue service not running"; return 1; fi
}

# One caller at a time: the run and test scripts may start it concurrently.
exec 9>"$build/service.lock"
flock 9
case "${1:-}" in
  start) start ;;
  stop) stop ;;
  status) status ;;
  *) echo "usage: $0 start|stop|status" >&2; exit 2 ;;
esac
