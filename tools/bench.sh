#!/usr/bin/env bash
# Builds optimised and runs every benchmark, printing its figures.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-release}
BUILD_DIR="$BUILD_DIR" tools/build.sh -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_BENCH=ON
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} QTWEBENGINE_DISABLE_SANDBOX=1
export QT_LOGGING_RULES="qt.webenginecontext.info=false"
export XDG_RUNTIME_DIR="$PWD/$BUILD_DIR/xdg-runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
for b in "$BUILD_DIR"/bench/*/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" "$@"
done
