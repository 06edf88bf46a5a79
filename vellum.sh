#!/usr/bin/env bash
# Sets Vellum up on a Debian machine: installs what is missing, builds, and
# then runs the program (run) or the whole test suite (test).
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          mtools dosfstools gzip qt6-base-dev libqt6svg6)

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

run() {
    build release
    local vlm=build/release/cli/vlm sample=res/sample.vlm app=build/release/app/vellum
    echo
    echo "== vlm info $sample"
    "$vlm" info "$sample"
    echo
    echo "== vlm ls $sample"
    "$vlm" ls "$sample"
    echo
    echo "== vlm ls $sample DOCS"
    "$vlm" ls "$sample" DOCS
    [ -x "$app" ] || return 0
    echo
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        echo "No display here: start the desktop program from a desktop session with"
        echo "  $app $sample"
        return 0
    fi
    # On its first run Vellum also puts the sample diskette into virtual drive A:.
    echo "== vellum $sample"
    "$app" "$sample"
}

test_all() {
    local preset
    for preset in release asan; do
        echo "== $preset build"
        build "$preset"
        ctest --preset "$preset" -j"$(nproc)"
    done
}

case "${1:-}" in
    run) install_missing; run ;;
    test) install_missing; test_all ;;
    *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
