#!/usr/bin/env python3
"""Times whole runs of the tool against the tool built from an earlier commit.

Builds this checkout into build-bench/ and the given commit (exported with git archive,
using this checkout's web/node_modules) into build-bench-commit/COMMIT/, then maps the example
save and the 300-island benchmark save with both binaries in alternation, each command
once per round, and prints the median wall time of each and the ratio. Whole-process
time: loading the binary and its libraries counts, as it does for a player.

Usage: bench/compare_commit.py COMMIT [--rounds N]
Works in a scratch directory that it removes.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PYTHON = "/usr/bin/python3"


def build(source, build_dir):
    subprocess.run(["cmake", "-S", source, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DTLMAPER_TESTS=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "--target", "tlmaper"], check=True,
                   stdout=subprocess.DEVNULL)
    return os.path.join(build_dir, "src", "driver", "tlmaper")


def export_commit(commit, target):
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target)
    archive = subprocess.run(["git", "-C", ROOT, "archive", commit], check=True, stdout=subprocess.PIPE)
    subprocess.run(["tar", "-x", "-C", target], input=archive.stdout, check=True)
    os.symlink(os.path.join(ROOT, "web", "node_modules"), os.path.join(target, "web", "node_modules"))


def timed(command, cwd):
    start = time.perf_counter()
    result = subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"failed ({result.returncode}): {' '.join(command)}")
    return wall


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("commit")
    parser.add_argument("--rounds", type=int, default=41)
    args = parser.parse_args()
    commit_root = os.path.join(ROOT, "build-bench-commit", args.commit)
    export_commit(args.commit, os.path.join(commit_root, "source"))
    tools = {"this checkout": build(ROOT, os.path.join(ROOT, "build-bench")),
             args.commit: build(os.path.join(commit_root, "source"), os.path.join(commit_root, "build"))}
    with tempfile.TemporaryDirectory() as work:
        shutil.copy(os.path.join(ROOT, "examples", "saltmere.xml"), work)
        subprocess.run(["node", os.path.join(ROOT, "web", "tests", "worlds.mjs"), "uniform", "300", "40", "400",
                        os.path.join(work, "bench300.xml")], check=True)
        for save in ("saltmere.xml", "bench300.xml"):
            samples = {name: [] for name in tools}
            for round_number in range(args.rounds):
                order = list(tools) if round_number % 2 == 0 else list(reversed(tools))
                for name in order:
                    samples[name].append(timed([tools[name], save], work))
            medians = {name: statistics.median(walls) for name, walls in samples.items()}
            print(f"\n{save}, {args.rounds} rounds alternated")
            print("| build | median ms | spread ms |")
            print("|---|---|---|")
            for name, walls in samples.items():
                print(f"| {name} | {medians[name] * 1000:.1f} | {min(walls) * 1000:.1f}-{max(walls) * 1000:.1f} |")
            ratio = medians["this checkout"] / medians[args.commit]
            print(f"this checkout / {args.commit} = {ratio:.2f}")


if __name__ == "__main__":
    main()
