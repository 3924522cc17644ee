#!/usr/bin/env bash
# Applies .clang-format to every C++ file of the project (those git tracks),
# in place. With --check it changes nothing and exits 1 when a file would
# change. Needs clang-format (Debian package clang-format).
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "format.sh: clang-format is missing (apt-get install clang-format)" >&2
  exit 2
fi
mapfile -t files < <(git ls-files '*.h' '*.cpp')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi
