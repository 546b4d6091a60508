#!/usr/bin/env bash
# Checks the installation files in packaging/ and, when `cpack` has made one, the .deb.
#
# Usage: packaging/check.sh [BUILD_FOLDER]     (default: build, next to packaging/)
#
# Needs the Debian packages: desktop-file-utils appstream man-db lintian
# (bash-completion too for the completion test, which is skipped without it).
# Installs nothing. Prints one line per check passed; exits 1 when any check fails.
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
app=example.quorvant.Lexitally
icon_sizes=(16 22 24 32 48 64 128 256)

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

failures=0
pass() { echo "ok    $*"; }
fail() {
    echo "FAIL  $*" >&2
    failures=$((failures + 1))
}
# Shows a failing tool's output under the FAIL line.
show() { sed 's/^/      /' "$1" >&2; }

missing=()
for tool in desktop-file-validate appstreamcli man lexgrog lintian dpkg-deb; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "missing: ${missing[*]} (apt-get install desktop-file-utils appstream man-db lintian)" >&2
    exit 1
fi

# Desktop entry: the validator prints hints too; any output at all counts as a failure.
if desktop-file-validate "$here/$app.desktop" >"$tmp/desktop.txt" 2>&1 && [ ! -s "$tmp/desktop.txt" ]; then
    pass "desktop entry: desktop-file-validate"
else
    fail "desktop entry: desktop-file-validate"
    show "$tmp/desktop.txt"
fi

# AppStream metadata: errors and warnings fail; the id's "example" top-level domain gives an
# info line that cannot be avoided.
if appstreamcli validate --no-net "$here/$app.metainfo.xml" >"$tmp/metainfo.txt" 2>&1; then
    pass "metainfo: appstreamcli validate --no-net"
else
    fail "metainfo: appstreamcli validate --no-net"
    show "$tmp/metainfo.txt"
fi

# Manual pages: rendered the way man shows them, with every warning groff can give.
for page in lexitally.1 lexitally-cli.1; do
    name="${page%.1}"
    if ! MANWIDTH=80 man --warnings -E UTF-8 -l "$here/$page" >"$tmp/$page.txt" 2>"$tmp/$page.warn"; then
        fail "man page $page: man exited with an error"
        show "$tmp/$page.warn"
    elif [ -s "$tmp/$page.warn" ]; then
        fail "man page $page: warnings while rendering"
        show "$tmp/$page.warn"
    elif ! lexgrog "$here/$page" 2>/dev/null | grep -q "\"$name - "; then
        fail "man page $page: NAME section not readable by lexgrog/whatis"
    else
        pass "man page $page: renders without warnings"
    fi
done

# Icons: every PNG size present and of the size its folder claims (width and height are the
# two big-endian words at byte 16 of a PNG file).
icon_problems=()
for n in "${icon_sizes[@]}"; do
    png="$here/icons/hicolor/${n}x${n}/apps/$app.png"
    if [ ! -f "$png" ]; then
        icon_problems+=("${n}x${n} missing")
        continue
    fi
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$w" = "$n" ] && [ "$h" = "$n" ] || icon_problems+=("${n}x${n} is ${w}x${h}")
done
if [ ${#icon_problems[@]} -eq 0 ]; then
    pass "icons: PNGs at ${icon_sizes[*]} px"
else
    fail "icons: ${icon_problems[*]} (run packaging/render-icons.sh)"
fi

# Bash completion: syntax always; behaviour when bash-completion is there to drive it.
if ! bash -n "$here/lexitally-cli.bash-completion" 2>"$tmp/completion.txt"; then
    fail "bash completion: syntax"
    show "$tmp/completion.txt"
elif [ ! -f /usr/share/bash-completion/bash_completion ]; then
    echo "skip  bash completion: behaviour (bash-completion not installed); syntax ok"
else
    mkdir -p "$tmp/files/folder"
    touch "$tmp/files/a.pdf" "$tmp/files/B.PDF" "$tmp/files/notes.txt" "$tmp/files/part.json"
    # Prints the completions, one line, for a command line that ends at the cursor.
    cat >"$tmp/complete.sh" <<'EOF'
source /usr/share/bash-completion/bash_completion
source "$1"
line=$2
COMP_LINE=$line
COMP_POINT=${#line}
read -ra COMP_WORDS <<<"$line"
[[ $line == *" " ]] && COMP_WORDS+=("")
COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
_lexitally_cli lexitally-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' ' -
EOF
    completion_problems=0
    expect() { # LINE EXPECTED
        local got
        got="$(cd "$tmp/files" && bash "$tmp/complete.sh" "$here/lexitally-cli.bash-completion" "$1" 2>&1)"
        if [ "$got" != "$2" ]; then
            echo "      \"$1\": expected \"$2\", got \"$got\"" >&2
            completion_problems=$((completion_problems + 1))
        fi
    }
    expect "lexitally-cli --for" "--format"
    expect "lexitally-cli --format " "csv json text tsv xlsx"
    expect "lexitally-cli --format=j" "json"
    expect "lexitally-cli --method " "db text"
    expect "lexitally-cli --per-file " "B.PDF a.pdf folder"
    expect "lexitally-cli --text " "B.PDF a.pdf folder notes.txt part.json"
    expect "lexitally-cli -o n" "notes.txt"
    expect "lexitally-cli --password " ""
    expect "lexitally-cli --password --text " "B.PDF a.pdf folder"
    expect "lexitally-cli -- --" ""
    expect "lexitally-cli --jobs " "1 2 4 8"
    expect "lexitally-cli -j 2 --per-file " "B.PDF a.pdf folder"
    expect "lexitally-cli --password-" "--password-stdin"
    expect "lexitally-cli --su" "--summary"
    expect "lexitally-cli -j" "-j"
    expect "lexitally-cli --jo" "--jobs"
    expect "lexitally-cli --jobs=" "1 2 4 8"
    expect "lexitally-cli -j 2 --password-stdin " "B.PDF a.pdf folder"
    expect "lexitally-cli " "B.PDF a.pdf cache collocates concordance dispersion folder keywords merge phrases"
    expect "lexitally-cli con" "concordance"
    expect "lexitally-cli keywords --sort " "log-likelihood log-ratio"
    expect "lexitally-cli collocates --sort " "count log-likelihood logdice mi t-score"
    expect "lexitally-cli cache " "--clear --help"
    expect "lexitally-cli concordance --format " "csv json text tsv"
    expect "lexitally-cli dispersion --format " "csv json svg text tsv"
    expect "lexitally-cli phrases --l" "--length --letters"
    expect "lexitally-cli phrases --length 3 " "B.PDF a.pdf folder notes.txt part.json"
    expect "lexitally-cli me" "merge"
    expect "lexitally-cli --per-file me" ""
    expect "lexitally-cli merge " "folder part.json"
    expect "lexitally-cli merge -" "-- --format --help --output -h -o"
    expect "lexitally-cli merge --format " "csv json text tsv xlsx"
    expect "lexitally-cli merge -o n" "notes.txt"
    expect "lexitally-cli merge -o x.tsv " "folder part.json"
    expect "lexitally-cli merge -- -" ""
    if [ "$completion_problems" -eq 0 ]; then
        pass "bash completion: option names, option values, PDF and text paths, merge and its JSON results, the corpus commands"
    else
        fail "bash completion: $completion_problems case(s) wrong"
    fi
fi

# The Debian package, when cpack has made one.
deb="$(ls -t "$build"/lexitally_*.deb 2>/dev/null | head -n 1)"
if [ -z "$deb" ]; then
    echo "skip  Debian package: no lexitally_*.deb in $build"
else
    if dpkg-deb --info "$deb" >"$tmp/info.txt" 2>&1 &&
        grep -q '^ Package: lexitally$' "$tmp/info.txt" &&
        grep -q '^ Depends:.*poppler-utils' "$tmp/info.txt" &&
        grep -q '^ Depends:.*libqt6sql6-sqlite' "$tmp/info.txt" &&
        grep -q '^ Depends:.*qt6-qpa-plugins' "$tmp/info.txt" &&
        grep -q '^ Recommends:.*tesseract-ocr' "$tmp/info.txt" &&
        grep -q '^ Section: text$' "$tmp/info.txt"; then
        pass "package control: $(grep -m1 '^ Version:' "$tmp/info.txt" | sed 's/^ //'), depends on poppler-utils, the SQLite driver and the platform plugins, recommends tesseract-ocr"
    else
        fail "package control: name, Depends or Section not as expected"
        show "$tmp/info.txt"
    fi

    expected=(
        usr/bin/lexitally
        usr/bin/lexitally-cli
        usr/share/applications/$app.desktop
        usr/share/metainfo/$app.metainfo.xml
        usr/share/icons/hicolor/scalable/apps/$app.svg
        usr/share/man/man1/lexitally.1.gz
        usr/share/man/man1/lexitally-cli.1.gz
        usr/share/bash-completion/completions/lexitally-cli
        usr/share/doc/lexitally/copyright
    )
    for n in "${icon_sizes[@]}"; do
        expected+=("usr/share/icons/hicolor/${n}x${n}/apps/$app.png")
    done
    dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./||' >"$tmp/contents.txt"
    absent=()
    for path in "${expected[@]}"; do
        grep -qxF "$path" "$tmp/contents.txt" || absent+=("$path")
    done
    if [ ${#absent[@]} -eq 0 ]; then
        pass "package contents: programs, desktop entry, metainfo, icons, man pages, completion, copyright"
    else
        fail "package contents: missing ${absent[*]}"
    fi

    # The installed tree as a whole: desktop entry, metainfo and icon found together.
    mkdir -p "$tmp/root"
    if dpkg-deb -x "$deb" "$tmp/root" && appstreamcli validate-tree --no-net "$tmp/root" >"$tmp/tree.txt" 2>&1; then
        pass "package tree: appstreamcli validate-tree"
    else
        fail "package tree: appstreamcli validate-tree"
        show "$tmp/tree.txt"
    fi

    # Hardening: both programs bound at start (BIND_NOW), position-independent, with the stack
    # protector and fortified calls; their debug information in the -dbgsym package.
    hardening_problems=()
    for program in lexitally lexitally-cli; do
        # Whole outputs in files: grep -q on a pipe would end readelf early (pipefail).
        binary="$tmp/root/usr/bin/$program"
        readelf -h -d --dyn-syms -W "$binary" >"$tmp/$program.elf" 2>&1
        grep -q 'BIND_NOW' "$tmp/$program.elf" || hardening_problems+=("$program: no BIND_NOW")
        grep -q 'DYN (' "$tmp/$program.elf" || hardening_problems+=("$program: not PIE")
        grep -q '__stack_chk_fail' "$tmp/$program.elf" || hardening_problems+=("$program: no stack protector")
        grep -Eq '__[a-z]+_chk@' "$tmp/$program.elf" || hardening_problems+=("$program: no fortified calls")
    done
    dbgsym="$(ls -t "$build"/lexitally-dbgsym_*.ddeb 2>/dev/null | head -n 1)"
    if [ -z "$dbgsym" ]; then
        hardening_problems+=("no lexitally-dbgsym package")
    else
        mkdir -p "$tmp/dbgsym"
        dpkg-deb -x "$dbgsym" "$tmp/dbgsym"
        for program in lexitally lexitally-cli; do
            id="$(readelf -n "$tmp/root/usr/bin/$program" | awk '/Build ID/ {print $3}')"
            debug="$tmp/dbgsym/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug"
            readelf -S "$debug" 2>/dev/null | grep -q '\.debug_info' ||
                hardening_problems+=("$program: no debug information for build id $id")
        done
    fi
    if [ ${#hardening_problems[@]} -eq 0 ]; then
        pass "hardening: BIND_NOW, PIE, stack protector, fortified calls; debug information in $(basename "$dbgsym")"
    else
        fail "hardening: ${hardening_problems[*]}"
    fi

    # Lintian: errors fail the check, warnings are shown. Root gets a notice on stderr.
    lintian --pedantic --fail-on error,warning,info,pedantic --tag-display-limit 0 "$deb" "${deb%/*}"/*-dbgsym_*.ddeb \
        >"$tmp/lintian.txt" 2>"$tmp/lintian.err"
    status=$?
    grep -v 'running with root privileges' "$tmp/lintian.err" >>"$tmp/lintian.txt"
    if [ "$status" -eq 0 ]; then
        pass "lintian: no errors ($(grep -c '^W: ' "$tmp/lintian.txt") warnings)"
        grep '^W: ' "$tmp/lintian.txt" | sed 's/^/      /'
    else
        fail "lintian"
        show "$tmp/lintian.txt"
    fi
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
