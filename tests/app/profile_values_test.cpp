#include "app/profile_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace gd {
namespace {

struct IntCase {
  const char* text;
  std::int32_t expected;  // with the default 77
};

TEST(ReadProfileInt, AcceptsDecimalHexSignAndLeadingBlanks) {
  const IntCase cases[] = {
      {"32", 32},          {"0x20", 32},         {"0X20", 32},          {"$20", 32},
      {"x20", 32},         {"X1f", 31},          {"-5", -5},            {"+5", 5},
      {"  12", 12},        {"\t12", 12},         {"-$10", -16},         {"-0x10", -16},
      {" 0x10", 16},       {"007", 7},           {"0", 0},              {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},                {"$7FFFFFFF", INT32_MAX}, {"-$80000000", INT32_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadProfileInt(c.text, 77), c.expected) << c.text;
}

TEST(ReadProfileInt, FallsBackToTheDefault) {
  const char* cases[] = {"",    "abc", "12 ", "1.5", "0x",  "$",          "-",           "+",  "--1",
                         "1a",  "x",   "$g",  " ",   "0x-1", "2147483648", "-2147483649", "$FFFFFFFF",
                         "$100000000", "99999999999999999999", "yes", "true"};
  for (const char* text : cases) EXPECT_EQ(ReadProfileInt(text, 77), 77) << '"' << text << '"';
}

TEST(ReadProfileBool, IsAnIntegerWithTheDefaultAsZeroOrOne) {
  EXPECT_TRUE(ReadProfileBool("1", false));
  EXPECT_TRUE(ReadProfileBool("2", false));
  EXPECT_TRUE(ReadProfileBool("-1", false));
  EXPECT_TRUE(ReadProfileBool("0x1", false));
  EXPECT_FALSE(ReadProfileBool("0", true));
  EXPECT_FALSE(ReadProfileBool("yes", false));
  EXPECT_TRUE(ReadProfileBool("yes", true));
  EXPECT_TRUE(ReadProfileBool("", true));
  EXPECT_FALSE(ReadProfileBool("", false));
}

TEST(FormatProfileValues, DecimalWithMinusOnlyAndBooleansAsDigits) {
  EXPECT_EQ(FormatProfileInt(68), "68");
  EXPECT_EQ(FormatProfileInt(-4), "-4");
  EXPECT_EQ(FormatProfileInt(INT32_MIN), "-2147483648");
  EXPECT_EQ(FormatProfileBool(true), "1");
  EXPECT_EQ(FormatProfileBool(false), "0");
  // What is written reads back as itself.
  for (std::int32_t v : {0, 1, -1, 1280, INT32_MAX, INT32_MIN}) EXPECT_EQ(ReadProfileInt(FormatProfileInt(v), 5), v);
}

}  // namespace
}  // namespace gd
