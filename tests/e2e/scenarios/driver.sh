# Checks of the harness itself, against e2e-demo.exe (demo/demo.cpp): that
# keys, mouse clicks and boxes reach a dialog under Wine, that the driver
# notices a box nobody expected, and that the stand-ins record what they should.

DEMO_WIN='C:\e2e\e2e-demo.exe'
DEMO_CAPTION="E2E Demo Dialog"

start_demo() {
  echo "launch $MEDIUM_WIN $DEMO_WIN"
  echo "wait-window \"$DEMO_CAPTION\""
}

demo_medium() { cp "$E2E_C/e2e/stub-setup.exe" "$E2E_C/medium/setup.exe"; }

driver_input() {
  demo_medium
  drive <<EOF
$(start_demo)
focus
key tab
wait-focus 2
key shift+tab
wait-focus 1
mouse 1002
wait-control 1002 checked 1
key enter
wait-box "Demo Question"
answer 7
click 1
wait-box "Demo Question"
answer 6
wait-exit
EOF
  expect_drive_ok
  expect_out box.text "Start option 1002?"
  expect_out box.buttons "6,7"
  expect_out box.owner 0x00000000
  expect_out exit.code 1002
  assert_runs <<< 'setup|setup.exe 1002|C:\medium|c:\medium\setup.exe'
}
scenario driver_input driver_input

# Escape ends the demo; nothing runs and nothing changes.
driver_unchanged() {
  demo_medium
  snapshot before
  drive <<EOF
$(start_demo)
key escape
wait-exit
EOF
  expect_drive_ok
  expect_out exit.code 0
  assert_no_runs
  assert_unchanged before
}
scenario driver_unchanged driver_unchanged

# A box that appears while the driver waits for the end is reported.
driver_sees_box() {
  demo_medium
  drive <<EOF
$(start_demo)
click 1001
wait-control 1001 checked 1
click 1
wait-exit
EOF
  expect_out error "wait-exit: a box appeared: Demo Question"
  expect_out box.text "Start option 1001?"
  expect_out killed 1
  assert_no_runs
}
scenario driver_sees_box driver_sees_box

# The uninstaller stand-in runs as long as told, records its probes and exits
# with the code it is given.
driver_uninst_stub() {
  local log=$E2E_C/e2e/stub.log took
  install_uninst
  echo inf > "$(unix_path 'C:\Windows\INF')/e2e-probe.inf"
  E2E_UNINST_SECONDS=2 E2E_UNINST_EXIT=3 \
    E2E_PROBE='C:\Windows\INF\e2e-probe.inf;C:\Windows\INF\e2e-none.inf' drive <<'EOF'
launch C:\ C:\WINDOWS\uninst.exe -y -fX
wait-exit
EOF
  expect_drive_ok
  expect_out exit.code 3
  assert_runs <<< 'uninst-start|"C:\WINDOWS\uninst.exe" -y -fX|C:\|c:\windows\uninst.exe'
  grep -q '^probe|[0-9]*|C:\\Windows\\INF\\e2e-probe.inf|present' "$log" \
    || check_failed "probe of a present file not recorded"
  grep -q '^probe|[0-9]*|C:\\Windows\\INF\\e2e-none.inf|absent' "$log" \
    || check_failed "probe of a missing file not recorded"
  took=$(tr -d '\r' < "$log" | awk -F'|' '$1 == "uninst-start" { s = $2 } $1 == "uninst-end" { print $2 - s }')
  [ "${took:-0}" -ge 2000 ] || check_failed "uninstaller stand-in ran ${took:-?} ms, expected at least 2000"
}
scenario driver_uninst_stub driver_uninst_stub

# CD-ROM letters as the scenarios set them up: one with a disc, one without.
driver_cdrom() {
  mkdir -p "$SCN_DIR/disc"
  cdrom E: "$SCN_DIR/disc"
  cdrom F:
  drive <<'EOF'
drive-type E
drive-type F
drive-type C
EOF
  expect_drive_ok
  expect_out drive.E 5
  expect_out drive.F 5
  expect_out drive.C 3
}
scenario driver_cdrom driver_cdrom
