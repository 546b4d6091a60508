#!/usr/bin/env bash
# The store of converted texts on a folder of PDFs (real documents: ../shared/corpus/real-pdfs.sh
# fetches them). Medians of ROUNDS runs, wall and CPU seconds, and ratios:
#
#   first run, --no-cache      the reference: every PDF converted, nothing kept
#   first run, store on        every PDF converted and kept (the store emptied before each round)
#   second run                 the same folder again, every text from the store
#   concordance, phrases,      each after a run, on the whole folder
#   --stats, --summary
#
# then the store's size against the converted texts' size, and how many PDFs a run converts
# after three PDFs were added to the folder (a converter that counts its starts stands in front
# of pdftotext for that one). Checks that the outputs with the store, warm or cold, are
# byte-identical to those without it (exit status 1 when not).
#
# Usage: bench/store.sh FOLDER [BUILD_DIR=build] [ROUNDS=3]
#
# Runs with TEMP and XDG_* pointed at a fresh temporary folder, removed at the end; the PDFs
# are read from a copy of FOLDER in it.
set -euo pipefail

source_folder=$(cd "$1" && pwd)
build=$(cd "${2:-build}" && pwd)
rounds=${3:-3}
cli=$build/lexitally-cli
here=$(cd "$(dirname "$0")" && pwd)
[[ -x $cli ]] || { echo "missing $cli (build first)" >&2; exit 2; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TEMP=$scratch/temp TMPDIR=$scratch/temp XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
export XDG_CACHE_HOME=$scratch/cache
store=$XDG_CACHE_HOME/lexitally
mkdir -p "$TEMP" "$scratch/pdfs"
# All but three PDFs now; the three are added later.
mapfile -t pdfs < <(find "$source_folder" -maxdepth 1 -name '*.pdf' | sort)
(( ${#pdfs[@]} > 3 )) || { echo "$source_folder: needs more than three PDFs" >&2; exit 2; }
cp -- "${pdfs[@]:3}" "$scratch/pdfs/"
folder=$scratch/pdfs

measure() { python3 "$here/measure.py" "$@" 2>/dev/null; }
ratio() { python3 -c "import sys; print(f'{float(sys.argv[1]) / float(sys.argv[2]):.3f}')" "$1" "$2"; }

read -r cold_wall cold_cpu _ < <(measure "$rounds" "$scratch/cold.out" "$cli" --no-cache --quiet "$folder")
first_wall=() first_cpu=()
for ((round = 0; round < rounds; ++round)); do
    rm -rf "$store"
    read -r wall cpu _ < <(measure 1 "$scratch/first.out" "$cli" --quiet "$folder")
    first_wall+=("$wall") first_cpu+=("$cpu")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2)}'; }
first_wall=$(median "${first_wall[@]}") first_cpu=$(median "${first_cpu[@]}")
read -r warm_wall warm_cpu _ < <(measure "$rounds" "$scratch/warm.out" "$cli" --quiet "$folder")
cmp -s "$scratch/cold.out" "$scratch/first.out" && cmp -s "$scratch/cold.out" "$scratch/warm.out" ||
    { echo "outputs differ with the store" >&2; exit 1; }

printf '%-28s %9s %9s %9s\n' "" wall cpu "x --no-cache"
printf '%-28s %9s %9s %9s\n' "first run, --no-cache" "$cold_wall" "$cold_cpu" 1
printf '%-28s %9s %9s %9s\n' "first run, store on" "$first_wall" "$first_cpu" "$(ratio "$first_wall" "$cold_wall")"
printf '%-28s %9s %9s %9s\n' "second run" "$warm_wall" "$warm_cpu" "$(ratio "$warm_wall" "$cold_wall")"

word=$(tail -n 1 "$scratch/warm.out" | cut -f1) # the most frequent
for command in "concordance $word" "phrases" "--stats" "--summary"; do
    read -ra arguments <<<"$command"
    read -r wall cpu _ < <(measure "$rounds" "$scratch/after.out" "$cli" "${arguments[@]}" "$folder")
    cold_arguments=("${arguments[@]}")
    if [[ ${arguments[0]} == -* ]]; then cold_arguments=(--no-cache "${arguments[@]}"); else
        cold_arguments=("${arguments[0]}" --no-cache "${arguments[@]:1}"); fi
    "$cli" "${cold_arguments[@]}" "$folder" >"$scratch/after-cold.out" 2>/dev/null || true
    cmp -s "$scratch/after.out" "$scratch/after-cold.out" || { echo "$command: differs with the store" >&2; exit 1; }
    printf '%-28s %9s %9s\n' "$command (after a run)" "$wall" "$cpu"
done

# The texts' size: what pdftotext writes for every PDF of the folder.
texts=0
for pdf in "$folder"/*.pdf; do
    texts=$((texts + $(pdftotext -- "$pdf" - 2>/dev/null | wc -c)))
done
kept=$(find "$store" -type f -regextype posix-extended -regex '.*/[0-9a-f]{64}' -printf '%s\n' | awk '{s += $1} END {print s + 0}')
echo "store: $(find "$store" -type f -regextype posix-extended -regex '.*/[0-9a-f]{64}' | wc -l) entries," \
    "$kept bytes for $texts bytes of text ($(ratio "$kept" "$texts")x)"

# Three PDFs added: a converter that notes each start stands in front of pdftotext.
log=$scratch/conversions.log
cat >"$scratch/counting-pdftotext" <<EOF
#!/bin/sh
[ "\$1" = -v ] || echo "\$*" >> '$log'
exec pdftotext "\$@"
EOF
chmod +x "$scratch/counting-pdftotext"
export LEXITALLY_PDFTOTEXT=$scratch/counting-pdftotext
"$cli" --quiet "$folder" >/dev/null 2>&1 || true
before=$(wc -l <"$log")
cp -- "${pdfs[@]:0:3}" "$folder/"
"$cli" --quiet "$folder" >/dev/null 2>&1 || true
files=$(tail -n +"$((before + 1))" "$log" | grep -o "$folder/[^ ]*\.pdf" | sort -u | wc -l)
echo "three PDFs added to $((${#pdfs[@]} - 3)): the next run converted $files of them" \
    "($(($(wc -l <"$log") - before)) converter starts: big files go in page ranges)"
