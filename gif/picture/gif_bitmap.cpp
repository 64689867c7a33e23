#include "gif/picture/gif_bitmap.h"

#include "gif/gif_file.h"

namespace gd {

TGraphicClass TGifBitmap::Class() {
  static const TGraphicClassInfo info{
      "TGifBitmap", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TGifBitmap>(); }};
  return &info;
}

void TGifBitmap::LoadFromStream(TStream& stream) {
  TGifFile gif;
  gif.LoadFromStream(stream);
  TMemoryStream bitmap;
  gif.SubImage(1).SaveToBitmapStream(bitmap);
  // The base class's own loader, in the form that takes the bytes over.
  TBitmap::TakeFromStream(bitmap);
}

GifFormatRegistration::GifFormatRegistration() {
  TPicture::RegisterFileFormat("gif", "GIF-Format", TGifBitmap::Class());
}

GifFormatRegistration::~GifFormatRegistration() { TPicture::UnregisterGraphicClass(TGifBitmap::Class()); }

}  // namespace gd
