#pragma once
// The texts a run shows its user, shared by every front end.

#include <string>

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

}  // namespace gd
