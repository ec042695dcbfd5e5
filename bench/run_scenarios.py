#!/usr/bin/env python3
"""Times whole runs of the tool beside its floors and two peers, in one run.

For each scenario it generates a save, then runs every command several times in
alternation, touching about a canvas worth of memory before each timed command (memory
left idle is reclaimed and slow to touch again). It prints the median wall time with
its spread, the peak resident memory, and the ratios the tool is held to. On the first
round the peers' pixel bytes are checked equal to the tool's.

Usage: bench/run_scenarios.py [--rounds N] [--only S1,S2,S3]
Builds into build-bench/ and works in a scratch directory that it removes.
"""
import argparse
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BENCH = os.path.join(ROOT, "bench")
BUILD = os.path.join(ROOT, "build-bench")
PYTHON = "/usr/bin/python3"  # the interpreter that Debian's Pillow belongs to

SCENARIOS = {
    "S1": ("many islands", 200000, 20000, 2000),
    "S2": ("huge canvas", 200, 20, 10000),
    "S3": ("typical", 300, 40, 400),
}


def build():
    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DTLMAPER_BENCH=ON", "-DTLMAPER_TESTS=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "--target", "tlmaper", "picture_floor", "parse_floor"],
                   check=True, stdout=subprocess.DEVNULL)


def binary(*parts):
    return os.path.join(BUILD, *parts)


def touch_memory(size):
    block = bytearray(b"\x01") * size
    del block


def timed(command, cwd):
    """(wall seconds, peak RSS in bytes) of one run of the command and its children.

    The peak memory comes from /usr/bin/time: a child forked straight from this large
    process would count this process's memory as its own."""
    rss_file = os.path.join(cwd, "rss.txt")
    start = time.perf_counter()
    result = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss_file] + command, cwd=cwd,
                            stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"failed ({result.returncode}): {' '.join(command)}")
    with open(rss_file) as rss:
        return wall, int(rss.read().split()[-1]) * 1024


def pixel_bytes(path):
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    return (width, height), data[offset:]


def commands(work, save, side):
    out = lambda name: os.path.join(work, name)
    canvas_bytes = side * side * 3 + (-side * 3 % 4) * side + 54
    return {
        "tool": [binary("src", "driver", "tlmaper"), save],
        "picture floor": [binary("bench", "picture_floor"), str(side), str(side), out("floor.bmp")],
        "parse floor": [binary("bench", "parse_floor"), save],
        "Pillow": [PYTHON, os.path.join(BENCH, "peer_pillow.py"), save, out("pillow.bmp")],
        "ImageMagick": [PYTHON, os.path.join(BENCH, "peer_magick.py"), save, out("magick.bmp")],
        "dd": ["dd", "if=/dev/zero", f"of={out('dd.bmp')}", "bs=1M",
               f"count={canvas_bytes >> 20}", "status=none"],
    }


def check_peers(work):
    tool = pixel_bytes(os.path.join(work, "world.bmp"))
    for peer in ("pillow", "magick"):
        if pixel_bytes(os.path.join(work, f"{peer}.bmp")) != tool:
            sys.exit(f"{peer}: pixel bytes differ from the tool's")


def remove_outputs(work):
    for name in os.listdir(work):
        if name.endswith((".bmp", ".html")):
            os.unlink(os.path.join(work, name))


def run_scenario(key, rounds, work):
    title, islands, ships, span = SCENARIOS[key]
    save = os.path.join(work, "world.xml")
    subprocess.run(["node", os.path.join(BENCH, "..", "web", "tests", "worlds.mjs"), "uniform",
                    str(islands), str(ships), str(span), save], check=True)
    side = 2 * span + 64
    runs = commands(work, save, side)
    samples = {name: [] for name in runs}
    for round_number in range(rounds):
        order = list(runs) if round_number % 2 == 0 else list(reversed(runs))
        for name in order:
            touch_memory(side * side * 4)
            os.sync()  # earlier outputs still being written back would slow this one
            samples[name].append(timed(runs[name], work))
        if round_number == 0:
            check_peers(work)
        remove_outputs(work)
    os.unlink(save)
    return title, side, samples


def median(values):
    return statistics.median(values)


def report(key, title, side, samples):
    wall = {name: median([w for w, _ in runs]) for name, runs in samples.items()}
    rss = {name: max(r for _, r in runs) for name, runs in samples.items()}
    print(f"\n{key} {title}: canvas {side} x {side}")
    print(f"| command | median s | spread s | peak RSS MB |")
    print(f"|---|---|---|---|")
    for name, runs in samples.items():
        walls = [w for w, _ in runs]
        print(f"| {name} | {wall[name]:.3f} | {min(walls):.3f}-{max(walls):.3f} | {rss[name] / 2**20:.0f} |")
    tool = wall["tool"]
    canvas = side * side * 4
    print(f"tool / (parse floor + picture floor) = {tool / (wall['parse floor'] + wall['picture floor']):.2f}")
    print(f"tool / picture floor = {tool / wall['picture floor']:.2f}")
    print(f"tool peak RSS / one 4-byte canvas = {rss['tool'] / canvas:.2f}")
    print(f"Pillow / tool = {wall['Pillow'] / tool:.1f}x, ImageMagick / tool = {wall['ImageMagick'] / tool:.1f}x")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--only", default="S1,S2,S3")
    args = parser.parse_args()
    build()
    work = tempfile.mkdtemp(prefix="scenarios-", dir=BUILD)
    try:
        for key in args.only.split(","):
            report(key, *run_scenario(key, args.rounds, work))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
