#include "extract/write/write_queue.h"

#include <utility>

namespace gd {

WriteQueue::Item WriteQueue::Item::OfBytes(WrittenImage image, std::vector<std::uint8_t> bytes) {
  Item item;
  item.image = std::move(image);
  item.bytes = std::move(bytes);
  return item;
}

WriteQueue::Item WriteQueue::Item::AsPng(WrittenImage image, RgbaImage pixels, PngEncoder& encoder) {
  Item item;
  item.image = std::move(image);
  item.pixels = std::move(pixels);
  item.png_encoder = &encoder;
  return item;
}

WriteQueue::Item WriteQueue::Item::CopyOf(WrittenImage image, std::shared_ptr<ByteSource> source,
                                          std::uint64_t offset, std::uint64_t length) {
  Item item;
  item.image = std::move(image);
  item.copy_from = std::move(source);
  item.offset = offset;
  item.length = length;
  return item;
}

WriteQueue::WriteQueue(FileSystem& fs, std::size_t max_pending, std::size_t max_items)
    : fs_(fs), max_pending_(max_pending), max_items_(max_items) {}

WriteQueue::~WriteQueue() {
  if (!worker_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    quit_ = true;
  }
  to_worker_.notify_one();
  worker_.join();
}

void WriteQueue::Submit(Item item, const Collector& collect) {
  if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
  std::unique_lock lock(mutex_);
  WaitForWorker(lock, [this] {
    return failure_ || pending_.empty() || (pending_bytes_ < max_pending_ && pending_.size() < max_items_);
  });
  Collect(lock, collect);
  ThrowFailure(lock);
  // A copy holds no memory of its own until it is written.
  const std::size_t weight = item.bytes.size() + (item.pixels ? item.pixels->rgba.size() : 0);
  pending_bytes_ += weight;
  // The worker waits only for an empty queue.
  const bool idle = pending_.empty();
  pending_.push_back({std::move(item), weight});
  if (idle) to_worker_.notify_one();
}

void WriteQueue::CollectWritten(const Collector& collect) {
  std::unique_lock lock(mutex_);
  Collect(lock, collect);
  ThrowFailure(lock);
}

void WriteQueue::Finish(const Collector& collect) {
  std::unique_lock lock(mutex_);
  WaitForWorker(lock, [this] { return pending_.empty() || (failure_ && !busy_); });
  Collect(lock, collect);
  ThrowFailure(lock);
}

void WriteQueue::FinishQuietly(const Collector& collect) noexcept {
  try {
    Finish(collect);
  } catch (...) {
  }
}

void WriteQueue::Collect(std::unique_lock<std::mutex>& lock, const Collector& collect) {
  while (!written_.empty()) {
    Item item = std::move(written_.front());
    written_.pop_front();
    lock.unlock();
    item.image.bytes = item.bytes;
    collect(item.image);
    lock.lock();
  }
}

void WriteQueue::ThrowFailure(std::unique_lock<std::mutex>& lock) {
  if (!failure_) return;
  // What was queued after the failure is not written; the queue starts over.
  WaitForWorker(lock, [this] { return !busy_; });
  pending_.clear();
  pending_bytes_ = 0;
  std::rethrow_exception(std::exchange(failure_, nullptr));
}

void WriteQueue::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    to_worker_.wait(lock, [this] { return quit_ || (!pending_.empty() && !failure_); });
    if (quit_) return;
    busy_ = true;
    Item& item = pending_.front().item;
    lock.unlock();
    std::exception_ptr failure;
    bool created = false;
    try {
      if (item.pixels) {
        item.bytes = item.png_encoder->Encode(*item.pixels);
        item.pixels.reset();
      }
      created = item.copy_from != nullptr
                    ? fs_.CreateNewFileFrom(item.image.file, *item.copy_from, item.offset, item.length)
                    : fs_.CreateNewFile(item.image.file, item.bytes);
      item.copy_from.reset();  // its source may be closed now
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    busy_ = false;
    pending_bytes_ -= pending_.front().weight;
    if (failure) {
      failure_ = failure;
    } else {
      // A name taken meanwhile (another run, the user) is not this run's
      // image: it is neither counted nor logged.
      if (created) written_.push_back(std::move(item));
      pending_.pop_front();
    }
    if (run_waiting_) to_run_.notify_one();
  }
}

}  // namespace gd
