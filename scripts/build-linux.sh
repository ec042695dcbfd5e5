#!/usr/bin/env bash
# Builds the tool for 64-bit Linux and packs it for players, from the same files that
# `cmake --install` puts in place: build-linux/tlmaper_<version>_amd64.deb (Debian's
# package, its Depends worked out from what the binary links) and
# build-linux/tlmaper-<version>-linux-x64.tar.gz (bin/, share/man/, share/doc/).
# Quick when everything is already in place.
# Usage: scripts/build-linux.sh
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build-linux"

# The build tools, and dpkg-dev and file for CPack to work out the package's Depends.
bash "$ROOT/scripts/install-packages.sh" g++ cmake ninja-build libtinyxml2-dev nlohmann-json3-dev \
  dpkg-dev file
bash "$ROOT/scripts/fetch-httplib.sh"
# Leaflet for the page built into the tool (kept as it is where the test tools were
# installed beside it).
bash "$ROOT/scripts/install-web-packages.sh" run

# Built as Debian builds its own packages: hardened, and with a read-only relocation
# table bound at start.
cmake -S "$ROOT" -B "$BUILD/tool" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTLMAPER_WERROR=ON \
  -DTLMAPER_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now" >/dev/null
cmake --build "$BUILD/tool"
(cd "$BUILD/tool" && cpack -B "$BUILD/cpack" >"$BUILD/cpack.log" 2>&1) ||
  { cat "$BUILD/cpack.log" >&2; exit 1; }
VERSION="$(sed -n "s/^project(tlmaper VERSION \([0-9.]*\).*/\1/p" "$ROOT/CMakeLists.txt")"
DEB="$BUILD/tlmaper_${VERSION}_amd64.deb"
TARBALL="$BUILD/tlmaper-$VERSION-linux-x64.tar.gz"
mv "$BUILD/cpack/$(basename "$DEB")" "$DEB"
mv "$BUILD/cpack/$(basename "$TARBALL")" "$TARBALL"
rm -rf "$BUILD/cpack"
echo "Built $DEB and $TARBALL"
