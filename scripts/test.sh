#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer preset and runs every test with ctest, then runs
# every fuzz target for 20 s. Then, when MinGW-w64 and Wine can be installed, builds the Windows
# preset and runs the same suite under Wine, and the Windows tool on a generated corpus in a Wine
# prefix's APPDATA, and checks that two builds from two folders give the same .exe and release zip.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
orbi_install_deps

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j "$(nproc)"

# Every fuzz target for a short while over its committed seeds (clang, ASan, UBSan).
scripts/fuzz.sh 20

if ! orbi_install_windows_deps; then
  echo "note: MinGW-w64 or Wine cannot be installed here; the Windows build and its tests were skipped" >&2
  exit 0
fi
cmake --preset windows >/dev/null
cmake --build --preset windows
# A Wine prefix of the build's own, with its server kept up for the whole suite: every program
# start then costs a fraction of a second instead of one.
# The first start fills the prefix (some ten seconds); its helper processes inherit /dev/null
# here, not a test's output, which ctest would otherwise wait on.
export WINEPREFIX="$PWD/build/windows/wine-prefix" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wineserver="$(orbi_wineserver)"
"$wineserver" -p </dev/null >/dev/null 2>&1 || true
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
"$(orbi_wine)" cmd /c exit </dev/null >/dev/null 2>&1 || true
ctest --preset windows -j "$(nproc)"
scripts/windows-appdata-check.sh build/windows/src/app/orbitrone-migrate-presets.exe "$WINEPREFIX" \
  build/asan/src/app/orbitrone-migrate-presets
# The release .exe and zip, built twice from two folders, are byte-identical.
scripts/check-reproducible.sh
