#!/usr/bin/env bash
# Checks the Debian package: its control data and the dependencies computed from the binaries,
# its contents, lintian, and the program unpacked into a fresh root and run from another
# directory (the simulated bus, the window offscreen).
#   tests/package/check_package.sh build-package/veldris_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "check_package: $*" >&2; failures=$((failures + 1)); }

info=$(dpkg-deb --info "$deb")
for field in "Package: veldris" "Section: electronics" "Maintainer: KAVRO GmbH <service@kavro.example>"; do
  grep -qxF " $field" <<<"$info" || fail "control lacks '$field'"
done
depends=$(dpkg-deb --field "$deb" Depends)
for dependency in libc6 libqt6widgets6 libqt6gui6 libqt6core6 libzip4 libsocketcan2 qt6-qpa-plugins; do
  grep -qE "(^|, )$dependency( |,|$)" <<<"$depends" || fail "Depends lacks $dependency: $depends"
done

arch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
contents=$(dpkg-deb --contents "$deb" | awk '{ $1=$2=$3=$4=$5=""; sub(/^ +/, ""); print }')
expected=(
  ./usr/bin/veldris ./usr/bin/veldris-cli
  "./usr/lib/$arch/veldris/libpcanbasic-sim.so" "./usr/lib/$arch/veldris/libpcanbasic-socketcan.so"
  ./usr/share/veldris/canopen.dev ./usr/share/veldris/lang/de_DE.po ./usr/share/veldris/lang/cn.po
  ./usr/share/veldris/samples/veldris-sample.kfu
  "./usr/share/veldris/doc/Operating Manual KAVRO Veldris_EN.pdf"
  "./usr/share/veldris/doc/Operating Manual KAVRO Veldris_DE.pdf"
  "./usr/share/veldris/doc/Operating Manual KAVRO Veldris_CN.pdf"
  ./usr/share/applications/com.kavro.Veldris.desktop
  ./usr/share/icons/hicolor/scalable/apps/com.kavro.Veldris.svg
  ./usr/share/metainfo/com.kavro.Veldris.metainfo.xml
  ./usr/share/man/man1/veldris.1.gz ./usr/share/man/man1/veldris-cli.1.gz
  ./usr/share/doc/veldris/copyright ./usr/share/doc/veldris/changelog.gz
)
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$contents" || fail "package lacks $path"
done
if grep -vE '^\./(usr/)?$|^\./usr/(bin|lib|share)/' <<<"$contents"; then
  fail "package installs outside /usr/bin, /usr/lib, /usr/share (above)"
fi

# Errors fail; warnings and notes are shown for the reader.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian found errors"

# The installed program, started from an unrelated directory with a fresh configuration home:
# it must find its simulator, catalogues and description file under its own prefix.
dpkg-deb -x "$deb" "$work/root"
mkdir -p "$work/elsewhere" "$work/config"
cd "$work/elsewhere"
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen
nodes=$(timeout 60 "$work/root/usr/bin/veldris-cli" --simulate --json scan) || fail "veldris-cli --simulate scan failed"
[[ "$nodes" == *'"nodes":'* && "$nodes" != *'"nodes":[]'* ]] || fail "scan found no simulated sensor: $nodes"
identity=$(timeout 60 "$work/root/usr/bin/veldris-cli" --simulate --node 5 --lang de info 2>&1) \
  || fail "veldris-cli --simulate --node 5 info failed: $identity"
# --adapter socketcan finds its library under the prefix; no CAN interface here: it must say so.
socketcan=$(VELDRIS_SOCKETCAN=nosuchcan7 timeout 60 "$work/root/usr/bin/veldris-cli" --adapter socketcan scan 2>&1) && \
  fail "--adapter socketcan without an interface reported success"
[[ "$socketcan" == *"There is no network interface nosuchcan7"* ]] || fail "--adapter socketcan: $socketcan"
# The window keeps running until it is closed: still up after five seconds is a good start.
status=0
timeout 5 "$work/root/usr/bin/veldris" --simulate >"$work/window.log" 2>&1 || status=$?
[[ $status -eq 124 ]] || fail "the window ended with status $status: $(cat "$work/window.log")"
[[ -f "$work/config/veldris/settings.ini" ]] || fail "the window wrote no settings to the configuration home"

[[ $failures -eq 0 ]] && echo "check_package: $(basename "$deb") passed"
exit $((failures > 0))
