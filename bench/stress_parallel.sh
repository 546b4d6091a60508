#!/usr/bin/env bash
# Runs five lexitally-cli runs at once, sharing one temporary folder and one working database,
# ROUNDS times (default 20), and compares every result with the same run made alone. Four runs
# count texts of a few megabytes drawn from a large vocabulary (bench_counting's generator), so
# that they spend most of their time in the counting and database phase and overlap there; one
# converts the sample PDFs. Then runs two window programs (offscreen) against the same private
# folder, the second started while the first works and still working when the first closes, and
# compares each window's results with those of a window run alone: neither may lose its
# converter when the other shuts down. Prints one line per round; on a difference or a failed
# run it shows what went wrong and exits 1.
#
#     bench/stress_parallel.sh [BUILD_DIR=build] [ROUNDS=20] [MEGABYTES=3]
set -uo pipefail
build="$(cd "${1:-build}" && pwd)"
rounds="${2:-20}"
megabytes="${3:-3}"
cli="$build/lexitally-cli"
gui="$build/lexitally"
generator="$build/bench/bench_counting"
for program in "$cli" "$generator"; do
    [[ -x $program ]] || { echo "missing $program (build first)" >&2; exit 2; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export TEMP="$work/temp" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" HOME="$work"
export LEXITALLY_APP_DIR="$build"
mkdir -p "$TEMP"

mapfile -t samples < <(find "$build/Samples" -name '*.pdf' ! -name 'Scanned*' | sort)
[ "${#samples[@]}" -ge 2 ] || { echo "need sample PDFs in $build/Samples" >&2; exit 2; }
for t in 1 2 3 4; do
    "$generator" --generate "$megabytes" --distinct 100000 --seed "$t" --write "$work/text-$t.txt" ||
        { echo "cannot generate the texts" >&2; exit 2; }
done
# Different jobs: each with its own method, mode and letter case.
jobs=(
    "--text --method db $work/text-1.txt"
    "--text --method db --per-file $work/text-2.txt $work/text-3.txt"
    "--text --method db --case-sensitive $work/text-4.txt"
    "--text --method text $work/text-3.txt"
    "--method db --per-file ${samples[*]}"
)

# run J OUT: one job; its messages go to OUT.err and its status to OUT.status.
run() {
    # shellcheck disable=SC2086
    "$cli" --quiet --format json ${jobs[$1]} > "$2" 2> "$2.err"
    echo $? > "$2.status"
}

# The outcome of job J in OUT against its single run; 0 when equal.
check() {
    local j=$1 out=$2 what=$3
    if [[ $(cat "$out.status") != "$(cat "$work/expected-$j.json.status")" ]] ||
        ! cmp -s "$work/expected-$j.json" "$out"; then
        echo "$what: job $j (${jobs[$j]}) differs from its single run" >&2
        echo "  exit status $(cat "$out.status"), alone $(cat "$work/expected-$j.json.status")" >&2
        echo "  messages:" >&2
        sed 's/^/    /' "$out.err" >&2
        diff <(head -c 2000 "$work/expected-$j.json") <(head -c 2000 "$out") >&2
        return 1
    fi
    return 0
}

for j in "${!jobs[@]}"; do
    run "$j" "$work/expected-$j.json"
    if [[ $(cat "$work/expected-$j.json.status") != 0 ]]; then
        echo "job $j (${jobs[$j]}) fails alone (exit status $(cat "$work/expected-$j.json.status")):" >&2
        cat "$work/expected-$j.json.err" >&2
        exit 1
    fi
done
failed=0
for round in $(seq 1 "$rounds"); do
    pids=()
    for j in "${!jobs[@]}"; do
        run "$j" "$work/got-$j.json" &
        pids+=($!)
    done
    wait "${pids[@]}"
    bad=0
    for j in "${!jobs[@]}"; do
        check "$j" "$work/got-$j.json" "round $round" || bad=1
    done
    if ((bad)); then
        failed=1
        break
    fi
    echo "round $round: ${#jobs[@]} runs at once, all equal to their single runs"
done
((failed)) && exit 1

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
