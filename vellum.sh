#!/usr/bin/env bash
# Sets Vellum up on a Debian machine: installs what is missing, builds, and
# then runs the program (run) or the whole test suite (test).
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          mtools dosfstools gzip qt6-base-dev libqt6svg6 ccache)

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

# Clones in other folders share ccache's objects: paths are hashed relative to here.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

build() {
    # Quiet when configuring works; the whole output when it does not.
    local log
    log=$(cmake --preset "$1" 2>&1) || { echo "$log" >&2; return 1; }
    cmake --build --preset "$1"
}

# Shows a command, then runs it.
show() {
    echo
    echo "\$ vlm ${*:2}"
    "$@"
}

run() {
    build release
    local vlm=build/release/cli/vlm sample=res/sample.vlm app=build/release/app/vellum
    local demo=build/demo
    rm -rf "$demo"
    mkdir -p "$demo"
    # The walk-through keeps its drive setup to itself, not in the user's settings.
    export VELLUM_CONFIG="$PWD/$demo/vellum.conf"

    show "$vlm" info "$sample"
    show "$vlm" ls "$sample" DOCS
    show "$vlm" convert "$sample" "$demo/sample.img"
    show "$vlm" drive insert A: "$demo/sample.img"
    show "$vlm" load A: -o "$demo/copy.VLM"
    show "$vlm" drive blank A: 1.44M -o "$demo/blank.img"
    show "$vlm" write "$demo/copy.VLM" A: --verify --yes
    show "$vlm" ls "$demo/blank.img"
    unset VELLUM_CONFIG

    [ -x "$app" ] || return 0
    echo
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        echo "No display here: start the desktop program from a desktop session with"
        echo "  $app $sample"
        return 0
    fi
    # On its first run Vellum also puts the sample diskette into virtual drive A:.
    echo "\$ vellum $sample"
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
