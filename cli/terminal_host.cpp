#include "cli/terminal_host.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "cli/terminal.h"
#include "cli/texts.h"

namespace gd::cli {

namespace {

// Terminal cells taken by the code point starting at s[i]; sets len to its
// length in bytes. East Asian wide ranges take two.
int CellsAt(const std::string& s, std::size_t i, std::size_t& len) {
  const auto b = static_cast<unsigned char>(s[i]);
  len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  len = std::min(len, s.size() - i);
  std::uint32_t cp = len == 1 ? b : (b & (0x3Fu >> (len - 1)));
  for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
  const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                    (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                    (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                    (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
  return wide ? 2 : 1;
}

int Cells(const std::string& s) {
  int cells = 0;
  for (std::size_t i = 0, len = 0; i < s.size(); i += len) cells += CellsAt(s, i, len);
  return cells;
}

}  // namespace

std::string ProgressLine(int count, const std::string& path, int columns, int percent, Language language) {
  std::string line = std::to_string(count) + ImagesUnit(language, count) + " | ";
  if (percent >= 0) line += std::to_string(percent) + "% | ";
  const int room = std::max(columns - 1 - Cells(line), 0);
  std::size_t from = 0;
  if (Cells(path) > room) {
    // Keep the end of the path: the file name matters most.
    int cells = Cells(path);
    for (std::size_t len = 0; from < path.size() && cells > std::max(room - 1, 0); from += len) {
      cells -= CellsAt(path, from, len);
    }
    if (room > 0) line.append("…");
  }
  line.append(path, from, std::string::npos);
  return line;
}

TerminalHost::TerminalHost(bool show_progress, Language language)
    : show_progress_(show_progress && StderrIsTerminal()), language_(language) {}

TerminalHost::~TerminalHost() { Finish(); }

void TerminalHost::ShowStatus(const std::string& path) {
  path_ = path;
  percent_ = -1;
  Draw(false);
}

void TerminalHost::ShowFileProgress(std::uint64_t done, std::uint64_t total) {
  const int percent = total == 0 ? 100 : static_cast<int>(std::min<std::uint64_t>(done, total) * 100 / total);
  if (percent == percent_) return;
  percent_ = percent;
  Draw(false);
}

void TerminalHost::SetCount(int n) {
  count_ = n;
  Draw(false);
}

bool TerminalHost::IsCancelled() { return Interrupted(); }

void TerminalHost::ShowMessage(const std::string& text) {
  Finish();
  std::string shown = text;
  std::replace(shown.begin(), shown.end(), '\r', '\n');
  WriteErr(shown + "\n");
}

void TerminalHost::Draw(bool force) {
  if (!show_progress_) return;
  // Redrawing for every small file would cost more than the scan itself.
  const auto now = std::chrono::steady_clock::now();
  if (!force && line_shown_ && now - last_draw_ < std::chrono::milliseconds(80)) return;
  last_draw_ = now;
  const int columns = StderrColumns();
  const std::string line = ProgressLine(count_, path_, columns, percent_, language_);
  const int pad = std::max(columns - 1 - Cells(line), 0);
  std::string out(1, '\r');
  out.append(line).append(static_cast<std::size_t>(pad), ' ');
  WriteErr(out);
  line_shown_ = true;
}

void TerminalHost::Finish() {
  if (!line_shown_) return;
  std::string blank(1, '\r');
  blank.append(static_cast<std::size_t>(std::max(StderrColumns() - 1, 0)), ' ').push_back('\r');
  WriteErr(blank);
  line_shown_ = false;
}

}  // namespace gd::cli
