#!/usr/bin/env bash
# Builds the importer's fuzz targets with clang and runs each for a bounded time, seeded with
# the sample files and a fixed random seed, so that every run explores the same inputs.
# Usage: run-fuzzers.sh BUILD_DIR [SECONDS_EACH]
# Exits 77 (skipped) when clang cannot build with libFuzzer here.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$1"
seconds="${2:-15}"
data="$here/../../data/importer"

probe="$(mktemp -d)"
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
    >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2>"$probe/err"; then
    echo "skipped: clang++ cannot link with libFuzzer here:" >&2
    cat "$probe/err" >&2
    exit 77
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" >/dev/null

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for format in html markdown rtf pdf; do
    corpus="$build/corpus-$format"
    mkdir -p "$corpus"
    echo "== fuzz_$format for ${seconds}s"
    if ! "$build/fuzz_$format" -seed=1 -max_total_time="$seconds" -timeout=10 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$build/crash-$format-" \
        "$corpus" "$data/$format" 2>"$build/fuzz_$format.log"; then
        status=1
        tail -n 60 "$build/fuzz_$format.log"
    else
        grep -E 'stat::number_of_executed_units|Done' "$build/fuzz_$format.log" || true
    fi
done
exit $status
