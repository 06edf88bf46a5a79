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

# Loads the USB diskette drive's modules and waits for its disk.
usb_drive() {
    for m in $(cat /lib/modules/usb.order); do insmod "/lib/modules/$m.ko"; done
    for i in $(seq 100); do
        [ -b /dev/sda ] && return
        sleep 0.1
    done
}

run_case() {
    image=/images/src-$2.img
    vlm drive A: --device /dev/fd0 || return
    case $1 in
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
