#!/usr/bin/env bash
# The build as users meet it: a default configuration compiles without
# -Werror (a newer compiler's new warning must not stop `make demo`) and
# PSGC_WERROR=ON adds it; `cmake --install` puts psgc and its man page
# under the prefix and the uninstall target removes every file again;
# `make help` lists the targets users are told about.
#   check_build.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1
build=$2
work=$(mktemp -d)
# Installing writes the build directory's install manifest: the one a
# user's own `make install` left there is put back afterwards.
manifest=$build/install_manifest.txt
[ -f "$manifest" ] && cp -p "$manifest" "$work/manifest.saved"
restore() {
  if [ -f "$work/manifest.saved" ]; then cp -p "$work/manifest.saved" "$manifest"; else rm -f "$manifest"; fi
  rm -rf "$work"
}
trap restore EXIT
fail=0

flags_of() {  # configure into $1 with the remaining arguments; print psgc's compile flags
  local dir=$1; shift
  cmake -S "$src" -B "$dir" -DPSGC_TESTS=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "$@" >/dev/null
  grep '"command":' "$dir/compile_commands.json"
}

# Held in variables: `grep -q` in a pipe stops reading at its first match,
# and under pipefail the writer's SIGPIPE would fail the check.
# One tree configured twice: the second run reuses the first one's checks.
default_flags=$(flags_of "$work/tree" -DPSGC_WERROR=OFF)
strict_flags=$(flags_of "$work/tree" -DPSGC_WERROR=ON)
if grep -q -- '-Werror' <<<"$default_flags"; then
  echo "FAIL: the default build compiles with -Werror"; fail=1
fi
if ! grep -q -- '-Wall -Wextra' <<<"$default_flags"; then
  echo "FAIL: the default build lacks -Wall -Wextra"; fail=1
fi
if ! grep -q -- '-Werror' <<<"$strict_flags"; then
  echo "FAIL: PSGC_WERROR=ON does not add -Werror"; fail=1
fi

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for f in bin/psgc share/man/man1/psgc.1 share/man/man5/psgc-scripts.5 share/doc/psgc/README.md \
         share/doc/psgc/doc/scripts.md share/doc/psgc/doc/formats.md share/doc/psgc/doc/hacking.md \
         share/doc/psgc/examples/music/instruments.txt share/doc/psgc/examples/pcm/kick.wav; do
  [ -f "$work/prefix/$f" ] || { echo "FAIL: cmake --install did not install $f"; fail=1; }
done
[ -x "$work/prefix/bin/psgc" ] && "$work/prefix/bin/psgc" --version >/dev/null ||
  { echo "FAIL: the installed psgc does not run"; fail=1; }
cmake --build "$build" --target uninstall >/dev/null
left=$(find "$work/prefix" ! -type d)
if [ -n "$left" ]; then
  echo "FAIL: uninstall left files behind:"; echo "$left"; fail=1
fi
if [ -e "$work/prefix/share/doc/psgc" ]; then
  echo "FAIL: uninstall left the directory share/doc/psgc"; fail=1
fi

targets=$(make -s -C "$src" help)
for t in demo test install uninstall test-sanitize fuzz bench clean; do
  grep -q "^make $t " <<<"$targets" || { echo "FAIL: make help does not list $t"; fail=1; }
done

[ $fail -eq 0 ] && echo "build options, install, uninstall and make help as documented"
exit $fail
