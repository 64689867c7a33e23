#include "app/command_line.h"

#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string_view>

#include "utf16/utf16.h"

namespace gd {
namespace {

struct LocalFreer {
  void operator()(LPWSTR* p) const { LocalFree(p); }
};

// The system's splitting reads a backslash before the closing quote as a
// quote of the text, so "D:\" "E:\x" arrives as D:" E:\x. No file name holds
// a quote: each one stands for a backslash that ended an argument.
void AddMended(std::wstring_view arg, std::vector<std::string>& out) {
  while (true) {
    const std::size_t quote = arg.find(L'"');
    std::wstring_view part = arg.substr(0, quote);
    if (quote != std::wstring_view::npos) {
      out.push_back(Narrow(std::wstring(part) + L'\\'));
    } else if (!part.empty()) {
      out.push_back(Narrow(std::wstring(part)));
    }
    if (quote == std::wstring_view::npos) return;
    arg.remove_prefix(quote + 1);
    while (!arg.empty() && arg.front() == L' ') arg.remove_prefix(1);
    if (arg.empty()) return;
  }
}

}  // namespace

std::vector<std::string> CommandLineSources(const wchar_t* command_line) {
  std::vector<std::string> sources;
  int count = 0;
  std::unique_ptr<LPWSTR, LocalFreer> args(CommandLineToArgvW(command_line, &count));
  if (!args) return sources;
  for (int i = 1; i < count; ++i) AddMended(args.get()[i], sources);
  return sources;
}

}  // namespace gd
