#!/usr/bin/env bash
# Installs what is missing, builds (also KestraCamera for Windows),
# and runs every test: unit tests and the test-LAN integration tests, a short
# smoke of each fuzz target and benchmark.
# The whole run happens inside a fresh network namespace, so nothing it starts
# can reach the machine's real network; test LANs are made inside it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kestra-ccache}"

cmake --preset default >/dev/null
cmake --build --preset default

if [ "${KESTRA_SKIP_FUZZ:-0}" != 1 ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
fi

# KestraCamera for Windows: the 32-bit product, and the 64-bit build that the Wine tests load.
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

if [ "$(id -u)" -ne 0 ]; then
  echo "test.sh: the test LAN needs root (network namespaces); run as root" >&2
  exit 1
fi

exec unshare --net -- bash scripts/test-inside.sh
