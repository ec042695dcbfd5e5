#!/usr/bin/env bash
# Sets everything up, builds, and runs every test suite: the linter over the page's
# scripts, the unit and whole-run tests, the README's commands, the Linux package's build
# and install check, the same tests under AddressSanitizer + UndefinedBehaviorSanitizer,
# one run under valgrind, a short run of each fuzzer, and the Windows build's whole-run
# tests under wine.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
FUZZ_SECONDS="${FUZZ_SECONDS:-50}"
bash "$ROOT/scripts/setup.sh" test

echo "== The page's scripts and tests under the linter"
(cd "$ROOT/web" && node node_modules/eslint/bin/eslint.js --max-warnings 0 .)

echo "== Tests"
ctest --test-dir "$ROOT/build" --output-on-failure -j2

echo "== The README's commands for a source checkout"
SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
cp "$ROOT/examples/saltmere.xml" "$SCRATCH/"
bash "$ROOT/scripts/run.sh"
bash "$ROOT/scripts/run.sh" "$SCRATCH/saltmere.xml"
[ -s "$SCRATCH/saltmere.bmp" ] && [ -s "$SCRATCH/saltmere.html" ]

echo "== The Linux package: built, checked by lintian, unpacked and run"
bash "$ROOT/scripts/test-package.sh"

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$ROOT" -B "$ROOT/build-asan" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTLMAPER_SANITIZE=ON -DTLMAPER_WERROR=ON >/dev/null
cmake --build "$ROOT/build-asan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir "$ROOT/build-asan" --output-on-failure -j2

echo "== One run under valgrind"
(cd "$SCRATCH" && valgrind -q --error-exitcode=99 --leak-check=full --show-leak-kinds=all \
  --errors-for-leak-kinds=all "$ROOT/build/src/driver/tlmaper" saltmere.xml)

echo "== Fuzzers, ${FUZZ_SECONDS}s each"
cmake -S "$ROOT" -B "$ROOT/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTLMAPER_FUZZ=ON -DTLMAPER_TESTS=OFF >/dev/null
cmake --build "$ROOT/build-fuzz"
for target in save text run notes; do
  corpus="$SCRATCH/corpus-$target"
  mkdir -p "$corpus"
  # The whole run is fed saves, as the save reader is.
  inputs="$([ "$target" = run ] && echo save || echo "$target")"
  seeds="$ROOT/fuzz/corpus/$inputs"
  dict=(-dict="$ROOT/fuzz/$inputs.dict")
  (cd "$SCRATCH" && "$ROOT/build-fuzz/fuzz/fuzz_$target" "${dict[@]}" -max_total_time="$FUZZ_SECONDS" \
    -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$SCRATCH/" "$corpus" "$seeds" \
    2>&1 | grep -E "^(stat::number_of_executed_units|stat::peak_rss|#[0-9]+ *DONE)|ERROR|SUMMARY" || true)
  if ls "$SCRATCH"/crash-* "$SCRATCH"/leak-* "$SCRATCH"/timeout-* >/dev/null 2>&1; then
    echo "Fuzzer $target found a failing input:"; ls "$SCRATCH"/crash-* "$SCRATCH"/leak-* "$SCRATCH"/timeout-* 2>/dev/null
    exit 1
  fi
done
echo "== The Windows build, its whole-run tests and its page under wine"
bash "$ROOT/scripts/build-windows.sh"
cmake -S "$ROOT" -B "$ROOT/build-win" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTLMAPER_WERROR=ON \
  -DTLMAPER_WINDOWS_EXE="$ROOT/build-windows/tlmaper.exe" >/dev/null
cmake --build "$ROOT/build-win"
# The tests start wine in a prefix under build-win; its wineserver is stopped at the end.
trap 'rm -rf "$SCRATCH"; WINEPREFIX="$ROOT/build-win/tests/wine-prefix" wineserver -k 2>/dev/null || true' EXIT
# The GoogleTest cases (named Suite.Case; those that start the tool start the exe), the
# exe's page in the browser, and the live map served by the exe.
ctest --test-dir "$ROOT/build-win" --output-on-failure -j2 --timeout 300 \
  -R '\.|^windows_page_browser$|^live_'
echo "All tests passed."
