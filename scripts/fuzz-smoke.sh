#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang with AddressSanitizer and
# UBSan) into build-fuzz/ and runs each on its seed corpus in
# fuzz/corpus/<target>/ for a short time, as many at once as there are
# cores. Fails on any crash, failed check, leak, timeout or sanitizer report;
# the input that caused it is kept in build-fuzz/fuzz-run/<target>/.
#   scripts/fuzz-smoke.sh [SECONDS_PER_TARGET] [TARGET...]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${WENDLOCK_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
SECONDS_EACH="${1:-30}"
shift || true
JOBS="${WENDLOCK_FUZZ_JOBS:-$(nproc)}"

WENDLOCK_SETUP_BROWSER=0 bash "$ROOT/scripts/setup.sh"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DWENDLOCK_FUZZ=ON -DWENDLOCK_BUILD_GUI=OFF -DWENDLOCK_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target fuzzers --parallel "$(nproc)"

if (($# > 0)); then
    TARGETS=("$@")
else
    TARGETS=()
    for dir in "$ROOT"/fuzz/corpus/*/; do
        TARGETS+=("$(basename "$dir")")
    done
fi

export ASAN_OPTIONS="detect_leaks=1:handle_abort=1:symbolize=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

# One target: fresh inputs go to a scratch corpus, the seeds are only read.
run_target() {
    local name="$1"
    local binary="$BUILD/fuzz/fuzz_$name"
    local work="$BUILD/fuzz-run/$name"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    if [[ ! -x "$binary" ]]; then
        echo "no fuzz target fuzz_$name for fuzz/corpus/$name" >"$work/log"
        return 1
    fi
    # A fixed seed makes the run repeatable: a slower machine runs a prefix
    # of the same inputs. WENDLOCK_FUZZ_SEED explores other paths by hand.
    local args=(-max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -seed="${WENDLOCK_FUZZ_SEED:-1}" -artifact_prefix="$work/artifacts/")
    if [[ -f "$ROOT/fuzz/dict/$name.dict" ]]; then
        args+=(-dict="$ROOT/fuzz/dict/$name.dict")
    fi
    "$binary" "${args[@]}" "$work/corpus" "$ROOT/fuzz/corpus/$name" >"$work/log" 2>&1
}

report() {
    local name="$1" status="$2"
    local work="$BUILD/fuzz-run/$name"
    local runs cov
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
    cov=$(grep -oE 'cov: [0-9]+' "$work/log" | tail -1 || true)
    if [[ "$status" -eq 0 ]] && ! ls "$work/artifacts" | grep -q . \
        && ! grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$work/log"; then
        printf 'fuzz %-16s ok    %8s runs  %s\n' "$name" "${runs:-?}" "$cov"
        return 0
    fi
    printf 'fuzz %-16s FAILED (exit %s)\n' "$name" "$status"
    grep -E -A30 'ERROR:|check failed|runtime error:|no fuzz target' "$work/log" | head -60 || tail -40 "$work/log"
    for artifact in "$work"/artifacts/*; do
        [[ -e "$artifact" ]] && echo "input: $artifact ($(base64 -w0 "$artifact" | head -c 400))"
    done
    return 1
}

failed=0
pids=()
names=()
finish_one() {
    local pid="$1" name="$2" status=0
    wait "$pid" || status=$?
    report "$name" "$status" || failed=1
}
for name in "${TARGETS[@]}"; do
    if ((${#pids[@]} >= JOBS)); then
        finish_one "${pids[0]}" "${names[0]}"
        pids=("${pids[@]:1}")
        names=("${names[@]:1}")
    fi
    run_target "$name" &
    pids+=("$!")
    names+=("$name")
done
for i in "${!pids[@]}"; do
    finish_one "${pids[$i]}" "${names[$i]}"
done

if ((failed)); then
    echo "fuzz smoke: FAILED (logs and inputs in $BUILD/fuzz-run/)"
    exit 1
fi
echo "fuzz smoke: ${#TARGETS[@]} targets, ${SECONDS_EACH} s each, nothing found"
