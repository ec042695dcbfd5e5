#!/usr/bin/env bash
# Sets everything up, builds, and maps a save: the bundled example, or the save given.
# Usage: scripts/run.sh [path/to/save.xml]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$ROOT/scripts/setup.sh" run
SAVE="${1:-$ROOT/examples/saltmere.xml}"
"$ROOT/build/src/driver/tlmaper" "$SAVE"
echo "Done: the map (.bmp) and the page (.html, open it in a browser) are beside $SAVE"
