#pragma once
// Writes output files on a thread of its own, in the order they are queued,
// while the run goes on searching (and encodes those that are PNG). Creating
// a file costs the file system more than searching a megabyte, so a run that
// finds many images would otherwise spend much of its time waiting for file
// creation.
//
// Everything the run reports (the count, the progress, the log) happens on
// the run's own thread, when it collects the files that have been written.
// A file whose name is found taken when it is written is dropped, uncounted.
// The first write (or encoding) that fails stops the queue: the files queued
// after it are not written, and the failure is thrown to the run when it next
// queues or collects.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "extract/write/written_image.h"
#include "platform/file_system.h"
#include "platform/png_encoder.h"
#include "platform/rgba_image.h"

namespace gd {

class WriteQueue {
 public:
  struct Item {
    WrittenImage image;  // file names the output; bytes is set when collected
    std::vector<std::uint8_t> bytes;
    // A picture to be written as PNG: encoded by png_encoder on the queue's
    // thread into bytes, so that encoding one image overlaps searching for
    // the next.
    std::optional<RgbaImage> pixels;
    PngEncoder* png_encoder = nullptr;
    // Bytes of a source written as they are: copied from it on the queue's
    // thread (file to file where the system can), so that a large embedded
    // image never passes through memory. The source must allow reads from
    // two threads; the item keeps it open until it is written.
    std::shared_ptr<ByteSource> copy_from;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;

    static Item OfBytes(WrittenImage image, std::vector<std::uint8_t> bytes);
    static Item AsPng(WrittenImage image, RgbaImage pixels, PngEncoder& encoder);
    static Item CopyOf(WrittenImage image, std::shared_ptr<ByteSource> source, std::uint64_t offset,
                       std::uint64_t length);
  };
  using Collector = std::function<void(const WrittenImage& image)>;

  // At most max_pending bytes wait to be written (one larger file may wait
  // alone), in at most max_items files (each copy may hold its source open).
  WriteQueue(FileSystem& fs, std::size_t max_pending, std::size_t max_items = 256);
  ~WriteQueue();
  WriteQueue(const WriteQueue&) = delete;
  WriteQueue& operator=(const WriteQueue&) = delete;

  // Queues a file, after handing the files written so far to collect. Waits
  // while too much is pending. Throws the failure of an earlier write.
  void Submit(Item item, const Collector& collect);
  // Hands the files written so far to collect, without waiting for more;
  // throws the failure of an earlier write.
  void CollectWritten(const Collector& collect);
  // Waits until every queued file is written (or the queue has stopped at a
  // failure), hands each written file to collect, then throws the failure if
  // there was one. The queue is empty and ready for more afterwards.
  void Finish(const Collector& collect);
  // Finish, for when the run is already failing: a failure of the queue's own
  // is dropped in favour of the one in flight.
  void FinishQuietly(const Collector& collect) noexcept;

 private:
  void Collect(std::unique_lock<std::mutex>& lock, const Collector& collect);
  void ThrowFailure(std::unique_lock<std::mutex>& lock);
  // Waits on the run's thread until the worker makes done() true.
  template <typename Done>
  void WaitForWorker(std::unique_lock<std::mutex>& lock, Done done) {
    run_waiting_ = true;
    to_run_.wait(lock, done);
    run_waiting_ = false;
  }
  void Work();

  FileSystem& fs_;
  const std::size_t max_pending_;
  const std::size_t max_items_;
  std::thread worker_;
  std::mutex mutex_;
  // Each side is woken only when it waits: a wake-up for every file would
  // cost a good part of writing a small one.
  std::condition_variable to_worker_;
  std::condition_variable to_run_;
  bool run_waiting_ = false;
  struct Pending {
    Item item;
    std::size_t weight = 0;  // its bytes or pixels, as counted in pending_bytes_
  };
  std::deque<Pending> pending_;  // front: being written
  std::deque<Item> written_;
  std::size_t pending_bytes_ = 0;
  bool busy_ = false;  // the worker is writing pending_.front()
  bool quit_ = false;
  std::exception_ptr failure_;
};

}  // namespace gd
