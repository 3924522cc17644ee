#!/usr/bin/env bash
# The Windows build, checked on Linux: sets up (scripts/setup-windows.sh),
# cross-builds the DLL, the host check DLL, the reference host, the simulator
# and every test program with MinGW-w64, and the tests' host in the MSVC ABI
# (VoGameMsvcHost.dll, with clang, lld-link and llvm-dlltool); checks that each
# of the two plug-in DLLs exports exactly its two entry points under their plain
# names and that the MSVC host needs nothing but kernel32; runs every test
# program under Wine (headless, in a Wine prefix of its own in a temporary
# folder, removed at the end), then all of them again with the reference host
# loading every plug-in through the MSVC host (VOGAME_MSVC_HOST); then runs the
# simulator with one server and a seed on Linux, on Windows and on Windows
# through the MSVC host, and requires byte-identical reports.
#
# Usage: scripts/test-windows.sh [simulator seed, default 1]
# Environment: LINUX_BUILD names a Linux build folder with vogame_sim to reuse
# (default: build/release or build/debug, whichever has one; else the release
# configuration); its simulator is brought up to date first.
set -euo pipefail
cd "$(dirname "$0")/.."
seed="${1:-1}"
jobs=$(nproc)
start=$SECONDS

scripts/setup-windows.sh

echo "== windows build =="
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

echo "== DLL exports =="
# The library and the host check, a host's two plug-ins: the same two exports.
dlls=(build/windows/VoGameLogic.dll build/windows/hostcheck/VoGameLogicHostCheck.dll)
expected=$'VoGameLogic_GetModuleCreator\nVoGameLogic_GetVersion'
for dll in "${dlls[@]}"; do
  exports=$(x86_64-w64-mingw32-objdump -p "$dll" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort)
  count=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n 's/^[[:space:]]*Export Address Table[[:space:]]*0*\([0-9a-f]*\)$/\1/p' | head -n 1)
  if [ "$exports" != "$expected" ] || [ "$count" != "2" ]; then
    echo "$dll exports (by name, $count in all):"; echo "$exports"
    echo "expected exactly: VoGameLogic_GetModuleCreator VoGameLogic_GetVersion"
    exit 1
  fi
  echo "$dll: $exports" | tr '\n' ' '; echo
done
runtime=$(x86_64-w64-mingw32-objdump -p "${dlls[@]}" build/windows/sim/vogame_sim.exe build/windows/tests/*.exe |
  sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u | grep -viE '^(kernel32|msvcrt|ole32|user32|advapi32|ws2_32|shell32|gdi32|rpcrt4|ntdll|bcrypt|api-ms-win-.*)\.dll$' || true)
if [ -n "$runtime" ]; then
  echo "programs need DLLs a bare Windows lacks: $runtime"
  exit 1
fi
msvc_host=build/windows/VoGameMsvcHost.dll
msvc_imports=$(x86_64-w64-mingw32-objdump -p "$msvc_host" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
if [ "$msvc_imports" != "kernel32.dll" ]; then
  echo "VoGameMsvcHost.dll needs more than kernel32.dll: $msvc_imports"
  exit 1
fi

# A private, headless Wine: its own prefix, no display, no Mono or Gecko
# installers, no debug chatter; its server is stopped and the prefix removed
# whatever happens.
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# HOME too: a new prefix links the user's folders to it.
export HOME="$WINEPREFIX/home"
mkdir -p "$HOME"
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
# The first program of a Wine session starts Wine's own services (services.exe,
# explorer.exe and others), which keep that program's standard output and error
# open for as long as the session lasts; a test that happened to start them would
# look unfinished to ctest until its time-out. So the session starts here, with
# /dev/null for those handles, and stays up for the whole run (a persistent
# server, stopped by the clean-up).
"$wineserver" -p
"$wine" wineboot --init </dev/null >/dev/null 2>&1 || true

# Now and then Wine fails to start a test program: it ends within milliseconds
# with no output at all (seen once in about a thousand runs here). So a test
# that fails runs once more, and its first failure stays in the log; a test
# that fails twice fails the run. The Linux suites run every test once.
retry=(--repeat until-pass:2)

echo "== windows tests (under Wine) =="
phase=$SECONDS
ctest --preset windows "${retry[@]}"
echo "windows tests: $((SECONDS - phase)) s"

# Wine shows the build machine's "/" as drive Z:.
wine_msvc_host="Z:$PWD/$msvc_host"
echo "== windows tests again, through the MSVC-ABI host =="
phase=$SECONDS
VOGAME_MSVC_HOST="$wine_msvc_host" ctest --preset windows "${retry[@]}"
echo "windows tests through the MSVC host: $((SECONDS - phase)) s"

echo "== simulator: Windows reports (also through the MSVC host) against Linux =="
linux_build="${LINUX_BUILD:-}"
if [ -z "$linux_build" ]; then
  for b in build/release build/debug; do
    if [ -x "$b/sim/vogame_sim" ]; then linux_build=$b; break; fi
  done
fi
if [ -z "$linux_build" ] || [ ! -x "$linux_build/sim/vogame_sim" ]; then
  linux_build=build/release
  scripts/setup.sh
  cmake --preset release >/dev/null
fi
cmake --build "$linux_build" -j "$jobs" --target vogame_sim >/dev/null  # brought up to date
options=(--servers 1 --seed "$seed" --quiet)
reports=$(mktemp -d)
trap 'cleanup; rm -rf "$reports"' EXIT
TZ=UTC "$linux_build/sim/vogame_sim" "${options[@]}" >"$reports/linux.txt"
TZ=UTC "$wine" build/windows/sim/vogame_sim.exe "${options[@]}" >"$reports/windows.txt"
TZ=UTC VOGAME_MSVC_HOST="$wine_msvc_host" "$wine" build/windows/sim/vogame_sim.exe "${options[@]}" \
  >"$reports/windows-msvc-host.txt"
for report in windows windows-msvc-host; do
  if ! cmp -s "$reports/linux.txt" "$reports/$report.txt"; then
    echo "the $report report differs from the Linux one (${options[*]}):"
    diff "$reports/linux.txt" "$reports/$report.txt" | head -n 40
    exit 1
  fi
done
echo "identical reports, Windows and through the MSVC host ($(wc -c <"$reports/linux.txt") bytes, ${options[*]})"
echo "windows checks passed in $((SECONDS - start)) s"
