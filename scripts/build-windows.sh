#!/usr/bin/env bash
# Cross-compiles the tool for 64-bit Windows on this Debian machine and packs it for
# players: build-windows/tlmaper.exe (static, stripped) and
# build-windows/tlmaper-<version>-windows-x64.zip (the exe, tlmaper-live.cmd, a README.txt
# and the built-in page template as template.example.html).
# Quick when everything is already in place.
# Usage: scripts/build-windows.sh
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build-windows"
TRIPLE=x86_64-w64-mingw32
TINYXML2_VERSION=9.0.0
TINYXML2="$BUILD/tinyxml2"  # the library built for Windows, installed here

# The cross-compiler, wine to run the exe in the tests, the build tools, and the JSON
# library's headers.
bash "$ROOT/scripts/install-packages.sh" --no-install-recommends \
  g++-mingw-w64-x86-64-posix wine64 wine cmake ninja-build nlohmann-json3-dev

# tinyxml2 for Windows, built from Debian's own source package (the same release and
# patches as the Linux build's libtinyxml2-dev).
build_tinyxml2() {
  local scratch="$BUILD/tinyxml2-source"
  local source
  source="$(bash "$ROOT/scripts/debian-source.sh" tinyxml2 "$scratch")"
  local version
  version="$(tr -d '\r' <"$source/tinyxml2.h" |
    sed -n 's/^#define TINYXML2_[A-Z]*_VERSION \([0-9]*\)$/\1/p' | paste -sd.)"
  if [ "$version" != "$TINYXML2_VERSION" ]; then
    echo "Debian's tinyxml2 source is release $version, not $TINYXML2_VERSION" >&2
    exit 1
  fi
  cmake -S "$source" -B "$scratch/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF -Dtinyxml2_BUILD_TESTING=OFF \
    -DCMAKE_INSTALL_PREFIX="$TINYXML2" >/dev/null
  cmake --build "$scratch/build"
  cmake --install "$scratch/build" >/dev/null
  rm -rf "$scratch"
}
[ -f "$TINYXML2/lib/libtinyxml2.a" ] || build_tinyxml2

# cpp-httplib, the same header as the Linux build's.
bash "$ROOT/scripts/fetch-httplib.sh"

# nlohmann-json, the headers of Debian's package that the Linux build uses, copied into
# build-deps/: the cross build takes nothing from the build machine's own /usr/include.
JSON="$ROOT/build-deps/nlohmann-json/include"
mkdir -p "$JSON"
cp -rp /usr/include/nlohmann "$JSON/"

# The tool itself. The page template is compiled in, with Leaflet from the page's npm
# packages, as in the Linux build. Where the test tools were installed beside Leaflet
# they are kept: a player's install would remove them.
WEB_PACKAGES=run
if [ -f "$ROOT/web/node_modules/.installed-lock.json" ] ||
   [ -d "$ROOT/web/node_modules/playwright-core" ]; then
  WEB_PACKAGES=test
fi
bash "$ROOT/scripts/install-web-packages.sh" "$WEB_PACKAGES"
cmake -S "$ROOT" -B "$BUILD/tool" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTLMAPER_WERROR=ON -DTLMAPER_TESTS=OFF \
  -DCMAKE_PREFIX_PATH="$TINYXML2" -DTLMAPER_JSON_INCLUDE_DIR="$JSON" >/dev/null
cmake --build "$BUILD/tool" --target tlmaper
"$TRIPLE-strip" -o "$BUILD/tlmaper.exe" "$BUILD/tool/src/driver/tlmaper.exe"

# The players' download: the exe, a README.txt with Windows line ends, and the built-in
# template under a name the tool never reads, for a player to copy to template.html.
PACKAGE="$BUILD/package"
rm -rf "$PACKAGE"
mkdir -p "$PACKAGE"
cp "$BUILD/tlmaper.exe" "$PACKAGE/"
VERSION="$(sed -n "s/^project(tlmaper VERSION \([0-9.]*\).*/\1/p" "$ROOT/CMakeLists.txt")"
sed -e "s/@VERSION@/$VERSION/" -e 's/$/\r/' "$ROOT/windows/README.txt" >"$PACKAGE/README.txt"
sed 's/$/\r/' "$ROOT/windows/tlmaper-live.cmd" >"$PACKAGE/tlmaper-live.cmd"
cp "$BUILD/tool/src/driver/template.html" "$PACKAGE/template.example.html"
ZIP="$BUILD/tlmaper-$VERSION-windows-x64.zip"
rm -f "$ZIP"
(cd "$PACKAGE" && cmake -E tar cf "$ZIP" --format=zip tlmaper.exe tlmaper-live.cmd README.txt \
  template.example.html)
echo "Built $BUILD/tlmaper.exe and $ZIP"
