#!/usr/bin/env bash
# Installs what the tool needs and builds it. Sourced by run.sh and test.sh.
# Usage: setup.sh [run|test]   ("test" also installs what the test suites use)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
MODE="${1:-run}"

RUN_PACKAGES=(g++ cmake ninja-build libtinyxml2-dev nlohmann-json3-dev)
TEST_PACKAGES=(libgtest-dev clang libclang-rt-14-dev valgrind imagemagick python3-pil chromium nodejs)

install_packages() {
  bash "$ROOT/scripts/install-packages.sh" "$@"
}

install_packages "${RUN_PACKAGES[@]}"
if [ "$MODE" = test ]; then
  install_packages "${TEST_PACKAGES[@]}"
fi

# The HTTP library's header, built into the tool.
bash "$ROOT/scripts/fetch-httplib.sh"

# The page's npm packages (Leaflet, and in test mode the browser tests' tools).
bash "$ROOT/scripts/install-web-packages.sh" "$MODE"

BUILD="$ROOT/build"
# The run mode leaves the tests of a build set up for them in place.
TESTS=()
if [ "$MODE" = test ]; then
  TESTS=(-DTLMAPER_TESTS=ON)
elif [ ! -f "$BUILD/CMakeCache.txt" ]; then
  TESTS=(-DTLMAPER_TESTS=OFF)
fi
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTLMAPER_WERROR=ON \
  "${TESTS[@]}" >/dev/null
cmake --build "$BUILD"
