#!/usr/bin/env bash
# Installs every Debian package the whole system needs to build, test and demo.
# Idempotent: packages already present are skipped by apt; the package lists
# are refreshed only when something is missing.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config ccache clang-format
  # KestraLive: Qt 6 base, network, widgets, http server (its CMake package needs
  # websockets), svg, translation tools
  qt6-base-dev qt6-httpserver-dev qt6-websockets-dev qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libgl-dev
  # mDNS message codec
  libldns-dev
  # cloud stand-in: QR pictures; tests read them back with zbar
  libqrencode-dev libzbar-dev
  # KestraCamera: FFmpeg 5.1 and the placeholder decoder
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libavdevice-dev
  libturbojpeg0-dev
  # kestra-capture: sample checksums
  zlib1g-dev
  # KestraCamera for Windows: mingw-w64 with its DirectShow headers for the 32-bit product and
  # the 64-bit build that Wine runs here (this kind of machine runs no 32-bit code), zlib for
  # the Windows kestra-capture, nasm for FFmpeg's decoder, and Wine
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nasm wine wine64
  # camera simulator: RTSP server with H.264 encoding
  libgstrtspserver-1.0-dev libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  # its sound in a coding the bridge cannot decode (SBC)
  gstreamer1.0-plugins-bad
  # the microphone bridge: FFmpeg's resampler and the sound server's client library; its tests
  # run a private sound server and record from it
  libswresample-dev libpulse-dev pulseaudio pulseaudio-utils
  # tests, fuzzing, benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev libssl-dev
  # benchmark anchors for the frame copies
  libyuv-dev
  clang libclang-rt-14-dev libfuzzer-14-dev
  # test LAN, screenshots, fonts for the UI
  iproute2 util-linux xvfb xauth xdotool fonts-noto-cjk
  # our artwork: SVG sources rendered to PNG at build time
  librsvg2-bin
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# FFmpeg for Windows is built from Debian's source package (scripts/ffmpeg-win.sh), which needs
# deb-src entries.
refresh=0
sources=/etc/apt/sources.list.d/kestra-deb-src.sources
if [ ! -f "$sources" ] && [ -f /etc/apt/sources.list.d/debian.sources ]; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
    $SUDO tee "$sources" >/dev/null
  refresh=1
fi
[ "$refresh" = 0 ] || $SUDO apt-get update -q

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: all ${#packages[@]} packages present"
else
  echo "deps: installing ${missing[*]}"
  [ "$refresh" = 1 ] || $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

bash "$(dirname "$0")/ffmpeg-win.sh" i686
bash "$(dirname "$0")/ffmpeg-win.sh" x86_64
