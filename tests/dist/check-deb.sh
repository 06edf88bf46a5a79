#!/bin/sh
# Makes the Debian packages with CPack, unpacks them into a scratch root as
# dpkg would lay them out, and runs the unpacked vlm there: vellum-cli holds
# vlm with no Qt dependency, and vellum depends on vellum-cli.
# Usage: check-deb.sh BUILD-DIR
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null
cli=$(ls "$work"/out/vellum-cli_*.deb)
gui=$(ls "$work"/out/vellum_*.deb)
dpkg-deb -f "$cli" Depends | grep -qi qt && fail "vellum-cli depends on Qt"
dpkg-deb -f "$gui" Depends | grep -q "vellum-cli (= " || fail "vellum does not depend on vellum-cli"
dpkg-deb -c "$cli" | grep -q ' ./usr/bin/vellum$' && fail "vellum-cli holds the desktop program"

root=$work/root
dpkg-deb -x "$cli" "$root"
dpkg-deb -x "$gui" "$root"
version=$("$root/usr/bin/vlm" --version)
[ "$version" = "vlm $(dpkg-deb -f "$cli" Version)" ] || fail "vlm --version says '$version'"
"$root/usr/bin/vlm" info "$root/usr/share/Orrindale/Vellum/sample.vlm" | grep -q '^Format: *1.44Mb' ||
    fail "the unpacked vlm does not read the sample"
echo "packages unpack and run"
