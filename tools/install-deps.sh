#!/bin/sh
# Installs what the build and the tests need, only when something is missing:
# the mingw-w64 cross compiler, the host test tools, Wine with its 32-bit half,
# Xvfb, xdotool and ImageMagick. On a kernel that cannot run 32-bit x86 code
# itself, 32-bit Wine runs through qemu's user-mode emulator, registered for
# i386 programs; qemu 7 is far too slow for Wine's start-up, so qemu comes from
# bookworm-backports.
set -eu

missing() { ! command -v "$1" >/dev/null 2>&1; }
need=""
missing i686-w64-mingw32-g++ && need="$need g++-mingw-w64-i686"
missing cmake && need="$need cmake"
missing g++ && need="$need g++"
missing make && need="$need make"
[ -d /usr/src/googletest ] || need="$need googletest"
missing Xvfb && need="$need xvfb"
missing xdotool && need="$need xdotool"
missing import && need="$need imagemagick"
dpkg -s wine32:i386 >/dev/null 2>&1 && ! missing wine || need="$need wine wine32:i386 wine64"

as_root() {
  if [ "$(id -u)" != 0 ]; then
    echo "install-deps: needs root for: $*" >&2
    exit 1
  fi
}

export DEBIAN_FRONTEND=noninteractive
if [ -n "$need" ]; then
  as_root "$need"
  case "$need" in *wine32*) dpkg --add-architecture i386 ;; esac
  apt-get update -q
  # shellcheck disable=SC2086
  apt-get install -y -q --no-install-recommends $need
fi

# Can this kernel run a 32-bit program?
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  exit 0
fi
as_root "qemu-user for 32-bit programs"
if ! [ -x /usr/bin/qemu-i386 ] || ! /usr/bin/qemu-i386 --version | grep -qE 'version ([89]|[1-9][0-9])\.'; then
  list=/etc/apt/sources.list.d/bookworm-backports.sources
  if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
    printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' > "$list"
  fi
  apt-get update -q
  apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user-static
fi
binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
# Re-register so that the handler holds the current emulator ('F' opens it now).
[ -e "$binfmt/qemu-i386" ] && echo -1 > "$binfmt/qemu-i386"
printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' > "$binfmt/register"
/lib/ld-linux.so.2 --version >/dev/null
