#pragma once
// The main window's texts and command lines, and the few Windows path rules
// the program applies to its own paths. Kept free of <windows.h> so that they
// are checked on every platform.

#include <string>
#include <string_view>

namespace gd {

inline constexpr std::string_view kAppTitle = "グリマーディグ";

// Everything up to and including the last "\" or ":"; empty when there is none.
std::string FolderPart(std::string_view path);

// path with its extension (from the last "." after the last "\" or ":")
// replaced by ext; ext appended when there is none.
std::string ChangeFileExt(std::string_view path, std::string_view ext);

// "BmpSave" beside the executable, without a trailing "\".
std::string DefaultSaveFolder(std::string_view exe_path);

// The settings file: the executable with the extension ".INI".
std::string SettingsPath(std::string_view exe_path);

std::string ConfirmFolderText(std::string_view source_dir, std::string_view save_dir);
// The text that ends a run; count <= 0 means nothing was written.
std::string ResultText(int count);
std::string ExplorerCommand(std::string_view save_dir);
// The help viewer on the .chm beside the executable.
std::string HelpCommand(std::string_view exe_path);
std::string SettingsWriteErrorText(std::string_view settings_path);
// A source handed in from the command line or a drop that is not there.
std::string MissingSourceText(std::string_view path);
// Several sources with a folder among them: one folder is one run.
inline constexpr std::string_view kOneFolderText = "フォルダは一度に一つだけ指定してください。";

}  // namespace gd
