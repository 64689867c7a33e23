#include "cli/options.h"

#include <array>
#include <string_view>

#include "extract/run/res_extract.h"

namespace gd::cli {

namespace {

struct Flag {
  std::string_view name;
  std::uint8_t bit;
};

constexpr std::array<Flag, 4> kExclusions{{
    {"--no-ico-file", kNoIcoFile},
    {"--no-cur-file", kNoCurFile},
    {"--no-ico-res", kNoIcoRes},
    {"--no-cur-res", kNoCurRes},
}};

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
  ParseResult r;
  Options& o = r.options;
  bool only_sources = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (only_sources || a.empty() || a[0] != '-' || a == "-") {
      o.sources.emplace_back(a);
      continue;
    }
    if (a == "--") {
      only_sources = true;
    } else if (a == "-o" || a == "--save-dir") {
      if (i + 1 >= args.size()) {
        r.error = "option " + std::string(a) + " needs a folder";
        return r;
      }
      o.save_dir = args[++i];
    } else if (a.starts_with("--save-dir=")) {
      o.save_dir = std::string(a.substr(11));
    } else if (a.starts_with("-o") && a.size() > 2) {
      o.save_dir = std::string(a.substr(2));
    } else if (a == "--format" || a.starts_with("--format=")) {
      std::string_view format;
      if (a == "--format") {
        if (i + 1 >= args.size()) {
          r.error = "option --format needs bmp or png";
          return r;
        }
        format = args[++i];
      } else {
        format = a.substr(9);
      }
      if (format != "bmp" && format != "png") {
        r.error = "unknown format " + std::string(format) + " (bmp or png)";
        return r;
      }
      o.png = format == "png";
    } else if (a == "--manifest") {
      if (i + 1 >= args.size()) {
        r.error = "option --manifest needs a file";
        return r;
      }
      o.manifest = args[++i];
    } else if (a.starts_with("--manifest=")) {
      o.manifest = std::string(a.substr(11));
    } else if (a == "--all") {
      o.all_images = true;
    } else if (a == "--unique") {
      o.unique = true;
    } else if (a == "--gallery") {
      o.gallery = true;
    } else if (a == "--list") {
      o.list = true;
    } else if (a == "-d" || a == "--delete-first") {
      o.delete_first = true;
    } else if (a == "-q" || a == "--quiet") {
      o.quiet = true;
    } else if (a == "-h" || a == "--help") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else {
      bool known = false;
      for (const Flag& f : kExclusions) {
        if (a == f.name) {
          o.exclude_flags = static_cast<std::uint8_t>(o.exclude_flags | f.bit);
          known = true;
        }
      }
      if (!known) {
        r.error = "unknown option " + std::string(a);
        return r;
      }
    }
  }
  if (o.save_dir && o.save_dir->empty()) r.error = "the save folder must not be empty";
  if (o.manifest && o.manifest->empty()) r.error = "the manifest file must not be empty";
  // A page of images that are not there would show nothing.
  if (o.list && o.gallery) r.error = "--list writes no image, so --gallery cannot go with it";
  if (!o.help && !o.version && o.sources.empty() && r.error.empty()) r.error = "no source given";
  return r;
}

std::string UsageText() {
  return "Usage: glimmerdig-cli [options] SOURCE...\n"
         "Finds the bitmaps embedded in files (icons, cursors, program resources, any\n"
         "40-byte DIB header with its palette and rows) and writes each as a .bmp file.\n"
         "\n"
         "Each SOURCE is a file or a folder (searched with all its sub-folders), handled\n"
         "in the order given. Images are named <base>-<extension>-<index>.<type>.\n"
         "\n"
         "Options:\n"
         "  -o, --save-dir DIR  where the images go (default: BmpSave in the current\n"
         "                      folder); created with its parents if missing\n"
         "  -d, --delete-first  delete every .bmp in the save folder before the run\n"
         "      --no-ico-file   skip files whose extension begins with \"ico\"\n"
         "      --no-cur-file   skip files whose extension begins with \"cur\"\n"
         "      --no-ico-res    leave out icon-shaped images\n"
         "      --no-cur-res    leave out cursor-shaped images\n"
         "      --all           find every image: icons measured as icons whatever\n"
         "                      their declared size, embedded PNG, GIF and JPEG files\n"
         "                      (written as .png, .gif and .jpg byte for byte), no\n"
         "                      limit per file, and bitmaps of every layout at any\n"
         "                      offset: OS/2 headers of 12 and 16-64 bytes, Windows\n"
         "                      headers of 40, 52, 56, 108 and 124 bytes; uncompressed,\n"
         "                      RLE8, RLE4 or bit fields; 1, 2, 4, 8, 16, 24 or 32 bits;\n"
         "                      bottom-up or top-down rows\n"
         "      --format FMT    bmp (the default) or png: bitmaps as PNG with their\n"
         "                      transparency (alpha bytes or icon mask)\n"
         "      --unique        write no picture twice in a run (the index still counts)\n"
         "      --manifest FILE write a CSV row per image written: source, offset, kind,\n"
         "                      width, height, bits, file, sha256\n"
         "      --list          write no image; print to stdout the CSV rows (as in the\n"
         "                      manifest) of the images the run would write\n"
         "      --gallery       write index.html into the save folder, showing every\n"
         "                      image written, grouped by source file\n"
         "  -q, --quiet         no progress line\n"
         "  -h, --help          show this help\n"
         "      --version       show the version\n"
         "\n"
         "Ctrl-C stops a run before its next file, or between the parts of a large\n"
         "file; a second Ctrl-C stops at once.\n"
         "Exit status: 0 done, 1 save folder missing, 2 usage error or missing SOURCE,\n"
         "3 run failed, 130 cancelled.\n";
}

}  // namespace gd::cli
