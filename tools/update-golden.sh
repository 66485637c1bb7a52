#!/bin/sh
# Rewrites the golden corpus of the tool tests (tests/app/golden) on purpose: the generated legacy
# folder from its seed, and what the built tool now reports and writes over it. Review the diff
# before committing: every changed line is a change of behaviour.
#   tools/update-golden.sh <built orbitrone-migrate-presets>
set -eu
tool=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
golden="$here/tests/app/golden"
# The generator's options; the test regenerates with the same words (first line of the file).
args="--count 30 --seed 3 --max-sample-bytes 4096 --max-wavetable-frames 2"
rm -rf "$golden/legacy"
python3 "$here/tools/make-legacy-corpus.py" "$golden/legacy" $args >/dev/null
mkdir -p "$golden/expected"
echo "$args" >"$golden/expected/generator-args"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$golden/legacy" "$work/legacy"
cp -R "$golden/legacy-hand/." "$work/legacy/"
cp -R "$golden/target" "$work/root"
# Standard output without its header (From, To, blank line); standard error with the preset root
# as <ROOT>; the exit status last.
run() {
  set +e
  "$tool" --from "$work/legacy" --to "$work/root" >"$work/out" 2>"$work/err"
  echo $? >"$golden/expected/$1.status"
  set -e
  tail -n +4 "$work/out" >"$golden/expected/$1.out"
  sed "s|$work/root|<ROOT>|g" "$work/err" >"$golden/expected/$1.err"
}
run first
run second
# size, sha256 and path of every file of the preset root, in byte order of the paths
(cd "$work/root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | while IFS= read -r f; do
  printf '%s %s %s\n' "$(wc -c <"$f" | tr -d ' ')" "$(sha256sum "$f" | cut -d' ' -f1)" "$f"
done) >"$golden/expected/manifest"
