#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the project.
# Everything it prints goes to standard error: a caller's standard output
# (a report, a table) stays its own.
set -euo pipefail
exec 1>&2
packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libtinyxml2-dev uuid-dev clang libclang-rt-14-dev nlohmann-json3-dev python3 python3-jsonschema
          redis-server libhiredis-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
