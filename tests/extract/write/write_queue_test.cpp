// Output files written behind the run: in order, counted on the run's
// thread, and stopped at the first failure.

#include "extract/write/write_queue.h"

#include <gtest/gtest.h>

#include <memory>

#include "base/errors.h"
#include "extract/source/span_source.h"

namespace gd {
namespace {

// Records the files written; the one named `fail` cannot be created.
class RecordingFiles final : public FileSystem {
 public:
  std::unique_ptr<FolderListing> ListFolder(const std::string&) override { return nullptr; }
  std::unique_ptr<ByteSource> OpenFile(const std::string&) override { return nullptr; }
  void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) override {
    if (path == fail) throw CreateFileError(path);
    const std::lock_guard lock(mutex);
    written.push_back(path);
    sizes.push_back(bytes.size());
  }
  bool FileExists(const std::string&) override { return false; }
  bool FolderExists(const std::string&) override { return true; }
  bool DeleteFile(const std::string&) override { return false; }
  bool CreateFolders(const std::string&) override { return true; }
  std::string AbsolutePath(const std::string& path) override { return path; }

  std::mutex mutex;
  std::vector<std::string> written;
  std::vector<std::size_t> sizes;
  std::string fail;
};

WriteQueue::Item File(const std::string& name, std::size_t size = 10) {
  WriteQueue::Item item;
  item.image.file = name;
  item.bytes.assign(size, 7);
  return item;
}

TEST(WriteQueue, WritesInOrderAndHandsEachFileBackOnce) {
  RecordingFiles files;
  WriteQueue queue(files, 25);  // room for two files: the third waits
  std::vector<std::string> collected;
  const auto collect = [&](const WrittenImage& image) {
    EXPECT_EQ(image.bytes.size(), 10u);
    collected.push_back(image.file);
  };
  for (const char* name : {"a", "b", "c", "d", "e"}) queue.Submit(File(name), collect);
  queue.Finish(collect);
  const std::vector<std::string> all{"a", "b", "c", "d", "e"};
  EXPECT_EQ(files.written, all);
  EXPECT_EQ(collected, all);
}

TEST(WriteQueue, TheFirstFailureStopsTheQueueAndReachesTheRun) {
  RecordingFiles files;
  files.fail = "b";
  WriteQueue queue(files, 1 << 20);
  std::vector<std::string> collected;
  const auto collect = [&](const WrittenImage& image) { collected.push_back(image.file); };
  try {
    for (const char* name : {"a", "b", "c", "d"}) queue.Submit(File(name), collect);
    queue.Finish(collect);
    FAIL() << "no failure";
  } catch (const CreateFileError& e) {
    EXPECT_STREQ(e.what(), "ファイル b を作成できません");
  }
  EXPECT_EQ(files.written, (std::vector<std::string>{"a"}));  // nothing after the failure
  EXPECT_EQ(collected, (std::vector<std::string>{"a"}));
  // Ready for the next run.
  queue.Submit(File("e"), collect);
  queue.Finish(collect);
  EXPECT_EQ(collected, (std::vector<std::string>{"a", "e"}));
}

TEST(WriteQueue, ACopyKeepsItsSourceOpenUntilWrittenAndNoLonger) {
  RecordingFiles files;
  WriteQueue queue(files, 1 << 20, 2);  // copies weigh nothing: at most two wait
  const std::vector<std::uint8_t> bytes(100, 3);
  std::weak_ptr<ByteSource> held;
  const auto collect = [](const WrittenImage&) {};
  {
    const auto source = std::make_shared<SpanSource>(bytes);
    held = source;
    for (const char* name : {"a", "b", "c"}) {
      WrittenImage image;
      image.file = name;
      queue.Submit(WriteQueue::Item::CopyOf(std::move(image), source, 10, 20), collect);
    }
  }  // the run has moved on to the next source
  queue.Finish(collect);
  EXPECT_EQ(files.written, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(files.sizes, (std::vector<std::size_t>{20, 20, 20}));
  EXPECT_TRUE(held.expired());
}

}  // namespace
}  // namespace gd
