#pragma once
// Command-line options of glimmerdig-cli.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gd::cli {

struct Options {
  std::optional<std::string> save_dir;  // -o, --save-dir
  bool delete_first = false;            // -d, --delete-first
  std::uint8_t exclude_flags = 0;       // --no-ico-file, --no-cur-file, --no-ico-res, --no-cur-res
  bool all_images = false;              // --all
  bool png = false;                     // --format png (bmp: the default)
  std::optional<std::string> manifest;  // --manifest FILE
  bool unique = false;                  // --unique
  bool gallery = false;                 // --gallery
  bool list = false;                    // --list
  bool quiet = false;                   // -q, --quiet
  bool help = false;                    // -h, --help
  bool version = false;                 // --version
  std::vector<std::string> sources;
};

struct ParseResult {
  Options options;
  std::string error;  // non-empty on a usage error
};

ParseResult ParseOptions(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace gd::cli
