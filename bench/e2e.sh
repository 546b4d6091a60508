#!/usr/bin/env bash
# End to end over a folder of PDFs: lexitally-cli (database and text method) against pdftotext
# run one file after another and spread over every processor with xargs -P, interleaved round by
# round, with the median time, the peak memory (/usr/bin/time -v) and the ratios.
#
#     bench/e2e.sh [BUILD_DIR=build] [PDF_DIR | COUNT=200] [PAGES=3] [ROUNDS=3]
#
# With a folder, its PDFs are used; with a number, that many generated PDFs of PAGES pages.
# Everything is written into a fresh temporary folder that is removed at the end; the CLI runs
# with TEMP, XDG_* and HOME pointed there, so no user folder is touched.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
source=${2:-200}
pages=${3:-3}
rounds=${4:-3}
cores=$(nproc)
cli=$build/lexitally-cli
[[ -x $cli ]] || { echo "missing $cli" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out" "$work/temp" "$work/config" "$work/data" "$work/home"
if [[ -d $source ]]; then
    find "$source" -type f -iname '*.pdf' -print0 | sort -z > "$work/list"
else
    "$build/bench/bench_makepdfs" "$work/pdfs" "$source" "$pages" >/dev/null
    find "$work/pdfs" -type f -name '*.pdf' -print0 | sort -z > "$work/list"
fi
files=$(tr -cd '\0' < "$work/list" | wc -c)
export work cli build

sequential() { xargs -0 -n1 sh -c 'pdftotext -enc UTF-8 "$0" "$work/out/$(basename "$0").txt"' < "$work/list"; }
parallel() { xargs -0 -n1 -P"$cores" sh -c 'pdftotext -enc UTF-8 "$0" "$work/out/$(basename "$0").txt"' < "$work/list"; }
lexitally() {
    TEMP=$work/temp XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data HOME=$work/home LEXITALLY_APP_DIR=$build \
        xargs -0 "$cli" --quiet --method "$1" -o "$work/out/cli.tsv" < "$work/list" || true
}
export -f sequential parallel lexitally
export cores

names=("pdftotext, one after another" "pdftotext, xargs -P$cores" "lexitally-cli --method db" "lexitally-cli --method text")
commands=("sequential" "parallel" "lexitally db" "lexitally text")
declare -A times peaks
for ((round = 1; round <= rounds; round++)); do
    for i in "${!commands[@]}"; do
        /usr/bin/time -f '%e %M' -o "$work/time" bash -c "${commands[$i]}" >/dev/null 2>&1
        read -r seconds kb < "$work/time"
        times[$i]+="$seconds "
        peaks[$i]=$(( ${peaks[$i]:-0} > kb ? ${peaks[$i]:-0} : kb ))
    done
done
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
printf '%d PDFs, %d rounds, %d processors\n' "$files" "$rounds" "$cores"
printf '%-32s %9s %10s %9s %9s\n' "" "median s" "peak MB" "/ seq" "/ -P$cores"
seq_s=$(median "${times[0]}")
par_s=$(median "${times[1]}")
for i in "${!commands[@]}"; do
    m=$(median "${times[$i]}")
    awk -v n="${names[$i]}" -v m="$m" -v p="${peaks[$i]}" -v s="$seq_s" -v q="$par_s" \
        'BEGIN { printf "%-32s %9.2f %10.1f %9.2f %9.2f\n", n, m, p / 1024, m / s, m / q }'
done
