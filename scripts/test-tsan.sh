#!/usr/bin/env bash
# Builds with ThreadSanitizer into build-tsan/ (or $BUILD_DIR), only the suites
# that run work on other threads, and runs them: page decoding and shrinking beside
# the decoder (imaging), the copy on a worker thread (transfer, adding), FTP
# connections shared between threads (inet, calls from a host's threads). Where a
# suite runs on each engine, SQLite is enough: the threads do not depend on it.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
BUILD_DIR=${BUILD_DIR:-build-tsan}
SUITES=(tst_imaging tst_transfer tst_inet tst_adding tst_hostcalls)
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWO_WERROR=ON -DWO_TSAN=ON "$@" >/dev/null
cmake --build "$BUILD_DIR" --target "${SUITES[@]}"
cd "$BUILD_DIR"
regex=$(IFS='|'; echo "^(${SUITES[*]})(_sqlite)?\$")
# Qt starts processes with a vfork-like clone the checker takes for a fork, after
# which it would refuse new threads in the parent: die_after_fork=0.
TSAN_OPTIONS="suppressions=$source/tests/sanitizers/tsan.supp die_after_fork=0 halt_on_error=1" \
    ctest --output-on-failure -j2 -R "$regex"
