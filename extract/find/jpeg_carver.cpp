#include "extract/find/jpeg_carver.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/byte_reader.h"
#include "extract/find/jpeg_confirm.h"
#include "extract/source/source_reading.h"

namespace gd {

namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kDqt = 0xDB;
constexpr std::uint8_t kDnl = 0xDC;
constexpr std::uint8_t kDri = 0xDD;
constexpr std::uint8_t kDht = 0xC4;
constexpr std::uint8_t kJpg = 0xC8;
constexpr std::uint8_t kDac = 0xCC;
constexpr std::uint8_t kCom = 0xFE;

// Small reads (marker, segment) fetch this much; entropy-coded data is
// searched in pieces of the larger size, so an image of any size costs the
// same memory.
constexpr std::size_t kSmallRead = 4096;
constexpr std::size_t kPiece = 256 * 1024;
// The decoder is shown the tables before the frame header up to this much;
// APPn and COM segments are left out of what it is shown.
constexpr std::size_t kLargestDecoderHeader = 64 * 1024;

// Views of src by position: in place when src lies in memory, otherwise
// through one buffer that is filled again when a view would leave it.
class Reader {
 public:
  explicit Reader(ByteSource& src) : src_(src), size_(src.Size()) {
    if (const std::optional<std::span<const std::uint8_t>> memory = src.InMemory()) {
      memory_ = *memory;
      in_memory_ = true;
    }
  }

  // The bytes from at onwards, at least min(want, Size() - at) of them
  // (want at most kPiece); valid until the next call. Empty at the end.
  std::span<const std::uint8_t> From(std::uint64_t at, std::size_t want, std::size_t read = kSmallRead) {
    if (at >= size_) return {};
    if (in_memory_) return memory_.subspan(static_cast<std::size_t>(at));
    want = static_cast<std::size_t>(std::min<std::uint64_t>(want, size_ - at));
    if (at < start_ || at - start_ + want > filled_) {
      read = static_cast<std::size_t>(std::min<std::uint64_t>(std::max(read, want), size_ - at));
      if (buffer_.size() < read) buffer_ = AllocateBytes(read);
      start_ = at;
      filled_ = 0;  // nothing valid until the read has succeeded
      if (!ReadExactly(src_, at, std::span(buffer_).first(read))) return {};
      filled_ = read;
    }
    const auto skip = static_cast<std::size_t>(at - start_);
    return std::span<const std::uint8_t>(buffer_).subspan(skip, filled_ - skip);
  }

  std::uint64_t Size() const { return size_; }

 private:
  ByteSource& src_;
  const std::uint64_t size_;
  std::span<const std::uint8_t> memory_;
  bool in_memory_ = false;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t start_ = 0;
  std::size_t filled_ = 0;
};

// JPEG's numbers are big-endian.
std::uint16_t Be16(ByteReader& r) {
  const std::uint8_t high = r.U8();
  return static_cast<std::uint16_t>(high << 8 | r.U8());
}

std::uint16_t Be16(std::span<const std::uint8_t> bytes) {
  ByteReader r(bytes);
  return Be16(r);
}

bool IsFrameHeader(std::uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != kDht && m != kJpg && m != kDac; }
bool IsProgressive(std::uint8_t sof) { return sof == 0xC2 || sof == 0xC6 || sof == 0xCA || sof == 0xCE; }
bool IsLossless(std::uint8_t sof) { return sof == 0xC3 || sof == 0xC7 || sof == 0xCB || sof == 0xCF; }
bool IsArithmetic(std::uint8_t sof) { return sof >= 0xC9; }
bool IsRestart(std::uint8_t m) { return m >= 0xD0 && m <= 0xD7; }

struct Frame {
  std::uint8_t marker = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;  // 0 until a DNL segment gives it, when the header leaves it open
  std::uint32_t components = 0;
  std::array<std::uint8_t, 4> ids{};
  std::array<std::uint8_t, 4> quant{};
};

// What has been defined so far, as one bit per table slot 0-3.
struct Tables {
  unsigned quant = 0;
  unsigned dc = 0;
  unsigned ac = 0;
};

bool Has(unsigned set, unsigned slot) { return (set >> slot) & 1u; }

// DQT: tables of 64 entries, 8- or 16-bit, filling the segment exactly.
bool ReadQuantTables(std::span<const std::uint8_t> body, Tables& t) {
  while (!body.empty()) {
    const unsigned precision = body[0] >> 4;
    const unsigned slot = body[0] & 15u;
    const std::size_t size = 1 + 64 * (precision + 1);
    if (precision > 1 || slot > 3 || body.size() < size) return false;
    t.quant |= 1u << slot;
    body = body.subspan(size);
  }
  return true;
}

// DHT: per table its class and slot, 16 code counts and at most 256 values.
bool ReadHuffmanTables(std::span<const std::uint8_t> body, Tables& t) {
  while (!body.empty()) {
    if (body.size() < 17) return false;
    const unsigned table_class = body[0] >> 4;
    const unsigned slot = body[0] & 15u;
    std::size_t values = 0;
    for (std::size_t i = 1; i <= 16; ++i) values += body[i];
    if (table_class > 1 || slot > 3 || values > 256 || body.size() < 17 + values) return false;
    (table_class == 0 ? t.dc : t.ac) |= 1u << slot;
    body = body.subspan(17 + values);
  }
  return true;
}

// DAC: pairs of class and slot with a conditioning value.
bool ReadArithmeticTables(std::span<const std::uint8_t> body) {
  if (body.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < body.size(); i += 2) {
    if ((body[i] >> 4) > 1 || (body[i] & 15u) > 3) return false;
  }
  return true;
}

bool ReadFrame(std::uint8_t marker, std::span<const std::uint8_t> body, Frame& f) {
  if (body.size() < 6) return false;
  ByteReader r(body);
  const std::uint8_t precision = r.U8();
  f.marker = marker;
  f.height = Be16(r);
  f.width = Be16(r);
  f.components = r.U8();
  if (precision < 2 || precision > 16 || f.width == 0 || f.components < 1 || f.components > 4 ||
      body.size() != 6 + 3 * std::size_t{f.components})
    return false;
  for (std::uint32_t k = 0; k < f.components; ++k) {
    const std::uint8_t id = r.U8();
    const std::uint8_t sampling = r.U8();
    const std::uint8_t quant = r.U8();
    const unsigned h = sampling >> 4;
    const unsigned v = sampling & 15u;
    if (h < 1 || h > 4 || v < 1 || v > 4 || quant > 3) return false;
    if (std::find(f.ids.begin(), f.ids.begin() + k, id) != f.ids.begin() + k) return false;
    f.ids[k] = id;
    f.quant[k] = quant;
  }
  return true;
}

// SOS: components of the frame, each once, whose tables are defined.
bool ReadScan(std::span<const std::uint8_t> body, const Frame& f, const Tables& t) {
  if (body.empty()) return false;
  const std::size_t count = body[0];
  if (count < 1 || count > 4 || body.size() != 4 + 2 * count) return false;
  const std::uint8_t start = body[1 + 2 * count];
  const std::uint8_t end = body[2 + 2 * count];
  const unsigned high = body[3 + 2 * count] >> 4;
  if (IsProgressive(f.marker)) {
    if (start > end || end > 63 || (start == 0 && end != 0) || (start > 0 && count != 1)) return false;
  }
  std::array<std::uint8_t, 4> seen{};
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t id = body[1 + 2 * i];
    const unsigned dc = body[2 + 2 * i] >> 4;
    const unsigned ac = body[2 + 2 * i] & 15u;
    const auto k = static_cast<std::size_t>(std::find(f.ids.begin(), f.ids.begin() + f.components, id) - f.ids.begin());
    if (k == f.components || std::find(seen.begin(), seen.begin() + i, id) != seen.begin() + i) return false;
    seen[i] = id;
    if (dc > 3 || ac > 3) return false;
    if (!IsLossless(f.marker) && !Has(t.quant, f.quant[k])) return false;
    if (IsArithmetic(f.marker)) continue;  // arithmetic coding has tables by default
    const bool needs_dc = IsLossless(f.marker) || !IsProgressive(f.marker) || (start == 0 && high == 0);
    const bool needs_ac = !IsLossless(f.marker) && (!IsProgressive(f.marker) || start > 0);
    if ((needs_dc && !Has(t.dc, dc)) || (needs_ac && !Has(t.ac, ac))) return false;
  }
  return true;
}

// Where the marker that ends the entropy-coded data from at begins (its
// first FF); nullopt when src ends first.
std::optional<std::uint64_t> EndOfEntropyData(Reader& r, std::uint64_t at) {
  for (;;) {
    const std::span<const std::uint8_t> bytes = r.From(at, 2, kPiece);
    if (bytes.size() < 2) return std::nullopt;
    // The last byte is left for the next view, which also holds the byte after it.
    const void* ff = std::memchr(bytes.data(), 0xFF, bytes.size() - 1);
    if (ff == nullptr) {
      at += bytes.size() - 1;
      continue;
    }
    const auto i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - bytes.data());
    const std::uint8_t next = bytes[i + 1];
    if (next == 0x00 || IsRestart(next)) {
      at += i + 2;
      continue;
    }
    return at + i;
  }
}

void Append(std::vector<std::uint8_t>& out, std::uint8_t marker, std::span<const std::uint8_t> segment) {
  out.push_back(0xFF);
  out.push_back(marker);
  out.insert(out.end(), segment.begin(), segment.end());
}

}  // namespace

bool IsJpegSignature(std::span<const std::uint8_t> head) {
  return head.size() >= kJpegSignatureSize && head[0] == 0xFF && head[1] == kSoi && head[2] == 0xFF;
}

std::optional<CarvedImage> CarveJpeg(ByteSource& src, std::uint64_t offset) {
  Reader r(src);
  if (!IsJpegSignature(r.From(offset, kJpegSignatureSize))) return std::nullopt;

  // What the decoder is shown: SOI, the tables before the frame, the frame header.
  std::vector<std::uint8_t> header{0xFF, kSoi};
  std::size_t frame_at = 0;  // the frame header's FF in header, once there
  Frame frame;
  Tables tables;
  bool has_frame = false;
  int scans = 0;

  std::uint64_t at = offset + 2;
  for (;;) {
    // A marker, after any fill bytes.
    std::span<const std::uint8_t> b = r.From(at, 2);
    if (b.size() < 2 || b[0] != 0xFF) return std::nullopt;
    while (b[1] == 0xFF) {
      ++at;
      b = r.From(at, 2);
      if (b.size() < 2) return std::nullopt;
    }
    const std::uint8_t marker = b[1];
    at += 2;
    if (marker == kEoi) {
      if (!has_frame || scans == 0 || frame.height == 0) return std::nullopt;
      break;
    }

    const std::span<const std::uint8_t> lb = r.From(at, 2);
    if (lb.size() < 2) return std::nullopt;
    const std::uint32_t length = Be16(lb);
    if (length < 2 || length > r.Size() - at) return std::nullopt;
    const std::uint64_t segment_end = at + length;
    const bool skipped = (marker >= 0xE0 && marker <= 0xEF) || marker == kCom;
    std::span<const std::uint8_t> segment;  // length field and contents
    if (!skipped) {
      segment = r.From(at, length);
      if (segment.size() < length) return std::nullopt;
      segment = segment.first(length);
    }
    const std::span<const std::uint8_t> body = segment.empty() ? segment : segment.subspan(2);
    const bool before_frame = !has_frame && header.size() + 2 + length <= kLargestDecoderHeader;

    if (skipped) {
      // APPn and COM: their contents (an EXIF thumbnail among them) are part of the image.
    } else if (marker == kDqt) {
      if (!ReadQuantTables(body, tables)) return std::nullopt;
      if (before_frame) Append(header, marker, segment);
    } else if (marker == kDht) {
      if (!ReadHuffmanTables(body, tables)) return std::nullopt;
      if (before_frame) Append(header, marker, segment);
    } else if (marker == kDac) {
      if (!ReadArithmeticTables(body)) return std::nullopt;
    } else if (marker == kDri) {
      if (length != 4) return std::nullopt;
      if (before_frame) Append(header, marker, segment);
    } else if (marker == kDnl) {
      if (length != 4 || scans == 0) return std::nullopt;
      const std::uint32_t lines = Be16(body);
      if (lines == 0 || (frame.height != 0 && frame.height != lines)) return std::nullopt;
      frame.height = lines;
    } else if (IsFrameHeader(marker)) {
      if (has_frame || !ReadFrame(marker, body, frame)) return std::nullopt;
      has_frame = true;
      frame_at = header.size();
      Append(header, marker, segment);
    } else if (marker == kSos) {
      if (!has_frame || !ReadScan(body, frame, tables)) return std::nullopt;
      const std::optional<std::uint64_t> next = EndOfEntropyData(r, segment_end);
      if (!next) return std::nullopt;
      ++scans;
      at = *next;
      continue;
    } else {
      return std::nullopt;  // SOI again, a restart marker outside a scan, hierarchical or reserved markers
    }
    at = segment_end;
  }

  // A height given by DNL is put where the decoder looks for it.
  const std::size_t height_at = frame_at + 5;
  header[height_at] = static_cast<std::uint8_t>(frame.height >> 8);
  header[height_at + 1] = static_cast<std::uint8_t>(frame.height);
  if (!DecoderReadsJpegHeader(header, frame.width, frame.height, frame.components)) return std::nullopt;

  CarvedImage image;
  image.length = at - offset;
  image.width = frame.width;
  image.height = frame.height;
  image.bits = 8 * frame.components;
  return image;
}

}  // namespace gd
