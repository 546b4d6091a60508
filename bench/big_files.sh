#!/usr/bin/env bash
# Big files and the tail of a run: bench/e2e.sh over a folder holding one PDF of about 2,000
# pages alone (its "/ seq" column is the ratio to one pdftotext of the file), then over a mixed
# folder of 16 small PDFs and two of about 1,500 pages, the first listed first and the other
# last (its "/ -P" column is the ratio to pdftotext spread over every processor with xargs -P).
#
#     bench/big_files.sh [BUILD_DIR=build] [SOURCE_PDF] [ROUNDS=3]
#
# The PDFs are made with qpdf from the pages of SOURCE_PDF repeated (by default a manual that
# Debian installs, whose pages convert at the pace of real documents; else a generated PDF of
# 36 pages), so their text converts as the source's does. Everything is made in a fresh
# temporary folder that is removed at the end.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
source=${2:-/usr/share/doc/libtasn1-doc/libtasn1.pdf}
rounds=${3:-3}
here=$(cd "$(dirname "$0")" && pwd)
command -v qpdf >/dev/null || { echo "qpdf is needed (Debian package qpdf)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [[ ! -f $source ]]; then
    "$build/bench/bench_makepdfs" "$work/source" 1 36 48 >/dev/null
    source=$(find "$work/source" -name '*.pdf' | head -1)
fi
pages=$(pdfinfo "$source" | awk '/^Pages:/ { print $2 }')
# A PDF of about $2 pages made of the source's pages over and over.
repeat() {
    local copies=$(((($2) + pages - 1) / pages)) list=()
    for ((i = 0; i < copies; i++)); do list+=("$source"); done
    qpdf --empty --pages "${list[@]}" -- "$1"
}
mkdir -p "$work/alone" "$work/mixed"
repeat "$work/alone/big.pdf" 2000
repeat "$work/mixed/a-big.pdf" 1500
cp "$work/mixed/a-big.pdf" "$work/mixed/z-big.pdf"
for i in $(seq -w 1 16); do cp "$source" "$work/mixed/small-$i.pdf"; done

echo "== one PDF of $(pdfinfo "$work/alone/big.pdf" | awk '/^Pages:/ { print $2 }') pages"
"$here/e2e.sh" "$build" "$work/alone" 0 "$rounds"
echo "== 16 PDFs of $pages pages and two of $(pdfinfo "$work/mixed/a-big.pdf" | awk '/^Pages:/ { print $2 }') pages"
"$here/e2e.sh" "$build" "$work/mixed" 0 "$rounds"
