#pragma once
// The graphics layer the picture formats plug into: a graphic base class, a
// bitmap graphic holding a Windows bitmap file, and TPicture, which loads a
// file through a registry of picture formats keyed by file extension.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gif/framework/stream.h"

namespace gd {

class TGraphic;

// Identifies a graphic class and makes new instances of it; one static
// instance per class, compared by address.
struct TGraphicClassInfo {
  const char* ClassName;
  std::unique_ptr<TGraphic> (*Create)();
};
using TGraphicClass = const TGraphicClassInfo*;

class TGraphic {
 public:
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;
  virtual ~TGraphic() = default;

  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) const = 0;
  virtual std::int32_t Width() const = 0;
  virtual std::int32_t Height() const = 0;
  virtual bool Empty() const = 0;

  // Whole-file helpers over LoadFromStream and SaveToStream (UTF-8 paths).
  void LoadFromFile(const std::string& path);
  virtual void SaveToFile(const std::string& path) const;
};

// A Windows bitmap, kept as its file image (file header, info header,
// palette, rows).
class TBitmap : public TGraphic {
 public:
  static TGraphicClass Class();

  // Reads one bitmap file from the stream's position. A stream that does not
  // hold a whole, well-formed bitmap there raises EInvalidGraphic and leaves
  // the bitmap as it was.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  // Writes the file image without a copy of it in between.
  void SaveToFile(const std::string& path) const override;
  std::int32_t Width() const override { return width_; }
  std::int32_t Height() const override { return height_; }
  bool Empty() const override { return file_.empty(); }

  std::uint16_t BitCount() const { return bit_count_; }
  // The bitmap file image as loaded; empty before the first load.
  std::span<const std::uint8_t> FileBytes() const { return file_; }

 protected:
  // LoadFromStream for a memory stream at position 0 that is not needed
  // afterwards: on success the bitmap takes the stream's bytes instead of a
  // copy, and the stream is left empty. On failure nothing changes.
  void TakeFromStream(TMemoryStream& stream);

 private:
  ByteVector file_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::uint16_t bit_count_ = 0;
};

// One registered picture format.
struct TFileFormat {
  std::string Extension;  // lower case, without the dot
  std::string Description;
  TGraphicClass GraphicClass;
};

class TPicture {
 public:
  // Registers a format; the extension is matched without regard to case. A
  // later registration of the same extension takes precedence.
  static void RegisterFileFormat(std::string_view extension, std::string_view description,
                                 TGraphicClass graphic_class);
  // Forgets every format served by graphic_class.
  static void UnregisterGraphicClass(TGraphicClass graphic_class);
  // The class registered for extension (with or without the dot), or null.
  static TGraphicClass FindGraphicClass(std::string_view extension);
  static std::vector<TFileFormat> FileFormats();

  // Loads path with the graphic class registered for its extension. An
  // unknown extension raises EInvalidGraphic; load failures pass through and
  // leave the picture as it was.
  void LoadFromFile(const std::string& path);
  TGraphic* Graphic() const { return graphic_.get(); }

 private:
  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace gd
