#!/usr/bin/env bash
# Set-up of vocana on a Debian machine: installs what is missing, builds, then
#   ./setup.sh run        analyses the bundled example (examples/vowels.wav)
#   ./setup.sh test       runs the whole test suite
#   ./setup.sh sanitize   runs the test suite built with sanitizers
#   ./setup.sh fuzz [s]   builds the fuzz targets with clang and runs each for s seconds (60)
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-run}

install_missing() {
  local missing=()
  for pkg in g++ cmake make pkg-config libsndfile1-dev libsoxr-dev libgtest-dev "$@"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

build() {  # build <folder> [cmake options...]
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@"
  cmake --build "$dir" -j2
}

case "$mode" in
  run)
    install_missing
    build build
    ./build/vocana examples/vowels.wav
    ;;
  test)
    # gnuplot, groff/man, dpkg-dev and parallel: the tests of the plot, the
    # manual page, the Debian package and the corpus recipes of the README.
    install_missing gnuplot-nox groff-base man-db dpkg-dev parallel
    build build
    ctest --test-dir build --output-on-failure -j2
    ;;
  sanitize)
    install_missing
    build build-sanitize -DVOCANA_SANITIZE=ON
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir build-sanitize --output-on-failure -j2
    ;;
  fuzz)
    install_missing clang libclang-rt-14-dev
    bash fuzz/run.sh "${2:-60}"
    ;;
  *)
    echo "usage: ./setup.sh run|test|sanitize|fuzz [seconds]" >&2
    exit 2
    ;;
esac
