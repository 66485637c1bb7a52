#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer preset and runs every test with ctest.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
orbi_install_deps

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j "$(nproc)"
