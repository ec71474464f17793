#!/bin/sh
# Fails when a C++ source or header tracked by git is not formatted as .clang-format says.
# Reformat with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh clang-format
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "check-format: every C++ file is formatted"
