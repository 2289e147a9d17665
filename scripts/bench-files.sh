#!/usr/bin/env bash
# Time and peak memory of the image view for each kind of costly or lying file: each
# file is shown in a process of its own (bench_files) under /usr/bin/time -v. Builds
# bench_files into build/ (or $BUILD_DIR) first. With BENCH=path, that bench_files
# binary runs instead, for instance one built from an older tree, with its own
# libraries beside it or in $LD_LIBRARY_PATH. Takes about a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
if [[ -z ${BENCH:-} ]]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DWO_WERROR=ON >/dev/null
    cmake --build "$BUILD_DIR" --target bench_files >/dev/null
fi
bench=${BENCH:-$(realpath "$BUILD_DIR")/bin/bench_files}
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" write "$work" >/dev/null

# run LABEL ARGUMENTS...: one line of the table.
run() {
    local label=$1
    shift
    local said
    said=$(timeout 300 /usr/bin/time -v -o "$work/time" "$bench" "$@" 2>/dev/null) || said="${said:-} (stopped: $?)"
    local elapsed kb
    elapsed=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time")
    kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
    printf '%-42s %9s %9.1f MB   %s\n' "$label" "$elapsed" "$(echo "${kb:-0} / 1024" | bc -l)" "$said"
}

printf '%-42s %9s %12s   %s\n' "class" "time" "peak RSS" "what the view did"
run "1 G4 page declaring 65535 x 65535" show "$work/declared-65535.tif"
run "1 G4 page declaring 1 x 500,000,000" show "$work/declared-1x500M.tif"
run "2 PDF of 14,400 inches, 4 zoom steps" show "$work/poster.pdf" 4
run "3 TIFF of 170,000 empty directories" show "$work/chain-170000.tif"
run "4 JPEG with garbled coded data" show "$work/garbled.jpg"
run "5 three 1 x 1 area zooms, next page" deep "$work/g4-3.tif"
run "7 three A4 1-bit DCX pages" show "$work/bilevel-3.dcx"
run "7 the same three pages as G4 TIFF" show "$work/g4-3.tif"
run "8 paging a 500-page A4 G4 TIFF" show "$work/g4-500.tif"
run "9 A4 colour JPEG TIFF page, 4 zoom steps" show "$work/colour.tif" 4
