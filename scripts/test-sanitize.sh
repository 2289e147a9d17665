#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ (or
# $BUILD_DIR) and runs the suites that read untrusted input under them: images
# (the mutated-file corpus), the database layer with its bound values and the scripts
# hosts run, the store and its audit (names from stores and server listings), the
# copy and the FTP layer, the reading of pages' text (wendra-ocr on hostile pages) and its
# tables. Leaks are errors; tests/sanitizers/lsan.supp names the
# ones that are not ours.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
BUILD_DIR=${BUILD_DIR:-build-asan}
SUITES=(tst_imaging tst_db tst_hoststatements tst_store tst_adding tst_removing tst_audit tst_boundvalues tst_transfer tst_inet
        tst_pagereading tst_textsearch tst_textservice)
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWO_WERROR=ON -DWO_SANITIZE=ON "$@" >/dev/null
cmake --build "$BUILD_DIR" --target "${SUITES[@]}"
cd "$BUILD_DIR"
regex=$(IFS='|'; echo "^(${SUITES[*]})(_sqlite|_postgres|_mariadb)?\$")
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$source/tests/sanitizers/lsan.supp UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j2 -R "$regex"
