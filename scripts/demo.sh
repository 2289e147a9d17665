#!/usr/bin/env bash
# Installs what is missing, builds, and opens the demonstration host on an embedded
# SQLite database and a folder store under demo-data/, full-text search on. Extra
# arguments go to the host (see --help). Without a display it runs under a virtual X
# server.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
host=("${BUILD_DIR:-build}/bin/demohost" --database demo-data/demo.db --store demo-data/store --text-search chi_sim "$@")
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "${host[@]}"
fi
echo "No display: running under a virtual X server (nothing will be visible)."
exec xvfb-run -a -s "-screen 0 1280x800x24" "${host[@]}"
