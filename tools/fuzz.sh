#!/usr/bin/env bash
# `make fuzz`: runs every fuzzer of the native tree for longer than the test
# run does, each with its own corpus and crash folder under the build.
set -u
build=${1:-build}
seconds=${FUZZ_SECONDS:-60}
fuzzers=("$build"/native/fuzz/*)
if [ ! -e "${fuzzers[0]}" ]; then
    echo "fuzz: no fuzzers in $build/native/fuzz; run make build first"
    exit 1
fi
failed=0
for fuzzer in "${fuzzers[@]}"; do
    [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus="$build/native/fuzz-corpus/$name"
    crashes="$build/native/fuzz-crashes/$name"
    mkdir -p "$corpus" "$crashes"
    echo "== $name for ${seconds}s"
    if "$fuzzer" -max_total_time="$seconds" -artifact_prefix="$crashes/" "$corpus" 2>"$crashes/log.txt"; then
        grep -E '^Done|stat::number_of_executed_units' "$crashes/log.txt" | tail -1
    else
        echo "FAIL: $name found a fault; see $crashes/"
        tail -20 "$crashes/log.txt"
        failed=1
    fi
done
[ "$failed" -eq 0 ] && echo "fuzz: no findings"
exit "$failed"
