#!/usr/bin/env bash
# Runs each fuzz target for a set time on its committed seed corpus.
#   fuzz/run.sh BUILD_DIR SECONDS [TARGET...]      (targets: bitmap slot console)
# New inputs the fuzzer finds go to a scratch folder and are dropped, so the
# committed corpus only changes on purpose; set FUZZ_MERGE=1 to merge them into
# fuzz/corpus/<target>/ afterwards. Crash inputs are kept under
# BUILD_DIR/fuzz/artifacts/<target>/ and make the script fail.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:?usage: fuzz/run.sh BUILD_DIR SECONDS [TARGET...]}"
seconds="${2:?usage: fuzz/run.sh BUILD_DIR SECONDS [TARGET...]}"
shift 2
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(bitmap slot console)

declare -A max_len=([bitmap]=4096 [slot]=4096 [console]=1024)
failed=()
for t in "${targets[@]}"; do
    bin="$build/fuzz/fuzz_$t"
    corpus="$here/corpus/$t"
    if [ ! -x "$bin" ] || [ ! -d "$corpus" ]; then
        echo "fuzz: no target or corpus for '$t'" >&2
        failed+=("$t")
        continue
    fi
    scratch="$(mktemp -d "${TMPDIR:-/tmp}/gamevrak-corpus-$t-XXXXXX")"
    artifacts="$build/fuzz/artifacts/$t"
    mkdir -p "$artifacts"
    log="$build/fuzz/fuzz_$t.log"
    echo "fuzz: $t for ${seconds}s on $(ls "$corpus" | wc -l) corpus inputs"
    "$bin" -max_total_time="$seconds" -timeout=600 -rss_limit_mb=4096 -max_len="${max_len[$t]:-4096}" \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$scratch" "$corpus" >"$log" 2>&1
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "fuzz: $t: ${runs:-?} executions, exit status $status"
    if [ $status -ne 0 ]; then
        failed+=("$t")
        grep -E "ERROR|SUMMARY|runtime error|Test unit written" "$log" | head -20
        echo "fuzz: full log in $log"
    elif [ "${FUZZ_MERGE:-0}" = 1 ]; then
        "$bin" -merge=1 -max_len="${max_len[$t]:-4096}" -rss_limit_mb=4096 "$corpus" "$scratch" >>"$log" 2>&1
    fi
    rm -rf "$scratch"
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz: FAILED: ${failed[*]}"
    exit 1
fi
echo "fuzz: all targets clean"
