#pragma once
// The program's message boxes. They are built here rather than by the
// system's MessageBox, whose button texts follow the system's language:
// the texts, title and buttons are always exactly these.

#include <string_view>

namespace gd {

inline constexpr char kConfirmTitle[] = "確認";
inline constexpr char kYesButton[] = "はい(&Y)";
inline constexpr char kNoButton[] = "いいえ(&N)";
inline constexpr char kOkButton[] = "OK";

// Results, the system's codes.
inline constexpr int kResultOk = 1;   // IDOK
inline constexpr int kResultYes = 6;  // IDYES
inline constexpr int kResultNo = 7;   // IDNO

// Titled with the application's title, no icon, one button "OK".
void ShowMessage(std::string_view text);
// Titled with the application's title, the error icon, one button "OK".
void ShowErrorMessage(std::string_view text);
// Titled "確認", the question icon, "はい(&Y)" (default, Enter) and
// "いいえ(&N)" (Escape and the close box). Returns kResultYes or kResultNo.
int Confirm(std::string_view text);

}  // namespace gd
