#!/usr/bin/env bash
# Fails, naming the files, when a C++ source differs from .clang-format under
# clang-format-14 (the version CI installs; other versions format differently).
set -uo pipefail
cd "$(dirname "$0")/.."
FORMAT=$(command -v clang-format-14) || { echo "check-format: clang-format-14 is not installed" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
bad=()
for f in "${files[@]}"; do
    "$FORMAT" --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
    echo "check-format: ${#bad[@]} of ${#files[@]} files differ from .clang-format (run clang-format-14 -i on them):"
    printf '  %s\n' "${bad[@]}"
    exit 1
fi
echo "check-format: ${#files[@]} files as .clang-format says"
