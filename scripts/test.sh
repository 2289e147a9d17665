#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (SQLite and PostgreSQL).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd "${BUILD_DIR:-build}"
# A test that times out is run again, up to three times in all (see tests/imaging).
ctest --output-on-failure -j2 --repeat after-timeout:3 "$@"
