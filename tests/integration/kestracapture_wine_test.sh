#!/usr/bin/env bash
# kestra-capture.exe over Wine's DirectShow (its device enumerator and filter graph, not our
# runtime), in a private Wine prefix: no cameras before KestraCamera.dll is registered, the
# four after regsvr32, a camera's formats, grabs of the placeholder picture in two formats
# with raw samples and a snapshot, a stop and restart of the running graph, and the failures
# with UTF-8 names and messages.
# Usage: kestracapture_wine_test.sh <kestra-capture.exe> <KestraCamera.dll>
# Fails without Wine or the Windows build; exits 77 (skipped) without the right to make a
# network namespace. Wine runs in a network namespace of its own with only loopback.
set -uo pipefail
exe=$1
dll=$2

if [ -z "${KESTRA_WINE_NETNS:-}" ]; then
  command -v wine >/dev/null && command -v wineserver >/dev/null || {
    echo "FAIL: no Wine (scripts/deps.sh installs it)"
    exit 1
  }
  [ -f "$exe" ] && [ -f "$dll" ] || {
    echo "FAIL: no Windows build ($exe, $dll): cmake --preset win64 && cmake --build --preset win64"
    exit 1
  }
  unshare --net true 2>/dev/null || {
    echo "skipped: cannot make a network namespace"
    exit 77
  }
  exec unshare --net env KESTRA_WINE_NETNS=1 bash "$0" "$@"
fi
ip link set lo up

prefix=$(mktemp -d)
out=$(mktemp -d)
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all LC_ALL=C.UTF-8
# No Mono or Gecko: nothing to fetch, no installer waiting for an answer.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
cleanup() {
  wineserver -k 2>/dev/null
  rm -rf "$prefix" "$out"
}
trap cleanup EXIT

passed=0
failed=0
check() { # description, then a command that succeeds when the behaviour holds
  local description=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $description"
    failed=$((failed + 1))
  fi
}

# Runs kestra-capture.exe; its stdout and stderr (without Windows line ends) and exit status
# land in $stdout, $stderr and $status.
capture() {
  wine "$exe" "$@" >"$out/stdout" 2>"$out/stderr"
  status=$?
  stdout=$(tr -d '\r' <"$out/stdout")
  stderr=$(tr -d '\r' <"$out/stderr")
}

wineboot -i >/dev/null 2>&1

capture list
check "no video devices before the registration" test "$status:$stdout" = "0:"

wine regsvr32 "$dll" >/dev/null 2>&1
check "regsvr32 registers KestraCamera.dll" test $? -eq 0

capture list
check "the four cameras are listed" \
  test "$stdout" = "$(printf 'Kestra Camera1\nKestra Camera2\nKestra Camera3\nKestra Camera4')"

capture formats "Kestra Camera1"
check "24 formats" test "$(grep -c . <<<"$stdout")" -eq 24
check "format 2 is NV12 1920x1080 at 30 frames" \
  grep -qx "2 NV12 1920x1080 30.00 3110400" <<<"$stdout"

frames_of() { # bytes per sample: exit 0 when every sample line has them
  local lines
  lines=$(grep '^sample ' <<<"$stdout")
  [ -n "$lines" ] && ! grep -v " bytes=$1 " <<<"$lines" | grep -q .
}

# A Windows path: Wine's Z: drive is the root of the Linux file system.
capture grab "Kestra Camera1" --format 2 --count 10 --out "Z:$out/nv12"
check "a grab of 10 NV12 samples succeeds ($stderr)" test "$status" -eq 0
check "10 sample lines" test "$(grep -c '^sample ' <<<"$stdout")" -eq 10
check "every sample is a 1920x1080 NV12 picture" frames_of 3110400
check "the summary counts 10 frames" grep -q '^frames=10 ' <<<"$stdout"
check "raw samples are written" test "$(stat -c %s "$out/nv12/sample-9.raw" 2>/dev/null)" = 3110400
png_header() { od -An -tx1 -N24 "$1" 2>/dev/null | tr -d ' \n'; }
# Signature, then IHDR with width 1920 (0x780) and height 1080 (0x438).
check "the snapshot is a 1920x1080 PNG" test "$(png_header "$out/nv12/snapshot.png")" = \
  "89504e470d0a1a0a0000000d494844520000078000000438"

capture grab "Kestra Camera1" --format 7 --count 3 --no-raw
check "the format picked before the connection is the one delivered (YUY2 3840x2160)" \
  frames_of 16588800

capture grab "Kestra Camera2" --count 0 --seconds 2.5 --stop-at 0.8 --stopped-for 0.5 --live
check "a grab with a restart succeeds ($stderr)" test "$status" -eq 0
stopped=$(sed -n 's/^graph stopped at_ms=//p' <<<"$stdout")
running=$(sed -n 's/^graph running at_ms=//p' <<<"$stdout")
arrivals=$(sed -n 's/^sample [0-9]* arrival_ms=\([0-9.]*\) .*/\1/p' <<<"$stdout")
count_between() { awk -v low="$1" -v high="$2" '$1 > low && $1 < high { n++ } END { print n + 0 }'; }
check "the graph says when it stopped and ran again" test -n "$stopped" -a -n "$running"
check "samples before the stop" test "$(count_between 0 "${stopped:-0}" <<<"$arrivals")" -ge 10
check "no sample while stopped" \
  test "$(count_between "${stopped:-0}" "${running:-0}" <<<"$arrivals")" -eq 0
check "samples again after the restart" \
  test "$(count_between "${running:-1e9}" 1e9 <<<"$arrivals")" -ge 15

capture grab "Kamera ö 写真"
check "an unknown camera fails, named in UTF-8" test "$status:$stderr" = \
  '1:kestra-capture: device not found: "Kamera ö 写真"'
capture grab "Kestra Camera1" --format 99
check "an unknown format fails" test "$status:$stderr" = \
  "1:kestra-capture: no such format: 99 (the device has 24)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
