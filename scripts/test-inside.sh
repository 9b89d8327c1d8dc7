#!/usr/bin/env bash
# The part of test.sh that runs inside its private network namespace.
set -euo pipefail
cd "$(dirname "$0")/.."

ip link set lo up

status=0
echo "== fuzz smoke"
for target in build/fuzz/tests/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  corpus=$(mktemp -d)
  seeds="tests/fuzz/corpus/$(basename "$target" | sed 's/^fuzz_//')"
  [ -d "$seeds" ] && cp "$seeds"/* "$corpus"/
  if ! "$target" -max_total_time=5 -print_final_stats=0 "$corpus" >"$corpus.log" 2>&1; then
    echo "fuzz smoke failed: $target"; tail -n 30 "$corpus.log"; status=1
  fi
  rm -rf "$corpus" "$corpus.log"
done

echo "== benchmark smoke"
build/default/bench/bench_log --benchmark_min_time=0.05 || status=1
build/default/bench/bench_convert --benchmark_min_time=0.01 || status=1
build/default/bench/bench_network events 100 || status=1
build/default/bench/bench_network poll 2 3 || status=1
build/default/bench/bench_live --smoke || status=1
build/default/bench/bench_mic --smoke || status=1

echo "== tests"
ctest --preset default -j 2 || status=1
exit $status
