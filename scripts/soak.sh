#!/usr/bin/env bash
# Soak of the live camera road: torvi-sim on loopback, kestra-headless standing for the main
# window, KestraCamera registered into a private registry with slot 1 paired with the
# simulator, and kestra-capture grabbing 1080p30 NV12 for the whole run while the simulator
# drops its clients every 30 s. Every 30 s it samples the capture process's VmRSS, thread count
# and open descriptors; at the end it prints first, last and max of each and whether they grew
# over the second half of the run.
#
#   scripts/soak.sh [MINUTES]     (10 by default; run by hand, not in CI)
#
# Needs root for its private network namespace: it re-runs itself under `unshare -n`, so
# nothing it starts can reach the real network. Uses the binaries of build/default (or
# $KESTRA_BUILD); build them first.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-10}
if ! [[ $minutes =~ ^[0-9]+$ ]] || [ "$minutes" -lt 1 ]; then
  echo "usage: scripts/soak.sh [MINUTES]" >&2
  exit 2
fi
if [ "${KESTRA_SOAK_INSIDE:-0}" != 1 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "soak.sh: needs root for a private network namespace" >&2
    exit 1
  fi
  KESTRA_SOAK_INSIDE=1 exec unshare --net -- bash "$0" "$@"
fi
ip link set lo up

build=${KESTRA_BUILD:-build/default}
sim_bin=$build/tools/camera-sim/torvi-sim
headless_bin=$build/tools/kestra-headless/kestra-headless
regsvr_bin=$build/tools/regsvr/kestra-regsvr
capture_bin=$build/tools/capture/kestra-capture
library=$build/filter/KestraCamera.so
for f in "$sim_bin" "$headless_bin" "$regsvr_bin" "$capture_bin" "$library"; do
  [ -e "$f" ] || { echo "soak.sh: missing $f (build it first)" >&2; exit 1; }
done

seconds=$((minutes * 60))
interval=30
root=$(mktemp -d)
mkdir -p "$root/home" "$root/config" "$root/runtime" "$root/registry"
chmod 700 "$root/runtime"
export HOME=$root/home XDG_CONFIG_HOME=$root/config XDG_RUNTIME_DIR=$root/runtime
export KESTRA_DSHOW_REGISTRY=$root/registry

pids=()
cleanup() {
  { exec 3>&-; } 2>/dev/null || true
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$root"
}
trap cleanup EXIT

# Waits up to 10 s for a command to succeed.
wait_until() {
  for _ in $(seq 100); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

mkfifo "$root/control"
"$sim_bin" --address 127.0.0.1 --http-port 0 --rtsp-port 0 --no-mdns --media-mode 1080P30_SS \
  <"$root/control" >"$root/sim.log" 2>&1 &
pids+=($!)
exec 3>"$root/control"
wait_until grep -q "rtsp ready port=" "$root/sim.log" || { cat "$root/sim.log" >&2; exit 1; }
port=$(sed -n 's/.*rtsp ready port=\([0-9]*\).*/\1/p' "$root/sim.log")

# The stand-in clears the pairing file as it starts; pair once its window exists.
"$headless_bin" --main-window --seconds $((seconds + 60)) >"$root/headless.log" 2>&1 &
pids+=($!)
wait_until test -S "$XDG_RUNTIME_DIR/KestraStudioMain" || {
  echo "soak.sh: kestra-headless opened no main window" >&2; cat "$root/headless.log" >&2; exit 1; }
mkdir -p "$XDG_CONFIG_HOME/KestraLive/ini"
printf '[VCameralist]\nVCamera1=127.0.0.1:%s\n' "$port" >"$XDG_CONFIG_HOME/KestraLive/ini/VConfig.ini"

"$regsvr_bin" "$library" >/dev/null

# --live: the lines go to the log as they come instead of piling up in the process; the run
# outlasts the last sample by a little so that it is still there to be measured.
"$capture_bin" grab "Kestra Camera1" --format 2 --count 0 --seconds $((seconds + 10)) --no-raw \
  --live >"$root/capture.log" 2>"$root/capture.err" &
capture=$!
pids+=("$capture")

echo "soak: ${minutes} min of 1080p30 NV12 from rtsp://127.0.0.1:$port, a drop every ${interval} s"
printf '%8s %12s %8s %6s %10s\n' "t_s" "VmRSS_kB" "Threads" "fds" "connects"
rss=(); threads=(); fds=()
elapsed=0
while [ "$elapsed" -lt "$seconds" ]; do
  step=$((seconds - elapsed < interval ? seconds - elapsed : interval))
  sleep "$step"
  elapsed=$((elapsed + step))
  [ -d "/proc/$capture" ] || break
  r=$(awk '/^VmRSS:/ {print $2}' "/proc/$capture/status" 2>/dev/null) || break
  t=$(awk '/^Threads:/ {print $2}' "/proc/$capture/status" 2>/dev/null) || break
  f=$(ls "/proc/$capture/fd" 2>/dev/null | wc -l)
  [ -n "$r" ] || break
  rss+=("$r"); threads+=("$t"); fds+=("$f")
  printf '%8d %12d %8d %6d %10d\n' "$elapsed" "$r" "$t" "$f" \
    "$(grep -c 'rtsp client connected' "$root/sim.log")"
  if [ "$elapsed" -lt "$seconds" ]; then
    echo "rtsp drop" >&3
  fi
done

status=0
wait "$capture" || status=$?
echo
tail -n 1 "$root/capture.log"
if [ "$status" -ne 0 ]; then
  echo "soak.sh: kestra-capture failed ($status):" >&2
  cat "$root/capture.err" >&2
fi
echo "camera connections: $(grep -c 'rtsp client connected' "$root/sim.log")," \
  "drops: $(grep -c '^ok rtsp drop' "$root/sim.log")"

# first, last and max of a series, and whether it grew over the second half of the run (the
# first half includes the allocator settling in); RSS may wobble by a hundredth before that
# counts.
report() {
  local name=$1 slack=$2; shift 2
  local values=("$@")
  local first=${values[0]} last=${values[-1]} middle=${values[$(($# / 2))]} max=${values[0]} v
  for v in "${values[@]}"; do
    if [ "$v" -gt "$max" ]; then max=$v; fi
  done
  local verdict=steady
  if [ "$last" -gt $((middle + middle * slack / 100)) ]; then verdict=grew; fi
  printf '%-8s first=%s last=%s max=%s second half %+d: %s\n' "$name" "$first" "$last" "$max" \
    $((last - middle)) "$verdict"
}
if [ "${#rss[@]}" -gt 0 ]; then
  report VmRSS 1 "${rss[@]}"
  report Threads 0 "${threads[@]}"
  report fds 0 "${fds[@]}"
fi
echo quit >&3
exit "$status"
