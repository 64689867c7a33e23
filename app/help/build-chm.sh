#!/bin/bash
# Compiles the Japanese help file: build-chm.sh SOURCE_DIR OUT.chm
#
# The sources are kept in UTF-8. The help viewer reads the contents and index
# in the file's own code page (932 for Japanese), so everything is converted
# to Shift_JIS before compiling, and the pages say so.
set -euo pipefail
src=$(realpath "$1")
out=$(realpath -m "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for f in "$src"/*.html "$src"/*.hhc "$src"/*.hhk "$src"/*.hhp; do
  sed 's/charset=utf-8/charset=Shift_JIS/' "$f" | iconv -f UTF-8 -t CP932 >"$work/$(basename "$f")"
done
cp "$src"/*.css "$work/"
(cd "$work" && chmcmd --no-html-scan glimmerdig.hhp >chmcmd.log 2>&1) || { cat "$work/chmcmd.log" >&2; exit 1; }
mv "$work/glimmerdig.chm" "$out"
