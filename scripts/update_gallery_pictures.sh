#!/usr/bin/env bash
# Writes the gallery's reference pictures (tests/ui/gallery_pictures/) anew
# from the current drawing, for when a change to how windows look is meant.
# Look at the new pictures before committing them.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build build --target kmxwin-gallery
rm -f tests/ui/gallery_pictures/*.png
mkdir -p tests/ui/gallery_pictures
KMX512_DISPLAY=headless build/bin/kmxwin-gallery --snapshot tests/ui/gallery_pictures
git status --short tests/ui/gallery_pictures
