#!/usr/bin/env bash
# Installs those of the given Debian packages that are not installed yet (as root, or
# through sudo). Options before the packages go to apt-get install.
# Usage: install-packages.sh [--no-install-recommends] package...
set -euo pipefail
options=()
while [ "$#" -gt 0 ] && [ "${1#-}" != "$1" ]; do
  options+=("$1")
  shift
done
missing=()
for package in "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${options[@]}" \
    "${missing[@]}" >/dev/null
fi
