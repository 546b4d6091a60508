#!/usr/bin/env bash
# End to end over a folder of PDFs: lexitally-cli (database and text method, converting every PDF:
# --no-cache; and once more with the store of converted texts filled) and the window's
# path (bench_window, offscreen: the folder dropped on the list, Start, the results shown) against pdftotext
# run one file after another and spread over every processor with xargs -P, interleaved round by
# round, with the median wall-clock and CPU times, the peak memory (bench/measure.py) and the
# ratios.
#
#     bench/e2e.sh [BUILD_DIR=build] [PDF_DIR | COUNT=100] [PAGES=10] [ROUNDS=3]
#
# With a folder, its PDFs are used; with a number, that many generated PDFs of PAGES pages of 48
# lines, in four fonts, drawn from a vocabulary of 200,000 words in natural frequencies
# (bench_makepdfs). The command line gets the folder itself (one run, however many files). A run
# that fails fails the benchmark; before timing, both methods' rows are checked against a plain
# counter's count of pdftotext's texts.
# Everything is written into a fresh temporary folder that is removed at the end; the CLI runs
# with TEMP, XDG_* and HOME pointed there, so no user folder is touched.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
source=${2:-100}
pages=${3:-10}
rounds=${4:-3}
cores=$(nproc)
here=$(cd "$(dirname "$0")" && pwd)
cli=$build/lexitally-cli
counter=$build/bench/bench_wordcount
window=$build/bench/bench_window
for program in "$cli" "$counter" "$build/bench/bench_makepdfs" "$window"; do
    [[ -x $program ]] || { echo "missing $program (build first)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out" "$work/temp" "$work/config" "$work/data" "$work/home"
if [[ -d $source ]]; then
    folder=$(cd "$source" && pwd)
else
    folder=$work/pdfs
    "$build/bench/bench_makepdfs" "$folder" "$source" "$pages" 48 >/dev/null
fi
# Each PDF with a text name of its own (PDFs of one name in two folders must not share one).
files=0
while IFS= read -r -d '' pdf; do
    files=$((files + 1))
    printf '%s\0%s/%06d.txt\0' "$pdf" "$work/out" "$files"
done < <(find "$folder" -type f -iname '*.pdf' -print0 | sort -z) > "$work/pairs"
((files > 0)) || { echo "no PDF in $folder" >&2; exit 2; }
export TEMP=$work/temp XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache \
    HOME=$work/home LEXITALLY_APP_DIR=$build

convert() { xargs -0 -n2 -P"$1" sh -c 'pdftotext -enc UTF-8 "$0" "$1"' < "$work/pairs"; }
export -f convert
export work

# The rows: both methods against the counter over pdftotext's texts.
convert "$cores" || { echo "pdftotext failed" >&2; exit 1; }
cat "$work"/out/*.txt > "$work/all.txt"
"$counter" "$work/all.txt" | sed '$d' | awk '{ print $2 "\t" $1 }' | sort > "$work/expected.tsv"
for method in db text; do
    "$cli" --quiet --method "$method" -o "$work/$method.tsv" "$folder" ||
        { echo "lexitally-cli --method $method failed" >&2; exit 1; }
    sed 1d "$work/$method.tsv" | sort | cmp -s - "$work/expected.tsv" ||
        { echo "lexitally-cli --method $method gives other rows than pdftotext and a counter" >&2; exit 1; }
done

# The command line converts every PDF (--no-cache), as pdftotext does; the last row shows what the
# store of converted texts, filled by the check above, makes of the next run.
names=("pdftotext, one after another" "pdftotext, xargs -P$cores" "lexitally-cli --method db" "lexitally-cli --method text"
    "window: drop, check, Start" "lexitally-cli, texts stored")
commands=("convert 1" "convert $cores" "\"$cli\" --quiet --no-cache --method db -o \"$work/db.tsv\" \"$folder\""
    "\"$cli\" --quiet --no-cache --method text -o \"$work/text.tsv\" \"$folder\""
    "QT_QPA_PLATFORM=offscreen \"$window\" \"$folder\" >/dev/null 2>&1"
    "\"$cli\" --quiet --method db -o \"$work/db.tsv\" \"$folder\"")
declare -A walls cpus peaks
for ((round = 1; round <= rounds; round++)); do
    for i in "${!commands[@]}"; do
        read -r wall cpu kb < <(python3 "$here/measure.py" 1 "$work/measured.out" bash -c "${commands[$i]}") ||
            { echo "${names[$i]} failed" >&2; exit 1; }
        [[ -n ${wall:-} ]] || { echo "${names[$i]} failed" >&2; exit 1; }
        walls[$i]+="$wall "
        cpus[$i]+="$cpu "
        peaks[$i]=$((${peaks[$i]:-0} > kb ? ${peaks[$i]:-0} : kb))
    done
done
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
printf '%d PDFs (%s MB of text), %d rounds, %d processors; rows checked\n' "$files" \
    "$(awk -v b="$(stat -c %s "$work/all.txt")" 'BEGIN { printf "%.1f", b / 1e6 }')" "$rounds" "$cores"
printf '%-32s %9s %9s %10s %9s %9s\n' "" "wall s" "CPU s" "peak MB" "/ seq" "/ -P$cores"
seq_s=$(median "${walls[0]}")
par_s=$(median "${walls[1]}")
for i in "${!commands[@]}"; do
    m=$(median "${walls[$i]}")
    c=$(median "${cpus[$i]}")
    awk -v n="${names[$i]}" -v m="$m" -v c="$c" -v p="${peaks[$i]}" -v s="$seq_s" -v q="$par_s" \
        'BEGIN { printf "%-32s %9.2f %9.2f %10.1f %9.2f %9.2f\n", n, m, c, p / 1024, m / s, m / q }'
done
