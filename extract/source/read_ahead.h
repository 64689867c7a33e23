#pragma once
// One thread that reads a source's next windows while the search looks at the
// one in hand, and the first window of the source searched next. Under the
// every-image rules searching a window costs about as much as copying it
// from the page cache, so the two overlap on two cores.
//
// The thread does the reads in the order they were started; keeping more
// than one queued means it never waits for the search to ask for the next,
// and a caller waiting for one does a queued one itself meanwhile. The
// thread starts with the first read and lives as long as the object: one
// per run.
//
// Its callers (the reader of the source being searched, and perhaps the
// reader of the one searched next) are all on one thread.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/byte_source.h"

namespace gd {

class ReadAhead {
 public:
  // One read, owned by the caller, who must Wait for it before it, its
  // source or its buffer goes.
  class Read {
   private:
    friend class ReadAhead;
    ByteSource* source = nullptr;
    std::uint64_t offset = 0;
    std::span<std::uint8_t> out;
    bool done = false;
    std::size_t result = 0;
    std::exception_ptr failure;
  };

  ReadAhead() = default;
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Queues the copy of out.size() bytes of source from offset into out. The
  // source must allow reads from two threads at once. A read for later (the
  // source searched next) waits until no other is queued.
  enum class When { kSoon, kLater };
  void Start(Read& read, ByteSource& source, std::uint64_t offset, std::span<std::uint8_t> out,
             When when = When::kSoon);
  // Waits for the read and gives what its ReadAt returned, or throws what it
  // threw.
  std::size_t Wait(Read& read);

  // Window buffers outlive the reader that used them, so that a run over
  // many files does not allocate and clear a window for each.
  std::vector<std::uint8_t> TakeBuffer();
  void GiveBack(std::vector<std::uint8_t> buffer);

 private:
  void Work();
  static void Perform(Read& read);
  // Takes a queued read off its queue: this one, else any; nullptr when none
  // is queued.
  Read* Take(Read* wanted);

  std::thread worker_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable finished_;
  std::deque<Read*> soon_;
  std::deque<Read*> later_;
  bool quit_ = false;
  std::vector<std::vector<std::uint8_t>> buffers_;  // used on the caller's thread only
};

}  // namespace gd
