#!/usr/bin/env bash
# Benchmarks of MasterInstall.exe under Wine (docs/benchmarks.md):
#   cleanup   - RemoveAllDeviceKeys (the hidden option 1005) with 6 device keys
#               of N instances each, time per instance key, and whether it grows
#               linearly
#   start-up  - CreateProcess to the visible dialog, the program against a bare
#               DialogBoxParamA of the same template (bench-baseline.exe)
#
# `make bench` runs it after `make build`; it builds nothing itself.
#
# Environment:
#   BENCH_PAIRS   start-up pairs (default 30)
#   BENCH_ROUNDS  cleanup rounds, each over every N (default 5)
#   BENCH_SIZES   instances per device key (default "10 100 1000")
#   BENCH_BIN     folder with the built programs (default build/win32)
#   BENCH_WORK    scratch folder (default: a new one under /tmp, removed at the end)
#   BENCH_KEEP=1  keep the scratch folder
#
# Exit status: 0 when every run was measured and checked; non-zero when a run
# failed or the keys were not removed (then its figures mean nothing). A
# missed target is reported, not an error.
set -u

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
bin=${BENCH_BIN:-$top/build/win32}
pairs=${BENCH_PAIRS:-30}
rounds=${BENCH_ROUNDS:-5}
read -r -a sizes <<< "${BENCH_SIZES:-10 100 1000}"
keep=${BENCH_KEEP:-0}

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset WINESERVER WINELOADER

# reg_import, medium, stop_wine, make_sentinels, check_sentinels, CAPTION, APP_WIN.
# shellcheck source=../tests/e2e/lib.sh
source "$top/tests/e2e/lib.sh"

BASELINE_WIN='C:\e2e\bin\bench-baseline.exe'
TIMER_WIN='C:\e2e\bench-timer.exe'
CABLE_TEST_OPTION=1005
DEVICE_PIDS=(0F60 6B10 6B40 6B50 3C07 8E15)

xvfb_pid=""
work=""
own_work=0

cleanup_on_exit() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && stop_wine
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if [ "$own_work" = 1 ] && [ "$keep" != 1 ]; then
    rm -rf "$work"
  fi
}
trap cleanup_on_exit EXIT
trap 'exit 130' INT TERM

die() {
  echo "bench: $*" >&2
  exit 1
}

# error MESSAGE: a run that cannot be counted (also from subshells).
error() {
  echo "ERROR: $*" >&2
  echo "$*" >> "$work/errors"
}
errors() { [ -f "$work/errors" ] && wc -l < "$work/errors" || echo 0; }

# median [DIGITS] < numbers, one a line
median() {
  sort -g | awk -v f="%.${1:-1}f\n" '{ v[NR] = $1 } END {
    if (NR == 0) { print "nan"; exit }
    if (NR % 2) printf f, v[(NR + 1) / 2]
    else printf f, (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# calc EXPRESSION: floating-point arithmetic.
calc() { awk "BEGIN { printf \"%.4g\n\", $1 }"; }

timer() { timeout 600 wine "$TIMER_WIN" "$@" 2>>"$work/timer.err" | tr -d '\r'; }

for tool in wine wineserver Xvfb timeout awk; do
  command -v "$tool" >/dev/null || die "$tool is not installed (tools/install-deps.sh)"
done
for exe in MasterInstall bench-baseline bench-timer stub-setup; do
  [ -f "$bin/$exe.exe" ] || die "$bin/$exe.exe is missing (make build)"
done

if [ -n "${BENCH_WORK:-}" ]; then
  work=$BENCH_WORK
  mkdir -p "$work"
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/bench.XXXXXX")
  own_work=1
fi
SCN_DIR=$work  # where lib.sh's helpers keep their logs
: > "$work/failures"

# --- the machine ------------------------------------------------------------

emulation="native"
if ! grep -qsx enabled /proc/sys/fs/binfmt_misc/status 2>/dev/null \
   || ! grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
  emulation="native (no qemu-i386 binfmt handler)"
else
  emulation="qemu-i386 binfmt handler enabled ($(qemu-i386 --version 2>/dev/null | head -n 1))"
fi
echo "# machine: nproc $(nproc), $(wine --version), 32-bit code: $emulation"
echo "# load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
bench_start=$SECONDS

# --- display and prefix ------------------------------------------------------

start_xvfb "$work" || die "Xvfb did not start: $(cat "$work/xvfb.log")"

# The same kind of prefix as the end-to-end tests: Windows 98 mode, the
# programs under C:\e2e, the medium at C:\medium, lib.sh's sentinels.
export WINEPREFIX=$work/prefix
export E2E_C=$WINEPREFIX/drive_c
timeout 300 wineboot -i > "$work/wineboot.log" 2>&1 || die "wineboot failed, see $work/wineboot.log"
wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f > /dev/null || die "cannot set Windows 98 mode"
mkdir -p "$E2E_C/e2e/bin" "$E2E_C/medium"
cp "$bin/bench-timer.exe" "$bin/stub-setup.exe" "$E2E_C/e2e/"
cp "$bin/MasterInstall.exe" "$bin/bench-baseline.exe" "$E2E_C/e2e/bin/"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n' | reg_import
make_sentinels || die "cannot make the sentinel keys and files"
# The three offered products, so that discovery finds the medium in the
# working folder at once, as when started from the disc. The cable test's
# setup program is left out: the cleanup runs end with a WinExec that fails
# at once instead of starting a process whose start-up would be timed too.
medium "$E2E_C/medium" 0 1 2
[ -s "$work/failures" ] && die "$(head -n 1 "$work/failures")"
stop_wine
echo "# prefix ready after $((SECONDS - bench_start)) s"

# --- cleanup -----------------------------------------------------------------

# device_keys N: REGEDIT4 text of the 6 device keys with N instances each;
# every instance's "Driver" names a class key of its own. Two keys that no
# instance names stay behind and show that the removal keeps to its own.
device_keys() {
  awk -v n="$1" -v pids="${DEVICE_PIDS[*]}" 'BEGIN {
    print "REGEDIT4"
    count = split(pids, pid, " ")
    k = 0
    for (d = 1; d <= count; d++)
      for (i = 0; i < n; i++) {
        printf "\n[HKEY_LOCAL_MACHINE\\Enum\\USB\\VID_0B7C&PID_%s\\%04d]\n\"Driver\"=\"USB\\\\%04d\"\n", pid[d], i, k
        printf "\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\USB\\%04d]\n\"DriverDesc\"=\"bench device %d\"\n", k, k
        k++
      }
    print "\n[HKEY_LOCAL_MACHINE\\Enum\\USB\\VID_0B7C&PID_FFFF\\BENCHKEEP]\n\"Driver\"=\"USB\\\\KEEP\""
    print "\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\USB\\KEEP]\n\"DriverDesc\"=\"bench keep\""
  }'
}

# key_counts: "INSTANCES CLASSKEYS KEEPERS" as saved in the prefix's
# system.reg (after stopping its wineserver): instance keys below the 6
# device keys, class keys USB\NNNN, and the two keys that must stay.
key_counts() {
  stop_wine
  awk '
    /^\[/ { name = tolower(substr($0, 2, index($0, "]") - 2))
            if (name ~ /^enum\\\\usb\\\\vid_0b7c&pid_(0f60|6b10|6b40|6b50|3c07|8e15)\\\\/) inst++
            else if (name ~ /^system\\\\currentcontrolset\\\\services\\\\class\\\\usb\\\\[0-9][0-9][0-9][0-9]$/) cls++
            else if (name == "enum\\\\usb\\\\vid_0b7c&pid_ffff\\\\benchkeep" ||
                     name == "system\\\\currentcontrolset\\\\services\\\\class\\\\usb\\\\keep") keepers++ }
    END { printf "%d %d %d\n", inst, cls, keepers }' "$WINEPREFIX/system.reg"
}

# cleanup_run N: imports the keys, checks they are there, times the
# cleanup, checks they are gone. Prints the ms, or nothing if the run
# does not count.
cleanup_run() {
  local n=$1 want=$((6 * $1)) counts output ms code
  device_keys "$n" | reg_import
  counts=$(key_counts)
  if [ "$counts" != "$want $want 2" ]; then
    error "N=$n: after the import expected '$want $want 2' (instances, class keys, keepers), found '$counts'"
    return
  fi
  output=$(timer cleanup "$MEDIUM_WIN" "$CAPTION" "$APP_WIN" "$CABLE_TEST_OPTION")
  ms=$(sed -n 's/^cleanup.ms=//p' <<< "$output")
  code=$(sed -n 's/^exit.code=//p' <<< "$output")
  if [ -z "$ms" ]; then
    error "N=$n: the timer failed: $(grep '^error=' <<< "$output")"
    return
  fi
  if [ "$code" -ge $((0xC0000000)) ]; then
    error "N=$n: the program crashed, exit code $(printf '0x%X' "$code")"
    return
  fi
  counts=$(key_counts)
  if [ "$counts" != "0 0 2" ]; then
    error "N=$n: after the cleanup expected '0 0 2' (instances, class keys, keepers), found '$counts'"
    return
  fi
  echo "$ms"
}

echo
echo "== cleanup: RemoveAllDeviceKeys (option $CABLE_TEST_OPTION, OK), 6 device keys x N instance keys"
echo "# each instance key's Driver value names a class key of its own; both go."
echo "# time: from the click on OK until the process has ended; N=0 is the same run without keys."
declare -A cleanup_ms
all_sizes=(0 "${sizes[@]}")
for round in $(seq "$rounds"); do
  line="round $round:"
  for n in "${all_sizes[@]}"; do
    ms=$(cleanup_run "$n")
    [ -n "$ms" ] && cleanup_ms[$n]+="$ms "
    line+="  N=$n ${ms:-failed} ms"
  done
  echo "$line"
done
base=$(tr ' ' '\n' <<< "${cleanup_ms[0]:-}" | grep . | median)
echo "N=0: median $base ms (no keys: dialog end, WinExec, process exit)"
declare -A per_key
for n in "${sizes[@]}"; do
  med=$(tr ' ' '\n' <<< "${cleanup_ms[$n]:-}" | grep . | median)
  if [ "$med" = nan ] || [ "$base" = nan ]; then
    echo "N=$n: no valid run"
    continue
  fi
  per_key[$n]=$(calc "($med - $base) / (6 * $n)")
  printf 'N=%s: %d instance keys (+%d class keys), median %s ms, %s ms over N=0, %s ms per instance key\n' \
    "$n" $((6 * n)) $((6 * n)) "$med" "$(calc "$med - $base")" "${per_key[$n]}"
done
if [ -n "${per_key[100]:-}" ] && [ -n "${per_key[1000]:-}" ]; then
  growth=$(calc "${per_key[1000]} / ${per_key[100]}")
  if awk "BEGIN { exit !(${per_key[1000]} <= 2 * ${per_key[100]}) }"; then verdict="yes: linear target met"
  else verdict="NO: linear target missed"; fi
  echo "per-key time N=1000 / N=100: $growth (within 2x: $verdict)"
fi
stop_wine
check_sentinels
# Imports that failed, and sentinels that went.
[ -s "$work/failures" ] && error "$(head -n 1 "$work/failures")"

# --- start-up ----------------------------------------------------------------

# quartiles < numbers: "Q1 MEDIAN Q3" (linear interpolation).
quartiles() {
  sort -g | awk '{ v[NR] = $1 }
    function q(p,   h, i) { h = (NR - 1) * p + 1; i = int(h); return v[i] + (h - i) * (v[i + 1] - v[i]) }
    END { if (NR == 0) print "nan nan nan"; else printf "%.1f %.1f %.1f\n", q(0.25), q(0.5), q(0.75) }'
}

echo
echo "== start-up: CreateProcess until the dialog is visible (5 ms polls); each dialog then cancelled"
echo "# A: MasterInstall.exe   B: bench-baseline.exe (template 102 through DialogBoxParamA, nothing else)"
echo "# working folder C:\\medium (the medium is found there at once); one warm-up run of each first"
timer startup "$pairs" "$MEDIUM_WIN" "$CAPTION" "$APP_WIN" "$BASELINE_WIN" > "$work/startup.out" &
timer_pid=$!
# Each pair as it comes.
tail -n +1 -f --pid="$timer_pid" "$work/startup.out" | while read -r line; do
  case "$line" in
    warmup=*) read -r a b <<< "${line#warmup=}"; printf 'warm-up   A %7s ms   B %7s ms\n' "$a" "$b" ;;
    pair=*) read -r i a b <<< "${line#pair=}"; printf 'pair %-3s  A %7s ms   B %7s ms\n' "$i" "$a" "$b" ;;
    error=*) echo "ERROR: $line" ;;
  esac
done
wait "$timer_pid"
got=$(grep -c '^pair=' "$work/startup.out")
if [ "$got" != "$pairs" ]; then
  error "start-up: $got of $pairs pairs measured: $(grep '^error=' "$work/startup.out")"
fi
echo "# load average at end: $(cut -d' ' -f1-3 /proc/loadavg); total $((SECONDS - bench_start)) s"
[ "$(errors)" = 0 ] || echo "bench: $(errors) error(s) above; those runs are not counted"
if [ "$got" -gt 0 ]; then
  field() { awk -v c="$1" '/^pair=/ { print $c }' "$work/startup.out"; }
  read -r a1 ours a3 <<< "$(field 2 | quartiles)"
  read -r b1 theirs b3 <<< "$(field 3 | quartiles)"
  pair_ratio=$(awk '/^pair=/ { print $2 / $3 }' "$work/startup.out" | median 3)
  echo "quartiles (25%, median, 75%): A $a1 / $ours / $a3 ms, B $b1 / $theirs / $b3 ms"
  echo "median of the per-pair ratios A/B: $pair_ratio"
  echo "median start-up: A (ours) $ours ms, B (baseline) $theirs ms"
  ratio=$(awk "BEGIN { printf \"%.3f\", $ours / $theirs }")
  if awk "BEGIN { exit !($ratio <= 1.10) }"; then verdict="target <= 1.10 met"; else verdict="target <= 1.10 MISSED"; fi
  echo "start-up ratio ours/baseline: $ratio ($verdict)"
fi
[ "$(errors)" = 0 ]
