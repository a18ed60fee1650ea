#!/usr/bin/env bash
# Runs every fuzz target built in BUILD (default build-fuzz) for FUZZ_SECONDS
# (default 60) each, one after the other, or those FUZZ_TARGETS names.  Each starts from its committed seeds
# and crash inputs, the shipped keyboards or word lists where they fit, and the
# corpus that earlier runs grew in BUILD/fuzz/corpus.  A crash or broken
# property is kept in BUILD/fuzz/crashes/<target>/; commit it (once fixed)
# under tests/fuzz/regressions/<target>/ so that `make test` replays it.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
# The targets write small files for every input: in memory that is three
# times faster than on disk.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi

# Shipped files that make good starting points, by target.
extra_seeds() {
    case "$1" in
        fuzz_keyboardfile | fuzz_facetext) echo data/Keyboards ;;
        fuzz_wordlists) echo data/words ;;
        fuzz_textfile) echo data/Keyboards data/words ;;
    esac
}

# Only the small ones (up to 2 KB): a large seed costs its whole length on
# every run that mutates it, and the properties do not need it.
small_seeds() {
    local target=$1 dir=$build/fuzz/shipped/$1
    rm -rf "$dir"
    mkdir -p "$dir"
    for folder in $(extra_seeds "$target"); do
        find "$folder" -maxdepth 1 -type f -size -2049c -exec cp {} "$dir/" \;
    done
    [ -n "$(ls -A "$dir")" ] && echo "$dir"
}

# Allocation stacks are not recorded while fuzzing (twice the runs for the
# targets that make many strings); a kept crash input replayed on its own
# shows them in full.  New memory is not filled with a pattern, and freed
# memory waits in a quarantine of 16 MB rather than 256 MB: ample for the
# use after free within one input, and half again as many runs for the
# targets that write files.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:max_malloc_fill_size=0:quarantine_size_mb=16}

failed=()
summary=()
for exe in "$build"/bin/fuzz_*; do
    target=$(basename "$exe")
    # FUZZ_TARGETS="fuzz_a fuzz_b" runs only those (for running several
    # streams side by side).
    if [ -n "${FUZZ_TARGETS:-}" ] && [[ " $FUZZ_TARGETS " != *" $target "* ]]; then
        continue
    fi
    corpus=$build/fuzz/corpus/$target
    crashes=$build/fuzz/crashes/$target
    log=$build/fuzz/$target.log
    mkdir -p "$corpus" "$crashes"
    seeds=(tests/fuzz/seeds/"$target")
    [ -d tests/fuzz/regressions/"$target" ] && seeds+=(tests/fuzz/regressions/"$target")
    # shellcheck disable=SC2207
    seeds+=($(small_seeds "$target"))
    echo "== $target: ${seconds}s"
    "$exe" -max_total_time="$seconds" -timeout=20 -max_len=8192 -print_final_stats=1 \
        -artifact_prefix="$crashes/" "$corpus" "${seeds[@]}" >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    if [ $rc -ne 0 ]; then
        failed+=("$target")
        grep -E 'property failed|ERROR: |runtime error|SUMMARY|Test unit written' "$log" | head -8
        summary+=("$target: FAILED after ${runs:-?} runs, see $log")
    else
        summary+=("$target: ${runs:-?} runs, ${speed:-?} per second, corpus $(ls "$corpus" | wc -l)")
    fi
done

echo
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
    echo "Failing targets: ${failed[*]}"
    exit 1
fi
