// For the browser test: writes FOLDER/index.html for the images listed on
// standard input, one a line: source, offset, kind, width, height, bits and
// file name, separated by tabs.

#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "extract/report/gallery.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: gallery_page FOLDER < images.tsv\n";
    return 2;
  }
  gd::Gallery gallery;
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string source, offset, kind, width, height, bits, file;
    if (!std::getline(in, source, '\t') || !std::getline(in, offset, '\t') ||
        !std::getline(in, kind, '\t') || !std::getline(in, width, '\t') ||
        !std::getline(in, height, '\t') || !std::getline(in, bits, '\t') || !std::getline(in, file)) {
      std::cerr << "bad line: " << line << "\n";
      return 2;
    }
    const gd::ImageKind k = kind == "png" ? gd::ImageKind::kPng
                            : kind == "gif" ? gd::ImageKind::kGif
                                            : gd::ImageKind::kDib;
    gallery.ImageWritten({source, std::stoull(offset), k, std::stoll(width), std::stoll(height),
                          std::stoi(bits), std::string(argv[1]) + "/" + file, {}});
  }
  std::ofstream out(std::string(argv[1]) + "/index.html", std::ios::binary);
  out << gallery.Html();
  return out.flush() ? 0 : 1;
}
