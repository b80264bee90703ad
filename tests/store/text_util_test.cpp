#include "store/text_util.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <sstream>

TEST(TextUtilTest, ItoStr) {
  static const struct {
    long value;
    char fill;
    unsigned char width;
    bool signInWidth;
    const char* expected;
  } kCases[] = {
      {7, '0', 3, false, "007"},   {0, ' ', 0, true, "0"},   {1234, '0', 2, false, "1234"},
      {0, '0', 3, false, "000"},   {42, ' ', 0, true, "42"}, {-5, '0', 3, true, "-05"},
      {-5, '0', 3, false, "00-5"}, {0, 'x', 1, false, "0"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.expected, itoStr(c.value, c.fill, c.width, c.signInWidth)) << c.value;
  }
}

TEST(TextUtilTest, ParseNumberReadsLikeAtoiAndWraps) {
  static const struct {
    const char* text;
    unsigned expected;
  } kCases[] = {
      {"153756160", 153756160u},
      {"  -1", 0xFFFFFFFFu},
      {"+12abc", 12u},
      {"abc", 0u},
      {"", 0u},
      {"2147500032", 2147500032u},
      {"4294967296", 0u},
      {"99999999999999999999", 1661992959u},
  };
  for (const auto& c : kCases) EXPECT_EQ(c.expected, parseNumber(c.text)) << c.text;
  EXPECT_EQ(0x20006u, parseHex("20006"));
  EXPECT_EQ(0xABu, parseHex("aBz"));
}

// Where a wrapped value would name another valid one, only numbers that fit are taken;
// strtoull is the oracle for what fits.
TEST(TextUtilTest, FittingNumbersOnly) {
  static const char* const kCases[] = {
      "0",  "7",  "4294967295", "4294967296", "4294967298",          "", "-1", "+3",
      " 5", "5 ", "1x",         "00012",      "99999999999999999999"};
  for (const char* text : kCases) {
    std::string t = text;
    bool digits = !t.empty() && t.find_first_not_of("0123456789") == std::string::npos;
    errno = 0;
    unsigned long long expected = digits ? strtoull(text, nullptr, 10) : 0;
    bool fits = digits && errno == 0 && expected <= 0xffffffffull;
    unsigned value = 12345;
    EXPECT_EQ(fits, parseFittingNumber(t, value)) << text;
    EXPECT_EQ(fits ? static_cast<unsigned>(expected) : 12345u, value) << text;
  }
}

TEST(TextUtilTest, TrimAndUpperCase) {
  EXPECT_EQ("a b", trim(" \t\r\na b\v\f "));
  EXPECT_EQ("", trim(" \t "));
  EXPECT_EQ("ABC\xe4!", strU("aBc\xe4!"));
}

TEST(TextUtilTest, ReadfLineTrimsBlanksOnlyAndTakesAnyLength) {
  std::string longLine(5000, 'x');
  std::istringstream in("  \tword \n" + longLine + "\nlast");
  EXPECT_EQ("\tword", readfLine(in));
  EXPECT_EQ(longLine, readfLine(in));
  EXPECT_EQ("last", readfLine(in));
  std::string line;
  EXPECT_FALSE(readRawLine(in, line));
}

TEST(TextUtilTest, BinASCIIKnownForms) {
  static const struct {
    std::string bytes;
    const char* text;
  } kCases[] = {
      {"abc", "Q9fH!!!!"},
      {"\xff", "o300!!!!"},
      {"", "!!!!"},
  };
  for (const auto& c : kCases) {
    std::ostringstream out;
    WriteBinASCII(out, reinterpret_cast<const unsigned char*>(c.bytes.data()),
                  static_cast<int>(c.bytes.size()));
    EXPECT_EQ(c.text, out.str()) << c.text;
  }
  std::istringstream in("o300!!!!");
  int len = 0;
  unsigned char* data = ReadBinASCII(in, len, 0);
  ASSERT_EQ(6, len);
  EXPECT_EQ(255, data[0]);
  EXPECT_EQ(0, data[1]);
  EXPECT_EQ(0, data[2]);
  free(data);
}

TEST(TextUtilTest, BinASCIIRoundTripsEveryLength) {
  std::mt19937 random(7);
  for (int len = 0; len < 1200; len += 7) {
    std::string bytes(len, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    std::ostringstream out;
    WriteBinASCII(out, reinterpret_cast<const unsigned char*>(bytes.data()), len);
    EXPECT_EQ(std::string::npos, out.str().find('\n'));
    std::istringstream in(out.str() + "\n");
    int got = 0;
    unsigned char* data = ReadBinASCII(in, got, len % 3 == 0 ? 0 : len);
    ASSERT_GE(got, len) << len;
    EXPECT_EQ(bytes, std::string(reinterpret_cast<char*>(data), len)) << len;
    free(data);
  }
}

TEST(TextUtilTest, BinASCIIReportsDamage) {
  static const struct {
    const char* text;
    int expected;
  } kCases[] = {
      {"Q9fH", -1},      // stream ends before the terminator
      {"Q9fH!!x!", -2},  // damaged terminator
      {"Q9", -1},
  };
  for (const auto& c : kCases) {
    std::istringstream in(c.text);
    int len = 0;
    free(ReadBinASCII(in, len, 0));
    EXPECT_EQ(c.expected, len) << c.text;
  }
}
