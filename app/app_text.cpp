#include "app/app_text.h"

#include "extract/run/messages.h"

namespace gd {

std::string FolderPart(std::string_view path) {
  const std::size_t pos = path.find_last_of("\\:");
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  const std::size_t dot = path.find_last_of(".\\:");
  std::string result(path);
  if (dot != std::string_view::npos && path[dot] == '.') result.erase(dot);
  result += ext;
  return result;
}

std::string DefaultSaveFolder(std::string_view exe_path) { return FolderPart(exe_path) + "BmpSave"; }

std::string SettingsPath(std::string_view exe_path) { return ChangeFileExt(exe_path, ".INI"); }

std::string ConfirmFolderText(std::string_view source_dir, std::string_view save_dir) {
  std::string text(source_dir);
  text += " からビットマップを抽出して ";
  text += save_dir;
  text += " に保存します。よろしいですか？";
  return text;
}

std::string ResultText(int count) { return ResultMessage(count); }

std::string ExplorerCommand(std::string_view save_dir) { return "Explorer " + std::string(save_dir); }

std::string HelpCommand(std::string_view exe_path) { return "HH.EXE " + ChangeFileExt(exe_path, ".chm"); }

std::string SettingsWriteErrorText(std::string_view settings_path) {
  return std::string(settings_path) + " に書き込めません";
}

std::string MissingSourceText(std::string_view path) { return std::string(path) + " が見つかりません。"; }

}  // namespace gd
