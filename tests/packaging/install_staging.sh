#!/usr/bin/env bash
# Installs the build into a staging folder and checks that every file lands where the desktop
# looks for it, and that the programs there run.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
for file in usr/bin/korvant usr/bin/korvant-cli usr/bin/korvant-station-sim \
            usr/share/applications/korvant.desktop \
            usr/share/icons/hicolor/scalable/apps/korvant.svg \
            usr/lib/udev/rules.d/70-korvant-converters.rules; do
  [ -e "$stage/$file" ] || { echo "missing: $file"; exit 1; }
done
[ -x "$stage/usr/bin/korvant" ] || { echo "korvant is not executable"; exit 1; }
grep -q '^Exec=korvant$' "$stage/usr/share/applications/korvant.desktop"
grep -q '^Icon=korvant$' "$stage/usr/share/applications/korvant.desktop"
# Read whole before matching: grep -q ends at the first match, and the pipe's writer would then
# die of SIGPIPE, which pipefail reports as a failure.
help=$("$stage/usr/bin/korvant-station-sim" --help)
grep -q -- '--bootloader' <<<"$help" || { echo "korvant-station-sim --help names no --bootloader"; exit 1; }
# The command-line tool needs no display: no Qt platform plugin is loaded.
sequence=$(env -u QT_QPA_PLATFORM -u DISPLAY "$stage/usr/bin/korvant-cli" cv sequence 1-5)
[[ "$sequence" == :01,02,03,04,05,00* ]] || { echo "korvant-cli does not run"; exit 1; }
echo "staging install complete"
