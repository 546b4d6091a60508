#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: packages already present are left alone; apt-get update runs at most once.
set -euo pipefail

# qt6-charts-dev draws the results' chart; its CMake package needs libqt6opengl6-dev as well.
packages=(
    g++ cmake make ninja-build python3 pkg-config
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite qt6-qpa-plugins
    poppler-utils libxlsxwriter-dev libicu-dev qpdf unzip
    # The SQLite engine's own interface, beside Qt Sql's driver for it; Abseil's hash map.
    libsqlite3-dev libabsl-dev
    # xlsxwriter.pc links with -lz, yet libxlsxwriter-dev does not bring zlib's development files.
    zlib1g-dev
    # Fonts the test PDFs are written with; the writer refuses a character no font draws.
    # DejaVu: Latin, Greek, Cyrillic, ligatures. Sawarabi Gothic (the smallest that has them):
    # full-width Latin letters ("ａ" of U+FF41).
    fonts-dejavu-core fonts-sawarabi-gothic
    # Snowball stemmers (grouping word forms) and Snowball's lists of common words.
    libstemmer-dev liblingua-stopwords-perl
    # zstd compresses the store of converted texts.
    libzstd-dev
    # OCR of scanned pages (pdftoppm of poppler-utils renders them): the engine and its English.
    tesseract-ocr tesseract-ocr-eng
    # The recipe for many machines, run on this one by the tests.
    parallel
    # The placement test: the window program on a virtual display under a real window manager.
    xvfb xauth openbox x11-utils xdotool
)
for option in "$@"; do
    case "$option" in
    --with-display) ;; # in the default list now (the placement test needs it)
    # What CI checks besides the tests: formatting and the installable package.
    --with-ci) packages+=(clang-format clang libfuzzer-14-dev desktop-file-utils appstream man-db lintian dpkg-dev file bash-completion) ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
