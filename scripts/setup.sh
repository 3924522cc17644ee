#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the project.
# Everything it prints goes to standard error: a caller's standard output
# (a report, a table) stays its own.
#
# --browser also installs Chromium (without its recommended desktop packages),
# for the test that opens the simulator's page (--html) in a real browser.
set -euo pipefail
exec 1>&2
packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libtinyxml2-dev uuid-dev clang libclang-rt-14-dev nlohmann-json3-dev python3 python3-jsonschema
          redis-server redis-tools libhiredis-dev libjs-chart.js)
browser=()
[ "${1:-}" = "--browser" ] && browser=(chromium)
missing() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
mapfile -t missing < <(missing "${packages[@]}")
mapfile -t missing_browser < <(missing "${browser[@]}")
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
if [ ${#missing[@]} -gt 0 ] || [ ${#missing_browser[@]} -gt 0 ]; then
  $sudo_cmd apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
if [ ${#missing_browser[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing_browser[@]}"
fi
