#pragma once
// GIF as a picture format of the graphics layer: TGifBitmap loads a GIF file's
// first image as an 8-bit bitmap.
//
// A program makes GIF loadable by holding one GifFormatRegistration for as
// long as pictures may be loaded, normally as the first local of main:
//
//   int main() {
//     gd::GifFormatRegistration gif_format;  // "gif" -> TGifBitmap
//     ...  // TPicture::LoadFromFile("x.gif") now works
//   }  // the format is withdrawn here
//
// The registry itself is created on first use, so no static initialisation
// order is involved.

#include "gif/picture/graphics.h"

namespace gd {

class TGifBitmap : public TBitmap {
 public:
  static TGraphicClass Class();

  // Reads the GIF file in stream (from position 0) and keeps its first image
  // as the bitmap. Failures pass through and leave the bitmap as it was.
  void LoadFromStream(TStream& stream) override;
};

class GifFormatRegistration {
 public:
  GifFormatRegistration();
  ~GifFormatRegistration();
  GifFormatRegistration(const GifFormatRegistration&) = delete;
  GifFormatRegistration& operator=(const GifFormatRegistration&) = delete;
};

}  // namespace gd
