#!/usr/bin/env bash
# Runs vlm against USB diskette drives: QEMU's usb-storage with the kernel's
# SCSI disk driver, in one guest of floppy-harness.sh's making, with a
# write-protected drive holding a 1.44 MB diskette and a writable one.
#   usb-harness.sh VLM [WORKDIR]
# QEMU answers READ FORMAT CAPACITIES with ILLEGAL REQUEST and takes FORMAT
# UNIT as a no-op (README, "Two commands"): the format is checked for
# reaching the drive, in QEMU's trace of the commands it parsed.
set -euo pipefail
source "$(dirname "$(realpath "$0")")/floppy-harness.sh" "$@"

USB_FORMAT=1.44M
FORMAT_UNIT=4 # the opcode as QEMU's trace prints it

usb_guest() {
    local images=$WORK/images run=$WORK/run ro rw log trace
    ro=$run/usb-ro.img rw=$run/usb-rw.img log=$run/usb.log trace=$run/usb-trace.log
    cp "$images/src-$USB_FORMAT.img" "$ro"
    truncate -s 0 "$rw" && truncate -s $((KBYTES[$USB_FORMAT] * 1024)) "$rw"
    cp "$rw" "$run/usb-fd.img"
    guest "usb:$USB_FORMAT" "$log" -drive "if=floppy,index=0,format=raw,file=$run/usb-fd.img" -device usb-ehci,id=ehci \
        -drive "if=none,id=ro,format=raw,readonly=on,file=$ro" -device usb-storage,bus=ehci.0,drive=ro,removable=on \
        -drive "if=none,id=rw,format=raw,file=$rw" -device usb-storage,bus=ehci.0,drive=rw,removable=on \
        -d trace:scsi_req_parsed -D "$trace" || return 0
    local src_sum name=usb
    src_sum=$(sha256sum < "$images/src-$USB_FORMAT.img" | cut -d' ' -f1)
    [ "$(exit_of "$log" drive)" = 0 ] || fail "$name: drive --scan failed"
    [ "$(grep -c '^/dev/sd[ab]  USB diskette drive' "$log")" = 2 ] || fail "$name: the scan did not list both drives"
    grep -q '^/dev/fd0  floppy drive, 3.5-inch 1.44 MB' "$log" || fail "$name: the scan did not list the floppy drive"
    [ "$(sed -n 's/^@@ exit write \([0-9]*\).*/\1/p' "$log" | tr -d '\r' | head -1)" != 0 ] ||
        fail "$name: a write to the write-protected drive succeeded"
    sed -n '/^@@ start write/,/^@@ exit write/{p;/^@@ exit write/q}' "$log" | grep -q "Write protect error" ||
        fail "$name: the write-protected drive was not reported so"
    grep -q "^@@ sha256 $src_sum" "$log" || fail "$name: the load differs from the diskette"
    same_image "$ro" "$images/src-$USB_FORMAT.img" "$name (write-protected drive)"
    [ "$(exit_of "$log" write)" = 0 ] || fail "$name: write --format --verify failed"
    grep -q "command $FORMAT_UNIT " "$trace" || fail "$name: no FORMAT UNIT reached the drive"
    [ "$(exit_of "$log" compare)" = 0 ] || fail "$name: compare found differences"
    grep -q "^@@ back $src_sum" "$log" || fail "$name: the written diskette loads back different"
    same_image "$rw" "$images/src-$USB_FORMAT.img" "$name"
    check_fat "$rw" "$name"
}

prepare
started=$SECONDS
usb_guest
echo "usb: $((SECONDS - started)) s"
[ "$FAILURES" = 0 ] && echo "All USB cases passed." || { echo "$FAILURES failures."; exit 1; }
