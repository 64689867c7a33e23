#pragma once
// The main window's message boxes and the report of a failure that ends a
// command.

#include <windows.h>

#include <string>

namespace gd {

// A plain message: the application title, no icon, one "OK".
void ShowPlainMessage(HWND owner, const std::string& text);
// The confirmation question: title "確認", question-mark icon, Yes (default)
// and No (cancel). True for Yes only.
bool AskConfirmation(HWND owner, const std::string& question);
// Shows the message of the exception being handled in an error box; call
// from a catch block.
void ReportCurrentException(HWND owner) noexcept;

}  // namespace gd
