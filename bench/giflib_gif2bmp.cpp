// giflib_gif2bmp IN.gif OUT.bmp: the job of tools/gif2bmp done with giflib,
// the whole-process baseline of bench/gif_vs_giflib.sh. Every frame is
// decoded (DGifSlurp), then the first is written as an 8-bit bitmap file:
// 14-byte file header, 40-byte info header, 256 palette entries from the
// frame's own table or else the global one, rows bottom-up padded to 4 bytes.

#include <gif_lib.h>

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: giflib_gif2bmp IN.gif OUT.bmp\n");
    return 2;
  }
  int error = 0;
  GifFileType* gif = DGifOpenFileName(argv[1], &error);
  if (gif == nullptr || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
    std::fprintf(stderr, "%s\n", GifErrorString(gif != nullptr ? gif->Error : error));
    return 1;
  }
  const SavedImage& image = gif->SavedImages[0];
  const auto width = static_cast<std::uint32_t>(image.ImageDesc.Width);
  const auto height = static_cast<std::uint32_t>(image.ImageDesc.Height);
  const std::uint32_t row_length = (width + 3) / 4 * 4;
  constexpr std::uint32_t kOffset = 14 + 40 + 1024;

  std::array<std::uint8_t, kOffset> head{};
  head[0] = 'B';
  head[1] = 'M';
  Put32(&head[2], kOffset + row_length * height);
  Put32(&head[10], kOffset);
  Put32(&head[14], 40);
  Put32(&head[18], width);
  Put32(&head[22], height);
  Put16(&head[26], 1);
  Put16(&head[28], 8);
  Put32(&head[38], 143);
  Put32(&head[42], 143);
  const ColorMapObject* map = image.ImageDesc.ColorMap != nullptr ? image.ImageDesc.ColorMap : gif->SColorMap;
  for (int i = 0; map != nullptr && i < map->ColorCount && i < 256; ++i) {
    const auto at = static_cast<std::size_t>(54 + 4 * i);
    head[at] = map->Colors[i].Blue;
    head[at + 1] = map->Colors[i].Green;
    head[at + 2] = map->Colors[i].Red;
  }

  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  std::fwrite(head.data(), 1, head.size(), out);
  static constexpr std::uint8_t kPad[4] = {0, 0, 0, 0};
  for (std::uint32_t r = height; r-- > 0;) {
    std::fwrite(image.RasterBits + static_cast<std::size_t>(r) * width, 1, width, out);
    std::fwrite(kPad, 1, row_length - width, out);
  }
  const bool failed = std::fclose(out) != 0;
  DGifCloseFile(gif, &error);
  return failed ? 1 : 0;
}
