#!/usr/bin/env bash
# Times reading scanned pages by OCR: a PDF of PAGES scanned pages (each a picture of 30 lines of
# English words, no text layer, made by the test fixture writer) counted with --ocr, medians of
# ROUNDS runs, on one core (-j1) and on every core (-jN, N the processors), as pages per second;
# every timed run reads the pages anew (--no-cache).
# Checks first that the words read are within 2 % of the words printed (exit status 1 when not).
#
# Usage: bench/ocr_pages.sh [BUILD_DIR=build] [PAGES=12] [ROUNDS=3]
#
# Runs with TEMP and XDG_* pointed at a fresh temporary folder, removed at the end.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
pages=${2:-12}
rounds=${3:-3}
cli=$build/lexitally-cli
maker=$build/lexitally-test-pdf
for program in "$cli" "$maker"; do
    [[ -x $program ]] || { echo "missing $program (build first)" >&2; exit 2; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TEMP=$scratch/temp TMPDIR=$scratch/temp XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
export XDG_CACHE_HOME=$scratch/cache
mkdir -p "$TEMP"

# Pages of words drawn in turn from a fixed list: 30 lines of 7 words each.
words=(the quick brown fox jumps over lazy dog pack my box with five dozen liquor jugs seven happy
    children were reading green books while their teacher wrote long letters about winter rivers
    and summer mountains near small quiet towns)
texts=()
n=0
for ((p = 0; p < pages; p++)); do
    page=""
    for ((l = 0; l < 30; l++)); do
        line=""
        for ((w = 0; w < 7; w++)); do
            line+="${line:+ }${words[n % ${#words[@]}]}"
            n=$((n + 1))
        done
        page+="${page:+$'\n'}$line"
    done
    texts+=("$page")
done
printed=$n
"$maker" scan "$scratch/scan.pdf" "${texts[@]}"

read_words=$("$cli" --ocr -q --summary --format csv "$scratch/scan.pdf" | tail -n 1 | cut -d, -f3)
echo "$pages scanned pages, $printed words printed, $read_words read by OCR"
if ((read_words * 100 < printed * 98 || read_words * 100 > printed * 102)); then
    echo "the words read differ from those printed by more than 2 %" >&2
    exit 1
fi

median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
measure() { # JOBS
    local times=()
    for ((r = 0; r < rounds; r++)); do
        local start end
        start=$(date +%s.%N)
        "$cli" --ocr --no-cache -q -j"$1" -o "$scratch/out.tsv" "$scratch/scan.pdf"
        end=$(date +%s.%N)
        times+=("$(echo "$end - $start" | bc)")
    done
    printf '%s\n' "${times[@]}" | median
}

cores=$(nproc)
one=$(measure 1)
all=$(measure "$cores")
printf '%-18s %8.2f s  %6.2f pages/s\n' "one core (-j1)" "$one" "$(echo "$pages / $one" | bc -l)"
printf '%-18s %8.2f s  %6.2f pages/s  (%.2fx)\n' "all cores (-j$cores)" "$all" "$(echo "$pages / $all" | bc -l)" \
    "$(echo "$one / $all" | bc -l)"
