#!/bin/bash
# `cmake --install` and the Debian package built by CPack both hold vocana,
# vocana-plot and the manual page; the packaged vocana-plot finds the
# packaged vocana next to itself.
#   package.sh <build folder> <source folder>
set -u
build=$1
example=$2/examples/vowels.wav
for tool in cpack dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT || exit 1
fail() { echo "FAIL: $*"; exit 1; }
files="bin/vocana bin/vocana-plot share/man/man1/vocana.1.gz"

cmake --install "$build" --prefix "$tmp/prefix" >"$tmp/log" 2>&1 || fail "install: $(cat "$tmp/log")"
for file in $files; do
  [ -s "$tmp/prefix/$file" ] || fail "cmake --install does not put $file under the prefix"
done

cpack -G DEB -B "$tmp/package" --config "$build/CPackConfig.cmake" >"$tmp/log" 2>&1 ||
  fail "cpack: $(cat "$tmp/log")"
deb=$(echo "$tmp"/package/vocana_[0-9]*.deb)
[ -f "$deb" ] || fail "no .deb in $(ls "$tmp/package")"
listing=$(dpkg -c "$deb") || fail "dpkg -c $deb"
for file in $files; do
  printf '%s\n' "$listing" | grep -q " \./usr/$file\$" || fail "the package lacks /usr/$file"
done
dpkg-deb -f "$deb" Depends | grep -q 'libsndfile1' || fail "the package does not depend on libsndfile1"
printf '%s\n' "$listing" | grep -qE 'usr/lib/(.*/)?libvocana\.so\.0( |$)' || fail "the package lacks libvocana.so.0"
dev=$(echo "$tmp"/package/vocana-dev_*.deb)
[ -f "$dev" ] || fail "no vocana-dev package in $(ls "$tmp/package")"
dev_listing=$(dpkg -c "$dev") || fail "dpkg -c $dev"
for file in include/vocana/analysis.h include/vocana/version.h pkgconfig/vocana.pc cmake/vocana/vocanaConfig.cmake; do
  printf '%s\n' "$dev_listing" | grep -q "/$file\$" || fail "vocana-dev lacks $file"
done
dpkg-deb -f "$deb" Recommends | grep -qx 'gnuplot-nox' || fail "the package does not recommend gnuplot-nox"

dpkg-deb -x "$deb" "$tmp/root" || fail "dpkg-deb -x"
"$tmp/root/usr/bin/vocana" -h 2>/dev/null || fail "the packaged vocana does not run"
if command -v gnuplot >/dev/null; then
  (cd "$tmp" && env -u VOCANA PATH=/usr/bin:/bin "$tmp/root/usr/bin/vocana-plot" "$example" 2>/dev/null) ||
    fail "the packaged vocana-plot does not run the packaged vocana"
  [ -s "$tmp/vowels.png" ] || fail "the packaged vocana-plot wrote no picture"
fi
