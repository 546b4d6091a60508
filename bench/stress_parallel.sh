#!/usr/bin/env bash
# Runs four lexitally-cli runs at once on different inputs, sharing one temporary folder and one
# working database, ROUNDS times (default 20), and compares every result with the same run made
# alone. Prints one line per round and exits non-zero on the first difference.
#
#     bench/stress_parallel.sh [build folder] [rounds]
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
rounds="${2:-20}"
cli="$build/lexitally-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export TEMP="$work/temp" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
mkdir -p "$TEMP"

mapfile -t samples < <(find "$build/Samples" -name '*.pdf' ! -name 'Scanned*' | sort)
[ "${#samples[@]}" -ge 4 ] || { echo "need four sample PDFs in $build/Samples" >&2; exit 2; }
# Four different jobs: each sample with its own method and mode.
jobs=(
    "--method db ${samples[0]}"
    "--method text ${samples[1]}"
    "--method db --per-file ${samples[2]} ${samples[3]}"
    "--method text --case-sensitive ${samples[3]}"
)
for j in "${!jobs[@]}"; do
    # shellcheck disable=SC2086
    "$cli" --quiet --format json ${jobs[$j]} > "$work/expected-$j.json"
done
for round in $(seq 1 "$rounds"); do
    pids=()
    for j in "${!jobs[@]}"; do
        # shellcheck disable=SC2086
        "$cli" --quiet --format json ${jobs[$j]} > "$work/got-$j.json" &
        pids+=($!)
    done
    for pid in "${pids[@]}"; do
        wait "$pid"
    done
    for j in "${!jobs[@]}"; do
        if ! cmp -s "$work/expected-$j.json" "$work/got-$j.json"; then
            echo "round $round: job $j (${jobs[$j]}) differs from its single run" >&2
            diff <(head -c 2000 "$work/expected-$j.json") <(head -c 2000 "$work/got-$j.json") >&2 || true
            exit 1
        fi
    done
    echo "round $round: 4 runs at once, all equal to their single runs"
done
