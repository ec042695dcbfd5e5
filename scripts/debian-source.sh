#!/usr/bin/env bash
# Unpacks Debian's source package PACKAGE (the release this machine's package lists
# name, Debian's patches applied) under SCRATCH/src and prints its one directory.
# Source lists are enabled only for this download, in a scratch copy of the system's
# own sources files: nothing under /etc changes and no mirror is named here.
# Usage: debian-source.sh PACKAGE SCRATCH
set -euo pipefail
package="$1" scratch="$2"
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# dpkg-source unpacks the package and applies its patches.
bash "$ROOT/scripts/install-packages.sh" --no-install-recommends dpkg-dev >&2
rm -rf "$scratch"
mkdir -p "$scratch/sources.list.d" "$scratch/lists/partial" "$scratch/cache/archives/partial" \
  "$scratch/src"
found=0
for sources in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$sources" ] || continue
  sed -n 's/^deb \(.*\)$/deb-src \1/p' "$sources" >"$scratch/sources.list.d/$(basename "$sources")"
  found=1
done
for sources in /etc/apt/sources.list.d/*.sources; do
  [ -f "$sources" ] || continue
  sed 's/^Types:.*$/Types: deb-src/' "$sources" >"$scratch/sources.list.d/$(basename "$sources")"
  found=1
done
[ "$found" = 1 ] || { echo "No apt sources file to take the source lists from" >&2; exit 1; }
apt=(apt-get -qq -o Dir::Etc::SourceList=/dev/null
  -o "Dir::Etc::SourceParts=$scratch/sources.list.d" -o "Dir::State::Lists=$scratch/lists"
  -o "Dir::Cache=$scratch/cache" -o "APT::Sandbox::User=$(id -un)")
"${apt[@]}" update >&2
(cd "$scratch/src" && "${apt[@]}" source "$package" >/dev/null)
find "$scratch/src" -mindepth 1 -maxdepth 1 -type d -name "$package-*"
