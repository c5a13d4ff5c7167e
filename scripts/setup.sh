#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build Telvia and run all of its tests.
# Idempotent: prints nothing and installs nothing when everything is already present.
#   scripts/setup.sh [--release]   --release: also what scripts/release.sh needs (the
#                                  installer compiler, the help compiler, zip)
set -euo pipefail
release=0
case "${1:-}" in
  "") ;;
  --release) release=1 ;;
  *) echo "usage: $0 [--release]" >&2; exit 2 ;;
esac

# package -> a file or command that proves it is installed
declare -A probes=(
  [cmake]=/usr/bin/cmake
  [ninja-build]=/usr/bin/ninja
  [g++]=/usr/bin/g++
  [libasan8]=/usr/lib/x86_64-linux-gnu/libasan.so.8
  [libubsan1]=/usr/lib/x86_64-linux-gnu/libubsan.so.1
  [googletest]=/usr/src/googletest/CMakeLists.txt
  [libgtest-dev]=/usr/include/gtest/gtest.h
  [libgmock-dev]=/usr/include/gmock/gmock.h
  [libbenchmark-dev]=/usr/include/benchmark/benchmark.h
  [g++-mingw-w64-x86-64-posix]=/usr/bin/x86_64-w64-mingw32-g++-posix
  [gcc-mingw-w64-x86-64-posix]=/usr/bin/x86_64-w64-mingw32-gcc-posix
  [mingw-w64-x86-64-dev]=/usr/share/mingw-w64/include/windows.h
  [binutils-mingw-w64-x86-64]=/usr/bin/x86_64-w64-mingw32-windres
  [wine]=/usr/bin/wine
  [wine64]=/usr/lib/wine/wine64
  # Wine's bcrypt does AES through GnuTLS, which the wine packages only recommend
  [libgnutls30]=/usr/lib/x86_64-linux-gnu/libgnutls.so.30
  [xvfb]=/usr/bin/Xvfb
  [xauth]=/usr/bin/xauth
  [x11-apps]=/usr/bin/xwd
  [x11-utils]=/usr/bin/xwininfo
  [imagemagick]=/usr/bin/convert
  [clang]=/usr/bin/clang++
  [libclang-rt-14-dev]=/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a
  [ffmpeg]=/usr/bin/ffmpeg
  # the capture proof compares frames and times with it
  [python3]=/usr/bin/python3
  [gstreamer1.0-plugins-base]=/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstplayback.so
  [gstreamer1.0-plugins-good]=/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstisomp4.so
  [gstreamer1.0-plugins-ugly]=/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstasf.so
  [gstreamer1.0-libav]=/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstlibav.so
)
if [ $release -eq 1 ]; then
  probes+=(
    [nsis]=/usr/bin/makensis
    [fp-utils]=/usr/bin/chmcmd
    [zip]=/usr/bin/zip
    [unzip]=/usr/bin/unzip
  )
fi

missing=()
for pkg in "${!probes[@]}"; do
  [ -e "${probes[$pkg]}" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
if ! { $sudo apt-get update -q && $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  echo "setup: could not install: ${missing[*]} (see the apt-get output above)" >&2
  exit 1
fi
rm -f "$log"

for pkg in "${missing[@]}"; do
  [ -e "${probes[$pkg]}" ] || { echo "setup: $pkg installed but ${probes[$pkg]} is still missing" >&2; exit 1; }
done
echo "setup: done"
