# Where the program looks for its medium, seen through the options it leaves
# enabled. The kit's setup program (product 1) marks a medium; the working
# directory is tried first, then the CD-ROM drives from D: to Z:, and without a
# hit the products are looked for on Z:. Each layout gives every candidate a
# different set of products, so the options show which one was taken.

# layout_put FOLDER ITEM...: ITEM is a product index (its setup stand-in), or
# an index followed by "d" for a folder named like the setup program.
layout_put() {
  local folder=$1 item path
  shift
  mkdir -p "$folder"
  for item in "$@"; do
    case $item in
      *d) path=${PRODUCT_PATHS[${item%d}]//\\//}; mkdir -p "$folder/$path" ;;
      *) medium "$folder" "$item" ;;
    esac
  done
}

# Layout words, run in order (";" between them in a row):
#   cwd ITEM...          the working directory C:\medium
#   cd L ITEM...         CD-ROM drive L with a disc holding the items
#   nodisc L             CD-ROM drive L without a disc
#   fixed L ITEM...      fixed drive L (a folder of its own) holding the items
layout_cwd() { layout_put "$E2E_C/medium" "$@"; }
layout_cd() {
  local letter=$1
  shift
  layout_put "$SCN_DIR/disc-$letter" "$@"
  cdrom "$letter" "$SCN_DIR/disc-$letter"
}
layout_nodisc() { cdrom "$1"; }
layout_fixed() {
  local letter=$1
  shift
  layout_put "$SCN_DIR/fixed-$letter" "$@"
  ln -sfn "$SCN_DIR/fixed-$letter" "$WINEPREFIX/dosdevices/${letter,,}:"
}

# lay_out "cd D 1 2; fixed Z 0"
lay_out() {
  local words word parts
  IFS=';' read -r -a words <<< "$1"
  for word in "${words[@]}"; do
    read -r -a parts <<< "$word"
    "layout_${parts[0]}" "${parts[@]:1}"
  done
}

# expect_options "E1 E2 E4": the enabled states of options 1001, 1002, 1004
# from the last driver output; none checked, 1005 hidden and left alone.
expect_options() {
  local states id index=0
  read -r -a states <<< "$1"
  for id in 1001 1002 1004; do
    expect_out "ctl.$id.enabled" "${states[$index]}" "option $id enabled"
    expect_out "ctl.$id.checked" 0 "option $id checked"
    index=$((index + 1))
  done
  expect_out ctl.1005.visible 0 "option 1005 hidden"
  expect_out ctl.1005.enabled 1 "option 1005 left enabled"
}

# expect_only_dialog: the program shows no window but its dialog (no system
# error box from probing a drive).
expect_only_dialog() {
  local pid others
  pid=$(out launch.pid)
  others=$(grep "^top=.* pid=$pid " "$SCN_DIR/last.out" | grep -v "caption=$CAPTION\$")
  [ -z "$others" ] || check_failed "other windows of the program: ${others//$'\n'/; }"
}

# expect_drive_types "E=5 Z=3": drive types as the program sees them.
expect_drive_types() {
  local pair
  for pair in $1; do
    expect_out "drive.${pair%%=*}" "${pair#*=}" "type of drive ${pair%%=*}:"
  done
}

# Rows: name | layout | enabled states of 1001 1002 1004 | drive types to
# check first (5 CD-ROM, 3 fixed).
DISCOVERY_ROWS=(
  # The working directory holds Acrobat and the kit; the CD the kit and Keil.
  "discovery_cwd_before_cd|cwd 0 1; cd D 1 2|1 1 0|D=5"
  # D: has products but no kit; E: and G: both have the kit.
  "discovery_first_cd_wins|cd D 0 2; cd E 1 2; cd G 0 1|0 1 1|D=5 E=5 G=5"
  # Probing the empty drive must stay silent and go on to F:.
  "discovery_empty_drive_first|nodisc D; cd F 0 1|1 1 0|D=5 F=5"
  # A fixed drive is never a medium, whatever it holds; Z: then decides.
  "discovery_fixed_not_medium|fixed E 0 1 2; fixed Z 0|1 0 0|E=3 Z=3"
  # No medium anywhere: the products are looked for on Z:, a fixed drive here.
  "discovery_z_fallback|cd E 0 2; fixed Z 0 2|1 0 1|E=5 Z=3"
  # A folder in the kit's place counts as the kit.
  "discovery_kit_folder|cd E 1d 2|0 1 1|E=5"
  "discovery_kit_alone|cd D 1|0 1 0|D=5"
)

discovery_layout() {
  local states=$2 types=$3 letter
  lay_out "$1"
  drive <<EOF
$(for letter in $types; do echo "drive-type ${letter%%=*}"; done)
$(start_app)
controls
windows
key escape
wait-exit
EOF
  expect_drive_ok
  expect_drive_types "$types"
  expect_options "$states"
  expect_only_dialog
  expect_out exit.code 0
  assert_no_runs
}

for row in "${DISCOVERY_ROWS[@]}"; do
  IFS='|' read -r name layout states types <<< "$row"
  scenario "$name" discovery_layout "$layout" "$states" "$types"
done

# No CD-ROM drive and no Z:: every option is disabled, yet the dialog comes up
# and OK starts nothing.
discovery_nothing() {
  no_z_drive
  drive <<EOF
drive-type Z
$(start_app)
controls
windows
mouse 1
wait-exit
EOF
  expect_drive_ok
  expect_drive_types "Z=1"  # DRIVE_NO_ROOT_DIR
  expect_options "0 0 0"
  expect_only_dialog
  expect_out exit.code 0
  assert_no_runs
}
scenario discovery_nothing discovery_nothing

# Run from the CD with another working directory: the medium is found on the
# CD, and the setup program is started by its bare relative path, which
# resolves next to the program first (the working directory holds Keil too).
discovery_run_from_cd() {
  lay_out "cd E 0 1 2; cwd 2"
  cp "$E2E_C/e2e/bin/MasterInstall.exe" "$SCN_DIR/disc-E/"
  drive <<EOF
launch $MEDIUM_WIN E:\\MasterInstall.exe
wait-window "$CAPTION"
controls
mouse 1004
wait-control 1004 checked 1
key enter
wait-exit
EOF
  expect_drive_ok
  expect_out ctl.1001.enabled 1 "option 1001 enabled"
  expect_out ctl.1002.enabled 1 "option 1002 enabled"
  expect_out exit.code 0
  assert_runs <<< "setup|${PRODUCT_PATHS[2]}|$MEDIUM_WIN|e:\\${PRODUCT_PATHS[2],,}"
}
scenario discovery_run_from_cd discovery_run_from_cd
