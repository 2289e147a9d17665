#!/usr/bin/env bash
# Fails when a C++ file of the repository is not formatted by the root .clang-format.
# With "--fix" it formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
if ! clang-format --dry-run -Werror "${files[@]}" 2>/tmp/wo-format.$$; then
    grep -o '^[^:]*:[0-9]*' /tmp/wo-format.$$ | sort -u -t: -k1,1 | sed 's/^/not formatted: /' >&2
    rm -f /tmp/wo-format.$$
    echo "run scripts/check-format.sh --fix" >&2
    exit 1
fi
rm -f /tmp/wo-format.$$
