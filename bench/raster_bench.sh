#!/usr/bin/env bash
# The raster benchmarks of issues 3 and 4, each beside the picture floor measured in the
# same run (a plain program that allocates one 4-byte-per-pixel canvas, paints every
# pixel and writes the padded 24-bit rows with one fwrite each, into the same directory).
#
#   image   fill and write a 16000 x 16000 24-bit RasterImage, painted pixel by pixel
#           through PixelAt, through MutableRow, and by the PaintAll fast path
#   render  a whole run of tlmaper on a generated save with 300 islands and 40 ships
#           spread over 0..10000 world units: a 20064 x 20064 canvas, a 1.2 GB bitmap
#
# Commands run in alternation, ROUNDS times (memory left idle on these machines is
# reclaimed and slow to touch again, so no command always runs after another). Each
# output is deleted and the disk synced before the next command, outside the timing.
# Prints the median wall time with its range, the peak resident memory, and the ratios.
#
# Usage: bench/raster_bench.sh [image|render|all] [ROUNDS]   (default: all 5)
# Builds into build-raster-bench/ (override with BUILD=...), works in a scratch
# directory under $TMPDIR (or /tmp) that it removes. Not part of the test command.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WHICH="${1:-all}"
ROUNDS="${2:-5}"
BUILD="${BUILD:-$ROOT/build-raster-bench}"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTLMAPER_BENCH=ON \
  -DTLMAPER_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target tlmaper picture_floor raster_fill_write render_make_save \
  >/dev/null
TOOL="$BUILD/src/driver/tlmaper"
BENCH="$BUILD/bench"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/raster-bench.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
RESULTS="$WORK/results"
: >"$RESULTS"

# measure LABEL COMMAND...: one timed run in $WORK; records "LABEL seconds rss-KiB".
measure() {
  local label="$1"
  shift
  local start end
  start=$(date +%s%N)
  (cd "$WORK" && /usr/bin/time -f "%M" -o "$WORK/rss" "$@" >/dev/null)
  end=$(date +%s%N)
  echo "$label $(((end - start) / 1000))e-6 $(cat "$WORK/rss")" >>"$RESULTS"
  rm -f "$WORK"/*.bmp "$WORK"/*.html
  sync
}

# summary SECTION-TITLE CANVAS-PIXELS FLOOR-LABEL: medians and ratios of every label.
summary() {
  local title="$1" pixels="$2" floor="$3"
  python3 - "$RESULTS" "$title" "$pixels" "$floor" <<'PY'
import statistics, sys
path, title, pixels, floor = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
runs = {}
for line in open(path):
    label, seconds, rss = line.split()
    runs.setdefault(label, []).append((float(seconds), int(rss) * 1024))
canvas = 4 * pixels
floor_median = statistics.median(s for s, _ in runs[floor])
print(f"\n{title}  (one 4-byte-per-pixel canvas: {canvas / 2**20:.0f} MiB)")
print(f"{'command':<28}{'runs':>5}{'median s':>10}{'min-max s':>16}{'x floor':>9}"
      f"{'peak RSS MiB':>14}{'x canvas':>10}")
for label, samples in runs.items():
    times = [s for s, _ in samples]
    rss = max(r for _, r in samples)
    median = statistics.median(times)
    print(f"{label:<28}{len(times):>5}{median:>10.3f}{min(times):>8.3f}-{max(times):<7.3f}"
          f"{median / floor_median:>9.2f}{rss / 2**20:>14.0f}{rss / canvas:>10.3f}")
PY
  : >"$RESULTS"
}

if [ "$WHICH" = image ] || [ "$WHICH" = all ]; then
  SIDE=16000
  measure "warm-up" "$BENCH/picture_floor" $SIDE $SIDE warm.bmp
  : >"$RESULTS"
  for ((round = 0; round < ROUNDS; round++)); do
    measure "picture-floor" "$BENCH/picture_floor" $SIDE $SIDE floor.bmp
    measure "image-pixelat+write" "$BENCH/raster_fill_write" $SIDE $SIDE image.bmp pixelat
    measure "picture-floor" "$BENCH/picture_floor" $SIDE $SIDE floor.bmp
    measure "image-rows+write" "$BENCH/raster_fill_write" $SIDE $SIDE image.bmp rows
    measure "image-paintall+write" "$BENCH/raster_fill_write" $SIDE $SIDE image.bmp fill
  done
  summary "image: fill and write $SIDE x $SIDE at 24 bits" $((SIDE * SIDE)) picture-floor
fi

if [ "$WHICH" = render ] || [ "$WHICH" = all ]; then
  SPAN=10000
  SIDE=$((2 * SPAN + 64))
  "$BENCH/render_make_save" 300 40 $SPAN "$WORK/world.xml"
  measure "warm-up" "$BENCH/picture_floor" $SIDE $SIDE warm.bmp
  : >"$RESULTS"
  for ((round = 0; round < ROUNDS; round++)); do
    measure "picture-floor" "$BENCH/picture_floor" $SIDE $SIDE floor.bmp
    measure "tlmaper-whole-run" "$TOOL" world.xml
  done
  summary "render: whole run, 300 islands over 0..$SPAN, $SIDE x $SIDE canvas" \
    $((SIDE * SIDE)) picture-floor
fi
