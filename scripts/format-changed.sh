#!/usr/bin/env bash
# Formats, in place, every C++ line added or changed since .clang-format came in (committed or
# not): run it right before submitting, then commit the result.
set -euo pipefail
cd "$(dirname "$0")/.."
base=$(git log --diff-filter=A --format=%H -- .clang-format | tail -n 1)
exec git clang-format-14 --binary clang-format-14 --force --extensions cpp,h "$base" -- src tests tools bench
