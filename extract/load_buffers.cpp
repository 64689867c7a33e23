#include "extract/load_buffers.h"

#include <new>

#include "extract/errors.h"

namespace gd {

class LoadBuffers::Loan final : public FileBytes::Storage {
 public:
  Loan(LoadBuffers& home, std::unique_ptr<std::uint8_t[]> buffer, std::size_t capacity)
      : home_(home), buffer_(std::move(buffer)), capacity_(capacity) {}
  ~Loan() override { home_.Return(std::move(buffer_), capacity_); }
  Loan(const Loan&) = delete;
  Loan& operator=(const Loan&) = delete;

 private:
  LoadBuffers& home_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t capacity_;
};

FileBytes LoadBuffers::Take(std::size_t size) {
  if (size == 0) return FileBytes();
  std::unique_ptr<std::uint8_t[]> buffer;
  std::size_t capacity = 0;
  if (spare_ && capacity_ >= size) {
    buffer = std::move(spare_);
    capacity = capacity_;
    capacity_ = 0;
  } else {
    spare_.reset();  // give the old one back before asking for a larger one
    capacity_ = 0;
    // Room for files a little larger than this one, so that a folder of
    // similar files does not grow the buffer at every other file.
    const std::size_t headroom = size / 8 < (std::size_t{64} << 20) ? size / 8 : (std::size_t{64} << 20);
    capacity = size + headroom;
    buffer.reset(new (std::nothrow) std::uint8_t[capacity]);
    if (!buffer) {
      capacity = size;
      buffer.reset(new (std::nothrow) std::uint8_t[capacity]);
    }
    if (!buffer) throw OutOfMemoryError();
  }
  std::uint8_t* data = buffer.get();
  return FileBytes(data, size, std::make_unique<Loan>(*this, std::move(buffer), capacity));
}

void LoadBuffers::Return(std::unique_ptr<std::uint8_t[]> buffer, std::size_t capacity) {
  if (capacity >= capacity_) {
    spare_ = std::move(buffer);
    capacity_ = capacity;
  }
}

}  // namespace gd
