#pragma once
// The GIF file's records, its extension blocks, the buffer that keeps an
// image's data sub-blocks, and the interlaced row order.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/record_fields.h"
#include "gif/framework/big_block.h"
#include "gif/framework/exception.h"
#include "gif/framework/object_list.h"
#include "gif/framework/stream.h"
#include "gif/framework/string_list.h"

namespace gd {

class EGifException : public Exception {
 public:
  using Exception::Exception;
};

// Records with the byte layout of the file, each field listed once in file
// order by Fields (see base/record_fields.h). Each is read by one stream read
// into its byte image, so a short read changes only the bytes that came.
struct TGifHeader {
  std::array<char, 3> Signature{'G', 'I', 'F'};
  std::array<char, 3> Version{'8', '7', 'a'};
  static constexpr std::size_t kSize = 6;

  template <class Self, class Visit>
  static constexpr void Fields(Self& r, Visit&& visit) {
    visit(r.Signature);
    visit(r.Version);
  }
};

struct TScreenDescriptor {
  std::uint16_t ScreenWidth = 0;
  std::uint16_t ScreenHeight = 0;
  std::uint8_t PackedFields = 0;
  std::uint8_t BackgroundColorIndex = 0;
  std::uint8_t PixelAspectRatio = 0;
  static constexpr std::size_t kSize = 7;

  template <class Self, class Visit>
  static constexpr void Fields(Self& r, Visit&& visit) {
    visit(r.ScreenWidth);
    visit(r.ScreenHeight);
    visit(r.PackedFields);
    visit(r.BackgroundColorIndex);
    visit(r.PixelAspectRatio);
  }
};

struct TImageDescriptor {
  std::uint16_t Left = 0;
  std::uint16_t Top = 0;
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::uint8_t PackedFields = 0;
  static constexpr std::size_t kSize = 9;

  template <class Self, class Visit>
  static constexpr void Fields(Self& r, Visit&& visit) {
    visit(r.Left);
    visit(r.Top);
    visit(r.Width);
    visit(r.Height);
    visit(r.PackedFields);
  }
};

struct TGraphicControlExtension {
  std::uint8_t BlockSize = 0;
  std::uint8_t PackedFields = 0;
  std::uint16_t DelayTime = 0;
  std::uint8_t TransparentColorIndex = 0;
  std::uint8_t Terminator = 0;
  static constexpr std::size_t kSize = 6;

  template <class Self, class Visit>
  static constexpr void Fields(Self& r, Visit&& visit) {
    visit(r.BlockSize);
    visit(r.PackedFields);
    visit(r.DelayTime);
    visit(r.TransparentColorIndex);
    visit(r.Terminator);
  }
};

struct TPlainTextHeader {
  std::uint8_t BlockSize = 0;
  std::uint16_t TextGridLeft = 0;
  std::uint16_t TextGridTop = 0;
  std::uint16_t TextGridWidth = 0;
  std::uint16_t TextGridHeight = 0;
  std::uint8_t CellWidth = 0;
  std::uint8_t CellHeight = 0;
  std::uint8_t ForegroundColorIndex = 0;
  std::uint8_t BackgroundColorIndex = 0;
  static constexpr std::size_t kSize = 13;

  template <class Self, class Visit>
  static constexpr void Fields(Self& r, Visit&& visit) {
    visit(r.BlockSize);
    visit(r.TextGridLeft);
    visit(r.TextGridTop);
    visit(r.TextGridWidth);
    visit(r.TextGridHeight);
    visit(r.CellWidth);
    visit(r.CellHeight);
    visit(r.ForegroundColorIndex);
    visit(r.BackgroundColorIndex);
  }
};

struct TApplicationHeader {
  std::uint8_t BlockSize = 0;
  std::array<char, 8> ApplicationIdentifier{};
  std::array<std::uint8_t, 3> AuthenticationCode{};
  static constexpr std::size_t kSize = 12;

  template <class Self, class Visit>
  static constexpr void Fields(Self& r, Visit&& visit) {
    visit(r.BlockSize);
    visit(r.ApplicationIdentifier);
    visit(r.AuthenticationCode);
  }
};

enum class TExtensionKind : std::uint8_t {
  ekGraphicControl = 0,
  ekPlainText = 1,
  ekApplication = 2,
  ekComment = 3,
};

// One extension block. The plain text, application and comment kinds keep
// their data sub-blocks in one list, named after the kind.
class TExtension {
 public:
  TExtensionKind Kind = TExtensionKind::ekGraphicControl;
  TGraphicControlExtension GraphicControl;
  TPlainTextHeader PlainTextHeader;
  TApplicationHeader ApplicationHeader;

  TStringList* PlainText() const { return SubBlocksOf(TExtensionKind::ekPlainText); }
  TStringList* ApplicationData() const { return SubBlocksOf(TExtensionKind::ekApplication); }
  TStringList* Comment() const { return SubBlocksOf(TExtensionKind::ekComment); }
  void SetSubBlocks(std::unique_ptr<TStringList> blocks) { sub_blocks_ = std::move(blocks); }

 private:
  TStringList* SubBlocksOf(TExtensionKind kind) const {
    return Kind == kind ? sub_blocks_.get() : nullptr;
  }
  std::unique_ptr<TStringList> sub_blocks_;
};

// Owns its extensions, in file order; frees them from the last to the first.
class TExtensionList : public TObjectList<TExtension> {
 public:
  TExtensionList() = default;
  ~TExtensionList() override { ClearBackwards(); }
};

// An image's data sub-blocks as read. The bytes are kept joined, with the
// block boundaries beside them, so that the decoder can run over one span;
// the block-wise operations behave as on a list of blocks.
class TByteBuffer {
 public:
  void AddBlock(std::string_view block);
  void AddBlock(std::span<const std::uint8_t> block);
  // Reads up to length bytes from stream as the next sub-block, straight
  // into the buffer; returns how many came.
  std::size_t ReadBlock(TStream& stream, std::size_t length);
  // Room for blocks more sub-blocks of bytes bytes in all, so that reading
  // them moves nothing.
  void Reserve(std::size_t blocks, std::size_t bytes);
  // A copy of sub-block number (1-based); a missing one raises
  // EStringListError with its 0-based index.
  std::string GetBlock(std::int32_t number) const;
  std::int32_t BlockCount() const { return static_cast<std::int32_t>(ends_.size()); }
  // Total bytes added.
  std::int64_t Size() const { return static_cast<std::int64_t>(bytes_.size()); }

  // Back to the first byte of sub-block 1; with no sub-block it raises
  // EStringListError with index 0.
  void Reset();
  // The next byte across sub-block boundaries; after the last byte it raises
  // EStringListError with the index of the missing sub-block.
  std::uint8_t NextByte();

  // All data bytes in order.
  std::span<const std::uint8_t> Bytes() const { return bytes_; }

 private:
  ByteVector bytes_;
  std::vector<std::size_t> ends_;  // end offset of each sub-block in bytes_
  std::int32_t block_index_ = 0;   // 1-based number of the current block, 0 before it
  std::size_t cursor_ = 0;         // offset of the next byte in bytes_
};

// The row after row (0-based) in the four-pass interlaced order of an image of
// height rows; pass (1 to 4) advances as passes run out. After the last row
// the pass becomes 5 and the result is at or beyond height.
std::int32_t NextInterlacedRow(std::int32_t row, std::int32_t height, std::int32_t& pass);

}  // namespace gd
