#!/usr/bin/env bash
# Builds optimised and runs every benchmark, printing its figures.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-release}
BUILD_DIR="$BUILD_DIR" tools/build.sh -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_BENCH=ON
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
for b in "$BUILD_DIR"/bench/*/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" "$@"
done
