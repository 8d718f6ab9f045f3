# Helpers for the scenarios, sourced by run.sh. A scenario is a bash function
# that runs in a subshell with WINEPREFIX set to its own copy of the base
# prefix; it reports problems through check_failed, never by exiting.
#
# Conventions inside a scenario's prefix:
#   C:\e2e\bin\MasterInstall.exe   the program under test
#   C:\e2e\e2e-driver.exe          the driver
#   C:\e2e\stub-setup.exe, C:\e2e\stub-uninst.exe   stand-ins to copy where needed
#   C:\e2e\stub.log                what the stand-ins recorded (E2E_LOG)
#   C:\medium                      the working directory the program starts in

CAPTION="Kestrinel Master Install"
APP_WIN='C:\e2e\bin\MasterInstall.exe'
MEDIUM_WIN='C:\medium'
STUB_LOG_WIN='C:\e2e\stub.log'

# Setup programs on the medium, by option index 0..3 (option IDs 1001, 1002, 1004, 1005).
PRODUCT_PATHS=('Acrobat4\ar40eng.exe' 'VoUsb.ins\disk1\setup.exe' 'Keil4k.ins\disk1\setup.exe' 'CTst.ins\disk1\setup.exe')

# --- failures -------------------------------------------------------------

# check_failed MESSAGE: records a failed check of the running scenario.
check_failed() {
  echo "check failed: $*" >&2
  echo "$*" >> "$SCN_DIR/failures"
}

# --- paths ----------------------------------------------------------------

# unix_path 'C:\Windows\INF\x.inf' -> the file in the prefix, matching each
# existing folder name without regard to case, as Windows does.
unix_path() {
  local win=$1 letter dir part parts entry name found
  letter=${win:0:1}
  dir=$(readlink -f "$WINEPREFIX/dosdevices/${letter,,}:")
  IFS='\' read -r -a parts <<< "${win:3}"
  for part in "${parts[@]}"; do
    [ -n "$part" ] || continue
    found=$dir/$part
    if [ ! -e "$found" ]; then
      for entry in "$dir"/*; do
        name=${entry##*/}
        if [ "${name,,}" = "${part,,}" ]; then
          found=$entry
          break
        fi
      done
    fi
    dir=$found
  done
  printf '%s\n' "$dir"
}

# --- display --------------------------------------------------------------

# start_xvfb DIR: an X server of our own on a free display, its log in DIR;
# sets xvfb_pid (stop it by that PID) and DISPLAY. Fails when none comes up.
start_xvfb() {
  local dir=$1
  : > "$dir/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$dir/display" > "$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$dir/display" ] || return 1
  export DISPLAY=:$(head -n 1 "$dir/display")
}

# --- Wine -----------------------------------------------------------------

# Stops this scenario's wineserver; it saves the registry files as it goes.
stop_wine() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  return 0
}

# cdrom LETTER [FOLDER]: the letter becomes a CD-ROM drive showing FOLDER (a
# Linux path); without FOLDER, or with a missing one, a drive without a disc.
cdrom() {
  local letter=${1:0:1} folder=${2:-$SCN_DIR/no-disc}
  letter=${letter,,}
  ln -sfn "$folder" "$WINEPREFIX/dosdevices/$letter:"
  # Wine reads drive types from the 64-bit view, at server start.
  wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d cdrom /f /reg:64 >/dev/null
  stop_wine
}

# Removes drive Z: (the Linux root).
no_z_drive() { rm -f "$WINEPREFIX/dosdevices/z:"; }

# reg_import < REGEDIT4-text: imports keys as a 32-bit program sees them
# (HKLM\Software is redirected for 32-bit programs in a 64-bit prefix).
# The file goes to drive C:, which every scenario keeps (Z: may be gone).
reg_import() {
  cat > "$WINEPREFIX/drive_c/e2e/import.reg"
  cp "$WINEPREFIX/drive_c/e2e/import.reg" "$SCN_DIR/import.$RANDOM.reg"  # for the log
  wine 'C:\windows\syswow64\regedit.exe' /S 'C:\e2e\import.reg' \
    || check_failed "could not import registry keys: $(cat "$WINEPREFIX/drive_c/e2e/import.reg")"
  rm -f "$WINEPREFIX/drive_c/e2e/import.reg"
}

# --- the medium -----------------------------------------------------------

# medium FOLDER INDEX...: puts the setup stand-in at the relative paths of the
# products with the given indices (0..3, "all" for all four).
medium() {
  local folder=$1 index path
  shift
  [ "$*" = all ] && set -- 0 1 2 3
  mkdir -p "$folder"
  for index in "$@"; do
    path=${PRODUCT_PATHS[$index]//\\//}
    mkdir -p "$folder/$(dirname "$path")"
    cp "$E2E_C/e2e/stub-setup.exe" "$folder/$path"
  done
}

# Installs the uninstaller stand-in as C:\WINDOWS\uninst.exe.
install_uninst() { cp "$E2E_C/e2e/stub-uninst.exe" "$(unix_path 'C:\WINDOWS')/uninst.exe"; }

# --- the driver -----------------------------------------------------------

# drive < SCRIPT: runs the driver with a script of verbs (README.md). Its
# output is kept in $SCN_DIR/last.out for out/expect_out.
drive() {
  local n=$(( $(ls "$SCN_DIR"/drive.*.out 2>/dev/null | wc -l) + 1 ))
  cat > "$SCN_DIR/drive.$n.script"
  E2E_LOG=$STUB_LOG_WIN timeout 300 wine 'C:\e2e\e2e-driver.exe' \
    < "$SCN_DIR/drive.$n.script" > "$SCN_DIR/drive.$n.out" 2>"$SCN_DIR/drive.$n.err"
  local rc=$?
  tr -d '\r' < "$SCN_DIR/drive.$n.out" > "$SCN_DIR/last.out"
  echo "--- drive $n (rc=$rc)"; cat "$SCN_DIR/drive.$n.script"; echo "--- output"; cat "$SCN_DIR/last.out"
  return $rc
}

# Script lines that start the program in FOLDER (default the medium) and wait
# for its dialog. Use inside a drive script: $(start_app).
start_app() {
  local folder=${1:-$MEDIUM_WIN}
  [ -f "$E2E_C/e2e/bin/MasterInstall.exe" ] || check_failed "MasterInstall.exe is not built"
  echo "launch $folder $APP_WIN"
  echo "wait-window \"$CAPTION\""
}

# out KEY: the last value the driver printed for KEY.
out() { sed -n "s/^$1=//p" "$SCN_DIR/last.out" | tail -n 1; }

# out_bits KEY MASK: the bits MASK of the number printed for KEY, "none" if
# nothing was printed.
out_bits() {
  local v
  v=$(out "$1")
  if [ -n "$v" ]; then echo $(( v & $2 )); else echo none; fi
}

# expect_out KEY VALUE [WHAT]
expect_out() {
  local got
  got=$(out "$1")
  [ "$got" = "$2" ] || check_failed "${3:-$1}: expected $1=$2, got '${got:-<none>}'"
}

# expect_drive_ok: the last driver run had no failing verb, and the program
# did not end by an exception (exit codes 0xC0000000 and up).
expect_drive_ok() {
  local err code
  err=$(out error)
  [ -z "$err" ] || check_failed "driver: $err"
  code=$(out exit.code)
  [ -z "$code" ] || [ "$code" -lt $((0xC0000000)) ] \
    || check_failed "the program crashed: exit code $(printf '0x%X' "$code")"
}

# expect_centred: the dialog's window rect is centred on the screen (±1 px).
expect_centred() {
  local l t r b w h
  IFS=, read -r l t r b <<< "$(out window.rect)"
  IFS=, read -r w h <<< "$(out screen.size)"
  if [ -z "$b" ] || [ -z "$h" ]; then
    check_failed "no window rect or screen size to compare"
    return
  fi
  local dx=$(( 2 * l - (w - (r - l)) )) dy=$(( 2 * t - (h - (b - t)) ))
  # 2*left may be off by up to 2 when the free space is odd.
  [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ] \
    || check_failed "dialog at $l,$t-$r,$b is not centred on a ${w}x$h screen"
}

# --- what the stand-ins recorded ------------------------------------------

# runs: one line per started stand-in: EVENT|COMMAND LINE|WORKING DIR|EXE,
# with EXE in lower case (Wine reports the case of the name on disk).
runs() {
  local log=$E2E_C/e2e/stub.log
  [ -f "$log" ] || return 0
  tr -d '\r' < "$log" | awk -F'|' '$1 == "setup" || $1 == "uninst-start" { print $1 "|" $3 "|" $4 "|" tolower($5) }'
}

# assert_runs < EXPECTED-LINES: exactly these stand-ins ran, in this order.
assert_runs() {
  local expected got
  expected=$(cat)
  got=$(runs)
  [ "$got" = "$expected" ] \
    || check_failed "programs started: expected [${expected//$'\n'/; }], got [${got//$'\n'/; }]"
}

assert_no_runs() { assert_runs < /dev/null; }

# setup_run INDEX [FOLDER]: the line that runs() shows for the setup program
# of option INDEX started by the program in FOLDER (default the medium).
setup_run() {
  local folder=${2:-$MEDIUM_WIN}
  local exe="$folder\\${PRODUCT_PATHS[$1]}"
  echo "setup|${PRODUCT_PATHS[$1]}|$folder|${exe,,}"
}

# --- files ----------------------------------------------------------------

assert_file_exists() { [ -e "$(unix_path "$1")" ] || check_failed "file $1: expected to exist, it is missing"; }
assert_file_absent() { [ ! -e "$(unix_path "$1")" ] || check_failed "file $1: expected absent, it exists"; }

# --- registry (read from the prefix's files, after stop_wine) -------------

# The registry file and the section name of KEY, as "FILE|SECTION".
reg_location() {
  local key=$1 file section
  case "$key" in
    HKLM\\Software\\*|HKLM\\SOFTWARE\\*) file=system.reg; section="Software\\Wow6432Node\\${key#*\\*\\}" ;;
    HKLM\\*) file=system.reg; section=${key#HKLM\\} ;;
    HKCU\\*) file=user.reg; section=${key#HKCU\\} ;;
    *) echo "unknown root in $key" >&2; return 1 ;;
  esac
  printf '%s|%s\n' "$file" "${section//\\/\\\\}"
}

# key_exists KEY: KEY is in the registry (a key without values that has
# subkeys is saved only as part of their names).
key_exists() {
  local loc file section
  stop_wine
  loc=$(reg_location "$1") || return 2
  file=$WINEPREFIX/${loc%%|*}
  section=${loc#*|}
  WANT=$section awk '
    BEGIN { want = tolower(ENVIRON["WANT"]) }
    /^\[/ { name = tolower(substr($0, 2, index($0, "]") - 2))
            if (name == want || index(name, want "\\\\") == 1) { found = 1; exit } }
    END { exit !found }' "$file"
}

assert_key_exists() { key_exists "$1" || check_failed "key $1: expected to exist, it is missing"; }
assert_key_absent() { ! key_exists "$1" || check_failed "key $1: expected absent, it exists"; }

# reg_value KEY NAME: the value as Wine saves it ("text", dword:0000000a, ...).
reg_value() {
  local loc file section
  stop_wine
  loc=$(reg_location "$1") || return 2
  file=$WINEPREFIX/${loc%%|*}
  section=${loc#*|}
  WANT=$section NAME="\"$2\"=" awk '
    BEGIN { want = tolower(ENVIRON["WANT"]); name = ENVIRON["NAME"] }
    /^\[/ { inside = tolower(substr($0, 2, index($0, "]") - 2)) == want; next }
    inside && index($0, name) == 1 { print substr($0, length(name) + 1); exit }' "$file"
}

# --- nothing changed ------------------------------------------------------

# The files of drive C: (without the user profiles and our own log) and the
# registry where a 32-bit Windows 98 program keeps its machine state. Wine
# rewrites parts of the rest (device classes, network cards) on every start.
REG_WATCHED='^(enum|system\\\\currentcontrolset\\\\services\\\\class|software\\\\wow6432node|software)(\\\\|$)'
REG_IGNORED='^software\\\\(wine|microsoft\\\\windows nt)(\\\\|$)'

state() {
  stop_wine
  (cd "$WINEPREFIX" && find drive_c -path drive_c/users -prune -o -path drive_c/e2e -prune \
      -o -printf '%p %s %T@\n' | sort)
  for file in system.reg user.reg; do
    echo "== $file"
    WATCHED=$REG_WATCHED IGNORED=$REG_IGNORED awk '
      /^\[/ { name = tolower(substr($0, 2, index($0, "]") - 2))
              keep = name ~ ENVIRON["WATCHED"] && name !~ ENVIRON["IGNORED"]
              if (keep) print "[" name "]"; next }
      keep && !/^#time=/' "$WINEPREFIX/$file"
  done
}

snapshot() { state > "$SCN_DIR/state.$1"; }

# assert_unchanged NAME: files and registry are as at snapshot NAME.
assert_unchanged() {
  local diff
  diff=$(state | diff "$SCN_DIR/state.$1" - | grep '^[<>]' | head -n 3)
  [ -z "$diff" ] || check_failed "expected no change to files or registry, found: ${diff//$'\n'/; }"
}

# --- sentinels: present in the base prefix, must survive every scenario ----

SENTINEL_KEYS=(
  'HKLM\Enum\USB\VID_045E&PID_0040\E2ESENTINEL'
  'HKLM\System\CurrentControlSet\Services\Class\E2ESentinel\0000'
  'HKLM\Software\E2E Sentinel'
  'HKCU\Software\E2E Sentinel'
)
SENTINEL_FILES=(
  'C:\e2e-sentinel.txt'
  'C:\Windows\e2e-sentinel.txt'
  'C:\Windows\INF\e2e-sentinel.inf'
  'C:\Windows\INF\OTHER\E2E-Sentinel.inf'
  'C:\Windows\System\e2e-sentinel.dll'
)

make_sentinels() {
  local key file
  for key in "${SENTINEL_KEYS[@]}"; do
    key=${key/#HKLM/HKEY_LOCAL_MACHINE}
    printf '\n[%s]\n"keep"="1"\n' "${key/#HKCU/HKEY_CURRENT_USER}"
  done | { echo REGEDIT4; cat; } | reg_import
  for file in "${SENTINEL_FILES[@]}"; do
    file=$(unix_path "$file")
    mkdir -p "$(dirname "$file")" && echo keep > "$file" || return 1
  done
}

check_sentinels() {
  local key file
  for key in "${SENTINEL_KEYS[@]}"; do
    [ "$(reg_value "$key" keep)" = '"1"' ] || check_failed "sentinel key $key (value keep=1) was removed"
  done
  for file in "${SENTINEL_FILES[@]}"; do
    [ "$(cat "$(unix_path "$file")" 2>/dev/null)" = keep ] || check_failed "sentinel file $file was removed or changed"
  done
}

# --- scenarios ------------------------------------------------------------

SCENARIOS=()
declare -A SCENARIO_CMD

# scenario NAME FUNCTION [ARGS...]: registers a scenario; run.sh calls
# FUNCTION ARGS with a fresh prefix.
scenario() {
  SCENARIOS+=("$1")
  SCENARIO_CMD[$1]=$(printf '%q ' "${@:2}")
}
