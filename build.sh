#!/usr/bin/env bash
# Installs what is missing, builds, then either proves an example problem
# (./build.sh demo [PROBLEM]) or runs every test (./build.sh test).
set -euo pipefail
cd "$(dirname "$0")"

packages=(g++ cmake make libgtest-dev libz3-dev libcadical-dev libpugixml-dev nlohmann-json3-dev parallel gnuplot-nox)

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

case "${1:-}" in
  demo)
    install_missing
    build_all
    build/tessivar-run "${2:-examples/zantema.srs}"
    ;;
  test)
    install_missing
    build_all
    cd build
    ctest --output-on-failure
    ;;
  *)
    echo "usage: ./build.sh demo [PROBLEM] | ./build.sh test" >&2
    exit 2
    ;;
esac
