#!/usr/bin/env bash
# Sets everything up, builds, and runs every test suite.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$ROOT/scripts/setup.sh" test
ctest --test-dir "$ROOT/build" --output-on-failure -j2
echo "All tests passed."
