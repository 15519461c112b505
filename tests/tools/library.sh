#!/bin/bash
# The installed library: every public header compiles on its own with the
# flags of pkg-config, and the example program builds against the
# installation twice, through pkg-config and through find_package(vocana),
# then runs and prints formants.
#   library.sh <build folder> <source folder>
set -u
build=$1
src=$(cd "$2" && pwd)
command -v pkg-config >/dev/null || { echo "SKIP: pkg-config is not installed"; exit 77; }
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT || exit 1
fail() { echo "FAIL: $*"; exit 1; }
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/log" 2>&1 || fail "install: $(cat "$tmp/log")"
pc_dir=$(dirname "$(find "$prefix" -name vocana.pc | head -n 1)")
export PKG_CONFIG_PATH=$pc_dir
cflags=$(pkg-config --cflags vocana) || fail "pkg-config knows no vocana"

for header in "$prefix"/include/vocana/*.h; do
  printf '#include <vocana/%s>\n' "$(basename "$header")" >"$tmp/one.cpp"
  c++ $cflags -fsyntax-only "$tmp/one.cpp" 2>"$tmp/log" || fail "$(basename "$header") alone: $(cat "$tmp/log")"
done

example=$src/examples/print_formants.cpp
c++ $cflags -o "$tmp/by_pkg_config" "$example" $(pkg-config --libs vocana) \
  -Wl,-rpath,"$(pkg-config --variable=libdir vocana)" 2>"$tmp/log" || fail "pkg-config build: $(cat "$tmp/log")"
cmake -S "$src/tests/tools/library_example" -B "$tmp/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
  -DEXAMPLE_SOURCE="$example" >"$tmp/log" 2>&1 || fail "find_package: $(cat "$tmp/log")"
cmake --build "$tmp/cmake" >"$tmp/log" 2>&1 || fail "find_package build: $(cat "$tmp/log")"

for program in "$tmp/by_pkg_config" "$tmp/cmake/print_formants"; do
  out=$(LD_LIBRARY_PATH=$pc_dir/.. "$program" "$src/examples/vowels.wav") || fail "$program failed"
  lines=$(printf '%s\n' "$out" | wc -l)
  [ "$lines" -gt 50 ] || fail "$program printed $lines lines"
  printf '%s\n' "$out" | head -n 1 | grep -qE '^0\.0000 [0-9]+\.[0-9] ' || fail "$program: $(printf '%s\n' "$out" | head -n 1)"
done
"$tmp/by_pkg_config" "$tmp/none.wav" 2>"$tmp/err" && fail "a missing file gives status 0"
grep -q "Error: fail to read $tmp/none.wav." "$tmp/err" || fail "missing file: $(cat "$tmp/err")"
echo "library: headers, pkg-config and find_package builds pass"
