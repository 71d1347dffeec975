#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, those that
# are missing only; with "fuzz", also those of the clang preset and
# scripts/fuzz.sh. Installing needs root; without it, a missing package is
# an error that names what to install.
set -euo pipefail

packages=(cmake ninja-build g++ clang-format libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev libjpeg-dev libturbojpeg0-dev libyuv-dev libcairo2-dev libpango1.0-dev fonts-liberation2 fonts-dejavu-core)
# Clang, with its sanitizer and libFuzzer runtimes.
if [[ ${1:-} == fuzz ]]; then
    packages+=(clang libclang-rt-14-dev)
fi

# The window system: the X11 display and its test server,
# and the resource compiler that turns .rc scripts into .res data.
packages+=(pkg-config libx11-dev libxfixes-dev binutils-mingw-w64-x86-64 xvfb xauth)
# kmxcap: containers through FFmpeg's libraries, PNG through libpng, and
# ffprobe to show what it recorded.
packages+=(libavformat-dev libavcodec-dev libavutil-dev ffmpeg libpng-dev)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
    if [[ $(id -u) -ne 0 ]]; then
        echo "missing packages: ${missing[*]} (run as root to install them)" >&2
        exit 1
    fi
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
