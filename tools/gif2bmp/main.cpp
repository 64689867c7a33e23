// gif2bmp IN.gif OUT.bmp: loads a picture through the picture-format registry,
// chosen by its extension, and writes the bitmap it became.
// Exit status 0 on success; 1 with the failure on stderr, and no output file.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "gif/picture/gif_bitmap.h"

namespace {

int Run(const std::vector<std::string>& args) {
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: gif2bmp IN.gif OUT.bmp\n");
    return 2;
  }
  gd::GifFormatRegistration gif_format;
  try {
    gd::TPicture picture;
    picture.LoadFromFile(args[1]);
    picture.Graphic()->SaveToFile(args[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace

#ifdef _WIN32
// Arguments arrive as UTF-16 and go on as UTF-8.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    const std::u8string u8 = std::filesystem::path(argv[i]).u8string();
    args.emplace_back(u8.begin(), u8.end());
  }
  return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv, argv + argc)); }
#endif
