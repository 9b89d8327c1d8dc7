#!/usr/bin/env bash
# The Wine tests alone: builds the Linux test and the 64-bit Windows programs it runs
# (KestraCamera.dll, kestra-capture.exe, the probe and the main-window stand-in), then runs the
# tests labelled "wine" inside a fresh network namespace, where they make their own test LAN.
# Needs root (network namespaces) and what scripts/deps.sh installs; fails at once without Wine
# or mingw-w64.
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in wine wineboot wineserver x86_64-w64-mingw32-g++-posix Xvfb; do
  command -v "$tool" >/dev/null || { echo "winetest: $tool not found (scripts/deps.sh)" >&2; exit 1; }
done
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kestra-ccache}"
cmake --preset default >/dev/null
cmake --build --preset default --target wine_test
cmake --preset win64 >/dev/null
cmake --build --preset win64
exec unshare --net -- bash -c 'ip link set lo up && ctest --preset default -L wine'
