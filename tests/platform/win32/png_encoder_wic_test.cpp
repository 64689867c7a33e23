// The Windows PNG encoder, checked by decoding its files back with the
// imaging component's own PNG decoder.

#include <windows.h>

#include <shlwapi.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "platform/png_encoder.h"
#include "tests/support/rgba_fixtures.h"

namespace gd {
namespace {

using Microsoft::WRL::ComPtr;
using test::RgbaPattern;

// Decodes with the imaging component into straight RGBA; the caller's thread
// has COM.
RgbaImage DecodePng(const std::vector<std::uint8_t>& file) {
  RgbaImage out;
  ComPtr<IWICImagingFactory> factory;
  EXPECT_HRESULT_SUCCEEDED(
      ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)));
  ComPtr<IStream> stream;
  stream.Attach(::SHCreateMemStream(file.data(), static_cast<UINT>(file.size())));
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  if (!factory || !stream) return out;
  EXPECT_HRESULT_SUCCEEDED(
      factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder));
  if (!decoder) return out;
  EXPECT_HRESULT_SUCCEEDED(decoder->GetFrame(0, &frame));
  EXPECT_HRESULT_SUCCEEDED(factory->CreateFormatConverter(&converter));
  if (!frame || !converter) return out;
  EXPECT_HRESULT_SUCCEEDED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                                 nullptr, 0.0, WICBitmapPaletteTypeCustom));
  UINT width = 0, height = 0;
  EXPECT_HRESULT_SUCCEEDED(converter->GetSize(&width, &height));
  std::vector<std::uint8_t> bgra(std::size_t{width} * height * 4);
  EXPECT_HRESULT_SUCCEEDED(
      converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(bgra.size()), bgra.data()));
  for (std::size_t i = 0; i < bgra.size(); i += 4) std::swap(bgra[i], bgra[i + 2]);
  return RgbaImage{width, height, std::move(bgra)};
}

class ComApartment {
 public:
  explicit ComApartment(DWORD kind) : hr_(::CoInitializeEx(nullptr, kind)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT hr_;
};

void ExpectRoundTrips(const char* what, const RgbaImage& image, std::uint8_t colour_type) {
  SCOPED_TRACE(what);
  const std::vector<std::uint8_t> file = MakeNativePngEncoder()->Encode(image);
  ASSERT_GT(file.size(), 33u);
  EXPECT_EQ(file[1], 'P');
  EXPECT_EQ(file[25], colour_type);  // IHDR: 2 RGB, 6 RGBA
  EXPECT_EQ(DecodePng(file), image);
}

TEST(WicPngEncoder, DecodesBackToTheSamePixels) {
  const ComApartment com(COINIT_MULTITHREADED);
  ExpectRoundTrips("one opaque pixel", RgbaPattern(1, 1, false), 2);
  ExpectRoundTrips("opaque, odd width", RgbaPattern(257, 3, false), 2);
  ExpectRoundTrips("every alpha value", RgbaPattern(16, 16, true), 6);
  ExpectRoundTrips("tall and thin with alpha", RgbaPattern(1, 300, true), 6);
  // More rows than one batch of the encoder's conversion.
  ExpectRoundTrips("several batches", RgbaPattern(1024, 2100, true), 6);
}

// A window thread has joined a single-threaded apartment before the encoder
// asks for COM.
TEST(WicPngEncoder, WorksInASingleThreadedApartment) {
  std::thread([] {
    const ComApartment com(COINIT_APARTMENTTHREADED);
    ExpectRoundTrips("apartment thread", RgbaPattern(5, 4, true), 6);
  }).join();
}

TEST(WicPngEncoder, RefusesAnImageWithoutPixels) {
  EXPECT_THROW(MakeNativePngEncoder()->Encode(RgbaImage{}), PngEncodeError);
}

}  // namespace
}  // namespace gd
