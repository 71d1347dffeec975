#!/usr/bin/env bash
# The main job, for now: builds the project (on a fresh Debian machine, run
# as root, it first installs the packages the build needs), starts the
# camera driver service with two simulated cameras in a private runtime
# directory and private registry hives, and shows the service tool kmxctl at
# work on them: the cameras listed, one camera's information and formats, a
# property set and read back, and the driver's version through the debug
# interface.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ! -x build/bin/kmxctl ]] ||
   [[ -n "$(find drivers platform src include tools data -newer build/bin/kmxctl -print -quit 2>/dev/null)" ]]; then
    echo "== building"
    scripts/install_packages.sh
    cmake --preset default >/dev/null
    cmake --build build -j "$(nproc)" >/dev/null
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kmx512-demo-XXXXXX")
export KMX512_RUNTIME_DIR="$scratch/run" KMX512_HKCU="$scratch/HKCU.db" KMX512_HKLM="$scratch/HKLM.db"
camd=build/bin/kmx512-camd
kmxctl=build/bin/kmxctl
service_pid=
cleanup() {
    [[ -n "$service_pid" ]] && kill "$service_pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

echo "== kmx512-camd serve --plug pantilt:DEMO1 --plug compact:DEMO2"
coproc SERVICE { exec "$camd" serve --plug pantilt:DEMO1 --plug compact:DEMO2; }
service_pid=$SERVICE_PID
while read -r line <&"${SERVICE[0]}"; do
    echo "   $line"
    [[ "$line" == ready ]] && break
done

show() {
    echo "== kmxctl $*"
    "$kmxctl" "$@" | sed 's/^/   /'
}
show list
show info -c 1
show set -c 1 brightness 7500
show get -c 1 brightness
show --json get -c 1 brightness
show debug version

echo "== kmx512-camd stop"
"$camd" stop >/dev/null
wait "$service_pid" 2>/dev/null || true
service_pid=
echo "== the service has stopped; its cameras are gone"
