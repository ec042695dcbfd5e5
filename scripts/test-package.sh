#!/usr/bin/env bash
# Builds the Linux package and tarball (scripts/build-linux.sh) and checks them as a
# player's machine would see them: lintian finds no error, apt can satisfy the
# package's Depends, the tarball holds the package's files, and the tool unpacked into
# a scratch root links no library it never calls, says its version, maps the example
# and has a man page that renders.
# Usage: scripts/test-package.sh
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$ROOT/scripts/install-packages.sh" --no-install-recommends lintian man-db
bash "$ROOT/scripts/build-linux.sh"
VERSION="$(sed -n "s/^project(tlmaper VERSION \([0-9.]*\).*/\1/p" "$ROOT/CMakeLists.txt")"
DEB="$ROOT/build-linux/tlmaper_${VERSION}_amd64.deb"
TARBALL="$ROOT/build-linux/tlmaper-$VERSION-linux-x64.tar.gz"
SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
fail() { echo "Package check failed: $*" >&2; exit 1; }

# lintian as root says so on every run; that line is no finding.
status=0
lintian --fail-on error "$DEB" >"$SCRATCH/lintian.txt" 2>&1 || status=$?
grep -v "running with root privileges" "$SCRATCH/lintian.txt" || true
[ "$status" -eq 0 ] || fail "lintian reports errors"
apt-get install --simulate -qq "$DEB" >/dev/null || fail "apt cannot satisfy the Depends line"

ROOTFS="$SCRATCH/root"
dpkg -x "$DEB" "$ROOTFS"
diff <(cd "$ROOTFS/usr" && find . -type f | sort) \
  <(tar tzf "$TARBALL" | sed -n "s|^tlmaper-$VERSION-linux-x64/|./|p" | grep -v '/$' | sort) ||
  fail "the tarball's files differ from the package's"

TOOL="$ROOTFS/usr/bin/tlmaper"
if ldd "$TOOL" | grep -E 'libssl|libcrypto|libz\.|brotli'; then
  fail "the tool links a TLS or compression library"
fi
[ "$("$TOOL" --version)" = "Tidelorn Mapper v$VERSION" ] || fail "--version is not $VERSION"
mkdir "$SCRATCH/work"
cp "$ROOTFS/usr/share/doc/tlmaper/saltmere.xml" "$SCRATCH/work/"
(cd "$SCRATCH/work" && "$TOOL" saltmere.xml) || fail "the example was not mapped"
[ -s "$SCRATCH/work/saltmere.bmp" ] && [ -s "$SCRATCH/work/saltmere.html" ] ||
  fail "the example's map or page is missing"
# The tarball, unpacked and run as the README says.
(cd "$SCRATCH/work" && tar xzf "$TARBALL" && "tlmaper-$VERSION-linux-x64/bin/tlmaper" saltmere.xml) ||
  fail "the tarball's tool did not map the example"
# The README names the files of this version.
for name in "$(basename "$DEB")" "$(basename "$TARBALL")"; do
  grep -q "$name" "$ROOT/README.md" || fail "README.md does not name $name"
done
MANPAGE="$(MANPATH="$ROOTFS/usr/share/man" MANWIDTH=80 man --warnings tlmaper 2>"$SCRATCH/man.err")" ||
  fail "man tlmaper does not render"
[ ! -s "$SCRATCH/man.err" ] || { cat "$SCRATCH/man.err" >&2; fail "man warns about the page"; }
grep -q "^SYNOPSIS" <<<"$MANPAGE" || fail "the man page has no synopsis"
echo "Package checked: $DEB ($(dpkg-deb -f "$DEB" Depends))"
