#!/usr/bin/env bash
# The main job, for now: builds the project, starts the camera driver service
# with two simulated cameras in a private runtime directory and private
# registry hives, and shows what a client of the service sees. (The capture
# demonstration replaces this as the library grows.)
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ! -x build/bin/kmx512-camd ]] || [[ -n "$(find drivers platform -newer build/bin/kmx512-camd -print -quit 2>/dev/null)" ]]; then
    echo "== building (scripts/test.sh installs what the build needs on a fresh machine)"
    cmake --preset default >/dev/null
    cmake --build build -j "$(nproc)" >/dev/null
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kmx512-demo-XXXXXX")
export KMX512_RUNTIME_DIR="$scratch/run" KMX512_HKCU="$scratch/HKCU.db" KMX512_HKLM="$scratch/HKLM.db"
camd=build/bin/kmx512-camd
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
    echo "== kmx512-camd $*"
    "$camd" "$@" | sed 's/^/   /'
}
show list
show props DEMO1
show plug minimal --serial DEMO3
show list
show fault DEMO2 0x22080C status 34 count 1
show unplug DEMO3
show wake
show stop
wait "$service_pid" 2>/dev/null || true
service_pid=
echo "== the service has stopped; its cameras are gone"
