#!/usr/bin/env bash
# Installs what the tool needs and builds it. Sourced by run.sh and test.sh.
# Usage: setup.sh [run|test]   ("test" also installs what the test suites use)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
MODE="${1:-run}"

RUN_PACKAGES=(g++ cmake ninja-build libtinyxml2-dev)
TEST_PACKAGES=(libgtest-dev clang libclang-rt-14-dev valgrind imagemagick python3-pil chromium nodejs)

install_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

install_packages "${RUN_PACKAGES[@]}"
if [ "$MODE" = test ]; then
  install_packages "${TEST_PACKAGES[@]}"
fi

# The browser test's npm packages, pinned by web/package-lock.json. A copy of the lock
# file in node_modules marks a finished install, so a second run skips npm entirely.
if [ "$MODE" = test ]; then
  command -v npm >/dev/null || install_packages npm
  WEB="$ROOT/web"
  if ! cmp -s "$WEB/package-lock.json" "$WEB/node_modules/.installed-lock.json"; then
    (cd "$WEB" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$WEB/package-lock.json" "$WEB/node_modules/.installed-lock.json"
  fi
fi

BUILD="$ROOT/build"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTLMAPER_WERROR=ON \
  -DTLMAPER_TESTS="$([ "$MODE" = test ] && echo ON || echo OFF)" >/dev/null
cmake --build "$BUILD"
