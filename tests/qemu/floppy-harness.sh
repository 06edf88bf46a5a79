#!/usr/bin/env bash
# Runs vlm against a real kernel floppy driver: boots Debian's stock kernel
# in QEMU (TCG) with an emulated floppy drive whose diskette is an image file
# here, one guest per case, and checks every image afterwards.
#   floppy-harness.sh VLM [WORKDIR]
# The kernel package is fetched once into WORKDIR (default build/qemu).
#
# What QEMU cannot show: it takes the diskette's geometry from the image size,
# its format writes nothing into the image, and a zero-filled image reads as
# formatted. Formats are checked here only for being accepted and for the
# file system written after them; the unit tests over the system-call seam
# cover sector layouts and blank diskettes.
set -euo pipefail

VLM=$(realpath "$1")
WORK=$(realpath -m "${2:-build/qemu}")
HERE=$(dirname "$(realpath "$0")")
GUEST_TIMEOUT=${GUEST_TIMEOUT:-180}
FORMATS=(1.44M 720K 1.68M)
declare -A KBYTES=([1.44M]=1440 [720K]=720 [1.68M]=1680)

fail() { echo "FAIL: $*" >&2; FAILURES=$((FAILURES + 1)); }
FAILURES=0

fetch_kernel() {
    [ -d "$WORK/kernel/boot" ] && return
    local package
    package=$(apt-cache depends linux-image-amd64 | sed -n 's/.*Depends: \(linux-image-[^ ]*\)/\1/p' | head -1)
    mkdir -p "$WORK/deb"
    (cd "$WORK/deb" && apt-get download "$package")
    dpkg-deb -x "$WORK"/deb/"$package"_*.deb "$WORK/kernel.new"
    mv "$WORK/kernel.new" "$WORK/kernel"
}

# The files of each case: a FAT12 diskette with text and numbers on it.
make_images() {
    local dir=$WORK/images
    rm -rf "$dir" && mkdir -p "$dir"
    export VELLUM_CONFIG=$dir/vellum.conf
    seq 1 40000 > "$dir/numbers.txt"
    echo "Vellum in a virtual machine" > "$dir/readme.txt"
    local f
    for f in "${FORMATS[@]}"; do
        if [ "$f" = 1.68M ]; then
            "$VLM" drive blank A: 1.68M -o "$dir/empty-$f.img" > /dev/null
            "$VLM" format-dmf A: --label SOURCE --yes > /dev/null
        else
            mkfs.fat -C "$dir/empty-$f.img" "${KBYTES[$f]}" > /dev/null
        fi
        cp "$dir/empty-$f.img" "$dir/src-$f.img"
        mcopy -i "$dir/src-$f.img" "$dir/readme.txt" ::README.TXT
        mcopy -i "$dir/src-$f.img" "$dir/numbers.txt" ::NUMBERS.TXT
        # One byte off in the data area, and what a compare says about it.
        cp "$dir/src-$f.img" "$dir/off-$f.img"
        printf '\x55' | dd of="$dir/off-$f.img" bs=1 seek=$((60 * 512 + 77)) conv=notrunc status=none
        "$VLM" drive insert A: "$dir/off-$f.img" > /dev/null
        "$VLM" compare "$dir/src-$f.img" A: --yes < /dev/null | grep -m1 '^Difference 1:' > "$dir/off-$f.txt" || true
    done
    "$VLM" drive eject A: > /dev/null
    unset VELLUM_CONFIG
}

# vlm with the shared libraries ldd names, busybox, the floppy module and the images.
make_initramfs() {
    local root=$WORK/initramfs lib
    rm -rf "$root" && mkdir -p "$root"/{bin,usr/bin,lib/modules,images,proc,sys,dev,tmp}
    cp /bin/busybox "$root/bin/busybox"
    cp "$HERE/guest-init.sh" "$root/init"
    cp "$VLM" "$root/usr/bin/vlm"
    for lib in $(ldd "$VLM" | grep -o '/[^ ]*'); do
        mkdir -p "$root$(dirname "$lib")"
        cp -L "$lib" "$root$lib"
    done
    find "$WORK/kernel/lib/modules" -name 'floppy.ko*' -exec cp {} "$root/lib/modules/floppy.ko" \;
    cp "$WORK"/images/src-*.img "$root/images/"
    (cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) > "$WORK/initramfs.cpio.gz"
}

# Boots one guest on IMAGE for CASE:FORMAT; its console goes to LOG.
boot() {
    local case=$1 image=$2 log=$3 drive
    drive="if=floppy,index=0,format=raw,file=$image"
    [ -n "${4:-}" ] && drive="if=floppy,index=0,format=raw,file=blkdebug:$4:$image"
    timeout "$GUEST_TIMEOUT" qemu-system-x86_64 -machine pc -accel tcg -m 256 -nographic -no-reboot \
        -net none -monitor none -kernel "$WORK"/kernel/boot/vmlinuz-* -initrd "$WORK/initramfs.cpio.gz" \
        -append "console=ttyS0 quiet panic=-1 vellum.case=$case" -drive "$drive" > "$log" 2>&1 ||
        { fail "$case: the guest did not finish (see $log)"; return 1; }
    grep -q '^@@ done' "$log" || { fail "$case: the guest stopped early (see $log)"; return 1; }
}

# The exit status vlm's VERB reported in LOG.
exit_of() { sed -n "s/^@@ exit $2 \([0-9]*\).*/\1/p" "$1" | tr -d '\r' | tail -1; }

check_fat() {
    fsck.fat -n "$1" > /dev/null 2>&1 || fail "$2: fsck.fat finds faults in $1"
    mdir -i "$1" :: > /dev/null 2>&1 || fail "$2: mdir cannot list $1"
}

same_image() {
    [ "$(sha256sum < "$1")" = "$(sha256sum < "$2")" ] || fail "$3: $1 differs from $2"
}

run_case() {
    local case=$1 f=$2 images=$WORK/images run=$WORK/run name="$1-$2"
    local image=$run/$name.img log=$run/$name.log
    local started=$SECONDS
    case $case in
        read) cp "$images/src-$f.img" "$image" ;;
        off) cp "$images/off-$f.img" "$image" ;;
        write) cp "$images/empty-$f.img" "$image" ;;
        format | fault) truncate -s 0 "$image" && truncate -s $((KBYTES[$f] * 1024)) "$image" ;;
        dmf) truncate -s 0 "$image" && truncate -s $((1680 * 1024)) "$image" ;;
    esac
    local rules=
    if [ "$case" = fault ]; then
        rules=$run/fault-rules.conf
        printf '[inject-error]\nevent = "write_aio"\nsector = "180"\nerrno = "5"\n' > "$rules"
    fi
    boot "$case:$f" "$image" "$log" $rules || return 0
    case $case in
        read)
            [ "$(exit_of "$log" load)" = 0 ] || fail "$name: load failed"
            grep -q "^@@ sha256 $(sha256sum < "$images/src-$f.img" | cut -d' ' -f1)" "$log" ||
                fail "$name: the loaded image differs from the diskette"
            [ "$(exit_of "$log" compare)" = 0 ] || fail "$name: compare found differences"
            same_image "$image" "$images/src-$f.img" "$name" ;;
        off)
            [ "$(exit_of "$log" compare)" = 1 ] || fail "$name: compare did not report the difference"
            grep -qF "@@ $(cat "$images/off-$f.txt")" "$log" ||
                fail "$name: expected \"$(cat "$images/off-$f.txt")\"" ;;
        write | format)
            [ "$(exit_of "$log" write)" = 0 ] || fail "$name: write failed"
            same_image "$image" "$images/src-$f.img" "$name"
            check_fat "$image" "$name" ;;
        dmf)
            [ "$(exit_of "$log" format-dmf)" = 0 ] || fail "$name: format-dmf failed"
            check_fat "$image" "$name"
            mdir -i "$image" :: 2> /dev/null | grep -q "VELLUM" || fail "$name: no volume label" ;;
        fault)
            local status
            status=$(exit_of "$log" write)
            [ -n "$status" ] && [ "$status" != 0 ] || fail "$name: a failed write ended with status '$status'"
            grep -q "Unsuccessful" "$log" || fail "$name: the write was not reported Unsuccessful" ;;
    esac
    echo "$name: $((SECONDS - started)) s"
}

fetch_kernel
make_images
make_initramfs
rm -rf "$WORK/run" && mkdir -p "$WORK/run"
# CASES="read:1.44M fault:1.44M" runs only those.
if [ -z "${CASES:-}" ]; then
    for f in "${FORMATS[@]}"; do CASES+=" read:$f off:$f write:$f format:$f"; done
    CASES+=" dmf:1.68M fault:1.44M"
fi
for c in $CASES; do run_case "${c%%:*}" "${c#*:}"; done
[ "$FAILURES" = 0 ] && echo "All floppy cases passed." || { echo "$FAILURES failures."; exit 1; }
