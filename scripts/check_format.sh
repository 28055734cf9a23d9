#!/usr/bin/env bash
# Fails when a tracked C++ source or header drifts from .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror "${files[@]}"
echo "check_format: ${#files[@]} files follow .clang-format"
