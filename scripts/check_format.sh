#!/usr/bin/env bash
# Fails when a tracked C or C++ file differs from what the project's
# .clang-format makes of it, and names the files.
set -euo pipefail
cd "$(dirname "$0")/.."

report=$(git ls-files -z '*.c' '*.cpp' '*.h' |
    xargs -0 -n 50 -P "$(nproc)" clang-format --dry-run 2>&1 | grep -o '^[^:]*:[0-9]*:[0-9]*: warning' || true)
if [[ -n "$report" ]]; then
    echo "not formatted (run clang-format -i on these files):" >&2
    cut -d: -f1 <<<"$report" | sort -u | sed 's/^/  /' >&2
    exit 1
fi
