#!/usr/bin/env bash
# Installs the Debian package on a bare Debian 12 (debootstrap minbase in a temporary chroot)
# with `apt-get install ./veldris_*.deb`, so that apt resolves the dependencies the package
# declares and nothing else, and runs the installed program there from another directory:
# veldris-cli --simulate scan, and the window with --simulate (offscreen).
# Needs root and the Debian mirror; where either is missing it says so and skips (exit 0).
#   tests/package/install_in_chroot.sh PACKAGE.deb [MIRROR]
set -euo pipefail
deb=$(realpath "$1")
mirror="${2:-http://deb.debian.org/debian}"

skip() { echo "install_in_chroot: skipped: $*"; exit 0; }
[[ $(id -u) -eq 0 ]] || skip "needs root for the chroot"
command -v debootstrap >/dev/null || skip "debootstrap is not installed"

root=$(mktemp -d /tmp/veldris-chroot-XXXXXX)
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT

debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 \
  || { tail -5 "$root.log"; rm -f "$root.log"; skip "debootstrap could not build a Debian 12 root from $mirror"; }
rm -f "$root.log"
mount -t proc proc "$root/proc" 2>/dev/null || true
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
cp "$deb" "$root/tmp/"

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }
in_root apt-get update -q >"$root/tmp/apt.log" 2>&1 || skip "apt-get update failed in the chroot (mirror unreachable?)"
if ! in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$deb")" \
       >"$root/tmp/apt.log" 2>&1; then
  cat "$root/tmp/apt.log" >&2
  echo "install_in_chroot: apt-get install ./$(basename "$deb") failed" >&2
  exit 1
fi
echo "install_in_chroot: installed $(basename "$deb") and $(in_root dpkg-query -W | wc -l) packages in all"

failures=0
scan=$(in_root sh -c 'cd /tmp && timeout 60 veldris-cli --simulate --json scan') || failures=1
echo "install_in_chroot: veldris-cli --simulate --json scan: $scan"
[[ "$scan" == *'"nodes":['[0-9]* ]] || { echo "install_in_chroot: the scan found no sensor" >&2; failures=1; }
status=0
in_root sh -c 'cd / && QT_QPA_PLATFORM=offscreen timeout 5 veldris --simulate' >"$root/tmp/window.log" 2>&1 || status=$?
if [[ $status -ne 124 ]]; then
  echo "install_in_chroot: the window ended with status $status:" >&2
  cat "$root/tmp/window.log" >&2
  failures=1
fi
in_root test -s /root/.config/veldris/settings.ini \
  || { echo "install_in_chroot: no settings in ~/.config/veldris" >&2; failures=1; }
[[ $failures -eq 0 ]] && echo "install_in_chroot: passed"
exit $failures
