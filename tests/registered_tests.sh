#!/usr/bin/env bash
# Fails when a test source tests/**/tst_NAME.cpp is not registered with CTest as the test NAME
# in this build folder, and names each one left out.
# Usage: registered_tests.sh <tests source folder> <build folder> [ctest]
set -euo pipefail
sources=$1
build=$2
ctest=${3:-ctest}

registered=$(cd "$build" && "$ctest" -N | sed -n 's/^ *Test *#[0-9]*: *//p')
missing=()
found=0
while IFS= read -r -d '' file; do
  name=$(basename "$file" .cpp)
  found=$((found + 1))
  grep -qxF "$name" <<<"$registered" || missing+=("${file#"$sources"/}")
done < <(find "$sources" -name 'tst_*.cpp' -print0 | sort -z)

if ((found == 0)); then
  echo "no tst_*.cpp under $sources"
  exit 1
fi
if ((${#missing[@]})); then
  echo "not registered with CTest (add each to its folder's CMakeLists.txt):"
  printf '  %s\n' "${missing[@]}"
  exit 1
fi
echo "all $found tst_*.cpp under $sources are tests"
