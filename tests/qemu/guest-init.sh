#!/bin/busybox sh
# The guest's init: loads the stock floppy driver, runs the case named on the
# kernel command line against /dev/fd0 and powers off. Every line the host
# checks starts with "@@".
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /tmp
export HOME=/tmp VELLUM_CONFIG=/tmp/vellum.conf PATH=/bin:/usr/bin

# Runs vlm and reports its exit status.
vlm_run() {
    echo "@@ start $1"
    vlm "$@"
    echo "@@ exit $1 $?"
}

# Loads the USB diskette drives' modules and waits for the disk named (sda by default).
usb_drive() {
    for m in $(cat /lib/modules/usb.order); do insmod "/lib/modules/$m.ko"; done
    for i in $(seq 100); do
        [ -b "/dev/${1:-sda}" ] && return
        sleep 0.1
    done
}

# Two USB diskette drives: one write-protected holding the image, one blank.
usb_case() {
    usb_drive sdb
    vlm_run drive --scan
    for d in sda sdb; do
        if [ "$(cat /sys/block/$d/ro)" = 1 ]; then ro=/dev/$d; else rw=/dev/$d; fi
    done
    vlm drive A: --device "$ro" > /dev/null
    # Nobody at the terminal: the Retry/Cancel question is answered Cancel.
    vlm_run write "$1" A: < /dev/null
    vlm_run load A: -o /tmp/ro.img --all --yes
    echo "@@ sha256 $(sha256sum /tmp/ro.img | cut -d' ' -f1)"
    vlm drive B: --device "$rw" > /dev/null
    vlm_run write "$1" B: --format --verify --yes
    vlm_run compare "$1" B: --yes
    vlm_run load B: -o /tmp/rw.img --all --yes
    echo "@@ back $(sha256sum /tmp/rw.img | cut -d' ' -f1)"
}

run_case() {
    image=/images/src-$2.img
    [ "$1" = usb ] || vlm drive A: --device /dev/fd0 || return
    case $1 in
        usb) usb_case "$image" ;;
        read)
            vlm_run load A: -o /tmp/out.img --all --yes
            echo "@@ sha256 $(sha256sum /tmp/out.img | cut -d' ' -f1)"
            vlm_run compare "$image" A: --yes
            vlm_run rescue A: -o /tmp/rescue.img < /dev/null ;;
        off)
            vlm compare "$image" A: --yes > /tmp/compare.txt
            echo "@@ exit compare $?"
            echo "@@ $(grep -m1 '^Difference 1:' /tmp/compare.txt)" ;;
        write) vlm_run write "$image" A: --verify --yes ;;
        format) vlm_run write "$image" A: --format --verify --yes ;;
        dmf) vlm_run format-dmf A: --label VELLUM --yes ;;
        # A rescue and a load of the USB diskette with the unreadable sector,
        # then a write to the floppy that fails; with nobody at the terminal,
        # the load's and the write's Retry/Cancel question is answered Cancel.
        fault)
            usb_drive
            vlm drive B: --device /dev/sda
            vlm_run rescue B: -o /tmp/rescue.img < /dev/null
            sed 's/^/@@ map /' /tmp/rescue.img.map
            echo "@@ before $(head -c $(($3 * 512)) /tmp/rescue.img | sha256sum | cut -d' ' -f1)"
            echo "@@ after $(tail -c +$((($3 + 1) * 512 + 1)) /tmp/rescue.img | sha256sum | cut -d' ' -f1)"
            vlm_run load B: -o /tmp/load.img --all < /dev/null
            vlm_run write "$image" A: --verify < /dev/null ;;
    esac
}

insmod /lib/modules/floppy.ko
set -- $(sed -n 's/.*vellum\.case=\([a-z]*\):\([^ ]*\) vellum\.sector=\([0-9]*\).*/\1 \2 \3/p' /proc/cmdline)
run_case "$1" "$2" "$3" 2>&1
echo "@@ done"
poweroff -f
