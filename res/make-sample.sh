#!/usr/bin/env bash
# Builds the sample diskette that a new user meets in drive A: and in the
# README's first run: a labelled 1.44 MB FAT12 volume with nested folders,
# long and accented names, and files from empty to several clusters.
# Usage: make-sample.sh OUT.img   (then: vlm convert OUT.img res/sample.vlm)
set -euo pipefail
out=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

stamp() { touch -d "$1" "$2"; }

mkdir -p "$tree/DOCS/Letters" "$tree/DOCS/Recipes" "$tree/GAMES/CHESS"
cat > "$tree/README.TXT" <<'TXT'
Welcome to Vellum's sample diskette.

Load it, browse its folders, compare it with a diskette or write it to as
many diskettes as you like. Every file here is a small example of what a
FAT12 diskette can hold: short and long names, folders inside folders,
empty files and files spread over many clusters.
TXT
printf 'Dear Grandma,\r\n\r\nThe diskettes arrived safely. Thank you!\r\n' > "$tree/DOCS/Letters/Letter to Grandma.txt"
printf 'Menu du jour: soupe, pain, fromage.\r\n' > "$tree/DOCS/Recipes/Café menu.txt"
printf 'Flour, water, salt, yeast.\r\n' > "$tree/DOCS/Recipes/BREAD.TXT"
: > "$tree/DOCS/EMPTY.DAT"
# Several clusters of text, and a binary file of a few thousand bytes.
for i in $(seq 1 400); do printf 'Line %03d of the annual report on diskette archiving.\r\n' "$i"; done \
    > "$tree/DOCS/Annual Report 1998.txt"
head -c 6000 /dev/zero | tr '\0' '\x5a' > "$tree/GAMES/CHESS/OPENINGS.BIN"
printf '1. e4 e5 2. Nf3 Nc6 3. Bb5\r\n' > "$tree/GAMES/CHESS/Ruy Lopez.pgn"
printf 'ECHO Hello from Vellum\r\n' > "$tree/HELLO.BAT"

find "$tree" -exec touch -d '1998-06-14 10:30:00' {} +
stamp '2000-01-07 14:05:00' "$tree/README.TXT"

export MTOOLS_NO_VFAT=0 MTOOLS_SKIP_CHECK=1
rm -f "$out"
mformat -C -f 1440 -v VELLUM -N 19980614 -i "$out" ::
mcopy -s -m -i "$out" "$tree"/README.TXT "$tree"/HELLO.BAT "$tree"/DOCS "$tree"/GAMES ::
mattrib -i "$out" +r ::/HELLO.BAT
