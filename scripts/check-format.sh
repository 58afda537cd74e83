#!/usr/bin/env bash
# Fails when a source file differs from the repository's .clang-format; `clang-format-14 -i FILE` mends it.
set -euo pipefail
cd "$(dirname "$0")/.."
find src tests bench packaging fuzz \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z |
    xargs -0 clang-format-14 --dry-run --Werror
