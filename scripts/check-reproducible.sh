#!/usr/bin/env bash
# Two clean Windows builds of the same commit, from two folders of different paths, must give a
# byte-identical .exe and release zip. Builds only the tool and its package (no tests).
#   scripts/check-reproducible.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for copy in a "b-somewhere/else"; do
  mkdir -p "$work/$copy"
  # The tracked files as they stand in the work tree, without any build folder.
  (cd "$root" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$work/$copy")
  (cd "$work/$copy" && cmake --preset windows -DORBI_BUILD_TESTS=OFF >/dev/null &&
     cmake --build --preset windows --target package >/dev/null)
done
a="$work/a/build/windows"
b="$work/b-somewhere/else/build/windows"
zip="orbitrone-migrate-presets-$(sed -n 's/^project(.*VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")-win64.zip"
cmp "$a/src/app/orbitrone-migrate-presets.exe" "$b/src/app/orbitrone-migrate-presets.exe"
cmp "$a/$zip" "$b/$zip"
unzip -l "$a/$zip"
echo "reproducible: the .exe and $zip are byte-identical from two folders"
