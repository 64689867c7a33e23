// PNG encoding through the Windows Imaging Component.

#include <windows.h>

#include <objidl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "platform/png_encode_guard.h"
#include "platform/png_encoder.h"

namespace gd {

namespace {

using Microsoft::WRL::ComPtr;

// COM on the calling thread for as long as one encoding lasts. A thread that
// has already joined an apartment of the other kind stays in it: the imaging
// component works in either.
class ComScope {
 public:
  ComScope() : hr_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  HRESULT result() const { return hr_ == RPC_E_CHANGED_MODE ? S_OK : hr_; }

 private:
  HRESULT hr_;
};

class LockedGlobal {
 public:
  explicit LockedGlobal(HGLOBAL memory) : memory_(memory), bytes_(::GlobalLock(memory)) {}
  ~LockedGlobal() {
    if (bytes_) ::GlobalUnlock(memory_);
  }
  LockedGlobal(const LockedGlobal&) = delete;
  LockedGlobal& operator=(const LockedGlobal&) = delete;
  const std::uint8_t* bytes() const { return static_cast<const std::uint8_t*>(bytes_); }

 private:
  HGLOBAL memory_;
  void* bytes_;
};

void Check(HRESULT hr, const char* step) {
  if (SUCCEEDED(hr)) return;
  if (hr == E_OUTOFMEMORY) throw OutOfMemoryError();
  char detail[96];
  std::snprintf(detail, sizeof detail, "%s: 0x%08lX", step, static_cast<unsigned long>(hr));
  throw PngEncodeError(detail);
}

// The component takes blue first; an opaque image goes out without alpha.
void ToBgr(const std::uint8_t* rgba, std::size_t pixels, bool with_alpha, std::uint8_t* out) {
  for (std::size_t i = 0; i < pixels; ++i, rgba += 4) {
    *out++ = rgba[2];
    *out++ = rgba[1];
    *out++ = rgba[0];
    if (with_alpha) *out++ = rgba[3];
  }
}

std::vector<std::uint8_t> EncodeImage(const RgbaImage& image, bool opaque) {
  ComScope com;
  Check(com.result(), "CoInitializeEx");
  ComPtr<IWICImagingFactory> factory;
  Check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
        "CoCreateInstance");
  ComPtr<IStream> stream;  // its memory goes with it
  Check(::CreateStreamOnHGlobal(nullptr, TRUE, &stream), "CreateStreamOnHGlobal");
  ComPtr<IWICBitmapEncoder> encoder;
  Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), "CreateEncoder");
  Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "Initialize");
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  Check(encoder->CreateNewFrame(&frame, &options), "CreateNewFrame");
  Check(frame->Initialize(options.Get()), "Initialize frame");
  Check(frame->SetSize(image.width, image.height), "SetSize");

  const bool alpha = !opaque;
  const GUID wanted = alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
  WICPixelFormatGUID format = wanted;
  Check(frame->SetPixelFormat(&format), "SetPixelFormat");
  if (!IsEqualGUID(format, wanted)) throw PngEncodeError("pixel format");

  // Rows go in batches of a few MiB: no second copy of a large image, and
  // every batch within the 32-bit sizes the interface takes.
  const std::size_t width = image.width;
  const std::size_t stride = width * (alpha ? 4 : 3);
  if (stride > 0x7FFFFFFF) throw PngEncodeError("row too long");
  const std::size_t batch_rows = std::max<std::size_t>(1, (std::size_t{8} << 20) / stride);
  std::vector<std::uint8_t> batch(std::min<std::size_t>(batch_rows, image.height) * stride);
  for (std::size_t y = 0; y < image.height;) {
    const std::size_t n = std::min<std::size_t>(batch_rows, image.height - y);
    ToBgr(image.rgba.data() + y * width * 4, n * width, alpha, batch.data());
    Check(frame->WritePixels(static_cast<UINT>(n), static_cast<UINT>(stride), static_cast<UINT>(n * stride),
                             batch.data()),
          "WritePixels");
    y += n;
  }
  Check(frame->Commit(), "Commit frame");
  Check(encoder->Commit(), "Commit");

  STATSTG stat{};
  Check(stream->Stat(&stat, STATFLAG_NONAME), "Stat");
  HGLOBAL memory = nullptr;
  Check(::GetHGlobalFromStream(stream.Get(), &memory), "GetHGlobalFromStream");
  const LockedGlobal locked(memory);
  if (!locked.bytes()) throw PngEncodeError("GlobalLock");
  const auto size = static_cast<std::size_t>(stat.cbSize.QuadPart);
  return std::vector<std::uint8_t>(locked.bytes(), locked.bytes() + size);
}

class WicEncoder final : public PngEncoder {
 public:
  std::vector<std::uint8_t> Encode(const RgbaImage& image) override {
    return GuardedEncode(image, [&](bool opaque) { return EncodeImage(image, opaque); });
  }
};

}  // namespace

std::unique_ptr<PngEncoder> MakeNativePngEncoder() { return std::make_unique<WicEncoder>(); }

}  // namespace gd
