#!/usr/bin/env bash
# Builds the benchmarks in Release and prints one table of ours-versus-baseline ratios measured in
# this run, then the end-to-end migration against the copy-and-hash floor.
#   bench/run.sh [--quick]     (--quick: a 300-preset corpus instead of 2,000)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
orbi_install_deps libdeflate-dev rapidjson-dev pkg-config >&2

cmake --preset bench >/dev/null
cmake --build --preset bench >&2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for b in inflate deflate digests json_parse instance_document; do
  echo "running $b" >&2
  "build/bench/bench/$b" --benchmark_format=json --benchmark_out="$out/$b.json" --benchmark_out_format=json \
    --benchmark_repetitions=7 --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 >/dev/null
done
python3 bench/ratios.py "$out"/*.json
echo
if [ "${1:-}" = "--quick" ]; then
  python3 bench/migrate.py --count 300 --work /tmp/orbi-bench-quick
else
  python3 bench/migrate.py
fi
