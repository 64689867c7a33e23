#include "extract/source/read_ahead.h"

#include <system_error>
#include <utility>

namespace gd {

void ReadAhead::Perform(Read& read) {
  try {
    read.result = read.source->ReadAt(read.offset, read.out);
  } catch (...) {
    read.failure = std::current_exception();
  }
}

ReadAhead::~ReadAhead() {
  {
    const std::lock_guard lock(mutex_);
    quit_ = true;
  }
  queued_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void ReadAhead::Start(Read& read, ByteSource& source, std::uint64_t offset, std::span<std::uint8_t> out) {
  read.source = &source;
  read.offset = offset;
  read.out = out;
  read.done = false;
  read.result = 0;
  read.failure = nullptr;
  if (!worker_.joinable()) {
    try {
      worker_ = std::thread(&ReadAhead::Work, this);
    } catch (const std::system_error&) {
      // No thread to be had: the read is done here, and Wait finds it done.
      Perform(read);
      read.done = true;
      return;
    }
  }
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back(&read);
  }
  queued_.notify_one();
}

std::size_t ReadAhead::Wait(Read& read) {
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&read] { return read.done; });
  read.source = nullptr;
  if (read.failure) std::rethrow_exception(std::exchange(read.failure, nullptr));
  return read.result;
}

void ReadAhead::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    queued_.wait(lock, [this] { return quit_ || !queue_.empty(); });
    if (queue_.empty()) return;  // quitting, with every read done
    Read& read = *queue_.front();
    queue_.pop_front();
    lock.unlock();
    // The caller looks at the outcome only once done is set, under the lock.
    Perform(read);
    lock.lock();
    read.done = true;
    finished_.notify_all();
  }
}

}  // namespace gd
