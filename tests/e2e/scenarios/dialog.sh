# The dialog under real keyboard and mouse input, on screens of several sizes,
# minimized and restored, and with F1. The medium is in the working directory.

# drive_on_desktop NAME WxH < SCRIPT: as drive, with the driver (and so the
# program it launches) inside a Wine virtual desktop of that size.
drive_on_desktop() {
  local n=$(( $(ls "$SCN_DIR"/drive.*.out 2>/dev/null | wc -l) + 1 ))
  cat > "$SCN_DIR/drive.$n.script"
  E2E_LOG=$STUB_LOG_WIN timeout 300 wine explorer "/desktop=$1,$2" 'C:\e2e\e2e-driver.exe' \
    < "$SCN_DIR/drive.$n.script" > "$SCN_DIR/drive.$n.out" 2>"$SCN_DIR/drive.$n.err"
  tr -d '\r' < "$SCN_DIR/drive.$n.out" > "$SCN_DIR/last.out"
  echo "--- drive $n on desktop $1 $2"; cat "$SCN_DIR/drive.$n.script"; echo "--- output"; cat "$SCN_DIR/last.out"
}

# Only OK and Cancel take the focus with Tab, both ways round; no option gets
# chosen on the way.
dialog_tab_order() {
  medium "$E2E_C/medium" all
  drive <<EOF
$(start_app)
wait-focus 1
key tab
wait-focus 2
key tab
wait-focus 1
key shift+tab
wait-focus 2
key shift+tab
wait-focus 1
controls
key escape
wait-exit
EOF
  expect_drive_ok
  local id
  for id in 1001 1002 1004; do
    expect_out "ctl.$id.checked" 0 "option $id after tabbing"
  done
  expect_out exit.code 0
  assert_no_runs
}
scenario dialog_tab_order dialog_tab_order

# A click on a disabled option does nothing. The medium holds only the kit, so
# 1001 and 1004 are disabled. Tab afterwards is processed after the clicks, so
# once the focus has moved the clicks have been handled.
dialog_click_disabled() {
  medium "$E2E_C/medium" 1
  drive <<EOF
$(start_app)
control 1001
control 1004
mouse 1001
mouse 1004
key tab
wait-focus 2
control 1001
control 1004
key shift+tab
wait-focus 1
mouse 1
wait-exit
EOF
  expect_drive_ok
  expect_out ctl.1001.enabled 0 "option 1001 enabled"
  expect_out ctl.1004.enabled 0 "option 1004 enabled"
  expect_out ctl.1001.checked 0 "option 1001 after a click"
  expect_out ctl.1004.checked 0 "option 1004 after a click"
  expect_out exit.code 0
  assert_no_runs
}
scenario dialog_click_disabled dialog_click_disabled

# A disabled option keeps its place in the group: with Acrobat missing, the
# kit is still option 1 and Keil option 2. Nothing was installed before, so
# the kit starts without a question. Rows: name | option | product index.
GAP_ROWS=(
  "dialog_gap_kit|1002|1"
  "dialog_gap_keil|1004|2"
)

choose_after_gap() {
  local id=$1 index=$2
  medium "$E2E_C/medium" 1 2
  drive <<EOF
$(start_app)
control 1001
mouse $id
wait-control $id checked 1
key enter
wait-exit
EOF
  expect_drive_ok
  expect_out ctl.1001.enabled 0 "option 1001 enabled"
  expect_out exit.code 0
  assert_runs <<< "$(setup_run "$index")"
}

for row in "${GAP_ROWS[@]}"; do
  IFS='|' read -r name id index <<< "$row"
  scenario "$name" choose_after_gap "$id" "$index"
done

# Centred on screens of other sizes than Xvfb's 1024x768 (startup.sh), each a
# Wine virtual desktop. Rows: name | screen size.
SCREEN_ROWS=(
  "dialog_centred_640x480|640x480"
  "dialog_centred_800x600|800x600"
  "dialog_centred_1280x1024|1280x1024"
)

centred_on_screen() {
  local size=$1
  medium "$E2E_C/medium" all
  drive_on_desktop Centre "$size" <<EOF
$(start_app)
screen
key escape
wait-exit
EOF
  expect_drive_ok
  expect_out screen.size "${size/x/,}"
  expect_centred
  expect_out exit.code 0
  assert_no_runs
}

for row in "${SCREEN_ROWS[@]}"; do
  IFS='|' read -r name size <<< "$row"
  scenario "$name" centred_on_screen "$size"
done

# Minimized, the program keeps running; restored, it is back where it was and
# answers the mouse and keyboard. Wine minimizes only in a virtual desktop.
dialog_minimize_restore() {
  local before pid
  medium "$E2E_C/medium" all
  drive_on_desktop Minimize 1024x768 <<EOF
$(start_app)
minimize
wait-iconic 1
processes
restore
wait-iconic 0
window
mouse 1004
wait-control 1004 checked 1
key enter
wait-exit
EOF
  expect_drive_ok
  before=$(sed -n 's/^window.rect=//p' "$SCN_DIR/last.out" | head -n 1)
  expect_out window.rect "$before" "window after restoring"
  pid=$(out launch.pid)
  grep -q "^process=$pid parent=[0-9]* exe=MasterInstall.exe\$" "$SCN_DIR/last.out" \
    || check_failed "the program was not running while minimized"
  expect_out exit.code 0
  assert_runs <<< "$(setup_run 2)"
}
scenario dialog_minimize_restore dialog_minimize_restore

# F1 asks Wine's help viewer for the help file next to the program. There is
# none: the viewer says so in a box named ERROR; answering No (not looking for
# the file) ends the viewer, and the dialog goes on working.
dialog_help_f1() {
  local pid
  medium "$E2E_C/medium" all
  drive <<EOF
$(start_app)
key f1
wait-box ERROR
processes
answer 7
mouse 2
wait-exit
EOF
  expect_drive_ok
  [[ $(out box.text) == *"'C:\e2e\bin\MasterInstall.HLP'"* ]] \
    || check_failed "help viewer's box does not name C:\e2e\bin\MasterInstall.HLP: $(out box.text)"
  pid=$(out launch.pid)
  grep -q "^process=[0-9]* parent=$pid exe=winhlp32.exe\$" "$SCN_DIR/last.out" \
    || check_failed "no help viewer started by the program"
  expect_out exit.code 0
  assert_no_runs
}
scenario dialog_help_f1 dialog_help_f1
