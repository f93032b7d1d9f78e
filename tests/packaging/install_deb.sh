#!/usr/bin/env bash
# Builds the Debian package, installs it with dpkg, starts the installed program and checks
# what it wrote. The package goes into a root folder of the test's own, with a dpkg database
# that starts as a copy of this machine's: dpkg checks the package's dependencies against what
# the machine has installed, exactly as for an install into /, yet the test needs no root and
# leaves the machine (and any korvant package on it) alone, so every user runs the same case.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cpack -B "$work" --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(ls "$work"/korvant_*.deb)

root="$work/root"
admin="$root/var/lib/dpkg"
mkdir -p "$admin/info" "$admin/updates" "$admin/triggers"
cp /var/lib/dpkg/status "$admin/status"
: >"$admin/available"
# dpkg looks for its helper programs in the PATH, which for an ordinary user lacks the sbin
# folders. Its maintainer scripts run without a chroot (which would need root), with DPKG_ROOT
# naming the root folder: they then leave this machine's udev alone.
dpkg_here() {
  PATH="$PATH:/usr/local/sbin:/usr/sbin:/sbin" dpkg --force-not-root --force-script-chrootless \
    --root="$root" --log=/dev/null "$@"
}
if ! dpkg_here -i "$deb" >"$work/dpkg.log" 2>&1; then
  cat "$work/dpkg.log"
  echo "dpkg could not install the package (a dependency this machine lacks?)"
  exit 1
fi
dpkg-query --admindir="$admin" -W -f='${Status}' korvant | grep -q 'install ok installed'
[ -x "$root/usr/bin/korvant" ]
# The program reads no command line; it must come up and stay up until it is asked to stop,
# and then end as after "&Quit", with its settings written.
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen
set +e
timeout --preserve-status 5 "$root/usr/bin/korvant"
status=$?
set -e
if [ "$status" -ne 0 ]; then
  echo "the installed program ended with status $status"
  exit 1
fi
store="$work/config/Quendrel/Korvant.json"
for value in Version Port Baud StyleVSF SpecialDirectComm; do
  grep -q "\"$value\"" "$store" || { echo "settings lack $value"; exit 1; }
done

# The converters' udev rule: each converter tagged for the seated user and kept from
# ModemManager, numbered before the seat rules.
rules="$root/usr/lib/udev/rules.d/70-korvant-converters.rules"
[ -f "$rules" ] || { echo "the udev rules file is not installed"; exit 1; }
for id in 0403:6001 0403:6015 10c4:ea60 1a86:7523 1a86:55d4 067b:2303; do
  line=$(grep -F "ATTRS{idVendor}==\"${id%:*}\", ATTRS{idProduct}==\"${id#*:}\"" "$rules") ||
    { echo "no rule for $id"; exit 1; }
  [[ $line == *'TAG+="uaccess"'* && $line == *'ENV{ID_MM_DEVICE_IGNORE}="1"'* ]] ||
    { echo "the rule for $id lacks uaccess or the ModemManager ignore: $line"; exit 1; }
done

# The maintainer scripts reload the rules on install and on removal, on this machine only
# (an install into another root reloads nothing). A stand-in udevadm records its calls.
dpkg-deb -e "$deb" "$work/control"
mkdir "$work/bin"
printf '#!/bin/sh\necho "$*" >>"%s"\n' "$work/udevadm.log" >"$work/bin/udevadm"
chmod +x "$work/bin/udevadm"
reload=$'control --reload-rules\ntrigger --subsystem-match=tty --action=change'
for step in "postinst configure" "postrm remove" "postrm purge"; do
  rm -f "$work/udevadm.log"
  DPKG_ROOT="" PATH="$work/bin:$PATH" sh "$work/control/${step% *}" "${step#* }"
  [ "$(cat "$work/udevadm.log" 2>/dev/null)" = "$reload" ] ||
    { echo "$step does not reload the udev rules"; exit 1; }
  rm -f "$work/udevadm.log"
  DPKG_ROOT="$root" PATH="$work/bin:$PATH" sh "$work/control/${step% *}" "${step#* }"
  [ ! -e "$work/udevadm.log" ] || { echo "$step reloaded udev for another root"; exit 1; }
done
rm -f "$work/udevadm.log"
DPKG_ROOT="" PATH="$work/bin:$PATH" sh "$work/control/postrm" upgrade
[ ! -e "$work/udevadm.log" ] || { echo "an upgrade's postrm reloaded the rules"; exit 1; }

# Removed, the package leaves no rule behind.
dpkg_here -r korvant >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; exit 1; }
[ ! -e "$rules" ] || { echo "the udev rule is left after removal"; exit 1; }
echo "installed package starts, carries its udev rule, and is removed cleanly"
