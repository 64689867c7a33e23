#include "extract/report/gallery.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <cstdio>

#include "base/path_util.h"

namespace gd {
namespace {

constexpr int kMaxFactor = 4;
constexpr std::int64_t kCardSide = 128;

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

// A page for looking through hundreds of images: cards of one size in a grid
// as wide as the window, each a link to its file.
constexpr std::string_view kStyle =
    "body{font:13px/1.35 system-ui,sans-serif;margin:1em 1.5em;background:#f4f4f4;color:#222}\n"
    "h1{font-size:1.3em;margin:.2em 0}\n"
    ".kinds{margin:.2em 0 .8em}\n"
    "nav ol{columns:16em;column-gap:2em;margin:0;padding-left:3em;font-size:12px}\n"
    "nav li{break-inside:avoid;overflow-wrap:anywhere}\n"
    "h2{font-size:1em;margin:1.4em 0 .5em;overflow-wrap:anywhere}\n"
    ".grid{display:grid;grid-template-columns:repeat(auto-fill,minmax(136px,1fr));gap:8px}\n"
    ".card{display:block;min-width:0;padding:4px;background:#fff;border:1px solid #ddd;border-radius:4px;"
    "color:inherit;text-decoration:none}\n"
    ".card:hover{border-color:#58f}\n"
    ".pic{height:128px;display:flex;align-items:center;justify-content:center}\n"
    // Enlarged without smoothing; a checkerboard shows through transparent
    // pixels. A large image made smaller is smoothed.
    "img{display:block;image-rendering:pixelated;"
    "background:repeating-conic-gradient(#ccc 0 25%,#fff 0 50%) 0 0/16px 16px}\n"
    "img.fit{image-rendering:auto}\n"
    ".cap{font-size:11px;line-height:1.25;margin-top:4px;overflow-wrap:anywhere}\n"
    ".name{color:#555}\n";

std::string Count(std::size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

// The folder all sources share (up to and with its last separator), so that
// the list of sources shows only what tells them apart.
std::size_t CommonFolderLength(const std::vector<std::string>& sources) {
  if (sources.empty()) return 0;
  std::size_t length = sources.front().size();
  for (const std::string& s : sources) {
    std::size_t i = 0;
    while (i < length && i < s.size() && s[i] == sources.front()[i]) ++i;
    length = i;
  }
  const std::size_t cut = sources.front().find_last_of("/\\", length == 0 ? 0 : length - 1);
  return cut == std::string::npos || length == 0 ? 0 : cut + 1;
}

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
  const std::int64_t factor = std::min<std::int64_t>(kMaxFactor, kCardSide / side);
  return factor < 2 ? 1 : static_cast<int>(factor);
}

ShownSize CardSize(std::int64_t width, std::int64_t height) {
  width = std::max<std::int64_t>(width, 1);
  height = std::max<std::int64_t>(height, 1);
  const std::int64_t side = std::max(width, height);
  if (side <= kCardSide) {
    const int factor = EnlargeFactor(width, height);
    return {width * factor, height * factor};
  }
  // Sides come from 32-bit fields: times 128 they stay far inside 64 bits.
  const auto fit = [side](std::int64_t n) { return std::max<std::int64_t>(1, n * kCardSide / side); };
  return {fit(width), fit(height)};
}

void Gallery::ImageWritten(const WrittenImage& image) {
  const auto [it, added] = group_of_.try_emplace(image.source, groups_.size());
  if (added) groups_.push_back(Group{image.source, {}});
  groups_[it->second].entries.push_back(Entry{image.offset, image.kind, image.width, image.height,
                                              image.bits, std::string(FileNameOf(image.file))});
  ++images_;
}

std::string Gallery::Html() const {
  const std::string summary = Count(images_, "image", "images") + " from " + Count(groups_.size(), "file", "files");
  std::map<ImageKind, std::size_t> per_kind;  // in the order of the kinds
  std::vector<std::string> sources;
  for (const Group& group : groups_) {
    sources.push_back(group.source);
    for (const Entry& e : group.entries) ++per_kind[e.kind];
  }
  std::string out;
  out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  out += "<title>Glimmerdig: " + summary + "</title>\n";
  out += "<style>\n";
  out += kStyle;
  out += "</style>\n</head>\n<body>\n";
  out += "<h1>" + summary + "</h1>\n<p class=\"kinds\">";
  bool first_kind = true;
  for (const auto& [kind, count] : per_kind) {
    if (!first_kind) out += " · ";
    first_kind = false;
    // "bitmaps (dib)", "PNG (png)", …
    std::string label(KindName(kind));
    if (kind == ImageKind::kDib) {
      label = "bitmaps";
    } else {
      for (char& c : label) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    out += std::to_string(count) + " " + label + " (" + std::string(KindName(kind)) + ")";
  }
  out += "</p>\n";
  const std::size_t common = CommonFolderLength(sources);
  if (!groups_.empty()) {
    out += "<nav>\n";
    if (common > 0) out += "<p>In " + HtmlText(std::string_view(sources.front()).substr(0, common)) + "</p>\n";
    out += "<ol>\n";
    for (std::size_t g = 0; g < groups_.size(); ++g) {
      out += "<li><a href=\"#s" + std::to_string(g + 1) + "\">" +
             HtmlText(std::string_view(groups_[g].source).substr(common)) + "</a> (" +
             std::to_string(groups_[g].entries.size()) + ")</li>\n";
    }
    out += "</ol>\n</nav>\n";
  }
  for (std::size_t g = 0; g < groups_.size(); ++g) {
    const Group& group = groups_[g];
    out += "<section id=\"s" + std::to_string(g + 1) + "\">\n<h2>" + HtmlText(group.source) + " (" +
           Count(group.entries.size(), "image", "images") + ")</h2>\n<div class=\"grid\">\n";
    for (const Entry& e : group.entries) {
      // A bottom-up or top-down row order does not change the picture's size.
      const std::int64_t w = e.width < 0 ? -e.width : e.width;
      const std::int64_t h = e.height < 0 ? -e.height : e.height;
      const std::string url = HtmlText(UrlFileName(e.file));
      const std::string name = HtmlText(e.file);
      const ShownSize shown = CardSize(w, h);
      const bool smaller = std::max(w, h) > kCardSide;
      out += "<a class=\"card " + std::string(KindName(e.kind)) + "\" href=\"" + url + "\">";
      out += "<div class=\"pic\"><img" + std::string(smaller ? " class=\"fit\"" : "") + " src=\"" + url +
             "\" width=\"" + std::to_string(shown.width) + "\" height=\"" + std::to_string(shown.height) +
             "\" alt=\"" + name + "\"></div>";
      out += "<div class=\"cap\">" + std::to_string(w) + " × " + std::to_string(h) + " · " +
             std::to_string(e.bits) + (e.bits == 1 ? " bit" : " bits") + "<br>offset " + Hex(e.offset) +
             "<br><span class=\"name\">" + name + "</span></div></a>\n";
    }
    out += "</div>\n</section>\n";
  }
  out += "</body>\n</html>\n";
  return out;
}

}  // namespace gd
