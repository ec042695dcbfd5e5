#!/usr/bin/env bash
# Installs the page's npm packages into web/node_modules.
# Usage: install-web-packages.sh [run|test]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
MODE="${1:-run}"

# The page's npm packages, pinned by web/package-lock.json: Leaflet, which the build puts
# into the page, in both modes; the browser tests' tools in test mode. A copy of the
# lock file in node_modules marks a finished install of each kind, so a second run
# skips npm entirely.
command -v npm >/dev/null || bash "$ROOT/scripts/install-packages.sh" nodejs npm
WEB="$ROOT/web"
FULL_MARK="$WEB/node_modules/.installed-lock.json"
RUN_MARK="$WEB/node_modules/.installed-run-lock.json"
if [ "$MODE" = test ]; then
  if ! cmp -s "$WEB/package-lock.json" "$FULL_MARK"; then
    (cd "$WEB" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$WEB/package-lock.json" "$FULL_MARK"
  fi
elif ! cmp -s "$WEB/package-lock.json" "$FULL_MARK" &&
     ! cmp -s "$WEB/package-lock.json" "$RUN_MARK"; then
  (cd "$WEB" && npm ci --omit=dev --no-audit --no-fund --loglevel=error)
  cp "$WEB/package-lock.json" "$RUN_MARK"
fi
