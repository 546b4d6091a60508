#!/usr/bin/env bash
# End-to-end timing: lexitally-cli over a folder of PDFs against pdftotext alone on the same
# files, reported as a ratio (aim: within 1.15x). Also runs bench_convert for the in-process
# view (conversion code and readability check against pdftotext alone).
#
#     bench/e2e.sh [BUILD_DIR=build] [COUNT=200] [PAGES=3] [ROUNDS=3]
#
# Everything is written into a fresh temporary folder that is removed at the end; the CLI runs
# with TEMP, XDG_* and HOME pointed there, so no user folder is touched.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
count=${2:-200}
pages=${3:-3}
rounds=${4:-3}

makepdfs=$build/bench/bench_makepdfs
convert=$build/bench/bench_convert
cli=$build/lexitally-cli
for tool in "$makepdfs" "$convert"; do
    [[ -x $tool ]] || { echo "missing $tool (build the bench targets first)" >&2; exit 2; }
done
command -v pdftotext >/dev/null || { echo "pdftotext is not installed" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/alone" "$work/temp" "$work/config" "$work/data" "$work/home"
"$makepdfs" "$work/pdfs" "$count" "$pages"
pdfs=("$work"/pdfs/*.pdf)

now() { date +%s%N; }

# Milliseconds of the best of $rounds runs of the command.
best_of() {
    local best=0 t0 t1 ms
    for ((round = 1; round <= rounds; round++)); do
        t0=$(now)
        "$@"
        t1=$(now)
        ms=$(((t1 - t0) / 1000000))
        if ((best == 0 || ms < best)); then best=$ms; fi
    done
    echo "$best"
}

pdftotext_alone() {
    local f name
    for f in "${pdfs[@]}"; do
        name=${f##*/}
        pdftotext -enc UTF-8 "$f" "$work/alone/${name%.pdf}.txt"
    done
}

run_cli() {
    TEMP=$work/temp XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data HOME=$work/home \
        LEXITALLY_APP_DIR=$build "$cli" --quiet "$@"
}

cli_over_pdfs() {
    run_cli --format tsv -o "$work/cli.tsv" "${pdfs[@]}" >/dev/null 2>&1 || true
}

alone_ms=$(best_of pdftotext_alone)
printf 'pdftotext alone   %6d ms for %d PDFs (%s ms/file)\n' "$alone_ms" "$count" \
    "$(awk -v t="$alone_ms" -v n="$count" 'BEGIN { printf "%.2f", t / n }')"

# The CLI reads PDFs when the words of the first file come out of it (the page content is
# compressed, so they cannot come from reading the PDF's bytes as text).
if [[ -x $cli ]] && run_cli --format tsv "${pdfs[0]}" 2>/dev/null | grep -q 'harbour'; then
    cli_ms=$(best_of cli_over_pdfs)
    printf 'lexitally-cli     %6d ms  ratio %s (aim 1.15)\n' "$cli_ms" \
        "$(awk -v a="$cli_ms" -v b="$alone_ms" 'BEGIN { printf "%.3f", a / b }')"
else
    echo "lexitally-cli     (no PDF input in this build; end-to-end ratio not measured)"
fi

"$convert" "$work/pdfs" "$rounds"
