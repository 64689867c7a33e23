#include "cli/texts.h"

#include <new>

#include "cli/options.h"
#include "base/errors.h"
#include "extract/run/messages.h"
#include "platform/png_encoder.h"

namespace gd::cli {

std::string ResultText(Language language, int count) {
  if (language == Language::kJapanese) return ResultMessage(count);
  if (count <= 0) return "No bitmaps were found.";
  return std::to_string(count) + (count == 1 ? " bitmap extracted." : " bitmaps extracted.");
}

std::string MissingSaveDirText(Language language, const std::string& save_dir) {
  if (language == Language::kJapanese) return MissingSaveDirMessage(save_dir);
  return "The save folder\r" + save_dir + "\rdoes not exist and cannot be created. Choose another one.";
}

namespace {

std::string EnglishWriteFailure(const OutputWriteError& failure) {
  std::string reason;
  switch (failure.reason()) {
    case WriteFailureReason::kDiskFull: reason = "the disk is full"; break;
    case WriteFailureReason::kPermissionDenied: reason = "permission denied"; break;
    case WriteFailureReason::kReadOnly: reason = "read-only file system"; break;
    case WriteFailureReason::kNameTooLong: reason = "file name too long"; break;
    case WriteFailureReason::kOther: reason = failure.system_text(); break;
  }
  return std::string(failure.step() == WriteStep::kCreate ? "cannot create the file " : "cannot write the file ") +
         failure.file() + " (" + reason + ")";
}

}  // namespace

std::string WriteFailureText(Language language, const OutputWriteError& failure, int written_before) {
  if (language == Language::kJapanese) return OutputWriteFailedMessage(failure, written_before);
  return EnglishWriteFailure(failure) + "; " + ResultText(language, written_before);
}

std::string FailureText(Language language, const std::exception& failure) {
  if (language == Language::kJapanese) {
    if (dynamic_cast<const std::bad_alloc*>(&failure)) return OutOfMemoryError().what();
    return failure.what();
  }
  // The engine has worded it in Japanese already, with the count: told again.
  if (const auto* e = dynamic_cast<const OutputWriteError*>(&failure)) return EnglishWriteFailure(*e);
  if (const auto* e = dynamic_cast<const CreateFileError*>(&failure)) return "cannot create the file " + e->Path();
  if (const auto* e = dynamic_cast<const PngEncodeError*>(&failure)) return "cannot encode as PNG (" + e->Detail() + ")";
  if (dynamic_cast<const OutOfMemoryError*>(&failure) || dynamic_cast<const std::bad_alloc*>(&failure)) {
    return "out of memory";
  }
  if (dynamic_cast<const ReadError*>(&failure)) return "cannot read a source file";
  if (dynamic_cast<const WriteError*>(&failure)) return "cannot write an output file";
  return failure.what();
}

std::string ImagesUnit(Language language, int count) {
  if (language == Language::kJapanese) return "枚";
  return count == 1 ? " image" : " images";
}

std::string HelpText(Language language) {
  if (language == Language::kEnglish) return UsageText();
  return "使い方: glimmerdig-cli [オプション] ソース...\n"
         "ファイルに埋め込まれたビットマップ（アイコン、カーソル、プログラムのリソース、\n"
         "40 バイトの DIB ヘッダーとパレットと画素の並び）を探し、それぞれを .bmp ファイル\n"
         "に書き出します。\n"
         "\n"
         "ソースはファイルかフォルダ（サブフォルダも含めて探します）で、指定した順に\n"
         "扱います。画像の名前は <ベース名>-<拡張子>-<番号>.<種類> です。\n"
         "\n"
         "オプション:\n"
         "  -o, --save-dir DIR  画像の保存先（既定: 現在のフォルダの BmpSave）。\n"
         "                      ないときは親フォルダも含めて作成します\n"
         "  -d, --delete-first  抽出前に保存先の .bmp をすべて削除する\n"
         "      --no-ico-file   拡張子が \"ico\" で始まるファイルを除く\n"
         "      --no-cur-file   拡張子が \"cur\" で始まるファイルを除く\n"
         "      --no-ico-res    アイコンの形の画像を除く\n"
         "      --no-cur-res    カーソルの形の画像を除く\n"
         "      --all           すべての画像を探す: 宣言された大きさによらずアイコンを\n"
         "                      アイコンとして測り、埋め込まれた PNG と GIF も（.png と\n"
         "                      .gif にそのまま）書き出し、1 ファイルあたりの上限なし\n"
         "      --format FMT    bmp（既定）か png: ビットマップを透明度（アルファ値か\n"
         "                      アイコンのマスク）付きの PNG で書き出す\n"
         "      --unique        同じ絵を 1 回の実行で 2 度書き出さない（番号は進む）\n"
         "      --manifest FILE 書き出した画像ごとに CSV の行を書く: source, offset,\n"
         "                      kind, width, height, bits, file, sha256\n"
         "      --list          画像を書き出さず、書き出すはずの画像の CSV（manifest\n"
         "                      と同じ形）を標準出力に出す\n"
         "      --gallery       書き出した画像をソースごとに一覧するページ index.html\n"
         "                      を保存先に書く\n"
         "  -q, --quiet         進み具合の行を出さない\n"
         "  -h, --help          この説明を出す\n"
         "      --version       版を出す\n"
         "\n"
         "Ctrl-C は次のファイルの前か、大きいファイルの区切りで実行を止めます。\n"
         "2 度目の Ctrl-C ではすぐに止まります。\n"
         "終了ステータス: 0 完了、1 保存先がない、2 使い方の誤りかソースがない、\n"
         "3 実行の失敗、130 取り消し。\n";
}

}  // namespace gd::cli
