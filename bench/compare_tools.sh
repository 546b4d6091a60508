#!/usr/bin/env bash
# Times lexitally-cli (database method, one count for all files) against standard tools on
# the same generated text of at least 20 MB:
#   wc -lwm                                          (lines, words, characters)
#   tr -cs A-Za-z '\n' | sort | uniq -c | sort -n    (word frequencies)
# and the text method's counting before its sort (bench_counting --no-sort) against wc.
# Each command runs three times; the best wall-clock time counts.
#
# Usage: bench/compare_tools.sh [BUILD_DIR] [MEGABYTES] [DISTINCT_WORDS]
set -euo pipefail

build=${1:-build}
megabytes=${2:-22}
distinct=${3:-30000}
cli="$build/lexitally-cli"
bench="$build/bench/bench_counting"
for program in "$cli" "$bench"; do
    [[ -x $program ]] || { echo "missing $program (build first)" >&2; exit 1; }
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TEMP="$scratch/temp" XDG_DATA_HOME="$scratch/data" LC_ALL=C.UTF-8
mkdir -p "$TEMP"
text="$scratch/text.txt"
"$bench" --generate "$megabytes" --distinct "$distinct" --write "$text"
size=$(stat -c %s "$text")

# best_of COMMAND...: the best of three wall-clock times in seconds.
best_of() {
    local best=""
    for _ in 1 2 3; do
        local start end
        start=$(date +%s.%N)
        "$@" > /dev/null
        end=$(date +%s.%N)
        best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
    done
    echo "$best"
}

pipeline() { tr -cs A-Za-z '\n' < "$text" | sort | uniq -c | sort -n; }
counting() { "$bench" --method text --mode all --no-sort "$text" | sed -n 's/.*counting *\([0-9.]*\) s.*/\1/p'; }

wc_time=$(best_of wc -lwm "$text")
pipeline_time=$(best_of pipeline)
cli_time=$(best_of "$cli" --text --quiet "$text")
counting_time=""
for _ in 1 2 3; do
    t=$(counting)
    counting_time=$(awk -v t="$t" -v b="$counting_time" 'BEGIN { print (b == "" || t < b) ? t : b }')
done

awk -v size="$size" -v wc="$wc_time" -v pipe="$pipeline_time" -v cli="$cli_time" -v count="$counting_time" 'BEGIN {
    mb = size / 1e6
    printf "text: %.1f MB\n", mb
    printf "%-52s %7.3f s %8.1f MB/s\n", "wc -lwm", wc, mb / wc
    printf "%-52s %7.3f s %8.1f MB/s\n", "tr | sort | uniq -c | sort -n", pipe, mb / pipe
    printf "%-52s %7.3f s %8.1f MB/s\n", "lexitally-cli --text (db, all files)", cli, mb / cli
    printf "%-52s %7.3f s %8.1f MB/s\n", "text method, counting before the sort", count, mb / count
    printf "db method / sort pipeline:          %.2f (aim: 1.00 or less)\n", cli / pipe
    printf "text method counting / wc -lwm:     %.2f (aim: 2.00 or less)\n", count / wc
}'
