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
# folders; it runs no maintainer script (the package has none), so it needs no chroot.
if ! PATH="$PATH:/usr/local/sbin:/usr/sbin:/sbin" dpkg --force-not-root --root="$root" \
     --log=/dev/null -i "$deb" >"$work/dpkg.log" 2>&1; then
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
echo "installed package starts"
