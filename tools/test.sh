#!/usr/bin/env bash
# Checks the formatting, builds with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${#sources[@]}" -gt 0 ]; then
    clang-format --dry-run -Werror "${sources[@]}"
fi
BUILD_DIR="$BUILD_DIR" tools/build.sh -DQUORVEL_WERROR=ON -DQUORVEL_BUILD_TESTS=ON
ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" "$@"
