#!/usr/bin/env python3
"""Writes a deterministic save file for the benchmarks.

Two islands are pinned at (0, 0) and (span, span), so the canvas is always
(2 * span + 64) pixels square; the rest are spread over 0..span. A few ships lie
outside the islands' extent so that clamping is exercised.

Usage: generate_save.py ISLANDS SHIPS SPAN OUTPUT
"""
import sys


def lcg(seed):
    state = seed
    while True:
        state = (state * 6364136223846793005 + 1442695040888963407) % (1 << 64)
        yield state >> 33


def main():
    islands, ships, span, output = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    rand = lcg(20261210)
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             '<TidelornSaveFile Version="3">',
             f'  <PlayerData X="{span // 2}" Y="{span // 2}" WorldName="Bench Reach {islands}" />',
             '  <Islands>']
    positions = [(0, 0), (span, span)]
    positions += [(next(rand) % (span + 1), next(rand) % (span + 1)) for _ in range(islands - 2)]
    for i, (x, y) in enumerate(positions):
        name = f"Isle {i}" if i % 50 else f"Pirate's Cove &amp; &quot;{i}&quot;"
        kind = "Town" if i % 7 == 0 else "Wild"
        explored = "True" if i % 3 == 0 else "False"
        lines.append(f'    <IslandData Name="{name}&#xD;&#xA;" X="{x}" Y="{y}" '
                     f'Difficulty="{next(rand) % 15}" Explored="{explored}" IslandType="{kind}" />')
    lines += ['  </Islands>', '  <MapShips>']
    for i in range(ships):
        if i % 10 == 0:  # outside the islands' extent, on every side in turn
            x = [-40, span + 40, span // 3, span // 2][i // 10 % 4]
            y = [span // 4, span // 5, -30, span + 30][i // 10 % 4]
        else:
            x, y = next(rand) % (span + 1), next(rand) % (span + 1)
        lines.append(f'    <MapShip location="({x}, {y})" dificulty="{next(rand) % 20}" />')
    lines += ['  </MapShips>', '</TidelornSaveFile>', '']
    with open(output, "w", encoding="utf-8") as out:
        out.write("\n".join(lines))


if __name__ == "__main__":
    main()
