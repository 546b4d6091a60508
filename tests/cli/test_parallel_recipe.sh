#!/usr/bin/env bash
# The README's recipe for corpora counted on many machines, run on this one: GNU parallel sends
# the parts of a corpus to jobs (`--sshlogin :` is the local machine), each job writes its part's
# JSON results, and the merge of the parts must equal one run over the same files, in both
# counting modes and with both frequency methods.
#
#     tests/cli/test_parallel_recipe.sh BUILD_FOLDER
set -euo pipefail
build="$(cd "$1" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export TEMP="$scratch/temp" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
export LEXITALLY_APP_DIR="$build" PATH="$build:$PATH"
failures=0

# Three parts: the samples spread over them (one of them a scanned page that gives no text), and
# a sample twice under another name, so that words meet across parts.
samples="$build/Samples"
mkdir -p "$scratch/corpus/part-001" "$scratch/corpus/part-002" "$scratch/corpus/part-003" "$scratch/results"
cp "$samples/The-Raven.pdf" "$samples/Scanned-Note.pdf" "$scratch/corpus/part-001/"
cp "$samples/Aesop-Fables.pdf" "$samples/Gettysburg-Address.pdf" "$scratch/corpus/part-002/"
cp "$samples/Poems-French-German.pdf" "$scratch/corpus/part-003/"
cp "$samples/The-Raven.pdf" "$scratch/corpus/part-003/Raven-Again.pdf"

# The fields that a merge must reproduce; the order of keys is not part of the results.
same_results() { # MERGED ONE_RUN
    python3 - "$1" "$2" <<'PY'
import json, sys
a, b = (json.load(open(p)) for p in sys.argv[1:3])
keys = ["mode", "method", "ignore_case", "totals", "columns", "rows", "unreadable", "errors"]
diff = [k for k in keys if a.get(k) != b.get(k)]
if diff or not a.get("rows"):
    print("differ in: " + ", ".join(diff or ["rows (none)"]), file=sys.stderr)
    sys.exit(1)
PY
}

# Runs that start together on a new data folder all find the working database: none falls back
# to the text method because another made the database first.
for attempt in 1 2 3; do
    export XDG_DATA_HOME="$scratch/data-$attempt"
    seq 6 | parallel --will-cite -j6 \
        "lexitally-cli --quiet --format json -o $scratch/results/start-{}.json $samples/The-Raven.pdf"
done
if [ "$(grep -l '"method":"db"' "$scratch/results/"start-*.json | wc -l)" -eq 6 ]; then
    echo "PASS   : runs starting together on a new data folder all use the database method"
else
    echo "FAIL!  : a run starting together with others on a new data folder did not use the database method"
    failures=$((failures + 1))
fi

for options in "" "--per-file" "--method text" "--per-file --method text --case-sensitive"; do
    rm -f "$scratch/results/"*.json
    export XDG_DATA_HOME="$scratch/data-$RANDOM$RANDOM"
    # shellcheck disable=SC2086
    ls -d "$scratch/corpus/part-"* |
        parallel --will-cite --sshlogin 2/: \
            "lexitally-cli --quiet $options --format json -o $scratch/results/{/}.json {}"
    lexitally-cli merge "$scratch/results/"part-*.json >"$scratch/merged.json"
    # shellcheck disable=SC2086
    lexitally-cli --quiet $options --format json -o "$scratch/one-run.json" "$scratch/corpus/part-"* || true
    if same_results "$scratch/merged.json" "$scratch/one-run.json"; then
        echo "PASS   : parallel parts merged equal one run (${options:-all files, database method})"
    else
        echo "FAIL!  : parallel parts merged differ from one run (${options:-all files, database method})"
        failures=$((failures + 1))
    fi
done

echo "Totals: parallel recipe, $failures failed"
[ "$failures" -eq 0 ]
