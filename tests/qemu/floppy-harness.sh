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
# cover sector layouts and blank diskettes. Its floppy controller also turns
# a failed read of the image into a sector of zeros, so an unreadable sector
# is staged on a USB diskette drive (usb-storage, the kernel's SCSI disk
# driver) in the same guest as the failing write.
set -euo pipefail

VLM=$(realpath "$1")
WORK=$(realpath -m "${2:-build/qemu}")
HERE=$(dirname "$(realpath "$0")")
GUEST_TIMEOUT=${GUEST_TIMEOUT:-180}
FORMATS=(1.44M 720K 1.68M)
# The fault case: the floppy fails writes of sector 180; the USB drive fails
# every read of sector 300 (cylinder 8, head 0, sector 13, inside NUMBERS.TXT).
WRITE_FAULT=180
READ_FAULT=300
# The kernel modules of a USB diskette drive, in the order they load.
USB_MODULES=(usb-common usbcore ehci-hcd ehci-pci scsi_common scsi_mod crct10dif_common crc-t10dif crc64
             crc64-rocksoft t10-pi sd_mod usb-storage)
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
    local m
    for m in floppy "${USB_MODULES[@]}"; do
        find "$WORK/kernel/lib/modules" -name "$m.ko*" -exec cp {} "$root/lib/modules/$m.ko" \;
    done
    echo "${USB_MODULES[@]}" > "$root/lib/modules/usb.order"
    cp "$WORK"/images/src-*.img "$root/images/"
    (cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) > "$WORK/initramfs.cpio.gz"
}

# blkdebug rules failing every EVENT (read_aio, write_aio) of SECTOR, as FILE.
fault_rules() {
    printf '[inject-error]\nevent = "%s"\nsector = "%s"\nerrno = "5"\n' "$2" "$3" > "$1"
}

# Boots one guest for CASE:FORMAT with the drives QEMU_ARGS give it; its
# console goes to LOG.
guest() {
    local case=$1 log=$2
    shift 2
    timeout "$GUEST_TIMEOUT" qemu-system-x86_64 -machine pc -accel tcg -m 256 -nographic -no-reboot \
        -net none -monitor none -kernel "$WORK"/kernel/boot/vmlinuz-* -initrd "$WORK/initramfs.cpio.gz" \
        -append "console=ttyS0 quiet panic=-1 vellum.case=$case vellum.sector=$READ_FAULT" "$@" > "$log" 2>&1 ||
        { fail "$case: the guest did not finish (see $log)"; return 1; }
    grep -q '^@@ done' "$log" || { fail "$case: the guest stopped early (see $log)"; return 1; }
}

# Boots one guest on IMAGE for CASE:FORMAT; its console goes to LOG. With
# RULES the image fails as they say; with USB_IMAGE and USB_RULES a USB
# diskette drive holds a second diskette that fails as they say.
boot() {
    local case=$1 image=$2 log=$3 rules=${4:-} usb=${5:-} drives
    drives=(-drive "if=floppy,index=0,format=raw,file=${rules:+blkdebug:$rules:}$image")
    [ -n "$usb" ] && drives+=(-device usb-ehci,id=ehci -drive "if=none,id=usb,format=raw,file=blkdebug:$6:$usb"
                              -device usb-storage,bus=ehci.0,drive=usb)
    guest "$case" "$log" "${drives[@]}"
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

# A sector that never reads: the rescue maps it alone as bad, names the file
# it hit and brings the rest back byte for byte.
check_rescue() {
    local log=$1 src=$2 name=$3 map
    [ "$(exit_of "$log" rescue)" = 3 ] || fail "$name: the rescue did not end with status 3"
    map=$(sed -n 's/^@@ map //p' "$log" | tr -d '\r' | ddrescuelog -l- -b512 - | tr '\n' ' ')
    [ "$map" = "$READ_FAULT " ] || fail "$name: the map lists '$map' as bad, not $READ_FAULT"
    grep -q "^@@ before $(head -c $((READ_FAULT * 512)) "$src" | sha256sum | cut -d' ' -f1)" "$log" ||
        fail "$name: the sectors before the bad one differ from the diskette"
    grep -q "^@@ after $(tail -c +$(((READ_FAULT + 1) * 512 + 1)) "$src" | sha256sum | cut -d' ' -f1)" "$log" ||
        fail "$name: the sectors after the bad one differ from the diskette"
    grep -q "sector $READ_FAULT (cylinder 8, head 0, sector 13): /NUMBERS.TXT" "$log" ||
        fail "$name: the report does not name NUMBERS.TXT"
}

# VERB met a sector that fails, was told Cancel, and ended Unsuccessful.
gave_up() {
    local log=$1 verb=$2 name=$3 status
    status=$(exit_of "$log" "$verb")
    [ -n "$status" ] && [ "$status" != 0 ] || fail "$name: $verb ended with status '$status'"
    sed -n "/^@@ start $verb/,/^@@ exit $verb/p" "$log" | grep -q "Unsuccessful" ||
        fail "$name: $verb was not reported Unsuccessful"
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
    local guest=("$case:$f" "$image" "$log")
    if [ "$case" = fault ]; then
        fault_rules "$run/write-rules.conf" write_aio "$WRITE_FAULT"
        fault_rules "$run/read-rules.conf" read_aio "$READ_FAULT"
        cp "$images/src-$f.img" "$run/usb-$f.img"
        guest+=("$run/write-rules.conf" "$run/usb-$f.img" "$run/read-rules.conf")
    fi
    boot "${guest[@]}" || return 0
    case $case in
        read)
            [ "$(exit_of "$log" load)" = 0 ] || fail "$name: load failed"
            grep -q "^@@ sha256 $(sha256sum < "$images/src-$f.img" | cut -d' ' -f1)" "$log" ||
                fail "$name: the loaded image differs from the diskette"
            [ "$(exit_of "$log" compare)" = 0 ] || fail "$name: compare found differences"
            [ "$(exit_of "$log" rescue)" = 0 ] || fail "$name: the rescue of a sound diskette failed"
            grep -q "^SHA-256 of the diskette image: $(sha256sum < "$images/src-$f.img" | cut -d' ' -f1)" "$log" ||
                fail "$name: the rescued image differs from the diskette"
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
            check_rescue "$log" "$images/src-$f.img" "$name"
            gave_up "$log" load "$name"
            gave_up "$log" write "$name" ;;
    esac
    echo "$name: $((SECONDS - started)) s"
}

prepare() {
    fetch_kernel
    make_images
    make_initramfs
    rm -rf "$WORK/run" && mkdir -p "$WORK/run"
}

# usb-harness.sh takes the functions above and runs its own cases.
[ "${BASH_SOURCE[0]}" = "$0" ] || return 0
prepare
# CASES="read:1.44M fault:1.44M" runs only those.
if [ -z "${CASES:-}" ]; then
    for f in "${FORMATS[@]}"; do CASES+=" read:$f off:$f write:$f format:$f"; done
    CASES+=" dmf:1.68M fault:1.44M"
fi
for c in $CASES; do run_case "${c%%:*}" "${c#*:}"; done
[ "$FAILURES" = 0 ] && echo "All floppy cases passed." || { echo "$FAILURES failures."; exit 1; }
