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
