#!/usr/bin/env bash
# Times the corpus commands against the word list over one text: medians of ROUNDS runs of
#
#   word list     lexitally-cli --text TEXT                  (the rows of a run, database method)
#   concordance   lexitally-cli concordance --text WORD TEXT (WORD: the text's most frequent word)
#   phrases 3     lexitally-cli phrases --text --length 3 --min-count 2 TEXT
#   statistics    lexitally-cli --stats --text TEXT          (the word list read twice, plus range and DP)
#
# and each one's ratio to the word list. Checks first that the concordance has as many lines as
# the word's count in the word list (exit status 1 when not).
#
# Usage: bench/corpus_views.sh [BUILD_DIR=build] [TEXT] [ROUNDS=5]
#        (no TEXT: bench_counting generates 36 MB shaped like real documents)
#
# Runs with TEMP and XDG_* pointed at a fresh temporary folder, removed at the end.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
text=${2:-}
rounds=${3:-5}
cli=$build/lexitally-cli
[[ -x $cli ]] || { echo "missing $cli (build first)" >&2; exit 2; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TEMP=$scratch/temp TMPDIR=$scratch/temp XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
mkdir -p "$TEMP"
if [[ -z $text ]]; then
    text=$scratch/corpus.txt
    "$build/bench/bench_counting" --generate 36 --write "$text" >/dev/null
fi

"$cli" --text -q -o "$scratch/words.tsv" "$text"
read -r word count < <(tail -n 1 "$scratch/words.tsv")
lines=$("$cli" concordance --text -o "$scratch/lines.tsv" "$word" "$text" && tail -n +2 "$scratch/lines.tsv" | wc -l)
if [[ $lines != "$count" ]]; then
    echo "concordance of \"$word\": $lines lines, but the word list counts $count" >&2
    exit 1
fi
echo "text: $text ($(($(stat -c %s "$text") / 1000000)) MB); most frequent word \"$word\" ($count times)"

median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
measure() { # NAME COMMAND...
    local name=$1 times=()
    shift
    for ((r = 0; r < rounds; r++)); do
        local start end
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        times+=("$(echo "$end - $start" | bc)")
    done
    printf '%s\n' "${times[@]}" | median
}

base=$(measure "word list" "$cli" --text -q -o "$scratch/out" "$text")
printf '%-12s %8.2f s\n' "word list" "$base"
for name in concordance phrases statistics; do
    case $name in
        concordance) t=$(measure "$name" "$cli" concordance --text -o "$scratch/out" "$word" "$text") ;;
        phrases) t=$(measure "$name" "$cli" phrases --text --length 3 --min-count 2 -o "$scratch/out" "$text") ;;
        statistics) t=$(measure "$name" "$cli" --stats --text -q -o "$scratch/out" "$text") ;;
    esac
    printf '%-12s %8.2f s  %5.2fx the word list\n' "$name" "$t" "$(echo "$t / $base" | bc -l)"
done
