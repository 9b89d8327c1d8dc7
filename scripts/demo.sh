#!/usr/bin/env bash
# The main job: build everything, bring up the test LAN, and run KestraLive in
# the PC namespace as a user would, then show from its log and settings files
# what it did. Its files live in build/demo-home, never in your own folders.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

bash scripts/deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kestra-ccache}"
cmake --preset default >/dev/null
cmake --build --preset default

[ "$(id -u)" -eq 0 ] || { echo "demo.sh: the test LAN needs root" >&2; exit 1; }

prefix="kd$$"
home="$top/build/demo-home"
rm -rf "$home"
mkdir -p "$home/config" "$home/runtime"
chmod 700 "$home/runtime"

pid=""
cloud_pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  exec 3>&- 2>/dev/null || true
  [ -n "$cloud_pid" ] && kill "$cloud_pid" 2>/dev/null && wait "$cloud_pid" 2>/dev/null || true
  bash scripts/netlab.sh down --prefix "$prefix" >/dev/null 2>&1 || true
}
trap cleanup EXIT

bash scripts/netlab.sh up --prefix "$prefix" --cameras 1

wait_for_line() { # file pattern
  for _ in $(seq 1 100); do grep -qs "$2" "$1" && return 0; sleep 0.1; done
  echo "demo.sh: no '$2' in $1" >&2; return 1
}

echo "== the cloud service stand-in on the PC's loopback, and a returning user's stored sign-in"
mkfifo "$home/cloud.ctl"
bash scripts/netlab.sh exec --prefix "$prefix" pc build/default/tools/cloud-sim/cloud-sim \
  --listen 127.0.0.1 --account 13800000000 <"$home/cloud.ctl" >"$home/cloud.log" 2>&1 &
cloud_pid=$!
exec 3>"$home/cloud.ctl"
wait_for_line "$home/cloud.log" '^listening '
export KESTRA_CLOUD_HOST
KESTRA_CLOUD_HOST=$(sed -n 's/^listening //p' "$home/cloud.log")
echo "token issue 13800000000" >&3
wait_for_line "$home/cloud.log" '^tokens '
read -r _ _ access refresh < <(grep '^tokens ' "$home/cloud.log")
HOME="$home" XDG_CONFIG_HOME="$home/config" \
  build/default/tools/kestra-headless/kestra-headless --store-tokens "$access,$refresh"
# The user chose multi-camera mode at an earlier start: no mode chooser this time.
printf '[config]\nworkMode=1\n' >"$home/config/KestraLive/ini/config.ini"

echo "== starting KestraLive in the PC namespace"
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" \
  QT_QPA_PLATFORM=offscreen \
  bash scripts/netlab.sh exec --prefix "$prefix" pc build/default/src/KestraLive &
pid=$!

logdir="$home/config/KestraLive/log"
for _ in $(seq 1 100); do
  grep -rqs "tray pass started" "$logdir" && break
  sleep 0.1
done
grep -rqs "tray pass started" "$logdir" || { echo "KestraLive did not start" >&2; exit 1; }
echo "== signed in silently ($(grep -c 'POST /v1/stream/user/info' "$home/cloud.log") token check at cloud-sim)"

echo "== a second start is refused (exit status $(
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen \
    bash scripts/netlab.sh exec --prefix "$prefix" pc build/default/src/KestraLive; echo $?))"

kill -TERM "$pid"
wait "$pid" && status=0 || status=$?
pid=""
echo "== KestraLive ended with exit status $status"

run_pc() {
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" \
    KESTRA_DSHOW_REGISTRY="$home/registry" bash scripts/netlab.sh exec --prefix "$prefix" pc "$@"
}
capture=build/default/tools/capture/kestra-capture

echo "== registering the virtual cameras as KestraLive does (regsvrMulti.sh runas)"
run_pc build/default/src/regsvrMulti.sh runas
echo "== the video input devices a video application sees"
run_pc "$capture" list
echo "== a placeholder snapshot from \"Kestra Camera1\" (no camera paired yet)"
run_pc "$capture" grab "Kestra Camera1" --format 2 --count 30 --no-raw --out "$home/placeholder" |
  tail -n 1
echo "   snapshot: $home/placeholder/snapshot.png"

echo "== a simulated camera at 10.77.0.20 (HTTP, events, mDNS, RTSP); KestraLive's camera side"
echo "   finds it (mDNS and LAN scan), connects it and pairs it with \"Kestra Camera1\","
echo "   and stands for the main window the virtual cameras report to"
bash scripts/netlab.sh exec --prefix "$prefix" cam1 build/default/tools/camera-sim/torvi-sim \
  --no-control --address 10.77.0.20 --uid A1B2C3D4 --battery 87 --charge 1 --ac 1 >"$home/camera.log" 2>&1 &
sim=$!
for _ in $(seq 1 100); do grep -qs "ready http=" "$home/camera.log" && break; sleep 0.1; done
run_pc build/default/tools/kestra-headless/kestra-headless \
  --rescan --connect-new --pair 1 --main-window --seconds 40 &
headless=$!
vconfig="$home/config/KestraLive/ini/VConfig.ini"
for _ in $(seq 1 300); do grep -qs "VCamera1=10.77.0.20" "$vconfig" && break; sleep 0.1; done
grep -qs "VCamera1=10.77.0.20" "$vconfig" || { echo "the camera was not paired" >&2; exit 1; }
echo "== \"Kestra Camera1\" now shows the camera: 150 samples of 1920x1080 NV12"
run_pc "$capture" grab "Kestra Camera1" --format 2 --count 150 --no-raw --out "$home/live" |
  tail -n 1
echo "   snapshot: $home/live/snapshot.png"
wait "$headless" || true
kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true
echo "== what the camera saw"
grep -E "^(registered|event connection|mdns answered|rtsp client)" "$home/camera.log" | sort | uniq -c
echo "== what KestraLive's camera side logged"
find "$logdir" -type f | sort | tail -n +2 | xargs cat |
  grep -E "headless:|found new device|find new device|new device connect success|set listen ip|join tcp" || true
echo "== the filter's log"
grep -v -e '^$' -e '^Kestra::' "$home/config/KestraLive/log/vclog1.log" || true

for f in "$home"/config/KestraLive/ini/*.ini; do
  echo "== $f"; cat "$f"
done
echo "== KestraLive's own log"
cat "$(find "$logdir" -type f | sort | head -n 1)"
