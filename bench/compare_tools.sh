#!/usr/bin/env bash
# Counts the words of one text with lexitally and with other tools, at 1x, 2x and 4x the text's
# size, and prints the best wall-clock and CPU times of ROUNDS runs (CPU time is the steadier
# figure on a busy machine), how they grow with the size, the peak memory and the ratios:
#
#   lexitally db     lexitally-cli --text --method db   (one count for all files, letter case ignored)
#   lexitally text   lexitally-cli --text --method text
#   counter          build/bench/bench_wordcount: a plain C++ hash-map counter (same word rule)
#   wc               wc -lwm
#   pipeline         tr -cs A-Za-z '\n' | sort | uniq -c | sort -n
#
# Peak memory is GNU time's maximum resident set size (for the pipeline: its largest process).
# The text is the sample PDFs' text repeated (SOURCE=samples) or bench_counting's generator
# (SOURCE=generated: 30,000 distinct words, the k-th about 1/k as often as the first). Before
# timing, the rows of both methods are checked against the counter's.
#
# Usage: bench/compare_tools.sh [BUILD_DIR=build] [MEGABYTES=36] [SOURCE=samples] [ROUNDS=3]
#
# Everything is written into a fresh temporary folder that is removed at the end; lexitally runs
# with TEMP and XDG_* pointed there, so no user folder is touched.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
megabytes=${2:-36}
source=${3:-samples}
rounds=${4:-3}
cli=$build/lexitally-cli
counter=$build/bench/bench_wordcount
generator=$build/bench/bench_counting
for program in "$cli" "$counter" "$generator"; do
    [[ -x $program ]] || { echo "missing $program (build first)" >&2; exit 2; }
done
[[ -x /usr/bin/time ]] || { echo "GNU time is missing (apt-get install time)" >&2; exit 2; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TEMP="$scratch/temp" XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" HOME="$scratch"
export LEXITALLY_APP_DIR="$build" LC_ALL=C.UTF-8
mkdir -p "$TEMP"

# The 1x text.
base="$scratch/text-1.txt"
case $source in
samples)
    command -v pdftotext >/dev/null || { echo "pdftotext is not installed" >&2; exit 2; }
    for pdf in "$build"/Samples/*.pdf; do
        pdftotext -enc UTF-8 "$pdf" - 2>/dev/null || true
    done > "$scratch/samples.txt"
    limit=$((megabytes * 1000000))
    : > "$base"
    while (($(stat -c %s "$base") < limit)); do
        cat "$scratch/samples.txt" "$scratch/samples.txt" "$scratch/samples.txt" "$scratch/samples.txt" >> "$base"
    done
    truncate -s "$limit" "$base"
    ;;
generated) "$generator" --generate "$megabytes" --distinct 30000 --write "$base" ;;
*) echo "SOURCE must be samples or generated" >&2; exit 2 ;;
esac
cat "$base" "$base" > "$scratch/text-2.txt"
cat "$scratch/text-2.txt" "$scratch/text-2.txt" > "$scratch/text-4.txt"

# The rows of both methods are the counter's rows.
"$counter" "$base" | sed '$d' | awk '{ print $2 "\t" $1 }' > "$scratch/expected.tsv"
for method in db text; do
    "$cli" --text --quiet --method "$method" "$base" | sed 1d > "$scratch/$method.tsv"
    cmp -s "$scratch/expected.tsv" "$scratch/$method.tsv" ||
        { echo "lexitally $method gives other rows than the counter" >&2; exit 1; }
done

pipeline() { tr -cs A-Za-z '\n' < "$1" | sort | uniq -c | sort -n; }
export -f pipeline

# measure NAME FACTOR COMMAND...: of ROUNDS runs, the best wall-clock seconds, the best CPU
# seconds (user + system, all processes) and the peak memory (kB), appended to results.txt.
measure() {
    local name=$1 factor=$2 wall="" cpu="" peak=0
    shift 2
    for ((round = 0; round < rounds; round++)); do
        local start end
        start=$(date +%s.%N)
        /usr/bin/time -f "%U %S %M" -o "$scratch/usage" "$@" > /dev/null
        end=$(date +%s.%N)
        read -r user system memory < <(tail -1 "$scratch/usage")
        wall=$(awk -v t="$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" -v b="$wall" \
            'BEGIN { print (b == "" || t < b) ? t : b }')
        cpu=$(awk -v t="$user" -v u="$system" -v b="$cpu" 'BEGIN { t += u; print (b == "" || t < b) ? t : b }')
        peak=$(awk -v m="$memory" -v p="$peak" 'BEGIN { print (m > p) ? m : p }')
    done
    echo "$name $factor $wall $cpu $peak" >> "$scratch/results.txt"
}

: > "$scratch/results.txt"
for factor in 1 2 4; do
    text="$scratch/text-$factor.txt"
    measure db "$factor" "$cli" --text --quiet --method db "$text"
    measure text "$factor" "$cli" --text --quiet --method text "$text"
    measure counter "$factor" "$counter" "$text"
    measure wc "$factor" wc -lwm "$text"
    measure pipeline "$factor" bash -c 'pipeline "$0"' "$text"
done

awk -v size="$(stat -c %s "$base")" -v source="$source" -v rounds="$rounds" '
{ t[$1, $2] = $3; c[$1, $2] = $4; m[$1, $2] = $5 }
END {
    split("db text counter wc pipeline", names, " ")
    label["db"] = "lexitally db"; label["text"] = "lexitally text"; label["counter"] = "counter (C++ hash map)"
    label["wc"] = "wc -lwm"; label["pipeline"] = "tr | sort | uniq -c | sort -n"
    printf "text: %s, %.1f MB at 1x; best of %d runs\n\n", source, size / 1e6, rounds
    printf "%-30s %18s %8s %18s %8s %18s\n", "", "wall s (1x 2x 4x)", "growth", "CPU s (1x 2x 4x)", "growth",
           "peak MB (1x 2x 4x)"
    for (i = 1; i <= 5; i++) {
        n = names[i]
        printf "%-30s %6.2f %5.2f %5.2f %8s %6.2f %5.2f %5.2f %8s %6.0f %5.0f %5.0f\n", label[n],
               t[n, 1], t[n, 2], t[n, 4], sprintf("%.1f %.1f", t[n, 2] / t[n, 1], t[n, 4] / t[n, 1]),
               c[n, 1], c[n, 2], c[n, 4], sprintf("%.1f %.1f", c[n, 2] / c[n, 1], c[n, 4] / c[n, 1]),
               m[n, 1] / 1000, m[n, 2] / 1000, m[n, 4] / 1000
    }
    printf "\n%-34s %18s %18s   %s\n", "ratio", "wall (1x 2x 4x)", "CPU (1x 2x 4x)", "aim"
    split("db text", methods, " ")
    for (k = 1; k <= 2; k++) {
        n = methods[k]
        printf "%-34s %6.2f %5.2f %5.2f %6.2f %5.2f %5.2f   2.00 or less\n", label[n] " / counter",
               t[n, 1] / t["counter", 1], t[n, 2] / t["counter", 2], t[n, 4] / t["counter", 4],
               c[n, 1] / c["counter", 1], c[n, 2] / c["counter", 2], c[n, 4] / c["counter", 4]
        printf "%-34s %6.2f %5.2f %5.2f %6.2f %5.2f %5.2f   0.30 or less\n", label[n] " / pipeline",
               t[n, 1] / t["pipeline", 1], t[n, 2] / t["pipeline", 2], t[n, 4] / t["pipeline", 4],
               c[n, 1] / c["pipeline", 1], c[n, 2] / c["pipeline", 2], c[n, 4] / c["pipeline", 4]
        printf "%-34s %6.2f %5.2f %5.2f %18s   2.00 or less\n", label[n] " peak memory / text size",
               m[n, 1] * 1000 / size, m[n, 2] * 1000 / (2 * size), m[n, 4] * 1000 / (4 * size), ""
    }
}' "$scratch/results.txt"
