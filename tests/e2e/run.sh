#!/usr/bin/env bash
# End-to-end tests of MasterInstall.exe under Wine; see README.md.
#
#   tests/e2e/run.sh [NAME]      NAME: one scenario, or a pattern such as 'cancel_*'
#
# Environment:
#   E2E_WINE_MODE  win98 (default) or default (Wine's own Windows version)
#   E2E_BIN        folder with the built programs (default build/win32)
#   E2E_APP        the program under test (default $E2E_BIN/MasterInstall.exe)
#   E2E_WORK       scratch folder (default: a new one under /tmp, removed
#                  unless a scenario failed or E2E_KEEP=1)
#   E2E_KEEP=1     keep every scenario's prefix and logs
set -u

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
filter=${1:-*}
mode=${E2E_WINE_MODE:-win98}
bin=${E2E_BIN:-$top/build/win32}
app=${E2E_APP:-$bin/MasterInstall.exe}
keep=${E2E_KEEP:-0}

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset WINESERVER WINELOADER

# shellcheck source=lib.sh
source "$here/lib.sh"
for file in "$here"/scenarios/*.sh; do
  # shellcheck disable=SC1090
  source "$file"
done

passed=0
failed=0
xvfb_pid=""
work=""
own_work=0

# A failure before any scenario ran still ends with the summary line.
abort() {
  echo "FAIL setup: $*"
  echo "e2e: $passed passed, $((failed + 1)) failed"
  exit 1
}

cleanup() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && stop_wine
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if [ "$own_work" = 1 ] && [ "$keep" != 1 ] && [ "$failed" = 0 ]; then
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

case "$mode" in win98|default) ;; *) abort "E2E_WINE_MODE must be win98 or default, not '$mode'" ;; esac
for tool in wine wineserver Xvfb timeout; do
  command -v "$tool" >/dev/null || abort "$tool is not installed (tools/install-deps.sh)"
done
for exe in e2e-driver stub-setup stub-uninst e2e-demo; do
  [ -f "$bin/$exe.exe" ] || abort "$bin/$exe.exe is missing (build first)"
done
[ -f "$app" ] || echo "# $app is missing: scenarios of the program will fail" >&2

if [ -n "${E2E_WORK:-}" ]; then
  work=$E2E_WORK
  mkdir -p "$work"
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/e2e.XXXXXX")
  own_work=1
fi

# Our own X server on a free display.
start_xvfb "$work" || abort "Xvfb did not start: $(cat "$work/xvfb.log")"

# The base prefix that every scenario copies.
make_base() {
  local version
  export WINEPREFIX=$work/base
  SCN_DIR=$work
  timeout 300 wineboot -i > "$work/wineboot.log" 2>&1 || abort "wineboot failed, see $work/wineboot.log"
  if [ "$mode" = win98 ]; then
    wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f > /dev/null || abort "cannot set Windows 98 mode"
  fi
  mkdir -p "$WINEPREFIX/drive_c/e2e/bin"
  cp "$bin"/e2e-driver.exe "$bin"/stub-setup.exe "$bin"/stub-uninst.exe "$bin"/e2e-demo.exe \
    "$WINEPREFIX/drive_c/e2e/"
  [ -f "$app" ] && cp "$app" "$WINEPREFIX/drive_c/e2e/bin/MasterInstall.exe"
  : > "$work/failures"
  # A crash ends the program at once (the scenario sees its exit code)
  # instead of opening Wine's crash dialog.
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n' | reg_import
  make_sentinels || abort "cannot make the sentinel files"
  [ -s "$work/failures" ] && abort "$(head -n 1 "$work/failures")"
  version=$(wine 'C:\e2e\e2e-driver.exe' version | tr -d '\r')
  case "$mode:$version" in
    win98:version=0xC0000A04) ;;
    default:version=0x[0-7]*) ;;  # high bit clear: an NT version
    *) abort "GetVersion() in $mode mode gave '$version'" ;;
  esac
  stop_wine
}

# run_scenario NAME: runs one scenario in a copy of the base prefix.
run_scenario() {
  local name=$1 reason more
  SCN_DIR=$work/$name
  rm -rf "$SCN_DIR"
  mkdir -p "$SCN_DIR"
  export WINEPREFIX=$SCN_DIR/prefix
  export E2E_C=$WINEPREFIX/drive_c
  cp -a "$work/base" "$WINEPREFIX"
  mkdir -p "$E2E_C/medium"
  : > "$SCN_DIR/failures"
  # The marker tells a scenario that ran to its end from one that broke off.
  ( eval "${SCENARIO_CMD[$name]}"; : > "$SCN_DIR/completed" ) > "$SCN_DIR/log" 2>&1
  stop_wine
  [ -f "$SCN_DIR/completed" ] || echo "the scenario broke off, see $SCN_DIR/log" >> "$SCN_DIR/failures"
  check_sentinels >> "$SCN_DIR/log" 2>&1
  if [ -s "$SCN_DIR/failures" ]; then
    reason=$(head -n 1 "$SCN_DIR/failures")
    more=$(( $(wc -l < "$SCN_DIR/failures") - 1 ))
    [ "$more" -gt 0 ] && reason="$reason (and $more more)"
    echo "FAIL $name: $reason"
    failed=$((failed + 1))
  else
    echo "PASS $name"
    passed=$((passed + 1))
  fi
  [ "$keep" = 1 ] || rm -rf "$WINEPREFIX"
}

chosen=()
for name in "${SCENARIOS[@]}"; do
  # shellcheck disable=SC2053
  [[ $name == $filter ]] && chosen+=("$name")
done
[ ${#chosen[@]} -gt 0 ] || abort "no scenario matches '$filter'"

start=$SECONDS
make_base
for name in "${chosen[@]}"; do
  run_scenario "$name"
done
[ "$failed" = 0 ] || echo "# logs of the failed scenarios: $work"
echo "# mode $mode, $((SECONDS - start)) s"
echo "e2e: $passed passed, $failed failed"
[ "$failed" = 0 ]
