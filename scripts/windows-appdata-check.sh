#!/usr/bin/env bash
# The Windows tool as a user runs it: with no arguments, under Wine, in a Wine prefix of its own.
# A generated legacy corpus is put in the prefix's %APPDATA%\Quillmark\Orbitrone\Presets; the
# first run must migrate it into %APPDATA%\Orbi\Presets, the second must keep everything. With a
# native tool given, it migrates the same corpus on Linux and both must give the same report
# lines and byte-identical preset files, also once more from and into paths over 300 characters.
#   scripts/windows-appdata-check.sh <orbitrone-migrate-presets.exe> <wine prefix> [native tool]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/deps.sh"
exe="$1"
export WINEPREFIX="$2"
native="${3:-}"
export WINEDEBUG=-all
wine="$(orbi_wine)"

mkdir -p "$WINEPREFIX"
appdata_win="$("$wine" cmd /c echo %APPDATA% | tr -d '\r')"
appdata="$("$wine" winepath -u "$appdata_win" | tr -d '\r')"
appdata="${appdata%/}"
[ -d "$appdata" ] || { echo "windows-appdata-check: no APPDATA folder ($appdata_win -> $appdata)" >&2; exit 1; }
rm -rf "$appdata/Quillmark" "$appdata/Orbi"
python3 "$root/tools/make-legacy-corpus.py" "$appdata/Quillmark/Orbitrone/Presets" --count 40 --max-sample-bytes 65536

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
set +e
"$wine" "$exe" >"$work/first.out" 2>"$work/first.err"; first=$?
"$wine" "$exe" >"$work/second.out" 2>"$work/second.err"; second=$?
set -e
tr -d '\r' <"$work/first.out" >"$work/first.txt"
tr -d '\r' <"$work/second.out" >"$work/second.txt"

fail() { echo "windows-appdata-check: $*" >&2; cat "$work/first.txt" "$work/first.err" >&2; exit 1; }
want_header="From $appdata_win\\Quillmark\\Orbitrone\\Presets
To   $appdata_win\\Orbi\\Presets\\orbitrone"
[ "$(head -n 2 "$work/first.txt")" = "$want_header" ] || fail "the first run did not take its folders from APPDATA"
summary="$(tail -n 1 "$work/first.txt")"
migrated="$(sed -n 's/^\([0-9]*\) migrated, \([0-9]*\) failed, \([0-9]*\) kept\.$/\1/p' <<<"$summary")"
failed="$(sed -n 's/^\([0-9]*\) migrated, \([0-9]*\) failed, \([0-9]*\) kept\.$/\2/p' <<<"$summary")"
kept="$(sed -n 's/^\([0-9]*\) migrated, \([0-9]*\) failed, \([0-9]*\) kept\.$/\3/p' <<<"$summary")"
[ -n "$migrated" ] && [ "$migrated" -gt 0 ] || fail "the first run migrated nothing: $summary"
[ "$first" -eq $([ "$failed" -gt 0 ] && echo 1 || echo 0) ] || fail "first run status $first for: $summary"
files="$(find "$appdata/Orbi/Presets/orbitrone" -type f | wc -l)"
[ "$files" -eq "$migrated" ] || fail "$migrated migrated but $files files written"
! find "$appdata/Orbi" -name '*.tmp' | grep -q . || fail "a temporary file stayed"
[ "$(tail -n 1 "$work/second.txt")" = "0 migrated, $failed failed, $((migrated + kept)) kept." ] ||
  fail "the second run did not keep everything: $(tail -n 1 "$work/second.txt")"
[ "$second" -eq "$first" ] || fail "second run status $second"
echo "windows-appdata-check: first run: $summary; second run: $(tail -n 1 "$work/second.txt")"

if [ -n "$native" ]; then
  "$native" --from "$appdata/Quillmark/Orbitrone/Presets" --to "$work/linux-root" >"$work/linux.txt" 2>/dev/null || true
  diff <(tail -n +3 "$work/linux.txt") <(tail -n +3 "$work/first.txt") >&2 ||
    fail "the Windows and Linux reports differ"
  diff -r "$work/linux-root/orbitrone" "$appdata/Orbi/Presets/orbitrone" >&2 ||
    fail "the Windows and Linux presets differ"
  echo "windows-appdata-check: same report lines and the same bytes as the Linux tool"

  # Paths of any length: the same corpus below a folder whose path alone is over 300 characters,
  # into a target as deep, migrated and then rerun by both tools.
  deep="$work/$(printf 'a-folder-with-a-rather-long-name-%02d/' $(seq 1 10))"
  mkdir -p "$deep"
  cp -r "$appdata/Quillmark/Orbitrone/Presets" "$deep/legacy"
  deep="${deep%/}"
  deep_win="Z:${deep//\//\\}"  # Wine's drive Z: is the Linux root
  [ "${#deep_win}" -gt 300 ] || fail "the deep folder is only ${#deep_win} characters long"
  for run in first second; do
    set +e
    "$wine" "$exe" --from "$deep_win\\legacy" --to "$deep_win\\root" >"$work/long-win.out" 2>"$work/long-win.err"
    "$native" --from "$deep/legacy" --to "$deep/linux-root" >"$work/long-linux.txt" 2>/dev/null
    set -e
    tr -d '\r' <"$work/long-win.out" >"$work/long-win.txt"
    [ "$(head -n 1 "$work/long-win.txt")" = "From $deep_win\\legacy" ] || fail "the deep run's header: $(head -n 1 "$work/long-win.txt")"
    [ "$run" = second ] || [ "$(tail -n 1 "$work/long-win.txt")" = "$summary" ] ||
      fail "the deep run did not migrate like the first: $(tail -n 1 "$work/long-win.txt")"
    diff <(tail -n +3 "$work/long-linux.txt") <(tail -n +3 "$work/long-win.txt") >&2 ||
      fail "the Windows and Linux reports differ for paths over 300 characters ($run run)"
    diff -r "$deep/linux-root/orbitrone" "$deep/root/orbitrone" >&2 ||
      fail "the Windows and Linux presets differ for paths over 300 characters ($run run)"
  done
  grep -q '^0 migrated' "$work/long-win.txt" || fail "the deep rerun migrated again: $(tail -n 1 "$work/long-win.txt")"
  echo "windows-appdata-check: paths over 300 characters: the same report and bytes as the Linux tool, twice"
fi
