#pragma once
// The texts a run shows its user, shared by every front end.

#include <string>
#include <string_view>

#include "base/write_failure.h"

namespace gd {

// Shown when the save folder does not exist. Each \r puts the folder on a
// line of its own.
inline std::string MissingSaveDirMessage(const std::string& save_dir) {
  return "保存先に指定された\r" + save_dir + "\rは存在しないディレクトリです。変更してください｡";
}

// The result of a run.
inline std::string ResultMessage(int count) {
  if (count <= 0) return "ビットマップは見つかりませんでした。";
  return std::to_string(count) + "個のビットマップを抽出しました。";
}

// Why a file could not be written, for the failures people meet; any other
// failure is told in the system's own words.
inline std::string WriteFailureReasonText(WriteFailureReason reason, std::string_view system_text) {
  switch (reason) {
    case WriteFailureReason::kDiskFull: return "ディスクの空き容量が足りません";
    case WriteFailureReason::kPermissionDenied: return "アクセスが拒否されました";
    case WriteFailureReason::kReadOnly: return "読み取り専用のファイルシステムです";
    case WriteFailureReason::kNameTooLong: return "ファイル名が長すぎます";
    case WriteFailureReason::kOther: break;
  }
  return std::string(system_text);
}

// A run stopped by a file it could not create or write, and how many images
// it had written before; written_before < 0 leaves the count out.
inline std::string OutputWriteFailedMessage(const OutputWriteError& failure, int written_before) {
  std::string text = "ファイル " + failure.file() +
                     (failure.step() == WriteStep::kCreate ? " を作成できません" : " に書き込めません") + "（" +
                     WriteFailureReasonText(failure.reason(), failure.system_text()) + "）。";
  if (written_before >= 0) text += "それまでに " + std::to_string(written_before) + " 個のビットマップを抽出しました。";
  return text;
}

}  // namespace gd
