#!/bin/sh
# Writes a help2man include section with every vlm verb's own --help, so the
# manual page tells each verb's words and options from the one help text.
# Usage: verbs-h2m.sh VLM > verbs.h2m
set -eu
vlm=$1
echo "[VERBS IN DETAIL]"
"$vlm" --help | sed -n '/^verbs:/,/^$/s/^  \([a-z-]*\) .*/\1/p' | while read -r verb; do
    "$vlm" help "$verb" | perl -ne '
        chomp;
        s/\\/\\e/g;                                # a backslash prints as itself
        s/(?<![\w\\-])(-+)/"\\-" x length($1)/ge;  # options take minus signs
        s/^([.\x27])/\\&$1/;                       # no line may read as a request
        if ($. == 1) { s/^usage: //; print ".SS \"$_\"\n"; next }
        if ($_ eq "") { next }
        if (/^  /) { print ".nf\n$_\n.fi\n"; next }
        print "$_\n";'
done
