// The manifest's CSV text: quoting, line ends, the file column and the hash.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "extract/report/manifest.h"
#include "platform/file_system.h"

namespace gd {
namespace {

using Record = std::vector<std::string>;

// A reader as the CSV standard describes it, to show the text reads back as
// the fields that went in.
std::vector<Record> ParseCsv(std::string_view text) {
  std::vector<Record> records;
  Record record;
  std::string field;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '"') {
      for (++i; i < text.size(); ++i) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            ++i;
          } else {
            ++i;
            break;
          }
        } else {
          field += text[i];
        }
      }
    }
    while (i < text.size() && text[i] != ',' && text[i] != '\r') field += text[i++];
    record.push_back(std::move(field));
    field.clear();
    if (i < text.size() && text[i] == ',') {
      ++i;
    } else {
      EXPECT_EQ(text.substr(i, 2), "\r\n") << "a record ends in CR LF";
      i += 2;
      records.push_back(std::move(record));
      record.clear();
    }
  }
  return records;
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

const std::string kSep(1, kPathSeparator);

TEST(CsvField, QuotesOnlyWhatNeedsIt) {
  const struct {
    std::string_view in;
    std::string_view out;
  } cases[] = {
      {"", ""},
      {"plain.exe", "plain.exe"},
      {"with spaces and  tabs\t.exe", "with spaces and  tabs\t.exe"},
      {"アイコン集.dll", "アイコン集.dll"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"line\nbreak", "\"line\nbreak\""},
      {"carriage\rreturn", "\"carriage\rreturn\""},
      {"both\r\n", "\"both\r\n\""},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.in), c.out) << c.in;
}

TEST(Manifest, EmptyRunIsTheHeaderLine) {
  Manifest m;
  EXPECT_EQ(m.Csv(), "source,offset,kind,width,height,bits,file,sha256\r\n");
  EXPECT_EQ(m.rows(), 0u);
}

TEST(Manifest, OneRowPerImageInOrderWritten) {
  Manifest m;
  const std::string out = kSep + "save" + kSep;
  m.ImageWritten({kSep + "src" + kSep + "app.exe", 4096, ImageKind::kDib, 32, 64, 4,
                  out + "app-exe-0.bmp", Bytes("abc")});
  m.ImageWritten({kSep + "src" + kSep + "app.exe", 18446744073709551615u, ImageKind::kPng, 48, -48,
                  32, out + "app-exe-1.png", Bytes("")});
  m.ImageWritten({kSep + "src" + kSep + "anim.gif", 0, ImageKind::kGif, 1, 1, 8, "anim-gif-0.gif",
                  Bytes("abc")});
  EXPECT_EQ(m.rows(), 3u);
  const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  const std::string empty = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
  EXPECT_EQ(m.Csv(),
            "source,offset,kind,width,height,bits,file,sha256\r\n" +
                kSep + "src" + kSep + "app.exe,4096,dib,32,64,4,app-exe-0.bmp," + abc + "\r\n" +
                kSep + "src" + kSep + "app.exe,18446744073709551615,png,48,-48,32,app-exe-1.png," + empty + "\r\n" +
                kSep + "src" + kSep + "anim.gif,0,gif,1,1,8,anim-gif-0.gif," + abc + "\r\n");
}

// Whatever a path holds, the row reads back as the fields that went in.
TEST(Manifest, AnyPathReadsBack) {
  const std::string names[] = {
      "plain.ico",
      "two words, one comma.exe",
      "the \"best\" icons.dll",
      "line\nbreak.exe",
      "cr\rlf\r\n.exe",
      "アイコン・カーソル集.dll",
      " leading and trailing .exe ",
      ",\",\"\",",
  };
  Manifest m;
  std::uint64_t offset = 0;
  for (const std::string& name : names) {
    m.ImageWritten({kSep + "data" + kSep + name, offset++, ImageKind::kDib, 16, 16, 8,
                    kSep + "save" + kSep + name + "-0.bmp", Bytes("abc")});
  }
  const std::vector<Record> records = ParseCsv(m.Csv());
  ASSERT_EQ(records.size(), std::size(names) + 1);
  EXPECT_EQ(records[0], (Record{"source", "offset", "kind", "width", "height", "bits", "file", "sha256"}));
  for (std::size_t i = 0; i < std::size(names); ++i) {
    const Record& r = records[i + 1];
    ASSERT_EQ(r.size(), 8u) << names[i];
    EXPECT_EQ(r[0], kSep + "data" + kSep + names[i]);
    EXPECT_EQ(r[1], std::to_string(i));
    EXPECT_EQ(r[6], names[i] + "-0.bmp") << "the file's name without its folder";
  }
}

}  // namespace
}  // namespace gd
