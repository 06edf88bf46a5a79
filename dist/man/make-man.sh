#!/bin/sh
# Makes PROGRAM's manual page OUT with help2man from its --help and --version
# and the sections of INCLUDE; a program with verbs (vlm) gets each verb's own
# --help as well, so the page tells every verb's words and options.
# Usage: make-man.sh PROGRAM INCLUDE OUT
set -eu
program=$1
include=$2
out=$3
all=$out.h2m
: > "$all"
verbs=$("$program" --help | sed -n '/^Verbs:/,/^$/s/^  \([a-z-]*\) .*/\1/p')
# First, so the verbs follow the options on the page.
[ -z "$verbs" ] || echo "[VERBS IN DETAIL]" >> "$all"
for verb in $verbs; do
    "$program" help "$verb" | perl -ne '
        chomp;
        s/\\/\\e/g;                                # a backslash prints as itself
        s/(?<![\w\\-])(-+)/"\\-" x length($1)/ge;  # options take minus signs
        s/^([.\x27])/\\&$1/;                       # no line may read as a request
        if ($. == 1) { s/^usage: //; print ".SS \"$_\"\n"; next }
        next if $_ eq "";
        if (/^  /) { print ".nf\n$_\n.fi\n"; next }
        print "$_\n";' >> "$all"
done
cat "$include" >> "$all"
help2man --no-info --no-discard-stderr --include "$all" --output "$out" "$program"
rm "$all"
