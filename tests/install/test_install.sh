#!/usr/bin/env bash
# Installs the build into a scratch prefix and runs the installed programs from there: they must
# find their data under PREFIX/share/lexitally (no LEXITALLY_APP_DIR), count the installed
# samples, answer --version, and the window program must take a PDF it is started with into its
# file list.
#
#     tests/install/test_install.sh BUILD_FOLDER
set -euo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
export TEMP="$scratch/temp" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" HOME="$scratch"
unset LEXITALLY_APP_DIR
cmake --install "$build" --prefix "$prefix" >/dev/null
failures=0
check() {
    if "$@"; then echo "PASS   : $*"; else echo "FAIL!  : $*"; failures=$((failures + 1)); fi
}

for file in bin/lexitally bin/lexitally-cli share/lexitally/dbBlank.sqlite share/lexitally/HAND-M.CUR \
    share/lexitally/Samples/The-Raven.pdf share/lexitally/stopwords/english.txt share/lexitally/stopwords/russian.txt \
    share/applications/example.quorvant.Lexitally.desktop \
    share/metainfo/example.quorvant.Lexitally.metainfo.xml \
    share/icons/hicolor/scalable/apps/example.quorvant.Lexitally.svg \
    share/icons/hicolor/48x48/apps/example.quorvant.Lexitally.png share/man/man1/lexitally-cli.1.gz \
    share/man/man1/lexitally.1.gz share/bash-completion/completions/lexitally-cli; do
    check test -e "$prefix/$file"
done

version="$("$prefix/bin/lexitally-cli" --version)"
check test "$version" = "lexitally-cli $(sed -n 's/^project(Lexitally VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")"
check test "$(QT_QPA_PLATFORM=offscreen "$prefix/bin/lexitally" --version)" = "${version/lexitally-cli/lexitally}"
# --help and --version answer on a terminal without a display.
check test "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/lexitally" --version)" = \
    "${version/lexitally-cli/lexitally}"
check grep -q '^  --version' <(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/lexitally" --help)

# The installed command line counts the installed samples with its installed template database.
out="$("$prefix/bin/lexitally-cli" --quiet --format json "$prefix/share/lexitally/Samples" 2>/dev/null)" || true
check grep -q '"words":[1-9]' <<<"$out"
check grep -q '"method":"db"' <<<"$out"
check test -f "$XDG_DATA_HOME/Quorvant/Lexitally/dbData.sqlite"

# The installed window program, started with a PDF as the launcher starts it, lists it.
pdf="$scratch/My Poems.pdf"
cp "$prefix/share/lexitally/Samples/The-Raven.pdf" "$pdf"
LEXITALLY_FILE_LIST_TO="$scratch/list.txt" QT_QPA_PLATFORM=offscreen timeout 120 "$prefix/bin/lexitally" "$pdf"
check grep -qxF "$pdf" "$scratch/list.txt"

echo "Totals: install checks, $failures failed"
[ "$failures" -eq 0 ]
