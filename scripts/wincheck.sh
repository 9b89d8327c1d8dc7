#!/usr/bin/env bash
# KestraCamera's Windows build check. Compiles, with mingw-w64 against its own Windows SDK
# headers, every source the Windows build of the filter uses: our DirectShow base classes, the
# portable filter core and the filter's Windows platform files (*_linux.cpp are left out).
# dshow/include is never on the path: it stands in for the SDK on Linux only. FFmpeg's headers
# come from the Linux packages through a folder that holds nothing else, searched after
# mingw's own, so no Linux system header can stand in for a missing Windows one.
#
# Prints each file; stops at the first failure with the compiler's output (exit 1).
# --keep-going checks every file and then fails if any failed.
set -euo pipefail
cd "$(dirname "$0")/.."

# The posix thread model: the filter's portable code uses std::thread and std::mutex, which
# the win32 model of GCC 12 (Debian's default alternative) does not provide.
CXX=${KESTRA_WINCHECK_CXX:-i686-w64-mingw32-g++-posix}
keep_going=0
[ "${1:-}" = "--keep-going" ] && keep_going=1

if ! command -v "$CXX" >/dev/null; then
  echo "wincheck: $CXX not found (Debian package g++-mingw-w64-i686-posix)" >&2
  exit 1
fi

ffmpeg=$(mktemp -d)
log=$(mktemp)
trap 'rm -rf "$ffmpeg" "$log"' EXIT
for lib in libavcodec libavdevice libavfilter libavformat libavutil libswresample libswscale; do
  for root in /usr/include/x86_64-linux-gnu /usr/include; do
    if [ -d "$root/$lib" ]; then
      ln -s "$root/$lib" "$ffmpeg/$lib"
      break
    fi
  done
done

flags=(-std=c++20 -fsyntax-only -Idshow/baseclasses -Ifilter -Icontract -idirafter "$ffmpeg")

# Folders of the Windows build; a folder that does not exist yet has nothing to check.
folders=(dshow/baseclasses filter/convert filter/source filter/receiver filter/com
         filter/platform filter/config)
mapfile -t files < <(for folder in "${folders[@]}"; do
                       [ -d "$folder" ] && find "$folder" -maxdepth 1 -name '*.cpp' \
                         ! -name '*_linux.cpp'
                     done | sort)

failed=()
for file in "${files[@]}"; do
  echo "wincheck: $file"
  if ! "$CXX" "${flags[@]}" "$file" >"$log" 2>&1; then
    cat "$log"
    failed+=("$file")
    [ "$keep_going" = 1 ] || break
  fi
done

if [ "${#failed[@]}" -ne 0 ]; then
  echo "wincheck: FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "wincheck: ${#files[@]} files compile for Windows"
