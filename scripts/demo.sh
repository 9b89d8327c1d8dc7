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
sim=""
xvfb=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  for child in $sim $xvfb; do kill "$child" 2>/dev/null && wait "$child" 2>/dev/null || true; done
  exec 3>&- 2>/dev/null || true
  [ -n "$cloud_pid" ] && kill "$cloud_pid" 2>/dev/null && wait "$cloud_pid" 2>/dev/null || true
  bash scripts/netlab.sh down --prefix "$prefix" >/dev/null 2>&1 || true
}
trap cleanup EXIT

bash scripts/netlab.sh up --prefix "$prefix" --cameras 1

# Each step's heading, with how long the step before it took.
step_started=$SECONDS
step() {
  [ -n "${step_name:-}" ] && echo "   (took $((SECONDS - step_started)) s)"
  step_name=$1
  step_started=$SECONDS
  echo "== $1"
}

wait_for_line() { # file pattern
  for _ in $(seq 1 100); do grep -qs "$2" "$1" && return 0; sleep 0.1; done
  echo "demo.sh: no '$2' in $1" >&2; return 1
}

step "the cloud service stand-in on the PC's loopback, and a returning user's stored sign-in"
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
# The user chose multi-camera mode at an earlier start and connected the camera at
# 10.77.0.20, paired with "Kestra Camera1".
printf '[config]\nworkMode=1\n' >"$home/config/KestraLive/ini/config.ini"
printf '[Torvi_A1B2C3D4]\nip=10.77.0.20\nname=Studio\n\n[VirtualCamera]\ncam1=Torvi_A1B2C3D4\n' \
  >>"$home/config/KestraLive/ini/device.ini"

run_pc() {
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" \
    KESTRA_DSHOW_REGISTRY="$home/registry" DISPLAY=":$display" QT_QPA_PLATFORM=xcb \
    bash scripts/netlab.sh exec --prefix "$prefix" pc "$@"
}
capture=build/default/tools/capture/kestra-capture
display=$((100 + $$ % 400))

step "the virtual cameras registered as KestraLive did when the mode was chosen"
run_pc build/default/src/regsvrMulti.sh runas
run_pc "$capture" list

step "a simulated camera at 10.77.0.20 (HTTP, events, mDNS, RTSP)"
bash scripts/netlab.sh exec --prefix "$prefix" cam1 build/default/tools/camera-sim/torvi-sim \
  --no-control --address 10.77.0.20 --uid A1B2C3D4 --battery 87 --charge 1 --ac 1 >"$home/camera.log" 2>&1 &
sim=$!
for _ in $(seq 1 100); do grep -qs "ready http=" "$home/camera.log" && break; sleep 0.1; done

step "a display (Xvfb :$display) in the PC namespace, and KestraLive on it"
bash scripts/netlab.sh exec --prefix "$prefix" pc Xvfb ":$display" -nolisten tcp -screen 0 1280x800x24 \
  >"$home/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do [ -S "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
started=$(date +%s%N)
# Started directly (not through run_pc) so that $pid is KestraLive itself.
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" \
  KESTRA_DSHOW_REGISTRY="$home/registry" DISPLAY=":$display" QT_QPA_PLATFORM=xcb \
  bash scripts/netlab.sh exec --prefix "$prefix" pc build/default/src/KestraLive &
pid=$!
run_pc xdotool search --sync --onlyvisible --name '^KestraStudioMain$' >/dev/null
visible=$(date +%s%N)
vconfig="$home/config/KestraLive/ini/VConfig.ini"
logdir="$home/config/KestraLive/log"
for _ in $(seq 1 600); do grep -qs "VCamera1=10.77.0.20" "$vconfig" && break; sleep 0.05; done
grep -qs "VCamera1=10.77.0.20" "$vconfig" || { echo "the camera did not come online" >&2; exit 1; }
online=$(date +%s%N)
echo "   signed in silently ($(grep -c 'POST /v1/stream/user/info' "$home/cloud.log") token check at cloud-sim)"
echo "   start to visible window: $(( (visible - started) / 1000000 )) ms;" \
     "start to the live card: $(( (online - started) / 1000000 )) ms"

step "\"Kestra Camera1\" streams the camera while KestraLive shows it in use"
run_pc "$capture" grab "Kestra Camera1" --format 2 --count 240 --no-raw --out "$home/live" >"$home/capture.log" 2>&1 &
grab=$!
for _ in $(seq 1 100); do grep -rqs "activateStatus:true" "$logdir" && break; sleep 0.1; done
# Open the pairing dialog from the camera card's "add" badge, as the user would.
run_pc bash -c 'id=$(xdotool search --onlyvisible --name "^KestraStudioMain$" | head -n 1);
  eval "$(xdotool getwindowgeometry --shell "$id")";
  xdotool mousemove $((X + 138)) $((Y + 217)) click 1' || true
sleep 1
run_pc build/default/tools/screen-grab/kestra-screen-grab "$home/screen.png" --crop
wait "$grab" || { echo "demo.sh: kestra-capture failed:" >&2; tail -n 5 "$home/capture.log" >&2; exit 1; }
summary=$(tail -n 1 "$home/capture.log")
echo "   $summary"
live=$(sed -n 's/.* live=\([0-9]*\) .*/\1/p' <<<"$summary")
if [ "${live:-0}" -eq 0 ]; then
  echo "demo.sh: FAILED: no live picture of the camera reached \"Kestra Camera1\"" >&2
  exit 1
fi
run_pc build/default/tools/screen-grab/kestra-screen-grab "$home/kestralive.png" \
  --from "$home/screen.png" --beside "$home/live/snapshot.png"
# The filter repeats its messages while it streams: each is listed once, in the order of its
# first arrival, with how often it came.
echo "   the window messages the filter posted to KestraLive:"
{ grep -rhoE "window message WM_VCAM_[A-Z]+ camera: [0-9]+ value: -?[0-9]+" "$logdir" || true; } |
  sed 's/^window message //' |
  awk '!($0 in seen) { order[++n] = $0 } { seen[$0]++ }
       END { for (i = 1; i <= n; i++) printf "     %-40s x%d\n", order[i], seen[order[i]]
             if (n == 0) print "     (none)" }'
echo "   KestraLive beside the captured picture: $home/kestralive.png"
echo "   the captured picture: $home/live/snapshot.png"

kill -TERM "$pid"
wait "$pid" && status=0 || status=$?
pid=""
step "KestraLive ended with exit status $status"
kill "$sim" "$xvfb" 2>/dev/null; wait "$sim" "$xvfb" 2>/dev/null || true
sim=""
xvfb=""

step "what the camera saw"
grep -E "^(registered|event connection|mdns answered|rtsp client)" "$home/camera.log" | sort | uniq -c
step "the filter's log"
grep -v -e '^$' -e '^Kestra::' "$home/config/KestraLive/log/vclog1.log" || true
for f in "$home"/config/KestraLive/ini/*.ini; do
  echo "== $f"; cat "$f"
done
step "KestraLive's own log"
cat "$(find "$logdir" -type f | sort | head -n 1)"
