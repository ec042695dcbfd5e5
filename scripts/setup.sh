#!/usr/bin/env bash
# Installs what the tool needs and builds it. Sourced by run.sh and test.sh.
# Usage: setup.sh [run|test]   ("test" also installs what the test suites use)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
MODE="${1:-run}"

RUN_PACKAGES=(g++ cmake ninja-build libtinyxml2-dev)
TEST_PACKAGES=(libgtest-dev clang libclang-rt-14-dev valgrind imagemagick python3-pil chromium nodejs)

install_packages() {
  bash "$ROOT/scripts/install-packages.sh" "$@"
}

install_packages "${RUN_PACKAGES[@]}"
if [ "$MODE" = test ]; then
  install_packages "${TEST_PACKAGES[@]}"
fi

# The page's npm packages, pinned by web/package-lock.json: Leaflet, which the build puts
# into the page, in both modes; the browser tests' tools in test mode. A copy of the
# lock file in node_modules marks a finished install of each kind, so a second run
# skips npm entirely.
command -v npm >/dev/null || install_packages nodejs npm
WEB="$ROOT/web"
FULL_MARK="$WEB/node_modules/.installed-lock.json"
RUN_MARK="$WEB/node_modules/.installed-run-lock.json"
if [ "$MODE" = test ]; then
  if ! cmp -s "$WEB/package-lock.json" "$FULL_MARK"; then
    (cd "$WEB" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$WEB/package-lock.json" "$FULL_MARK"
  fi
elif ! cmp -s "$WEB/package-lock.json" "$FULL_MARK" &&
     ! cmp -s "$WEB/package-lock.json" "$RUN_MARK"; then
  (cd "$WEB" && npm ci --omit=dev --no-audit --no-fund --loglevel=error)
  cp "$WEB/package-lock.json" "$RUN_MARK"
fi

BUILD="$ROOT/build"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTLMAPER_WERROR=ON \
  -DTLMAPER_TESTS="$([ "$MODE" = test ] && echo ON || echo OFF)" >/dev/null
cmake --build "$BUILD"
