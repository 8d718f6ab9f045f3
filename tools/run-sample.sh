#!/bin/bash
# make run: lays out a sample CD in build/run/medium (the program at its root,
# stand-in setup programs at the products' paths), mounts it as CD-ROM drive
# D: of a Wine prefix in Windows 98 mode and starts the program from D:\.
# With DISPLAY set it runs on that display until the user closes it. Without
# one it runs on its own virtual display inside a Wine desktop (which draws
# Windows-style frames), saves build/run/dialog.png and presses Cancel.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
bin=$top/build/win32
run=$top/build/run
medium=$run/medium
export WINEPREFIX=$run/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset WINESERVER WINELOADER

rm -rf "$medium"
mkdir -p "$medium"
cp "$bin/MasterInstall.exe" "$medium/"
for path in 'Acrobat4\ar40eng.exe' 'VoUsb.ins\disk1\setup.exe' 'Keil4k.ins\disk1\setup.exe' 'CTst.ins\disk1\setup.exe'; do
    unix=$medium/${path//\\//}
    mkdir -p "$(dirname "$unix")"
    cp "$bin/stub-setup.exe" "$unix"
done

xvfb_pid=""
stop() {
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap stop EXIT

headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    : > "$run/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$run/display" > "$run/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$run/display" ] && break; sleep 0.1; done
    [ -s "$run/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$(head -n 1 "$run/display")
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making a Wine prefix in $WINEPREFIX (once)..."
    timeout 300 wineboot -i > "$run/wineboot.log" 2>&1
    wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f > /dev/null
fi
# The sample CD as drive D:.
ln -sfn "$medium" "$WINEPREFIX/dosdevices/d:"
wine reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f /reg:64 > /dev/null
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
# The stand-ins record their runs here.
export E2E_LOG='C:\sample-run.log'
rm -f "$WINEPREFIX/drive_c/sample-run.log"

if [ "$headless" = 0 ]; then
    (cd "$medium" && wine 'D:\MasterInstall.exe')
else
    # The driver must run on the same Wine desktop to see the dialog.
    cp "$bin/e2e-driver.exe" "$WINEPREFIX/drive_c/"
    on_desktop() { wine explorer /desktop=Sample,800x600 "$@"; }
    (cd "$medium" && on_desktop 'D:\MasterInstall.exe') &
    app=$!
    on_desktop 'C:\e2e-driver.exe' wait-window "Kestrinel Master Install" 60000 > "$run/driver.log"
    # Visible is not yet drawn: wait until the picture holds more than the background.
    for _ in $(seq 100); do
        import -window root -crop 800x600+0+0 "$run/dialog.png"
        [ "$(identify -format %k "$run/dialog.png")" -gt 16 ] && break
        sleep 0.2
    done
    echo "Screenshot: $run/dialog.png"
    printf 'wait-window "Kestrinel Master Install" 5000\nclick 2\nwait-gone 10000\n' |
        on_desktop 'C:\e2e-driver.exe' >> "$run/driver.log"
    wait "$app"
fi
if [ -s "$WINEPREFIX/drive_c/sample-run.log" ]; then
    echo "Started:"
    cut -d'|' -f3,4 "$WINEPREFIX/drive_c/sample-run.log"
fi
