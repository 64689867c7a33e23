#include "extract/report/gallery.h"

#include <algorithm>
#include <cstdio>

#include "base/path_util.h"

namespace gd {
namespace {

constexpr int kMaxFactor = 8;
constexpr std::int64_t kMaxEnlargedSide = 256;

// Length of the well-formed UTF-8 sequence at s[i] (no overlong forms, no
// surrogates, nothing above U+10FFFF); 0 when there is none.
std::size_t Utf8SequenceAt(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t n = 0;
  unsigned lo = 0x80;
  unsigned hi = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    n = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    n = 3;
    if (lead == 0xe0) lo = 0xa0;
    if (lead == 0xed) hi = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    n = 4;
    if (lead == 0xf0) lo = 0x90;
    if (lead == 0xf4) hi = 0x8f;
  } else {
    return 0;
  }
  if (s.size() - i < n || byte(i + 1) < lo || byte(i + 1) > hi) return 0;
  for (std::size_t k = 2; k < n; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xbf) return 0;
  }
  return n;
}

std::string Hex(std::uint64_t value) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(value));
  return buf;
}

constexpr std::string_view kStyle =
    "body{font:14px/1.4 system-ui,sans-serif;margin:1em 2em;background:#f4f4f4;color:#222}\n"
    "h1{font-size:1.3em}\n"
    "h2{font-size:1em;margin:1.6em 0 .6em;overflow-wrap:anywhere}\n"
    ".grid{display:flex;flex-wrap:wrap;gap:12px;align-items:flex-start}\n"
    "figure{margin:0;padding:8px;background:#fff;border:1px solid #ddd;border-radius:4px;"
    "max-width:100%;box-sizing:border-box;overflow:auto}\n"
    ".pics{display:flex;gap:10px;align-items:flex-end}\n"
    // Enlarged without smoothing; a checkerboard shows through transparent
    // pixels.
    "img{display:block;image-rendering:pixelated;"
    "background:repeating-conic-gradient(#ccc 0 25%,#fff 0 50%) 0 0/16px 16px}\n"
    "figcaption{font-size:12px;margin-top:6px;overflow-wrap:anywhere}\n"
    "figcaption a{color:inherit}\n";

}  // namespace

std::string HtmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = Utf8SequenceAt(text, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD
      ++i;
      continue;
    }
    if (n == 1) {
      switch (text[i]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += text[i]; break;
      }
    } else {
      out.append(text, i, n);
    }
    i += n;
  }
  return out;
}

std::string UrlFileName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (const char ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0f];
    }
  }
  // "." and ".." alone would name folders, not files.
  if (out == "." || out == "..") {
    std::string dots;
    for (std::size_t i = 0; i < out.size(); ++i) dots += "%2E";
    return dots;
  }
  return out;
}

int EnlargeFactor(std::int64_t width, std::int64_t height) {
  const std::int64_t side = std::max({width, height, std::int64_t{1}});
  const std::int64_t factor = std::min<std::int64_t>(kMaxFactor, kMaxEnlargedSide / side);
  return factor < 2 ? 1 : static_cast<int>(factor);
}

void Gallery::ImageWritten(const WrittenImage& image) {
  const auto [it, added] = group_of_.try_emplace(image.source, groups_.size());
  if (added) groups_.push_back(Group{image.source, {}});
  groups_[it->second].entries.push_back(Entry{image.offset, image.kind, image.width, image.height,
                                              image.bits, std::string(FileNameOf(image.file))});
  ++images_;
}

std::string Gallery::Html() const {
  const std::string summary = std::to_string(images_) + (images_ == 1 ? " image" : " images") +
                              " from " + std::to_string(groups_.size()) +
                              (groups_.size() == 1 ? " file" : " files");
  std::string out;
  out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  out += "<title>Glimmerdig: " + summary + "</title>\n";
  out += "<style>\n";
  out += kStyle;
  out += "</style>\n</head>\n<body>\n";
  out += "<h1>" + summary + "</h1>\n";
  for (const Group& group : groups_) {
    out += "<section>\n<h2>" + HtmlText(group.source) + "</h2>\n<div class=\"grid\">\n";
    for (const Entry& e : group.entries) {
      // A bottom-up or top-down row order does not change the picture's size.
      const std::int64_t w = e.width < 0 ? -e.width : e.width;
      const std::int64_t h = e.height < 0 ? -e.height : e.height;
      const std::string url = HtmlText(UrlFileName(e.file));
      const std::string name = HtmlText(e.file);
      const std::string ws = std::to_string(w);
      const std::string hs = std::to_string(h);
      out += "<figure class=\"" + std::string(KindName(e.kind)) + "\">\n<div class=\"pics\">";
      out += "<img src=\"" + url + "\" width=\"" + ws + "\" height=\"" + hs + "\" alt=\"" + name + "\">";
      const int factor = EnlargeFactor(w, h);
      if (factor > 1) {
        out += "<img class=\"big\" src=\"" + url + "\" width=\"" + std::to_string(w * factor) +
               "\" height=\"" + std::to_string(h * factor) + "\" alt=\"\">";
      }
      out += "</div>\n<figcaption>offset " + std::to_string(e.offset) + " (" + Hex(e.offset) +
             ") · " + ws + " × " + hs + " · " + std::to_string(e.bits) +
             (e.bits == 1 ? " bit" : " bits") + " · <a href=\"" + url + "\">" + name +
             "</a></figcaption>\n</figure>\n";
    }
    out += "</div>\n</section>\n";
  }
  out += "</body>\n</html>\n";
  return out;
}

}  // namespace gd
