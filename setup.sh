#!/usr/bin/env bash
# Set-up of vocana on a Debian machine: installs what is missing, builds, then
#   ./setup.sh run        builds the programs (no tests) and analyses the bundled
#                         example (examples/vowels.wav)
#   ./setup.sh test       builds everything with the tests and runs the suite
#   ./setup.sh sanitize   runs the test suite built with sanitizers
#   ./setup.sh tsan       runs the threaded analysis under the thread sanitizer
#   ./setup.sh fuzz [s]   builds the fuzz targets with clang and runs each for s seconds (60)
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-run}

# What building and running needs: the programs, the library and the Python
# module. The tests add their own packages below.
RUN_PACKAGES=(g++ cmake make pkg-config libsndfile1-dev libsoxr-dev pybind11-dev python3-dev
  python3-numpy)
# GoogleTest, pytest, and the tools of the shell tests: gnuplot (the plot),
# groff/man (the manual page), dpkg-dev (the Debian package), parallel and
# git (the README's tutorial and corpus recipes), jq and pandas.
TEST_PACKAGES=(libgtest-dev python3-pytest python3-pandas jq gnuplot-nox groff-base man-db dpkg-dev
  parallel git)

install_missing() {
  local missing=()
  for pkg in "${RUN_PACKAGES[@]}" "$@"; do
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
    build build -DVOCANA_TESTS=OFF
    ./build/vocana examples/vowels.wav
    ;;
  test)
    install_missing "${TEST_PACKAGES[@]}"
    build build -DVOCANA_TESTS=ON
    ctest --test-dir build --output-on-failure -j2
    ;;
  sanitize)
    install_missing libgtest-dev
    build build-sanitize -DVOCANA_SANITIZE=ON
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir build-sanitize --output-on-failure -j2
    ;;
  tsan)
    # The threaded frame loop under the thread sanitizer: the library's tests
    # and the end-to-end tests with 2, 3 and 8 threads.
    install_missing libgtest-dev
    build build-tsan -DVOCANA_TSAN=ON
    for threads in 2 3 8; do
      VOCANA_THREADS=$threads TSAN_OPTIONS=halt_on_error=1:abort_on_error=1 \
        ctest --test-dir build-tsan --output-on-failure -j2 -R '^(Analyze|LoadSound|e2e|CommandLine|FrameLoop|Golden|AnalysisStreams|FatalInTheFrameLoop|Report)'
    done
    ;;
  fuzz)
    install_missing clang libclang-rt-14-dev
    bash fuzz/run.sh "${2:-60}"
    ;;
  *)
    echo "usage: ./setup.sh run|test|sanitize|tsan|fuzz [seconds]" >&2
    exit 2
    ;;
esac
