#!/usr/bin/env bash
# Builds the Debian package, installs it into this machine, starts the installed program and
# removes the package again. Needs root; skipped (exit 77) otherwise.
set -euo pipefail
build=$1
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: installing a .deb needs root; this test runs only as root (as CI does)"
  exit 77
fi
if dpkg-query -W -f='${Status}' korvant 2>/dev/null | grep -q 'install ok installed'; then
  echo "SKIP: a korvant package is already installed on this machine; leaving it alone"
  exit 77
fi
work=$(mktemp -d)
trap 'dpkg -r korvant >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
(cd "$work" && cpack -B "$work" --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(ls "$work"/korvant_*.deb)
# Dependencies come from Debian's archive when the machine lacks one.
if ! dpkg -i "$deb" >/dev/null 2>&1; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -f >/dev/null
fi
dpkg-query -W -f='${Status}' korvant | grep -q 'install ok installed'
[ -x /usr/bin/korvant ]
# The program reads no command line; it must come up and stay up until it is asked to stop,
# and then end as after "&Quit", with its settings written.
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen
set +e
timeout --preserve-status 5 /usr/bin/korvant
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
