#!/usr/bin/env bash
# Installs what is missing, builds, then either proves an example problem
# (./build.sh demo [PROBLEM]) or runs every test (./build.sh test): first in
# the release tree build/, then the whole suite again in build-asan/, the
# same project built by clang with AddressSanitizer and UndefinedBehavior-
# Sanitizer (Debug), where each fuzz target also runs for a short time.
set -euo pipefail
cd "$(dirname "$0")"

packages=(g++ cmake make libgtest-dev libz3-dev libcadical-dev libpugixml-dev nlohmann-json3-dev libcli11-dev parallel gnuplot-nox
          clang libclang-rt-14-dev)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
  fi
}

build_all() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release > /dev/null
  cmake --build build -j"$(nproc)"
}

# Any sanitizer finding stops the program that has it, so a test fails.
sanitizer_tests() {
  CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTESSIVAR_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined" > /dev/null
  cmake --build build-asan -j"$(nproc)"
  # One test at a time: the sanitizers slow the programs several times, and
  # tests that prove within a time budget need the cores to themselves.
  (cd build-asan && ctest --output-on-failure)
}

case "${1:-}" in
  demo)
    install_missing
    build_all
    build/tessivar-run "${2:-examples/zantema.srs}"
    ;;
  test)
    install_missing
    build_all
    (cd build && ctest --output-on-failure)
    sanitizer_tests
    ;;
  *)
    echo "usage: ./build.sh demo [PROBLEM] | ./build.sh test" >&2
    exit 2
    ;;
esac
