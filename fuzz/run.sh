#!/usr/bin/env bash
# fuzz/run.sh BUILD_DIR SECONDS [TARGET...]: each fuzz target (bitmap slot console) for a set time
# on its committed corpus; new inputs are dropped, crash inputs kept in BUILD_DIR/fuzz/artifacts/.
set -uo pipefail
corpus="$(cd "$(dirname "$0")" && pwd)/corpus" build="$(cd "${1:?BUILD_DIR}" && pwd)" seconds="${2:?SECONDS}"
shift 2
failed=()
for t in ${@:-bitmap slot console}; do
    scratch="$(mktemp -d)" log="$build/fuzz/fuzz_$t.log"
    mkdir -p "$build/fuzz/artifacts"
    # Slow inputs (whole route files) get less of the time.
    "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=600 -rss_limit_mb=4096 -max_len=4096 \
        -entropic_scale_per_exec_time=1 -print_final_stats=1 -artifact_prefix="$build/fuzz/artifacts/$t-" \
        "$scratch" "$corpus/$t" >"$log" 2>&1 || { failed+=("$t"); grep -E "ERROR|SUMMARY|runtime error|Test unit" "$log"; }
    echo "fuzz: $t: $(grep -E '^#[0-9]+.*(DONE|pulse)' "$log" | tail -1)"
    rm -rf "$scratch"
done
[ ${#failed[@]} = 0 ] && echo "fuzz: all targets clean" || { echo "fuzz: FAILED: ${failed[*]} (logs in $build/fuzz)"; exit 1; }
