#!/usr/bin/env bash
# Installs the build into a staging folder and checks that every file lands where the desktop
# looks for it, and that the programs there run.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
for file in usr/bin/korvant usr/bin/korvant-station-sim \
            usr/share/applications/korvant.desktop \
            usr/share/icons/hicolor/scalable/apps/korvant.svg; do
  [ -e "$stage/$file" ] || { echo "missing: $file"; exit 1; }
done
[ -x "$stage/usr/bin/korvant" ] || { echo "korvant is not executable"; exit 1; }
grep -q '^Exec=korvant$' "$stage/usr/share/applications/korvant.desktop"
grep -q '^Icon=korvant$' "$stage/usr/share/applications/korvant.desktop"
"$stage/usr/bin/korvant-station-sim" --help | grep -q -- '--bootloader'
echo "staging install complete"
