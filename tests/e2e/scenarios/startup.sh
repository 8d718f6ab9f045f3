# The dialog as it comes up, the ways to leave it without doing anything, and
# the plain choices that start a setup program and nothing else. The medium in
# the working directory holds all four products, and the machine is clean, so
# no box may appear.

# OPTION_IDS[index]: the radio button of the product with that index.
OPTION_IDS=(1001 1002 1004 1005)
OPTION_TEXTS=("Adobe Acrobat Reader 4.0" "Kestrinel Vo USB Control Panel"
  "Keil 8051 4KB DevelopmentTools" "Kestrinel Vo Link Cable Test")

startup_dialog() {
  local index id ids tabstops=""
  medium "$E2E_C/medium" all
  drive <<EOF
$(start_app)
screen
controls
focus
EOF
  expect_drive_ok
  expect_out window.class "#32770" "dialog class"
  expect_out window.launched 1 "dialog belongs to the program"
  expect_centred
  for index in 0 1 2; do
    id=${OPTION_IDS[$index]}
    expect_out "ctl.$id.text" "${OPTION_TEXTS[$index]}"
    expect_out "ctl.$id.visible" 1
    expect_out "ctl.$id.enabled" 1
    expect_out "ctl.$id.checked" 0
    # BS_AUTORADIOBUTTON in the low bits of the style
    [ "$(out_bits "ctl.$id.style" 0xF)" = 9 ] || check_failed "control $id is not an auto radio button: style $(out "ctl.$id.style")"
  done
  expect_out ctl.1005.visible 0 "option 1005 hidden"
  expect_out ctl.1.text OK
  expect_out ctl.2.text Cancel
  [ "$(out_bits ctl.1.style 0xF)" = 1 ] || check_failed "OK is not the default push button: style $(out ctl.1.style)"
  expect_out focus.id 1 "focus at start"
  [ -n "$(out ctl.-1.class)" ] || check_failed "no static text with ID -1"
  # Only OK and Cancel are tab stops (WS_TABSTOP = 0x10000).
  IFS=, read -r -a ids <<< "$(out controls)"
  for id in "${ids[@]}"; do
    [ "$(out_bits "ctl.$id.style" 0x10000)" = 0 ] || tabstops+="${tabstops:+,}$id"
  done
  [ "$tabstops" = "1,2" ] || check_failed "tab stops: expected 1,2, got '${tabstops:-none}'"
}
scenario startup_dialog startup_dialog

# Leaving without a choice ends the program; it starts nothing and changes
# nothing. Rows: name | driver lines that leave.
LEAVE_ROWS=(
  "cancel_button|click 2"
  "cancel_escape|key escape"
  "cancel_close_box|close"
  "enter_at_start|key enter"
)

leave_without_choice() {
  medium "$E2E_C/medium" all
  snapshot before
  drive <<EOF
$(start_app)
focus
$1
wait-exit
EOF
  expect_drive_ok
  expect_out focus.id 1 "focus before the key"
  assert_no_runs
  assert_unchanged before
}

for row in "${LEAVE_ROWS[@]}"; do
  IFS='|' read -r name lines <<< "$row"
  scenario "$name" leave_without_choice "$lines"
done

# Choosing a product and pressing OK starts its setup program by its relative
# path, from the working directory. Rows: name | how the option is chosen |
# how OK is pressed | product index.
CHOICE_ROWS=(
  "choose_acrobat|click 1001|click 1|0"
  "choose_keil|mouse 1004|key enter|2"
)

choose_product() {
  local select=$1 confirm=$2 index=$3
  local id=${OPTION_IDS[$index]}
  medium "$E2E_C/medium" all
  drive <<EOF
$(start_app)
$select
wait-control $id checked 1
$confirm
wait-exit
EOF
  expect_drive_ok
  assert_runs <<< "$(setup_run "$index")"
}

for row in "${CHOICE_ROWS[@]}"; do
  IFS='|' read -r name select confirm index <<< "$row"
  scenario "$name" choose_product "$select" "$confirm" "$index"
done
