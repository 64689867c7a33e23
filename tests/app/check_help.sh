#!/bin/bash
# Checks the compiled help file: every page and the contents are inside, in
# the Japanese code page, and every command, option and way in of the main
# window is explained. Usage: check_help.sh glimmerdig.chm (needs
# extract_chmLib from libchm-bin; exits 77, skipped, without it).
set -euo pipefail
command -v extract_chmLib >/dev/null || { echo "extract_chmLib not installed"; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
extract_chmLib "$1" "$out/x" >/dev/null
status=0
for f in index.html commands.html options.html files.html trouble.html toc.hhc index.hhk style.css; do
  [ -f "$out/x/$f" ] || { echo "missing in the help file: $f"; status=1; }
done
text=$(cat "$out"/x/*.html "$out/x/toc.hhc" | iconv -f CP932 -t UTF-8) || { echo "not Shift_JIS"; exit 1; }
for want in フォルダから抽出 ファイルから抽出 保存先 ヘルプ アイコンファイル カーソルファイル アイコンリソース \
  カーソルリソース 抽出前に保存先のBmpをすべて削除する 抽出後にフォルダを開く ｷｬﾝｾﾙ glimmerdig.INI BmpSave \
  "すべての画像を探す(A)" "PNG 形式で保存する(P)" AllImages SaveAsPng JPEG .jpg ドロップ コマンドライン 送る "右端の <b>...</b> ボタン"; do
  grep -q -- "$want" <<<"$text" || { echo "the help does not mention $want"; status=1; }
done
exit $status
