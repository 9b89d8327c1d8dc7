#!/usr/bin/env bash
# Pictures of KestraLive's windows in Chinese and English, taken on a virtual
# display: builds kestra-ui-shots and saves <out>/<zh|en>/<shot>.png. Needs root for the
# private network namespace.
# Usage: scripts/screenshots.sh [build folder (build)] [out folder (<build>/screenshots)] [shot...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-$build/screenshots}
shift $(($# < 2 ? $# : 2))

cmake --build "$build" --target kestra-ui-shots -j2
tool=$(find "$build" -name kestra-ui-shots -type f -perm -u+x | head -n 1)
[ -n "$tool" ] || { echo "screenshots: kestra-ui-shots not built" >&2; exit 1; }

# The main window's shots start its camera discovery: keep them off every network but loopback.
for lang in zh en; do
  mkdir -p "$out/$lang"
  unshare -n bash -c 'ip link set lo up; exec "$@"' shots \
    xvfb-run -a -s "-screen 0 1280x800x24" "$tool" --lang "$lang" --out "$out/$lang" "$@"
done
