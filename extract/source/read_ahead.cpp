#include "extract/source/read_ahead.h"

#include <algorithm>
#include <new>
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

void ReadAhead::Start(Read& read, ByteSource& source, std::uint64_t offset, std::span<std::uint8_t> out, When when) {
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
    (when == When::kSoon ? soon_ : later_).push_back(&read);
  }
  queued_.notify_one();
}

std::size_t ReadAhead::Wait(Read& read) {
  std::unique_lock lock(mutex_);
  // Rather than wait, the caller reads: its own read if the thread has not
  // begun it, else the one queued furthest ahead. Both cores copy then,
  // while the search alone would leave one idle.
  while (!read.done) {
    Read* const own = Take(&read);
    if (own == nullptr) {
      finished_.wait(lock);
      continue;
    }
    lock.unlock();
    Perform(*own);
    lock.lock();
    own->done = true;
  }
  read.source = nullptr;
  if (read.failure) std::rethrow_exception(std::exchange(read.failure, nullptr));
  return read.result;
}

ReadAhead::Read* ReadAhead::Take(Read* wanted) {
  for (std::deque<Read*>* queue : {&soon_, &later_}) {
    if (const auto at = std::find(queue->begin(), queue->end(), wanted); at != queue->end()) {
      queue->erase(at);
      return wanted;
    }
  }
  // The one furthest ahead, so that the thread goes on in order.
  for (std::deque<Read*>* queue : {&soon_, &later_}) {
    if (!queue->empty()) {
      Read* const read = queue->back();
      queue->pop_back();
      return read;
    }
  }
  return nullptr;
}

std::vector<std::uint8_t> ReadAhead::TakeBuffer() {
  if (buffers_.empty()) return {};
  std::vector<std::uint8_t> buffer = std::move(buffers_.back());
  buffers_.pop_back();
  return buffer;
}

void ReadAhead::GiveBack(std::vector<std::uint8_t> buffer) {
  if (buffer.capacity() == 0) return;
  try {
    buffers_.push_back(std::move(buffer));
  } catch (const std::bad_alloc&) {
    // Kept or not, the run goes on.
  }
}

void ReadAhead::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    queued_.wait(lock, [this] { return quit_ || !soon_.empty() || !later_.empty(); });
    std::deque<Read*>& queue = !soon_.empty() ? soon_ : later_;
    if (queue.empty()) return;  // quitting, with every read done
    Read& read = *queue.front();
    queue.pop_front();
    lock.unlock();
    // The caller looks at the outcome only once done is set, under the lock.
    Perform(read);
    lock.lock();
    read.done = true;
    finished_.notify_all();
  }
}

}  // namespace gd
