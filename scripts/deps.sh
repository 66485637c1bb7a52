#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test packages is missing. Sourced by the
# other scripts; does nothing when everything is already there.
orbi_install_deps() {
  local wanted=(cmake ninja-build g++ nlohmann-json3-dev libgtest-dev libbenchmark-dev zlib1g-dev libssl-dev
                python3 zip unzip "$@")
  local missing=()
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq || return 1
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
  fi
}

# The Windows cross build and its test runner: MinGW-w64 (posix threads), zlib for that target,
# GoogleTest's sources and Wine. Non-zero when they cannot be had.
orbi_install_windows_deps() {
  orbi_install_deps g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine64 >/dev/null 2>&1 || return 1
  command -v x86_64-w64-mingw32-g++-posix >/dev/null && orbi_wine >/dev/null
}

# Wine's loader: Debian's wine64 package keeps it outside PATH.
orbi_wine() {
  local w
  for w in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
    if [ -n "$w" ] && [ -x "$w" ]; then echo "$w"; return 0; fi
  done
  return 1
}

# The Wine server beside that loader, or on PATH.
orbi_wineserver() {
  local s
  for s in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver "$(command -v wineserver || true)"; do
    if [ -n "$s" ] && [ -x "$s" ]; then echo "$s"; return 0; fi
  done
  return 1
}
