#!/usr/bin/env bash
# Sets Vellum up on a Debian machine: installs what is missing, builds, and
# then runs the program (run), the whole test suite (test), only the floppy
# and USB diskette drive cases in QEMU guests (qemu), every fuzz target for SECONDS each
# (fuzz [SECONDS], 60 when not given), vlm timed against its peers (bench), or
# the Debian packages vellum-cli and vellum, checked by lintian (package).
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libsimpleini-dev mtools dosfstools gzip qt6-base-dev libqt6svg6 ccache
          fonts-liberation2 xvfb x11-apps x11-utils dbus-x11 at-spi2-core python3-pyatspi poppler-utils
          qemu-system-x86 busybox-static cpio nettle-dev gddrescue
          desktop-file-utils libxml2-utils shared-mime-info libglib2.0-bin
          help2man groff-base bash-completion nlohmann-json3-dev lintian appstream dpkg-dev fakeroot
          libdsk4-dev libdsk-utils zlib1g-dev liblzma-dev libminizip-dev zip xz-utils)
# Only the fuzz build needs these.
FUZZ_PACKAGES=(clang)
BENCH_PACKAGES=(hyperfine)

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}" "$@"; do
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
    # Without Qt, configuring is what can fail: the release build already
    # compiles the engines and vlm without Qt, and vlm_links_no_qt checks it.
    echo "== headless configure (no Qt)"
    cmake --preset headless >/dev/null
    for preset in release asan; do
        echo "== $preset build"
        build "$preset"
        ctest --preset "$preset" -j"$(nproc)"
    done
}

# Each target starts from its corpus in build/fuzz/corpus/TARGET, which
# keeps what it found for the next run, and the seeds in fuzz/seeds; a crash leaves its input in
# build/fuzz/findings and stops the run.
fuzz_all() {
    local seconds=${1:-60} target options
    build fuzz
    local dir=build/fuzz
    mkdir -p "$dir/findings"
    for target in $(cmake -L -N "$dir" 2>/dev/null | sed -n 's/^VELLUM_FUZZ_TARGET_LIST:STRING=//p' | tr ';' ' '); do
        options=()
        # A track of 10,752 bytes with its format byte; a payload of up to 12,000.
        [ "$target" = coders_fuzz ] && options=(-max_len=12001)
        mkdir -p "$dir/corpus/$target"
        echo "== $target for ${seconds}s"
        local status=0
        "$dir/fuzz/$target" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="$dir/findings/$target-" "$dir/corpus/$target" fuzz/seeds >"$dir/$target.log" 2>&1 || status=$?
        grep -E '^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units|ERROR|SUMMARY' "$dir/$target.log" || true
        [ "$status" -eq 0 ] || { echo "$target found a fault; see $dir/$target.log and $dir/findings" >&2; return 1; }
    done
}

# The packages go to build/release/packages; lintian's errors fail the run,
# and its warnings are shown (README, "Debian packages").
package() {
    build release
    rm -rf build/release/packages
    (cd build/release && cpack)
    lintian --fail-on error --tag-display-limit 0 build/release/packages/*.deb
}

case "${1:-}" in
    run) install_missing; run ;;
    test) install_missing; test_all ;;
    qemu) install_missing; build release; ctest --preset release -L 'qemu_floppy|qemu_usb' ;;
    fuzz) install_missing "${FUZZ_PACKAGES[@]}"; fuzz_all "${2:-}" ;;
    bench) install_missing "${BENCH_PACKAGES[@]}"; build release; bench/compare.sh build/release ;;
    package) install_missing; package ;;
    *) echo "usage: $0 run|test|qemu|fuzz [SECONDS]|bench|package" >&2; exit 2 ;;
esac
