#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (SQLite, PostgreSQL and MariaDB).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd "${BUILD_DIR:-build}"
ctest --output-on-failure -j2 "$@"
