#!/usr/bin/env bash
# The raster benchmarks, each beside the picture floor measured in the
# same run (a plain program that allocates one 4-byte-per-pixel canvas, paints every
# pixel and writes the padded 24-bit rows with one fwrite each, into the same directory).
#
#   image   fill and write a 16000 x 16000 24-bit RasterImage, painted pixel by pixel
#           through PixelAt, through MutableRow, and by the PaintAll fast path
#   render  a whole run of tlmaper on a generated save with 300 islands and 40 ships
#           spread over 0..10000 world units: a 20064 x 20064 canvas, a 1.2 GB bitmap
#
# Commands run in alternation, ROUNDS times, and before each one about a canvas worth of
# memory is touched (memory left idle on these machines is reclaimed and slow to touch
# again). Each output is deleted and the disk synced before the next command; neither
# this nor the touching is timed.
# Prints the median wall time with its range, the median user and system CPU times (the
# system time, page faults and page cache, varies most from run to run here), the peak
# resident memory, and the ratios.
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

# Memory left idle is reclaimed by the host and slow to touch again: before each timed
# command, touch (and free) about as much memory as the command will use.
TOUCH_BYTES=0
touch_memory() {
  python3 -c "import sys; b = bytearray(b'\\x01') * int(sys.argv[1]); del b" "$TOUCH_BYTES"
}

# measure LABEL COMMAND...: one timed run in $WORK; records
# "LABEL wall-seconds rss-KiB user-seconds system-seconds".
measure() {
  local label="$1"
  shift
  local start end
  touch_memory
  start=$(date +%s%N)
  (cd "$WORK" && /usr/bin/time -f "%M %U %S" -o "$WORK/usage" "$@" >/dev/null)
  end=$(date +%s%N)
  echo "$label $(((end - start) / 1000))e-6 $(cat "$WORK/usage")" >>"$RESULTS"
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
    label, wall, rss, user, system = line.split()
    runs.setdefault(label, []).append((float(wall), int(rss) * 1024, float(user), float(system)))
canvas = 4 * pixels
floor_wall = statistics.median(r[0] for r in runs[floor])
floor_user = statistics.median(r[2] for r in runs[floor])
print(f"\n{title}  (one 4-byte-per-pixel canvas: {canvas / 2**20:.0f} MiB)")
print(f"{'command':<24}{'runs':>5}{'wall s':>8}{'min-max s':>13}{'x floor':>9}"
      f"{'user s':>8}{'x floor':>9}{'sys s':>7}{'peak MiB':>10}{'x canvas':>10}")
for label, samples in runs.items():
    walls = [r[0] for r in samples]
    wall = statistics.median(walls)
    user = statistics.median(r[2] for r in samples)
    system = statistics.median(r[3] for r in samples)
    rss = max(r[1] for r in samples)
    print(f"{label:<24}{len(walls):>5}{wall:>8.3f}{min(walls):>6.2f}-{max(walls):<6.2f}"
          f"{wall / floor_wall:>9.2f}{user:>8.2f}{user / max(floor_user, 0.01):>9.2f}"
          f"{system:>7.2f}{rss / 2**20:>10.0f}{rss / canvas:>10.3f}")
PY
  : >"$RESULTS"
}

if [ "$WHICH" = image ] || [ "$WHICH" = all ]; then
  SIDE=16000
  TOUCH_BYTES=$((4 * SIDE * SIDE))
  measure "warm-up" "$BENCH/picture_floor" $SIDE $SIDE warm.bmp
  : >"$RESULTS"
  for ((round = 0; round < ROUNDS; round++)); do
    measure "picture-floor" "$BENCH/picture_floor" $SIDE $SIDE floor.bmp
    measure "image-pixelat" "$BENCH/raster_fill_write" $SIDE $SIDE image.bmp pixelat
    measure "picture-floor" "$BENCH/picture_floor" $SIDE $SIDE floor.bmp
    measure "image-rows" "$BENCH/raster_fill_write" $SIDE $SIDE image.bmp rows
    measure "image-paintall" "$BENCH/raster_fill_write" $SIDE $SIDE image.bmp fill
  done
  summary "image: fill and write $SIDE x $SIDE at 24 bits" $((SIDE * SIDE)) picture-floor
fi

if [ "$WHICH" = render ] || [ "$WHICH" = all ]; then
  SPAN=10000
  SIDE=$((2 * SPAN + 64))
  TOUCH_BYTES=$((4 * SIDE * SIDE))
  "$BENCH/render_make_save" 300 40 $SPAN "$WORK/world.xml"
  measure "warm-up" "$BENCH/picture_floor" $SIDE $SIDE warm.bmp
  : >"$RESULTS"
  for ((round = 0; round < ROUNDS; round++)); do
    measure "picture-floor" "$BENCH/picture_floor" $SIDE $SIDE floor.bmp
    measure "tlmaper-run" "$TOOL" world.xml
  done
  summary "render: whole run, 300 islands over 0..$SPAN, $SIDE x $SIDE canvas" \
    $((SIDE * SIDE)) picture-floor
fi
