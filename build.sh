#!/usr/bin/env bash
# Installs what is missing, builds, then either proves an example problem
# (./build.sh demo [PROBLEM]) or runs every test (./build.sh test).
set -euo pipefail
cd "$(dirname "$0")"

pakketten=(g++ cmake make libgtest-dev libz3-dev libcadical-dev libpugixml-dev nlohmann-json3-dev parallel)

installeer() {
  local ontbreekt=()
  for p in "${pakketten[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || ontbreekt+=("$p")
  done
  if [ ${#ontbreekt[@]} -gt 0 ]; then
    echo "installing: ${ontbreekt[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${ontbreekt[@]}"
  fi
}

bouw() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release > /dev/null
  cmake --build build -j"$(nproc)"
}

case "${1:-}" in
  demo)
    installeer
    bouw
    build/tessivar-run "${2:-examples/zantema.srs}"
    ;;
  test)
    installeer
    bouw
    cd build
    ctest --output-on-failure
    ;;
  *)
    echo "usage: ./build.sh demo [PROBLEM] | ./build.sh test" >&2
    exit 2
    ;;
esac
