#!/usr/bin/env bash
# Fails when a C++ line added or changed since .clang-format came in does not follow it. Only
# changed lines are checked, so older code keeps its layout until someone touches it.
# scripts/format-changed.sh rewrites those lines in place.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! git rev-parse --git-dir >/dev/null 2>&1; then
  echo "check-format: not a git checkout, skipped"
  exit 0
fi
base=$(git log --diff-filter=A --format=%H -- .clang-format | tail -n 1)
if [ -z "$base" ]; then
  echo "check-format: the commit that brought .clang-format is not in this history, skipped"
  exit 0
fi
out=$(git clang-format-14 --binary clang-format-14 --diff --extensions cpp,h "$base" -- src tests tools bench)
case "$out" in
  "" | "no modified files to format" | "clang-format did not modify any files") exit 0 ;;
esac
printf '%s\n' "$out"
echo "check-format: the lines above do not follow .clang-format; run scripts/format-changed.sh" >&2
exit 1
