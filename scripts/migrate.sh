#!/usr/bin/env bash
# Builds the Release tool if needed and runs it with the given words:
#   scripts/migrate.sh [--from <folder>] [--to <preset root>]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/deps.sh"
orbi_install_deps >&2
(cd "$root" && cmake --preset release >/dev/null && cmake --build --preset release >&2) || {
  echo "migrate.sh: the build failed" >&2
  exit 2
}
exec "$root/build/release/src/app/orbitrone-migrate-presets" "$@"
