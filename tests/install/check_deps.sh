#!/usr/bin/env bash
# tools/install-deps on a system that is not Debian: with a PATH that hides
# dpkg-query and apt-get it exits 0 when everything is there, and names
# what is missing (exit 1) when pkg-config finds no library. Its list of
# libraries is the list CMakeLists.txt asks pkg-config for.
#   check_deps.sh SOURCE_DIR
set -euo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

# A bin directory holding only what the script and its checks run.
mkdir "$work/bin" "$work/no-modules"
for t in bash env sed id cmake pkg-config c++ make python3 groff cl65; do
  p=$(command -v "$t") || { echo "FAIL: $t is not installed here"; exit 1; }
  ln -s "$p" "$work/bin/$t"
done

run() {  # run install-deps with the bin directory as PATH; sets rc, out, err
  rc=0
  env -i HOME="$work" PATH="$work/bin" "$@" "$work/bin/bash" "$src/tools/install-deps" --test \
    >"$work/out" 2>"$work/err" || rc=$?
  out=$(cat "$work/out") err=$(cat "$work/err")
}

run
if [ $rc -ne 0 ] || [ -n "$out$err" ]; then
  echo "FAIL: without dpkg-query and apt-get, everything present: exit $rc"
  echo "$out$err"; fail=1
fi

run PKG_CONFIG_LIBDIR="$work/no-modules" PKG_CONFIG_PATH=
if [ $rc -ne 1 ] || ! grep -q 'libsndfile' <<<"$err" || ! grep -q 'GoogleTest' <<<"$err" ||
   grep -q 'pkg-config;\|CMake' <<<"$err"; then
  echo "FAIL: no libraries, no apt-get: exit $rc, expected 1 naming exactly the libraries"
  echo "$out$err"; fail=1
fi

# Every module CMake asks pkg-config for, and only those, is checked.
cmake_modules=$(sed -n 's/^ *pkg_check_modules([A-Z_]* [A-Z ]*IMPORTED_TARGET \([a-z0-9_-]*\)).*/\1/p' \
  "$src/CMakeLists.txt" | sort)
script_modules=$(sed -n 's/^ *"[^|]*|module \([a-z0-9_-]*\)|.*/\1/p' "$src/tools/install-deps" |
  grep -v '^gtest$' | sort)
if [ -z "$cmake_modules" ] || [ "$cmake_modules" != "$script_modules" ]; then
  echo "FAIL: CMakeLists.txt asks for: " $cmake_modules "; tools/install-deps checks:" $script_modules
  fail=1
fi

[ $fail -eq 0 ] && echo "install-deps works without dpkg and checks what CMake needs"
exit $fail
