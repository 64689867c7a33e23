#include "gif/gif_decl.h"

#include <gtest/gtest.h>

#include <vector>

#include "gif/gif_file.h"

namespace gd {
namespace {

std::string ListMessage(int index) {
  return "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")";
}

TEST(ByteBuffer, ResetWithoutBlocksRaisesTheStringListError) {
  TByteBuffer buffer;
  try {
    buffer.Reset();
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.what(), ListMessage(0));
  }
}

TEST(ByteBuffer, NextByteRunsAcrossBlocksThenRaisesWithTheMissingBlock) {
  TByteBuffer buffer;
  buffer.AddBlock(std::string("ab"));
  buffer.AddBlock(std::string("c"));
  buffer.AddBlock(std::string("de"));
  EXPECT_EQ(buffer.Size(), 5);
  EXPECT_EQ(buffer.BlockCount(), 3);
  EXPECT_EQ(buffer.GetBlock(3), "de");
  EXPECT_THROW(buffer.GetBlock(4), EStringListError);
  buffer.Reset();
  std::string got;
  for (int i = 0; i < 5; ++i) got += static_cast<char>(buffer.NextByte());
  EXPECT_EQ(got, "abcde");
  try {
    buffer.NextByte();
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.what(), ListMessage(3));
  }
  buffer.Reset();  // and again from the start
  EXPECT_EQ(buffer.NextByte(), 'a');
}

TEST(NextInterlacedRow, VisitsEveryRowOnceInPassOrder) {
  struct Case {
    std::int32_t height;
    std::vector<std::int32_t> order;
  };
  const Case cases[] = {
      {1, {0}},
      {2, {0, 1}},
      {3, {0, 2, 1}},
      {5, {0, 4, 2, 1, 3}},
      {8, {0, 4, 2, 6, 1, 3, 5, 7}},
      {10, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}},
  };
  for (const Case& c : cases) {
    std::vector<std::int32_t> order{0};
    std::int32_t pass = 1;
    std::int32_t row = 0;
    for (;;) {
      row = NextInterlacedRow(row, c.height, pass);
      if (row >= c.height) break;
      order.push_back(row);
    }
    EXPECT_EQ(order, c.order) << "height " << c.height;
    EXPECT_EQ(pass, 5) << "height " << c.height;
  }
}

TEST(ReadSubBlocks, ReadsUpToTheTerminatorOrTheEndOfTheStream) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> blocks;
    std::size_t position;
  };
  const Case cases[] = {
      {"two blocks and terminator", {2, 'a', 'b', 1, 'c', 0, 0x3B}, {"ab", "c"}, 6},
      {"terminator only", {0, 0x3B}, {}, 1},
      {"cut inside a block", {3, 'a', 'b'}, {"ab"}, 3},
      {"cut after a length byte", {2, 'a', 'b', 4}, {"ab"}, 4},
      {"empty stream", {}, {}, 0},
  };
  for (const Case& c : cases) {
    TMemoryStream s(c.bytes);
    auto list = ReadSubBlocks(s);
    ASSERT_EQ(list->Count(), static_cast<std::int32_t>(c.blocks.size())) << c.what;
    for (std::size_t i = 0; i < c.blocks.size(); ++i) EXPECT_EQ((*list)[static_cast<std::int32_t>(i)], c.blocks[i]);
    EXPECT_EQ(s.Position(), c.position) << c.what;
  }
}

TEST(ExtensionList, FreesTheExtensionsItOwns) {
  auto list = std::make_unique<TExtensionList>();
  auto comment = std::make_unique<TExtension>();
  comment->Kind = TExtensionKind::ekComment;
  comment->SetSubBlocks(std::make_unique<TStringList>());
  TStringList* lines = comment->Comment();
  ASSERT_NE(lines, nullptr);
  lines->Add("hi");
  list->Add(std::move(comment));
  list->Add(std::make_unique<TExtension>());
  const TStringList* kept = list->Items(0).Comment();
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->Get(0), "hi");
  EXPECT_EQ(list->Items(0).PlainText(), nullptr);  // only the kind's own list
  list.reset();  // ASan's leak check confirms everything went
}

}  // namespace
}  // namespace gd
