#!/usr/bin/env bash
# Installs what the Windows cross-build and its test run need on a Debian
# machine, and fetches TinyXML-2's Debian source package into
# build/windows-deps/tinyxml2.
#
# What it changes on the machine: it installs the Debian packages listed below
# (with apt-get update first when one is missing): MinGW-w64 and Wine for the
# DLL and its tests, clang, lld and llvm (llvm-dlltool) for the tests' host in
# the MSVC ABI. Nothing else: the source package is fetched with apt-get through
# a private list of deb-src lines kept in a temporary folder, made from the
# Debian deb lines of the machine's own apt configuration (it stops when there
# are none), so the machine's apt configuration and package lists stay as they
# were.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++-mingw-w64-x86-64-posix wine64 googletest nlohmann-json3-dev python3 python3-jsonschema
          cmake ninja-build dpkg-dev xz-utils clang lld llvm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

deps=build/windows-deps
if [ -f "$deps/tinyxml2/tinyxml2.cpp" ]; then
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/parts" "$work/lists/partial" "$work/cache/archives/partial" "$work/src"
: >"$work/empty.list"

# deb-src twins of the machine's Debian deb lines, one-line and deb822 forms.
if [ -f /etc/apt/sources.list ]; then
  sed -n 's/^[[:space:]]*deb[[:space:]]\+\(.*debian.*\)$/deb-src \1/p' /etc/apt/sources.list >"$work/parts/debian-src.list"
fi
for f in /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  sed -n 's/^[[:space:]]*deb[[:space:]]\+\(.*debian\.org.*\)$/deb-src \1/p' "$f" >>"$work/parts/debian-src.list"
done
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  # One stanza per paragraph; keep those that point at a Debian archive.
  awk -v RS= -v ORS='\n\n' '/URIs:[^\n]*debian/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f" \
    >>"$work/parts/$(basename "$f")"
done
if ! grep -qs . "$work"/parts/*; then
  echo "setup-windows.sh: the machine's apt configuration (/etc/apt/sources.list, /etc/apt/sources.list.d)" >&2
  echo "names no Debian archive, so TinyXML-2's source package cannot be fetched; add one and run again." >&2
  exit 1
fi

apt_private=(-o "Dir::Etc::SourceList=$work/empty.list" -o "Dir::Etc::SourceParts=$work/parts"
             -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o "APT::Sandbox::User=root")
apt-get "${apt_private[@]}" -qq update
(cd "$work/src" && apt-get "${apt_private[@]}" -qq source tinyxml2 >/dev/null)
unpacked=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name 'tinyxml2-*' | head -n 1)
[ -f "$unpacked/tinyxml2.cpp" ] || { echo "apt-get source tinyxml2 gave no tinyxml2.cpp" >&2; exit 1; }
mkdir -p "$deps"
rm -rf "$deps/tinyxml2"
cp -r "$unpacked" "$deps/tinyxml2"
echo "TinyXML-2 sources: $(basename "$unpacked") in $deps/tinyxml2"
