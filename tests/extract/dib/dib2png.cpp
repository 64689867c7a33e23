// dib2png [--standard] FILE OUTDIR < OFFSETS
//
// For each offset read from standard input (one a line), decodes the bitmap
// whose 40-byte header begins there in FILE, under the every-image rules
// unless --standard, and writes it as OUTDIR/OFFSET.png. Prints one line per
// offset: "OFFSET WIDTH HEIGHT", or "OFFSET none" when no picture comes out.
// The comparison with an independent decoder drives it.

#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "extract/dib/dib_layout.h"
#include "extract/dib/dib_pixels.h"
#include "extract/dib/dib_shape.h"
#include "extract/source/span_source.h"
#include "platform/byte_source.h"
#include "platform/png_encoder.h"

namespace {

std::optional<gd::RgbaImage> Decode(std::span<const std::uint8_t> data, std::uint64_t offset,
                                    gd::MeasureRules rules) {
  if (offset > data.size() || data.size() - offset < gd::kInfoHeaderSize) return std::nullopt;
  const auto header = data.subspan(offset).first<gd::kInfoHeaderSize>();
  if (!gd::IsImageHeader(header)) return std::nullopt;
  const std::optional<gd::DibLayout> layout = gd::Measure(gd::RecordFrom<gd::BitmapInfoHeader>(header), rules);
  if (!layout) return std::nullopt;
  gd::SpanSource source(data);
  return gd::DecodeDibPixels(source, offset, *layout);
}

int Run(const std::vector<std::string>& args) {
  const bool standard = args.size() == 4 && args[1] == "--standard";
  if (args.size() != 3 && !standard) {
    std::fprintf(stderr, "usage: dib2png [--standard] FILE OUTDIR < OFFSETS\n");
    return 2;
  }
  const std::string& file = args[args.size() - 2];
  const std::string& out_dir = args.back();
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "dib2png: cannot open %s\n", file.c_str());
    return 1;
  }
  const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto rules = standard ? gd::MeasureRules::kStandard : gd::MeasureRules::kEveryImage;
  const auto encoder = gd::MakeNativePngEncoder();
  std::uint64_t offset = 0;
  while (std::cin >> offset) {
    const std::optional<gd::RgbaImage> image = Decode(data, offset, rules);
    if (!image) {
      std::cout << offset << " none\n";
      continue;
    }
    const std::vector<std::uint8_t> png = encoder->Encode(*image);
    std::ofstream out(out_dir + "/" + std::to_string(offset) + ".png", std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    if (!out) {
      std::fprintf(stderr, "dib2png: cannot write into %s\n", out_dir.c_str());
      return 1;
    }
    std::cout << offset << ' ' << image->width << ' ' << image->height << '\n';
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dib2png: %s\n", e.what());
    return 1;
  }
}
