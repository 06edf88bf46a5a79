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
    vlm "$@"
    echo "@@ exit $1 $?"
}

run_case() {
    image=/images/src-$2.img
    vlm drive A: --device /dev/fd0 || return
    case $1 in
        read)
            vlm_run load A: -o /tmp/out.img --all --yes
            echo "@@ sha256 $(sha256sum /tmp/out.img | cut -d' ' -f1)"
            vlm_run compare "$image" A: --yes ;;
        off)
            vlm compare "$image" A: --yes > /tmp/compare.txt
            echo "@@ exit compare $?"
            echo "@@ $(grep -m1 '^Difference 1:' /tmp/compare.txt)" ;;
        write) vlm_run write "$image" A: --verify --yes ;;
        format) vlm_run write "$image" A: --format --verify --yes ;;
        dmf) vlm_run format-dmf A: --label VELLUM --yes ;;
        # Nobody at the terminal: the Retry/Cancel question is answered Cancel.
        fault) vlm_run write "$image" A: --verify < /dev/null ;;
    esac
}

insmod /lib/modules/floppy.ko
set -- $(sed -n 's/.*vellum\.case=\([a-z]*\):\([^ ]*\).*/\1 \2/p' /proc/cmdline)
run_case "$1" "$2" 2>&1
echo "@@ done"
poweroff -f
