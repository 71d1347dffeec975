#!/usr/bin/env bash
# The test command: builds the default and AddressSanitizer configurations
# and runs both test suites. On a fresh Debian machine, run as root, it first
# installs the packages the build needs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install_packages.sh
scripts/check_format.sh

jobs=$(nproc)
status=0
for preset in default asan; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    echo "== $preset: tests"
    ctest --preset "$preset" -j "$jobs" --output-on-failure || status=1
done
exit $status
