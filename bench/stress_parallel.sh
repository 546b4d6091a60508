#!/usr/bin/env bash
# Runs four lexitally-cli runs at once on different inputs, sharing one temporary folder and one
# working database, ROUNDS times (default 20), and compares every result with the same run made
# alone. Then runs two window programs (offscreen) against the same private folder, the second
# started while the first works and still working when the first closes, and compares each
# window's results with those of a window run alone: neither may lose its converter when the
# other shuts down. Prints one line per round and exits non-zero on the first difference.
#
#     bench/stress_parallel.sh [build folder] [rounds]
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
rounds="${2:-20}"
cli="$build/lexitally-cli"
gui="$build/lexitally"
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

# Two window programs. Each loads the samples (its readability check converts them), runs the
# analysis, takes pictures of both windows and closes its main window, which removes the
# converter link of the shared private folder.
[ -x "$gui" ] || { echo "no window program at $gui" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen
window() { # folder for the pictures; settings of its own, so that every run starts alike
    rm -rf "$1.config"
    XDG_CONFIG_HOME="$1.config" LEXITALLY_SCREENSHOTS="$1" timeout 120 "$gui" > "$1.log" 2>&1
}
window "$work/alone"
[ -s "$work/alone/results-window.png" ] || { echo "the window run alone made no results picture" >&2; exit 1; }
for round in $(seq 1 "$rounds"); do
    rm -rf "$work/first" "$work/second"
    window "$work/first" &
    first=$!
    # The second starts while the first works, at a different moment each round.
    sleep "0.$((round % 8 + 1))"
    window "$work/second" &
    second=$!
    status=0
    wait "$first" || status=$?
    wait "$second" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "round $round: a window program failed (status $status)" >&2
        cat "$work/first.log" "$work/second.log" >&2
        exit 1
    fi
    for name in first second; do
        if ! cmp -s "$work/alone/results-window.png" "$work/$name/results-window.png"; then
            echo "round $round: the $name window's results differ from those of a window alone" >&2
            exit 1
        fi
    done
    echo "round $round: 2 windows on one private folder, both equal to a window alone"
done
