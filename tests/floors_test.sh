#!/usr/bin/env bash
# scripts/check-floors against a small house of its own: the includes that may run down pass,
# and each way of running up fails alone, named with its file and line.
# Usage: floors_test.sh <check-floors>
set -euo pipefail
check=$1
house=$(mktemp -d)
trap 'rm -rf "$house"' EXIT
failures=0

put() { # path lines...
  mkdir -p "$(dirname "$house/$1")"
  local path=$1
  shift
  printf '%s\n' "$@" >"$house/$path"
}

build_house() {
  rm -rf "${house:?}"/*
  put src/link/CMakeLists.txt 'target_sources(korvant_codecs PRIVATE hexdigits.h hexdigits.cpp)' \
    'target_sources(korvant_core PRIVATE' '  comport.h comport.cpp)'
  put src/link/hexdigits.h '#pragma once'
  put src/link/hexdigits.cpp '#include "link/hexdigits.h"'
  put src/link/comport.h '#pragma once'
  put src/link/setupdialog.cpp '#include "link/comport.h"' '#include "ui/messages.h"'
  put src/ui/CMakeLists.txt ''
  put src/ui/messages.h '#pragma once'
  put src/ui/memotext.cpp '#include "link/hexdigits.h"' '#include <QString>'
  put src/cv/CMakeLists.txt ''
  put src/cv/cvpage.h '#include "link/comport.h"' '#include "ui/messages.h"'
  put src/firmware/CMakeLists.txt ''
  put src/firmware/firmwarepage.h '#include "firmware/other.h"'
  put src/shell/CMakeLists.txt ''
  put src/shell/commainform.cpp '#include "cv/cvpage.h"' '#include "firmware/firmwarepage.h"'
  put sim/station.cpp '#include "link/hexdigits.h"' '#include "station.h"'
}

expect() { # name expected-status expected-text
  local output status=0
  output=$("$check" "$house" 2>&1) || status=$?
  if [[ $status != "$2" || $output != *"$3"* ]]; then
    echo "FAIL $1: status $status, output:"
    echo "$output"
    failures=$((failures + 1))
  else
    echo "PASS $1"
  fi
}

build_house
expect downward-includes-pass 0 "every include runs down the house"

build_house
put src/ui/messages.cpp '#include "ui/messages.h"' '#include "shell/commainform.h"'
expect kit-uses-the-window 1 "src/ui/messages.cpp:2 includes shell/commainform.h: ui (floor 2) may not use shell (floor 6)"

build_house
put src/firmware/firmwarepage.cpp '#include "cv/cvpage.h"'
expect page-uses-a-page 1 "src/firmware/firmwarepage.cpp:1 includes cv/cvpage.h: firmware (floor 5) may not use cv (floor 5)"

build_house
put src/link/hexdigits.cpp '#include "link/hexdigits.h"' '#include "link/comport.h"'
expect codec-uses-the-port 1 "src/link/hexdigits.cpp:2 includes link/comport.h: a codec includes only codecs"

build_house
put sim/station.cpp '#include "link/comport.h"'
expect simulator-uses-the-port 1 "sim/station.cpp:1 includes link/comport.h: the simulator includes only codecs"

build_house
put src/extras/thing.cpp '#include "ui/messages.h"'
expect folder-without-a-floor 1 "src/extras has no floor"

((failures == 0))
