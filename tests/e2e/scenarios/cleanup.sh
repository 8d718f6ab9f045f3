# What happens after OK besides starting the setup program: the kit (option
# 1002) first clears its device instances and what an earlier installation
# left (uninstaller, old INF, driver files), asking before the first two; the
# hidden cable test (option 1005) removes the kit's device registrations and
# the driver database. The other two options prepare nothing.

KIT_DEVICE_KEYS=(
  'HKLM\Enum\USB\VID_0B7C&PID_0F60'
  'HKLM\Enum\USB\VID_0B7C&PID_6B10'
  'HKLM\Enum\USB\VID_0B7C&PID_6B40'
  'HKLM\Enum\USB\VID_0B7C&PID_6B50'
  'HKLM\Enum\USB\VID_0B7C&PID_3C07'
  'HKLM\Enum\USB\VID_0B7C&PID_8E15'
)
KIT_CLASS_KEY='HKLM\System\CurrentControlSet\Services\Class'

# The files of an earlier installation, by the short names the tables use.
declare -A KIT_FILE=(
  [isu]='C:\Kestrin\VoUsb\Uninst.isu'
  [inf]='C:\WINDOWS\INF\vousb.inf'
  [bak]='C:\WINDOWS\INF\vousb.bak'
  [vousb]='C:\Windows\System\vousb.sys'
  [vomon]='C:\Windows\System\vomon.sys'
  [drvidx]='C:\Windows\Inf\Drvidx.bin'
  [drvdata]='C:\Windows\Inf\Drvdata.bin'
)
# Each file gets its own text, so that a moved file can be told apart.
declare -A KIT_FILE_TEXT=(
  [isu]='uninstall log' [inf]='old inf' [bak]='older inf backup'
  [vousb]='vousb driver' [vomon]='vomon driver'
  [drvidx]='driver index' [drvdata]='driver data'
)

KIT_UNINST_COMMAND='C:\WINDOWS\uninst.exe IsUninst.exe -y -fC:\Kestrin\VoUsb\Uninst.isu'

# The boxes: caption | text | buttons (IDs of the visible ones).
declare -A KIT_BOX_CAPTION=(
  [previous]='Previous Installation Detected'
  [inf]='Old vousb.inf Detected'
  [inf_err]='Error' [vousb_err]='Error' [vomon_err]='Error'
)
declare -A KIT_BOX_TEXT=(
  [previous]=$'Previous Installation detected: It will be uninstalled.\nNOTE: Any user-modified files will be retained.\nA new install will follow Uninstall.'
  [inf]=$'Old vousb.inf file detected: To avoid conflicts, it will be renamed vousb.old.\nNOTE: You must manually add any additional devices if required.'
  [inf_err]='Error removing C:\WINDOWS\INF\vousb.inf or C:\WINDOWS\INF\vousb.bak: Please remove both and reinstall'
  [vousb_err]='Error removing C:\Windows\System\vousb.sys: Please remove it manually'
  [vomon_err]='Error removing C:\Windows\System\vomon.sys: Please remove it manually'
)
declare -A KIT_BOX_BUTTONS=([previous]=1,2 [inf]=1,2 [inf_err]=1 [vousb_err]=1 [vomon_err]=1)

# --- setting up -----------------------------------------------------------

# kit_put_files NAME...: the files of an earlier installation, each with its text.
kit_put_files() {
  local name file
  for name in "$@"; do
    file=$(unix_path "${KIT_FILE[$name]}")
    mkdir -p "$(dirname "$file")"
    printf '%s\n' "${KIT_FILE_TEXT[$name]}" > "$file"
  done
}

# Read-only as Windows sees it: Wine maps a file without write permission to
# FILE_ATTRIBUTE_READONLY, and refuses to delete it.
kit_read_only() {
  local name
  for name in "$@"; do chmod a-w "$(unix_path "${KIT_FILE[$name]}")"; done
}

# REGEDIT4 helpers. kit_reg_key KEY [NAME=TEXT]...: a key with string values
# (KEY as 'HKLM\...'; backslashes in TEXT are doubled here).
kit_reg_key() {
  local key=$1 pair text
  shift
  printf '\n[%s]\n' "${key/#HKLM/HKEY_LOCAL_MACHINE}"
  for pair in "$@"; do
    text=${pair#*=}
    text=${text//\\/\\\\}
    printf '"%s"="%s"\n' "${pair%%=*}" "${text//\"/\\\"}"
  done
}

# kit_reg_tree KEY: KEY with a subtree of three levels and several keys per level,
# some without values, as device manager leaves them.
kit_reg_tree() {
  local key=$1
  kit_reg_key "$key" "e2e=$key"
  kit_reg_key "$key\\Device Parameters" 'SymbolicName=x'
  kit_reg_key "$key\\Device Parameters\\Alpha" 'a=1'
  kit_reg_key "$key\\Device Parameters\\Alpha\\One" 'b=2'
  kit_reg_key "$key\\Device Parameters\\Alpha\\Two"
  kit_reg_key "$key\\Device Parameters\\Beta" 'c=3'
  kit_reg_key "$key\\LogConf\\Gamma\\Delta" 'd=4'
  kit_reg_key "$key\\LogConf\\Epsilon"
}

# kit_instance DEVICE-KEY NAME DRIVER [noclass]: an instance with a subtree,
# naming a class key that gets a subtree too ("-" for no Driver value;
# "noclass" when the value names no key to make).
kit_instance() {
  local key="$1\\$2" driver=$3
  kit_reg_tree "$key"
  if [ "$driver" = - ]; then
    kit_reg_key "$key" 'DeviceDesc=no driver'
  else
    kit_reg_key "$key" "Driver=$driver"
    [ "${4:-}" = noclass ] || kit_reg_tree "$KIT_CLASS_KEY\\$driver"
  fi
}

# The kit's device keys as an earlier installation leaves them, with their
# neighbours: the sibling VID_0B7C&PID_0F601, and a class key that no
# instance names.
kit_seed_keys() {
  {
    echo REGEDIT4
    kit_reg_key "${KIT_DEVICE_KEYS[0]}" 'DeviceDesc=kit device'
    kit_instance "${KIT_DEVICE_KEYS[0]}" '5&2A1F3B&0&1' 'E2EVoUsb\0000'
    kit_instance "${KIT_DEVICE_KEYS[0]}" '5&2A1F3B&0&2' 'E2EVoUsb\0001'
    kit_instance "${KIT_DEVICE_KEYS[1]}" '0000' 'E2EVoUsb\0002'
    kit_instance "${KIT_DEVICE_KEYS[2]}" '0000' 'E2EVoUsb\0003'
    kit_instance "${KIT_DEVICE_KEYS[2]}" '0001' 'E2EVoLink\0000'
    kit_instance "${KIT_DEVICE_KEYS[3]}" '0000' 'E2EVoLink\0001'
    kit_reg_key "${KIT_DEVICE_KEYS[4]}" 'DeviceDesc=no instances'
    kit_instance "${KIT_DEVICE_KEYS[5]}" '0000' 'E2EVoUsb\0004'
    kit_instance 'HKLM\Enum\USB\VID_0B7C&PID_0F601' '0000' 'E2EVoUsb\0010'
    kit_instance 'HKLM\Enum\USB\VID_0B7C&PID_6B1' '0000' 'E2EVoUsb\0011'
    kit_reg_tree "$KIT_CLASS_KEY\\E2EVoUsb\\0099"
  } | reg_import
}

# --- checking -------------------------------------------------------------

# Files of drive C: (no user profiles, not our own folder) and the watched
# registry, one line each: "F c:\path|size|mtime", "R key|value line" (a key's
# own line ends in "|", repeated for each of its subkeys); all in lower case. Folders are left out: their
# times change with what they hold.
kit_state() {
  stop_wine
  (cd "$WINEPREFIX/drive_c" && find . -path ./users -prune -o -path ./e2e -prune \
      -o -type f -printf '%p|%s|%T@\n') \
    | tr '[:upper:]' '[:lower:]' | sed 's|^\.|F c:|; s|/|\\|g'
  WATCHED=$REG_WATCHED IGNORED=$REG_IGNORED awk '
    /^\[/ { name = tolower(substr($0, 2, index($0, "]") - 2))
            keep = name ~ ENVIRON["WATCHED"] && name !~ ENVIRON["IGNORED"]
            gsub(/\\\\/, "\\", name)
            # and its parents: a key without values is saved only in the names of its subkeys
            if (keep) for (i = length(name); i > 0; i--)
              if (i == length(name) || substr(name, i + 1, 1) == "\\") print "R " substr(name, 1, i) "|"
            next }
    keep && !/^#time=/ && NF { print "R " name "|" tolower($0) }' "$WINEPREFIX/system.reg"
}

kit_snapshot() { kit_state | sort -u > "$SCN_DIR/kit.$1"; }

# kit_without PREFIXES < STATE: the state lines outside the places (see
# below), given as state-line prefixes, one a line.
kit_without() {
  PREFIXES=$1 awk '
    BEGIN { n = split(ENVIRON["PREFIXES"], p, "\n") }
    { for (i = 1; i <= n; i++) {
        if (p[i] == "") continue
        if (substr(p[i], length(p[i])) == "\\") { if (index($0, p[i]) == 1) next }
        else if (index($0, p[i] "|") == 1 || index($0, p[i] "\\") == 1) next
      }
      print }'
}

# kit_assert_rest_unchanged NAME PLACE...: nothing changed since snapshot NAME
# outside the given places, each a key ('HKLM\...', with its subtree; only
# the subtree if it ends in "\") or a file ('C:\...'). The places themselves
# are checked by the scenario.
kit_assert_rest_unchanged() {
  local name=$1 place prefixes="" diff
  shift
  for place in "$@"; do
    case "$place" in
      HKLM\\*) place=${place#HKLM\\}; prefixes+="R ${place,,}"$'\n' ;;
      *) prefixes+="F ${place,,}"$'\n' ;;
    esac
  done
  kit_state | sort -u | kit_without "$prefixes" > "$SCN_DIR/kit.now.rest"
  diff=$(kit_without "$prefixes" < "$SCN_DIR/kit.$name" | diff - "$SCN_DIR/kit.now.rest" \
    | grep '^[<>]' | head -n 3)
  [ -z "$diff" ] || check_failed "unexpected change besides the kit's keys and files: ${diff//$'\n'/; }"
}

# kit_file_is NAME SOURCE: the kit file NAME holds the text that file SOURCE was
# seeded with ("-": NAME is absent).
kit_file_is() {
  local file got
  file=$(unix_path "${KIT_FILE[$1]}")
  if [ "$2" = - ]; then
    [ ! -e "$file" ] || check_failed "file ${KIT_FILE[$1]}: expected absent, it exists ('$(head -c 40 "$file")')"
    return
  fi
  got=$(cat "$file" 2>/dev/null) || { check_failed "file ${KIT_FILE[$1]}: expected to exist, it is missing"; return; }
  [ "$got" = "${KIT_FILE_TEXT[$2]}" ] \
    || check_failed "file ${KIT_FILE[$1]}: expected the text of ${KIT_FILE[$2]} ('${KIT_FILE_TEXT[$2]}'), got '$got'"
}

# What the driver prints for the Nth box of the run (1 = first).
kit_box_out() {
  awk -v n="$1" -v key="$2" '
    /^box\.caption=/ { box++ }
    box == n && index($0, key "=") == 1 { value = substr($0, length(key) + 2) }
    END { print value }' "$SCN_DIR/last.out"
}

# The box text as the driver escapes it: \\ \n \r.
kit_escaped() {
  local s=${1//\\/\\\\}
  s=${s//$'\r'/\\r}
  printf '%s\n' "${s//$'\n'/\\n}"
}

# kit_expect_box N KIND: the Nth box of the run is the box KIND, with its
# caption, text, buttons, no owner, from the program.
kit_expect_box() {
  local n=$1 kind=$2 got want button
  got=$(kit_box_out "$n" box.caption)
  [ "$got" = "${KIT_BOX_CAPTION[$kind]}" ] || check_failed "box $n: caption '${got:-<none>}', expected '${KIT_BOX_CAPTION[$kind]}'"
  got=$(kit_box_out "$n" box.text.escaped)
  want=$(kit_escaped "${KIT_BOX_TEXT[$kind]}")
  [ "$got" = "$want" ] || check_failed "box $n ($kind): text '${got:-<none>}', expected '$want'"
  got=$(kit_box_out "$n" box.buttons)
  [ "$got" = "${KIT_BOX_BUTTONS[$kind]}" ] || check_failed "box $n ($kind): buttons '${got:-<none>}', expected '${KIT_BOX_BUTTONS[$kind]}'"
  for button in 1 2; do
    want=$([ $button = 1 ] && echo OK || echo Cancel)
    case ",${KIT_BOX_BUTTONS[$kind]}," in
      *,$button,*) got=$(kit_box_out "$n" "box.button.$button")
        [ "$got" = "$want" ] || check_failed "box $n ($kind): button $button reads '$got', expected '$want'" ;;
    esac
  done
  [ "$(kit_box_out "$n" box.owner)" = 0x00000000 ] || check_failed "box $n ($kind): has an owner $(kit_box_out "$n" box.owner)"
  [ "$(kit_box_out "$n" box.launched)" = 1 ] || check_failed "box $n ($kind): not the program's own"
}

# Number of boxes the last run saw.
kit_box_count() { grep -c '^box\.caption=' "$SCN_DIR/last.out"; }

# The tick of the first stand-in record EVENT.
kit_log_tick() { tr -d '\r' < "$E2E_C/e2e/stub.log" | awk -F'|' -v e="$1" '$1 == e { print $2; exit }'; }

# Script lines that kit_choose option ID and press OK. The hidden option is
# checked directly, as nobody can click it.
kit_choose() {
  if [ "$1" = 1005 ]; then echo "check $1"; else echo "click $1"; fi
  echo "wait-control $1 checked 1"
  echo "click 1"
}

# The kit's instance keys under the first device key.
KIT_INSTANCES=('5&2A1F3B&0&1' '5&2A1F3B&0&2')

# The state of the keys after the kit cleared its instances (and did nothing else).
kit_expect_instances_cleared() {
  local name
  for name in "${KIT_INSTANCES[@]}"; do
    assert_key_absent "${KIT_DEVICE_KEYS[0]}\\$name"
  done
  [ "$(reg_value "${KIT_DEVICE_KEYS[0]}" DeviceDesc)" = '"kit device"' ] \
    || check_failed "device key ${KIT_DEVICE_KEYS[0]} lost its own value or is gone"
  assert_key_exists "$KIT_CLASS_KEY\\E2EVoUsb\\0000\\Device Parameters\\Alpha\\One"
  assert_key_exists "$KIT_CLASS_KEY\\E2EVoUsb\\0001\\LogConf\\Gamma\\Delta"
  assert_key_exists "${KIT_DEVICE_KEYS[1]}\\0000\\Device Parameters\\Beta"
}

# --- the kit: instances -----------------------------------------------------

# No earlier installation: no box, the instances of the first device key go
# (whole subtrees), everything else stays, and the setup program starts.
kit_fresh() {
  medium "$E2E_C/medium" all
  kit_seed_keys
  kit_snapshot before
  drive <<EOF
$(start_app)
$(kit_choose 1002)
wait-exit
EOF
  expect_drive_ok
  assert_runs <<< "$(setup_run 1)"
  kit_expect_instances_cleared
  kit_assert_rest_unchanged before "${KIT_DEVICE_KEYS[0]}\\"
}
scenario cleanup_kit_fresh kit_fresh

# --- the kit: an earlier installation ---------------------------------------

# Cancel on the first question: the instances are gone already, nothing else
# happens, nothing starts.
kit_previous_cancel() {
  medium "$E2E_C/medium" all
  install_uninst
  kit_seed_keys
  kit_put_files isu inf bak vousb vomon
  kit_snapshot before
  drive <<EOF
$(start_app)
$(kit_choose 1002)
wait-box "${KIT_BOX_CAPTION[previous]}"
answer 2
wait-exit
EOF
  expect_drive_ok
  kit_expect_box 1 previous
  assert_no_runs
  kit_expect_instances_cleared
  kit_assert_rest_unchanged before "${KIT_DEVICE_KEYS[0]}\\"
}
scenario cleanup_kit_previous_cancel kit_previous_cancel

# OK: the uninstaller runs with its fixed command line and the program waits
# for its end (3 s here) before it goes on with the INF and the driver files.
kit_previous_uninstall() {
  local name ended started
  medium "$E2E_C/medium" all
  install_uninst
  kit_seed_keys
  kit_put_files isu inf vousb vomon
  kit_snapshot before
  E2E_UNINST_SECONDS=3 E2E_PROBE="${KIT_FILE[inf]};${KIT_FILE[vousb]};${KIT_FILE[vomon]}" drive <<EOF
$(start_app)
$(kit_choose 1002)
wait-box "${KIT_BOX_CAPTION[previous]}"
answer 1
wait-box "${KIT_BOX_CAPTION[inf]}"
answer 1
wait-exit
EOF
  expect_drive_ok
  kit_expect_box 1 previous
  kit_expect_box 2 inf
  assert_runs <<EOF
uninst-start|$KIT_UNINST_COMMAND|$MEDIUM_WIN|c:\\windows\\uninst.exe
$(setup_run 1)
EOF
  for name in inf vousb vomon; do
    grep -qF "|${KIT_FILE[$name]}|present" "$E2E_C/e2e/stub.log" \
      || check_failed "${KIT_FILE[$name]} was gone before the uninstaller ended"
  done
  ended=$(kit_log_tick uninst-end)
  started=$(kit_log_tick setup)
  [ -n "$ended" ] && [ -n "$started" ] && [ "$started" -ge "$ended" ] \
    || check_failed "setup started at tick ${started:-?}, before the uninstaller ended at ${ended:-?}"
  kit_expect_instances_cleared
  kit_file_is isu isu
  kit_file_is inf -
  kit_file_is bak inf
  kit_file_is vousb -
  kit_file_is vomon -
  kit_assert_rest_unchanged before "${KIT_DEVICE_KEYS[0]}\\" "${KIT_FILE[inf]}" "${KIT_FILE[bak]}" \
    "${KIT_FILE[vousb]}" "${KIT_FILE[vomon]}"
}
scenario cleanup_kit_previous_uninstall kit_previous_uninstall

# --- the kit: old INF and driver files --------------------------------------

# Rows: name | files there | files held open | read-only files | boxes in
# order, each KIND:BUTTON pressed | the files afterwards, NAME=SOURCE (the
# text of SOURCE, "-" absent; files not named must be absent) | setup started.
# Renaming a read-only INF works on Windows, so a failed move comes from the
# backup (read-only, or in use) or from the INF in use.
KIT_FILE_ROWS=(
  "cleanup_kit_inf_moved|inf vousb|||inf:1|bak=inf|1"
  "cleanup_kit_inf_over_backup|inf bak|||inf:1|bak=inf|1"
  "cleanup_kit_inf_read_only|inf||inf|inf:1|bak=inf|1"
  "cleanup_kit_inf_cancel|inf bak vousb vomon|||inf:2|inf=inf bak=bak vousb=vousb vomon=vomon|0"
  "cleanup_kit_inf_backup_read_only|inf bak vousb vomon||bak|inf:1 inf_err:1|inf=inf bak=bak vousb=vousb vomon=vomon|0"
  "cleanup_kit_inf_backup_in_use|inf bak vousb vomon|bak||inf:1 inf_err:1|inf=inf bak=bak vousb=vousb vomon=vomon|0"
  "cleanup_kit_inf_in_use|inf vousb vomon|inf||inf:1 inf_err:1|inf=inf vousb=vousb vomon=vomon|0"
  "cleanup_kit_vousb_in_use|vousb vomon|vousb||vousb_err:1|vousb=vousb vomon=vomon|0"
  "cleanup_kit_vousb_read_only|vousb vomon||vousb|vousb_err:1|vousb=vousb vomon=vomon|0"
  "cleanup_kit_vomon_in_use|vousb vomon|vomon||vomon_err:1|vomon=vomon|0"
  "cleanup_kit_vomon_only|vomon|||||1"
)

kit_files() {
  local there=$1 held=$2 read_only=$3 boxes=$4 after=$5 started=$6
  local name step n=0 script="" source
  medium "$E2E_C/medium" all
  # shellcheck disable=SC2086  # lists of names
  kit_put_files $there
  # shellcheck disable=SC2086
  kit_read_only $read_only
  kit_snapshot before
  for name in $held; do script+="hold ${KIT_FILE[$name]}"$'\n'; done
  script+="$(start_app)"$'\n'"$(kit_choose 1002)"$'\n'
  for step in $boxes; do
    script+="wait-box \"${KIT_BOX_CAPTION[${step%:*}]}\""$'\n'"answer ${step#*:}"$'\n'
  done
  drive <<< "${script}wait-exit"
  expect_drive_ok
  for step in $boxes; do
    n=$((n + 1))
    kit_expect_box "$n" "${step%:*}"
  done
  [ "$(kit_box_count)" = "$n" ] || check_failed "$(kit_box_count) boxes, expected $n"
  if [ "$started" = 1 ]; then assert_runs <<< "$(setup_run 1)"; else assert_no_runs; fi
  for name in inf bak vousb vomon; do
    source=-
    for step in $after; do [ "${step%%=*}" = "$name" ] && source=${step#*=}; done
    kit_file_is "$name" "$source"
  done
  kit_assert_rest_unchanged before "${KIT_FILE[inf]}" "${KIT_FILE[bak]}" "${KIT_FILE[vousb]}" "${KIT_FILE[vomon]}"
}

for row in "${KIT_FILE_ROWS[@]}"; do
  IFS='|' read -r name there held read_only boxes after started <<< "$row"
  scenario "$name" kit_files "$there" "$held" "$read_only" "$boxes" "$after" "$started"
done

# --- the cable test: device registrations and driver database ---------------

# Every instance names its class key in "Driver". Rows of the walk: the class
# keys of well-formed values go, malformed values delete nothing and the walk
# goes on, and an instance without Driver ends the walk of its device key.
ctst_seed() {
  {
    echo REGEDIT4
    kit_instance "${KIT_DEVICE_KEYS[1]}" '0001' 'USB'
    kit_instance "${KIT_DEVICE_KEYS[1]}" '0002' '\E2EKeepA\0000' noclass
    kit_instance "${KIT_DEVICE_KEYS[1]}" '0003' 'E2EKeepB\0000\' noclass
    kit_instance "${KIT_DEVICE_KEYS[1]}" '0004' 'E2EKeepC\..' noclass
    kit_instance "${KIT_DEVICE_KEYS[1]}" '0005' 'E2EKeepD\.\0000' noclass
    kit_instance "${KIT_DEVICE_KEYS[1]}" '0006' 'E2EKeepE\\0000' noclass
    kit_instance "${KIT_DEVICE_KEYS[1]}" '0007' '' noclass
    kit_instance "${KIT_DEVICE_KEYS[1]}" '0008' 'E2EVoUsb\0005'
    kit_instance "${KIT_DEVICE_KEYS[5]}" '0001' -
    kit_instance "${KIT_DEVICE_KEYS[5]}" '0002' 'E2EVoUsb\0006'
    kit_reg_tree "$KIT_CLASS_KEY\\E2EKeepA\\0000"
    kit_reg_tree "$KIT_CLASS_KEY\\E2EKeepB\\0000"
    kit_reg_tree "$KIT_CLASS_KEY\\E2EKeepC\\0000"
    kit_reg_tree "$KIT_CLASS_KEY\\E2EKeepD\\0000"
    kit_reg_tree "$KIT_CLASS_KEY\\E2EKeepE\\0000"
  } | reg_import
}

# The driver database names; ROW: keys seeded (1/0) | database files there.
ctst_cleanup() {
  local keys=$1 files=$2 key
  medium "$E2E_C/medium" all
  if [ "$keys" = 1 ]; then
    kit_seed_keys
    ctst_seed
  fi
  # The kit's own leftovers are not the cable test's business.
  # shellcheck disable=SC2086
  kit_put_files isu inf bak vousb vomon $files
  kit_snapshot before
  drive <<EOF
$(start_app)
$(kit_choose 1005)
wait-exit
EOF
  expect_drive_ok
  assert_runs <<< "$(setup_run 3)"
  kit_file_is drvidx -
  kit_file_is drvdata -
  local gone=("${KIT_DEVICE_KEYS[@]}") kept=()
  if [ "$keys" = 1 ]; then
    for key in 0000 0001 0002 0003 0004 0005; do gone+=("$KIT_CLASS_KEY\\E2EVoUsb\\$key"); done
    gone+=("$KIT_CLASS_KEY\\E2EVoLink\\0000" "$KIT_CLASS_KEY\\E2EVoLink\\0001")
    kept=("$KIT_CLASS_KEY\\E2EVoUsb\\0006\\LogConf\\Epsilon" "$KIT_CLASS_KEY\\E2EVoUsb\\0010"
      "$KIT_CLASS_KEY\\E2EVoUsb\\0011" "$KIT_CLASS_KEY\\E2EVoUsb\\0099"
      "$KIT_CLASS_KEY\\USB\\Device Parameters\\Alpha\\One"
      "$KIT_CLASS_KEY\\E2EKeepA\\0000" "$KIT_CLASS_KEY\\E2EKeepB\\0000" "$KIT_CLASS_KEY\\E2EKeepC\\0000"
      "$KIT_CLASS_KEY\\E2EKeepD\\0000" "$KIT_CLASS_KEY\\E2EKeepE\\0000"
      'HKLM\Enum\USB\VID_0B7C&PID_0F601\0000\Device Parameters\Alpha\Two'
      'HKLM\Enum\USB\VID_0B7C&PID_6B1\0000')
  fi
  for key in "${gone[@]}"; do assert_key_absent "$key"; done
  for key in "${kept[@]}"; do assert_key_exists "$key"; done
  kit_assert_rest_unchanged before "${gone[@]}" "${KIT_FILE[drvidx]}" "${KIT_FILE[drvdata]}"
}

KIT_CTST_ROWS=(
  "cleanup_ctst_cleanup|1|drvidx drvdata"
  "cleanup_ctst_only_drvdata|0|drvdata"
)
for row in "${KIT_CTST_ROWS[@]}"; do
  IFS='|' read -r name keys files <<< "$row"
  scenario "$name" ctst_cleanup "$keys" "$files"
done

# --- the others prepare nothing ---------------------------------------------

# Everything the kit and the cable test would remove is there and stays; only
# the product's own setup program starts. Rows: name | option ID | index.
KIT_PLAIN_ROWS=(
  "cleanup_plain_acrobat_keeps_kit|1001|0"
  "cleanup_plain_keil_keeps_kit|1004|2"
)

kit_plain_product() {
  local id=$1 index=$2
  medium "$E2E_C/medium" all
  install_uninst
  kit_seed_keys
  kit_put_files isu inf bak vousb vomon drvidx drvdata
  snapshot before
  drive <<EOF
$(start_app)
$(kit_choose "$id")
wait-exit
EOF
  expect_drive_ok
  assert_runs <<< "$(setup_run "$index")"
  assert_key_exists "${KIT_DEVICE_KEYS[0]}\\${KIT_INSTANCES[0]}\\LogConf\\Gamma\\Delta"
  assert_unchanged before
}

for row in "${KIT_PLAIN_ROWS[@]}"; do
  IFS='|' read -r name id index <<< "$row"
  scenario "$name" kit_plain_product "$id" "$index"
done
