#!/usr/bin/env bash
# Counts the words of a text with lexitally and with other tools at three sizes that grow for
# real (1x, 2x, 4x: texts of their own with vocabularies growing alike, not copies of one text),
# and prints medians of ROUNDS runs: wall-clock and CPU seconds (user + system of every process,
# from wait4, in microseconds: bench/measure.py), how they grow, the peak memory and the ratios:
#
#   lexitally db     lexitally-cli --text --method db   (one count for all files, letter case ignored)
#   lexitally text   lexitally-cli --text --method text
#   counter          build/bench/bench_wordcount: a plain C++ hash-map counter (same word rule)
#   pipeline         sed (ligatures) | tr ' ' '\n' | tr -cd 'A-Za-z\n' | tr A-Z a-z | grep . | sort |
#                    uniq -c | sort -n (the same word rule: tokens between blanks, their ASCII
#                    letters, the ligatures U+FB00-U+FB06 as their letters, case ignored)
#   wc               wc -lwm (no table at all: the floor)
#
# The texts (SOURCE):
#   realistic  bench_counting's generator: MEGABYTES at 1x with 50,000 distinct words, 2x with
#              100,000, 4x with 200,000, in natural frequencies (bench/RealisticText.h);
#   pdfs       the converter's text of generated multi-page PDFs in four fonts (bench_makepdfs),
#              as many as make MEGABYTES at 1x, with the same growing vocabularies;
#   samples    the sample PDFs' text repeated (few distinct words; the table never grows);
#   a folder   the converter's text of the PDFs in it and its sub-folders (real documents:
#              ../shared/corpus/real-pdfs.sh fetches them), in name order: at 1x the first
#              quarter of the PDFs, at 2x the first half, at 4x all of them (MEGABYTES is not used).
# Before timing, every tool's rows are checked against the counter's at every size; a
# difference or a failed run ends the benchmark with exit status 1.
#
# Usage: bench/compare_tools.sh [BUILD_DIR=build] [MEGABYTES=9] [SOURCE=realistic|pdfs|samples|FOLDER]
#                              [ROUNDS=5]
#
# Everything is written into a fresh temporary folder that is removed at the end; lexitally runs
# with TEMP and XDG_* pointed there, so no user folder is touched.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
megabytes=${2:-9}
source=${3:-realistic}
rounds=${4:-5}
here=$(cd "$(dirname "$0")" && pwd)
cli=$build/lexitally-cli
counter=$build/bench/bench_wordcount
generator=$build/bench/bench_counting
makepdfs=$build/bench/bench_makepdfs
for program in "$cli" "$counter" "$generator" "$makepdfs"; do
    [[ -x $program ]] || { echo "missing $program (build first)" >&2; exit 2; }
done
command -v pdftotext >/dev/null || { echo "pdftotext is not installed" >&2; exit 2; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TEMP="$scratch/temp" XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" HOME="$scratch"
export LEXITALLY_APP_DIR="$build" LC_ALL=C.UTF-8
mkdir -p "$TEMP"

if [[ -d $source ]]; then
    mapfile -d '' real < <(find "$source" -type f -iname '*.pdf' -print0 | sort -z)
    ((${#real[@]} >= 4)) || { echo "fewer than 4 PDFs in $source" >&2; exit 2; }
    source=$(cd "$source" && pwd)
fi
# text-F.txt for F = 1, 2, 4.
for factor in 1 2 4; do
    text="$scratch/text-$factor.txt"
    distinct=$((50000 * factor))
    case $source in
    realistic)
        "$generator" --generate $((megabytes * factor)) --distinct "$distinct" --seed "$factor" --write "$text"
        ;;
    pdfs)
        # A PDF of 10 pages of 48 lines holds about 30 kB of text.
        count=$(((megabytes * factor * 1000 + 29) / 30))
        "$makepdfs" "$scratch/pdfs-$factor" "$count" 10 48 --distinct "$distinct" --seed "$factor" >/dev/null
        for pdf in "$scratch/pdfs-$factor"/*.pdf; do
            pdftotext -enc UTF-8 "$pdf" - || { echo "pdftotext failed on $pdf" >&2; exit 1; }
        done > "$text"
        ;;
    samples)
        for pdf in "$build"/Samples/*.pdf; do
            pdftotext -enc UTF-8 "$pdf" - 2>/dev/null || true
        done > "$scratch/samples.txt"
        limit=$((megabytes * factor * 1000000))
        : > "$text"
        while (($(stat -c %s "$text") < limit)); do
            cat "$scratch/samples.txt" >> "$text"
        done
        truncate -s "$limit" "$text"
        ;;
    /*)
        for pdf in "${real[@]:0:$((${#real[@]} * factor / 4))}"; do
            pdftotext -enc UTF-8 "$pdf" - 2>/dev/null || true
        done > "$text"
        ;;
    *) echo "SOURCE must be realistic, pdfs, samples or a folder" >&2; exit 2 ;;
    esac
done

pipeline() {
    sed 's/ﬀ/ff/g; s/ﬁ/fi/g; s/ﬂ/fl/g; s/ﬃ/ffi/g; s/ﬄ/ffl/g; s/[ﬅﬆ]/st/g' "$1" | tr ' ' '\n' | tr -cd 'A-Za-z\n' |
        tr A-Z a-z | grep . | sort | uniq -c | sort -n
}
export -f pipeline

# Every tool's rows as "word<TAB>count", sorted, against the counter's.
for factor in 1 2 4; do
    text="$scratch/text-$factor.txt"
    "$counter" "$text" | sed '$d' | awk '{ print $2 "\t" $1 }' | sort > "$scratch/expected.tsv"
    for method in db text; do
        "$cli" --text --quiet --method "$method" "$text" > "$scratch/out.tsv" ||
            { echo "lexitally $method failed on the ${factor}x text" >&2; exit 1; }
        sed 1d "$scratch/out.tsv" | sort > "$scratch/$method.tsv"
        cmp -s "$scratch/expected.tsv" "$scratch/$method.tsv" ||
            { echo "lexitally $method gives other rows than the counter (${factor}x)" >&2; exit 1; }
    done
    pipeline "$text" | awk '{ print $2 "\t" $1 }' | sort > "$scratch/pipeline.tsv"
    cmp -s "$scratch/expected.tsv" "$scratch/pipeline.tsv" ||
        { echo "the pipeline gives other rows than the counter (${factor}x)" >&2; exit 1; }
    echo "${factor}x: $(stat -c %s "$text") bytes, $(wc -l < "$scratch/expected.tsv") distinct words, same rows" \
        >> "$scratch/checked.txt"
done

# measure NAME FACTOR COMMAND...: median wall and CPU seconds and the peak memory (kB).
measure() {
    local name=$1 factor=$2
    shift 2
    echo "$name $factor $(python3 "$here/measure.py" "$rounds" "$scratch/measured.out" "$@")" >> "$scratch/results.txt"
}

: > "$scratch/results.txt"
for factor in 1 2 4; do
    text="$scratch/text-$factor.txt"
    # Paired: each round of a tool follows the others' at the same size.
    measure db "$factor" "$cli" --text --quiet --method db "$text"
    measure text "$factor" "$cli" --text --quiet --method text "$text"
    measure counter "$factor" "$counter" "$text"
    measure pipeline "$factor" bash -c 'pipeline "$0"' "$text"
    measure wc "$factor" wc -lwm "$text"
done

cat "$scratch/checked.txt"
awk -v source="$source" -v rounds="$rounds" '
{ t[$1, $2] = $3; c[$1, $2] = $4; m[$1, $2] = $5 }
END {
    split("db text counter pipeline wc", names, " ")
    label["db"] = "lexitally db"; label["text"] = "lexitally text"; label["counter"] = "counter (C++ hash map)"
    label["wc"] = "wc -lwm"; label["pipeline"] = "tr | sort | uniq -c | sort -n"
    printf "\ntext: %s; medians of %d runs\n\n", source, rounds
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
    aim["db"] = "1.50 or less"; aim["text"] = "1.20 or less"
    for (k = 1; k <= 2; k++) {
        n = methods[k]
        printf "%-34s %6.2f %5.2f %5.2f %6.2f %5.2f %5.2f   %s\n", label[n] " / counter",
               t[n, 1] / t["counter", 1], t[n, 2] / t["counter", 2], t[n, 4] / t["counter", 4],
               c[n, 1] / c["counter", 1], c[n, 2] / c["counter", 2], c[n, 4] / c["counter", 4], aim[n]
        printf "%-34s %6.2f %5.2f %5.2f %6.2f %5.2f %5.2f\n", label[n] " / pipeline",
               t[n, 1] / t["pipeline", 1], t[n, 2] / t["pipeline", 2], t[n, 4] / t["pipeline", 4],
               c[n, 1] / c["pipeline", 1], c[n, 2] / c["pipeline", 2], c[n, 4] / c["pipeline", 4]
    }
}' "$scratch/results.txt"
