#include "gif/gif_decl.h"

#include <algorithm>

#include "base/byte_order.h"

namespace gd {

namespace {

template <std::size_t N>
void PutChars(LeWriter& w, const std::array<char, N>& chars) {
  for (char c : chars) w.U8(static_cast<std::uint8_t>(c));
}

template <std::size_t N>
std::array<char, N> GetChars(LeReader& r) {
  std::array<char, N> chars{};
  for (char& c : chars) c = static_cast<char>(r.U8());
  return chars;
}

template <std::size_t N>
std::array<std::uint8_t, N> ToArray(const std::vector<std::uint8_t>& v) {
  std::array<std::uint8_t, N> out{};
  std::copy_n(v.begin(), N, out.begin());
  return out;
}

}  // namespace

std::array<std::uint8_t, TGifHeader::kSize> RecordBytes(const TGifHeader& h) {
  std::vector<std::uint8_t> v;
  LeWriter w(v);
  PutChars(w, h.Signature);
  PutChars(w, h.Version);
  return ToArray<TGifHeader::kSize>(v);
}

void RecordFromBytes(std::span<const std::uint8_t, TGifHeader::kSize> bytes, TGifHeader& h) {
  LeReader r(bytes);
  h.Signature = GetChars<3>(r);
  h.Version = GetChars<3>(r);
}

std::array<std::uint8_t, TScreenDescriptor::kSize> RecordBytes(const TScreenDescriptor& d) {
  std::vector<std::uint8_t> v;
  LeWriter w(v);
  w.U16(d.ScreenWidth);
  w.U16(d.ScreenHeight);
  w.U8(d.PackedFields);
  w.U8(d.BackgroundColorIndex);
  w.U8(d.PixelAspectRatio);
  return ToArray<TScreenDescriptor::kSize>(v);
}

void RecordFromBytes(std::span<const std::uint8_t, TScreenDescriptor::kSize> bytes, TScreenDescriptor& d) {
  LeReader r(bytes);
  d.ScreenWidth = r.U16();
  d.ScreenHeight = r.U16();
  d.PackedFields = r.U8();
  d.BackgroundColorIndex = r.U8();
  d.PixelAspectRatio = r.U8();
}

std::array<std::uint8_t, TImageDescriptor::kSize> RecordBytes(const TImageDescriptor& d) {
  std::vector<std::uint8_t> v;
  LeWriter w(v);
  w.U16(d.Left);
  w.U16(d.Top);
  w.U16(d.Width);
  w.U16(d.Height);
  w.U8(d.PackedFields);
  return ToArray<TImageDescriptor::kSize>(v);
}

void RecordFromBytes(std::span<const std::uint8_t, TImageDescriptor::kSize> bytes, TImageDescriptor& d) {
  LeReader r(bytes);
  d.Left = r.U16();
  d.Top = r.U16();
  d.Width = r.U16();
  d.Height = r.U16();
  d.PackedFields = r.U8();
}

std::array<std::uint8_t, TGraphicControlExtension::kSize> RecordBytes(const TGraphicControlExtension& g) {
  std::vector<std::uint8_t> v;
  LeWriter w(v);
  w.U8(g.BlockSize);
  w.U8(g.PackedFields);
  w.U16(g.DelayTime);
  w.U8(g.TransparentColorIndex);
  w.U8(g.Terminator);
  return ToArray<TGraphicControlExtension::kSize>(v);
}

void RecordFromBytes(std::span<const std::uint8_t, TGraphicControlExtension::kSize> bytes, TGraphicControlExtension& g) {
  LeReader r(bytes);
  g.BlockSize = r.U8();
  g.PackedFields = r.U8();
  g.DelayTime = r.U16();
  g.TransparentColorIndex = r.U8();
  g.Terminator = r.U8();
}

std::array<std::uint8_t, TPlainTextHeader::kSize> RecordBytes(const TPlainTextHeader& p) {
  std::vector<std::uint8_t> v;
  LeWriter w(v);
  w.U8(p.BlockSize);
  w.U16(p.TextGridLeft);
  w.U16(p.TextGridTop);
  w.U16(p.TextGridWidth);
  w.U16(p.TextGridHeight);
  w.U8(p.CellWidth);
  w.U8(p.CellHeight);
  w.U8(p.ForegroundColorIndex);
  w.U8(p.BackgroundColorIndex);
  return ToArray<TPlainTextHeader::kSize>(v);
}

void RecordFromBytes(std::span<const std::uint8_t, TPlainTextHeader::kSize> bytes, TPlainTextHeader& p) {
  LeReader r(bytes);
  p.BlockSize = r.U8();
  p.TextGridLeft = r.U16();
  p.TextGridTop = r.U16();
  p.TextGridWidth = r.U16();
  p.TextGridHeight = r.U16();
  p.CellWidth = r.U8();
  p.CellHeight = r.U8();
  p.ForegroundColorIndex = r.U8();
  p.BackgroundColorIndex = r.U8();
}

std::array<std::uint8_t, TApplicationHeader::kSize> RecordBytes(const TApplicationHeader& a) {
  std::vector<std::uint8_t> v;
  LeWriter w(v);
  w.U8(a.BlockSize);
  PutChars(w, a.ApplicationIdentifier);
  w.Bytes(a.AuthenticationCode);
  return ToArray<TApplicationHeader::kSize>(v);
}

void RecordFromBytes(std::span<const std::uint8_t, TApplicationHeader::kSize> bytes, TApplicationHeader& a) {
  LeReader r(bytes);
  a.BlockSize = r.U8();
  a.ApplicationIdentifier = GetChars<8>(r);
  const auto code = r.Bytes(3);
  std::copy(code.begin(), code.end(), a.AuthenticationCode.begin());
}

void TByteBuffer::AddBlock(std::string_view block) {
  AddBlock(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(block.data()), block.size()));
}

void TByteBuffer::AddBlock(std::span<const std::uint8_t> block) {
  bytes_.insert(bytes_.end(), block.begin(), block.end());
  ends_.push_back(bytes_.size());
}

std::string TByteBuffer::GetBlock(std::int32_t number) const {
  if (number < 1 || number > BlockCount()) throw EStringListError(number - 1);
  const std::size_t i = static_cast<std::size_t>(number - 1);
  const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
  return std::string(reinterpret_cast<const char*>(bytes_.data()) + begin, ends_[i] - begin);
}

void TByteBuffer::Reset() {
  if (ends_.empty()) throw EStringListError(0);
  block_index_ = 1;
  cursor_ = 0;
}

std::uint8_t TByteBuffer::NextByte() {
  // Past the end of the current block: move on to the next one (an empty
  // block is passed over like any other exhausted one).
  while (block_index_ == 0 || cursor_ >= ends_[static_cast<std::size_t>(block_index_ - 1)]) {
    ++block_index_;
    if (block_index_ > BlockCount()) {
      const std::int32_t missing = block_index_ - 1;
      block_index_ = BlockCount();  // stay on the last block for later calls
      throw EStringListError(missing);
    }
  }
  return bytes_[cursor_++];
}

std::int32_t NextInterlacedRow(std::int32_t row, std::int32_t height, std::int32_t& pass) {
  static constexpr std::int32_t kFirst[] = {0, 4, 2, 1};
  static constexpr std::int32_t kStep[] = {8, 8, 4, 2};
  if (pass < 1 || pass > 4) {
    pass = 5;
    return std::max(row, height);
  }
  // 64 bits: row and height come from the caller unchecked.
  std::int64_t next = std::int64_t{row} + kStep[pass - 1];
  while (next >= height) {
    ++pass;
    if (pass > 4) return static_cast<std::int32_t>(std::min<std::int64_t>(next, INT32_MAX));
    next = kFirst[pass - 1];
  }
  return static_cast<std::int32_t>(next);
}

}  // namespace gd
