"""Shared by the peer scripts: the rectangles that the tool paints for a save.

A record at world (x, y) covers columns 2x-4..2x+4 and rows 2y-4..2y+4, each end
moved into the canvas; a run whose two ends land on the same column paints nothing.
"""
import xml.etree.ElementTree as ElementTree

BACKGROUND = (50, 50, 255)
ISLAND = (255, 255, 0)
SHIP = (255, 0, 0)


def _clamp(value, high):
    return max(0, min(value, high))


def _rectangle(x, y, width, height):
    x0, x1 = _clamp(2 * x - 4, width - 1), _clamp(2 * x + 4, width - 1)
    if x0 == x1:
        return None
    return (x0, _clamp(2 * y - 4, height - 1), x1, _clamp(2 * y + 4, height - 1))


def read_picture(save_path):
    """(width, height, [(colour, (x0, y0, x1, y1)), ...]) in painting order."""
    root = ElementTree.parse(save_path).getroot()
    islands = [(int(e.get("X")), int(e.get("Y"))) for e in root.find("Islands").iter("IslandData")]
    ships = []
    for e in root.find("MapShips").iter("MapShip"):
        x, y = e.get("location").strip("()").replace(" ", "").split(",")
        ships.append((int(x), int(y)))
    xs, ys = [x for x, _ in islands], [y for _, y in islands]
    width, height = (max(xs) - min(xs)) * 2 + 64, (max(ys) - min(ys)) * 2 + 64
    shapes = []
    for colour, records in ((ISLAND, islands), (SHIP, ships)):
        for x, y in records:
            rectangle = _rectangle(x, y, width, height)
            if rectangle:
                shapes.append((colour, rectangle))
    return width, height, shapes
