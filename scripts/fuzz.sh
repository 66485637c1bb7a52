#!/usr/bin/env bash
# Builds every libFuzzer target of fuzz/ (clang, ASan, UBSan) and runs each for a while over a
# scratch copy of its committed seed corpus, so the committed corpus never grows.
#   scripts/fuzz.sh [seconds per target, default 20]
# ORBI_FUZZ_BUILD names another build folder (default build/fuzz, the preset's). Exits non-zero
# when a target crashes, leaks, times out or runs out of memory; the input that did it is kept
# in <build folder>/fuzz-findings/ and its path printed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
orbi_install_deps clang libclang-rt-dev

seconds="${1:-20}"
case "$seconds" in
  ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [seconds per target]" >&2; exit 2 ;;
esac
build="${ORBI_FUZZ_BUILD:-build/fuzz}"

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)"

findings="$build/fuzz-findings"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$findings"

failed=()
count=0
for source in fuzz/*.cpp; do
  name="$(basename "$source" .cpp)"
  count=$((count + 1))
  mkdir -p "$scratch/$name"
  if [ -d "fuzz/corpus/$name" ]; then cp -R "fuzz/corpus/$name/." "$scratch/$name/"; fi
  log="$findings/$name.log"
  start=$SECONDS
  # -timeout: one input taking this long is a hang. -rss_limit_mb stays above the 1 GiB that
  # one zip entry may legally claim, so only real runaway memory is a finding.
  if "$build/fuzz/$name" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=3072 \
       -print_final_stats=1 -artifact_prefix="$findings/$name-" "$scratch/$name" >"$log" 2>&1; then
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    echo "fuzz: $name: ${runs:-?} inputs in $((SECONDS - start)) s, nothing found"
  else
    echo "fuzz: $name FAILED; the last lines of $log:" >&2
    tail -n 40 "$log" >&2
    failed+=("$name")
  fi
done

# The last line is the plain count a CI log reader understands; each target counts as one test.
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: ${failed[*]} found a fault (inputs in $findings)" >&2
  echo "fuzz: $((count - ${#failed[@]})) passed, ${#failed[@]} failed"
  exit 1
fi
echo "fuzz: $count passed, 0 failed"
