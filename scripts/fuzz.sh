#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each for SECONDS (default 60) over seeds of the project's
# own making. Exits non-zero when a target crashed, leaking, timing out or running out of memory,
# and names the file that holds the input. Needs clang and libclang-rt-14-dev (scripts/deps.sh
# test installs them); installs nothing and needs no network. Usage: fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
case "$seconds" in
'' | *[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;;
esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=build/fuzz
# Regenerated each run so the seeds always match the current encoder and bitmap writer.
rm -rf "$build/corpus"
"$build/fuzz/makeseeds" "$build/corpus/bitmap" "$build/corpus/stream"

failed=0
for pair in fuzz_framebitmap:bitmap fuzz_wiredecoder:stream; do
    target=${pair%%:*}
    corpus=${pair#*:}
    # libFuzzer writes new inputs into its first folder: the scratch folder keeps the seeds clean
    # and, kept between runs, lets a run start where the previous one stopped.
    scratch="$build/scratch/$corpus"
    artifacts="$build/artifacts/$target"
    log="$build/$target.log"
    mkdir -p "$scratch" "$artifacts"
    echo "Running $target for $seconds s (log: $log)"
    status=0
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts/" "$scratch" "$build/corpus/$corpus" >"$log" 2>&1 || status=$?

    done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$log" | tail -n 1 || true)
    if [ "$status" -eq 0 ] && [ -n "$done_line" ]; then
        runs=$(sed -E 's/^Done ([0-9]+) runs in ([0-9]+) second.*/\1/' <<<"$done_line")
        took=$(sed -E 's/^Done ([0-9]+) runs in ([0-9]+) second.*/\2/' <<<"$done_line")
        echo "$target: $runs executions in $took s, no crash"
    else
        failed=1
        # Without the closing line, the last status line tells how far it got.
        runs=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#' || true)
        echo "---- last lines of $log ----"
        tail -n 60 "$log"
        echo "----"
        input=$(grep -oE 'Test unit written to .*' "$log" | sed 's/^Test unit written to //' | tail -n 1 || true)
        echo "$target: FAILED (exit status $status) after ${runs:-0} executions; input: ${input:-none written}"
        [ -n "$input" ] && echo "  rerun with: $build/fuzz/$target $input"
    fi
done
exit "$failed"
