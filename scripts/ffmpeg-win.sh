#!/usr/bin/env bash
# FFmpeg for Windows, for KestraCamera.dll and the Windows kestra-capture.exe: built with
# mingw-w64 from Debian's own source package, the same version the Linux build links, with only
# what they use (RTSP over TCP, the H.264 parser and decoder with DXVA2, swscale). Static
# libraries, so the DLL carries its FFmpeg inside and cannot meet another copy in the video
# application's process.
#
#   ffmpeg-win.sh [i686|x86_64]   32-bit (the product) or 64-bit (what Wine runs here); i686
#
# The result goes to ~/.cache/kestra-ffmpeg-win/<key>, where the key covers the version and the
# configuration; a finished folder is reused as it is. ~/.cache/kestra-ffmpeg-win/current-<arch>
# points at the folder of the last run, and the win32/win64 CMake presets read it from there.
# Needs a deb-src entry for Debian's archive (scripts/deps.sh adds one).
set -euo pipefail

arch=${1:-i686}
case "$arch" in
  i686) ffarch=x86 ;;
  x86_64) ffarch=x86_64 ;;
  *) echo "usage: ffmpeg-win.sh [i686|x86_64]" >&2; exit 2 ;;
esac
version=$(dpkg-query -W -f='${Version}' libavcodec-dev)
config=(
  --enable-cross-compile --cross-prefix="$arch-w64-mingw32-" --target-os=mingw32 --arch="$ffarch"
  --enable-static --disable-shared --disable-programs --disable-doc --disable-debug
  --disable-autodetect --enable-w32threads --enable-dxva2
  --disable-everything --disable-avfilter --disable-postproc --disable-swresample
  --enable-network --enable-protocol=tcp --enable-demuxer=rtsp
  --enable-parser=h264 --enable-decoder=h264 --enable-hwaccel=h264_dxva2
)
key=$(printf '%s\n' "$version" "${config[@]}" | sha1sum | cut -c1-12)
cache="$HOME/.cache/kestra-ffmpeg-win"
prefix="$cache/$key"

if [ -f "$prefix/.complete" ]; then
  ln -sfn "$prefix" "$cache/current-$arch"
  echo "ffmpeg-win: FFmpeg $version for $arch Windows in $prefix (built before)"
  exit 0
fi

for tool in "$arch-w64-mingw32-gcc" nasm apt-get; do
  command -v "$tool" >/dev/null || { echo "ffmpeg-win: $tool not found (scripts/deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
chmod 755 "$work" # apt fetches as its own user
trap 'rm -rf "$work"' EXIT
start=$SECONDS
cd "$work"
if ! apt-get source --only-source -q "ffmpeg=$version" >source.log 2>&1; then
  cat source.log >&2
  echo "ffmpeg-win: cannot fetch Debian's FFmpeg $version source (is there a deb-src entry?)" >&2
  exit 1
fi
cd ffmpeg-*/
rm -rf "$prefix"
./configure --prefix="$prefix" "${config[@]}" >"$work/configure.log" 2>&1 ||
  { tail -n 30 "$work/configure.log" >&2; echo "ffmpeg-win: configure failed" >&2; exit 1; }
make -j"$(nproc)" >"$work/make.log" 2>&1 ||
  { tail -n 30 "$work/make.log" >&2; echo "ffmpeg-win: build failed" >&2; exit 1; }
make install >/dev/null
touch "$prefix/.complete"
ln -sfn "$prefix" "$cache/current-$arch"
echo "ffmpeg-win: built FFmpeg $version for $arch Windows in $((SECONDS - start)) s into $prefix"
