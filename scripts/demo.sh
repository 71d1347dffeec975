#!/usr/bin/env bash
# The main job: builds the project if needed (on a fresh Debian machine, run
# as root, it first installs the packages the build needs), records three
# seconds from the embedded simulated camera into an AVI file with the
# capture application kmxcap, grabs one frame as a PNG picture, and shows
# ffprobe's view of the recording: codec, size and frame count. No camera
# service need run: kmxcap serves a simulated camera of its own in a private
# runtime directory and private registry hives, and removes them afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ! -x build/bin/kmxcap ]] ||
   [[ -n "$(find drivers platform plugins src include tools data -newer build/bin/kmxcap -print -quit 2>/dev/null)" ]]; then
    echo "== building"
    scripts/install_packages.sh
    cmake --preset default >/dev/null
    cmake --build build -j "$(nproc)" >/dev/null
fi

out=${KMXCAP_DEMO_DIR:-demo-output}
mkdir -p "$out"
kmxcap=build/bin/kmxcap

echo "== kmxcap record -o $out/demo.avi --seconds 3"
"$kmxcap" record -o "$out/demo.avi" --seconds 3 | sed 's/^/   /'
echo "== kmxcap grab -o $out/frame.png"
"$kmxcap" grab -o "$out/frame.png" | sed 's/^/   /'
echo "== ffprobe $out/demo.avi"
ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=codec_name,width,height,nb_read_frames -of default=noprint_wrappers=1 \
    "$out/demo.avi" | sed 's/^/   /'
