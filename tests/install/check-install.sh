#!/bin/sh
# Installs the build into a staging folder (DESTDIR) as a package would and
# checks what lands there: the programs, the data files where the program
# looks for them, a valid desktop entry, the icon and the .VLM file type,
# recognised by name and by content.
set -eu
build=$1
stage=$2
rm -rf "$stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root=$stage/usr

fail() { echo "FAIL: $*" >&2; exit 1; }

for f in bin/vellum bin/vlm; do
    [ -x "$root/$f" ] || fail "$f is not installed as a program"
done
for f in share/Orrindale/Vellum/tips.txt share/Orrindale/Vellum/sample.vlm \
         share/applications/example.orrindale.Vellum.desktop share/icons/hicolor/scalable/apps/vellum.svg \
         share/mime/packages/vellum.xml; do
    [ -s "$root/$f" ] || fail "$f is missing"
done

report=$(desktop-file-validate "$root/share/applications/example.orrindale.Vellum.desktop" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
xmllint --noout "$root/share/mime/packages/vellum.xml" "$root/share/icons/hicolor/scalable/apps/vellum.svg"

# The installed vlm runs.
"$root/bin/vlm" info "$root/share/Orrindale/Vellum/sample.vlm" >/dev/null || fail "the installed vlm does not read the sample"

# The type database of the staging folder knows .VLM files by name and by their first bytes.
XDG_DATA_DIRS="$root/share" update-mime-database "$root/share/mime"
cp "$root/share/Orrindale/Vellum/sample.vlm" "$stage/SAMPLE.VLM"
cp "$root/share/Orrindale/Vellum/sample.vlm" "$stage/unnamed"
for f in SAMPLE.VLM unnamed; do
    type=$(XDG_DATA_HOME="$stage/none" XDG_DATA_DIRS="$root/share" gio info -a standard::content-type "$stage/$f" |
           sed -n 's/^ *standard::content-type: //p')
    [ "$type" = application/x-vlm-image ] || fail "$f is taken for '$type'"
done
echo "staged install complete"
