#!/usr/bin/env bash
# Puts the HTTP library (cpp-httplib), whole in its one header, where every build of
# the tool finds it: build-deps/cpp-httplib/include/httplib.h. It comes from Debian's
# source package of the release below, patches and all, and is compiled into the tool
# without TLS or compression, so a run loads no library it never calls.
# Quick when the header is already there.
# Usage: scripts/fetch-httplib.sh
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
HTTPLIB_VERSION=0.11.4
TARGET="$ROOT/build-deps/cpp-httplib/include"
[ -f "$TARGET/httplib.h" ] && exit 0
scratch="$ROOT/build-deps/cpp-httplib-source"
source="$(bash "$ROOT/scripts/debian-source.sh" cpp-httplib "$scratch")"
if ! grep -qx "#define CPPHTTPLIB_VERSION \"$HTTPLIB_VERSION\"" "$source/httplib.h"; then
  echo "Debian's cpp-httplib source is not release $HTTPLIB_VERSION" >&2
  exit 1
fi
mkdir -p "$TARGET"
cp "$source/httplib.h" "$source/LICENSE" "$TARGET/"
rm -rf "$scratch"
