#include "editing/number_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "editing/latin1.h"

namespace kavor {
namespace {

struct IntegerCase {
  const char* text;
  bool allow_minus;
  std::optional<long long> expected;
};

TEST(ParseInteger, ReadsOnlyBlanksSignDigitsBlanks) {
  const IntegerCase cases[] = {
      {"0", true, 0},
      {"8191", true, 8191},
      {"  42\t", true, 42},
      {"\t+7 ", true, 7},
      {"-12", true, -12},
      {"-0", true, 0},
      {"007", true, 7},
      {"", true, std::nullopt},
      {"   ", true, std::nullopt},
      {"+", true, std::nullopt},
      {"-", true, std::nullopt},
      {"12x", true, std::nullopt},
      {"1 2", true, std::nullopt},
      {"0x10", true, std::nullopt},
      {"--1", true, std::nullopt},
      {"+-1", true, std::nullopt},
      {"\n5", true, std::nullopt},  // only space and tab are blanks
      {"5\r", true, std::nullopt},
      {"1.0", true, std::nullopt},
      {"+5", false, 5},
      {"-5", false, std::nullopt},
      {"-0", false, std::nullopt},
      {" 99999 ", false, 99999},
  };
  for (const IntegerCase& c : cases)
    EXPECT_EQ(ParseInteger(c.text, c.allow_minus), c.expected)
        << '"' << c.text << "\" allow_minus=" << c.allow_minus;
}

TEST(ParseInteger, LongDigitStringsSaturateInsteadOfWrapping) {
  constexpr long long kMax = std::numeric_limits<long long>::max();
  constexpr long long kMin = std::numeric_limits<long long>::min();
  EXPECT_EQ(ParseInteger("9223372036854775807"), kMax);
  EXPECT_EQ(ParseInteger("9223372036854775808"), kMax);
  // 2^64 + 5 would wrap to 5 in unsigned arithmetic.
  EXPECT_EQ(ParseInteger("18446744073709551621"), kMax);
  EXPECT_EQ(ParseInteger("-9223372036854775808"), kMin);
  EXPECT_EQ(ParseInteger("-99999999999999999999999"), kMin);
}

struct HexCase {
  const char* text;
  std::optional<std::uint64_t> expected;
};

TEST(ParseHexadecimal, ReadsUpToTheFirstOtherCharacter) {
  const HexCase cases[] = {
      {"1fff", 0x1FFF},
      {"0x100", 0x100},
      {"0X1A", 0x1A},
      {"  ff", 0xFF},
      {"\tAbC", 0xABC},
      {"12g4", 0x12},
      {"10000", 0x10000},
      {"0", 0},
      {"0x", 0},    // the 0 is read, x is no prefix without a digit after it
      {"0xg", 0},
      {"0x 1", 0},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"x10", std::nullopt},
      {"-1", std::nullopt},  // a sign reads no number
      {"+1", std::nullopt},
      {"g", std::nullopt},
  };
  for (const HexCase& c : cases) EXPECT_EQ(ParseHexadecimal(c.text), c.expected) << '"' << c.text << '"';
}

TEST(ParseHexadecimal, SaturatesLongTexts) {
  EXPECT_EQ(ParseHexadecimal("ffffffffffffffff"), std::numeric_limits<std::uint64_t>::max());
  // 17 digits: 0x1'0000'0000'0000'0005 would wrap to 5.
  EXPECT_EQ(ParseHexadecimal("10000000000000005"), std::numeric_limits<std::uint64_t>::max());
}

struct LeadingCase {
  const char* text;
  long long value;
};

// As C's atoi in the C locale, but without its overflow.
TEST(ReadLeadingInteger, ReadsAsAtoiDoes) {
  const LeadingCase cases[] = {
      {"11778", 11778},   {"11778abc", 11778}, {" \t\n\v\f\r42", 42}, {"+7", 7},
      {"-5", -5},         {"- 5", 0},          {"abc", 0},           {"", 0},
      {"0x10", 0},        {"12 34", 12},       {"\xA0" "9", 0},       {"--1", 0},
      {"00065535", 65535}, {"65536", 65536},
  };
  for (const LeadingCase& c : cases) EXPECT_EQ(ReadLeadingInteger(c.text), c.value) << c.text;
}

TEST(ReadLeadingInteger, LongDigitStringsSaturate) {
  EXPECT_EQ(ReadLeadingInteger("4294967297"), 4294967297LL);  // would wrap to 1 in 32 bits
  EXPECT_EQ(ReadLeadingInteger("99999999999999999999999"), std::numeric_limits<long long>::max());
  EXPECT_EQ(ReadLeadingInteger("-99999999999999999999999"), std::numeric_limits<long long>::min());
}

TEST(FormatHexadecimal, LowerCaseWithoutPrefixOrLeadingZeros) {
  EXPECT_EQ(FormatHexadecimal(0), "0");
  EXPECT_EQ(FormatHexadecimal(0x0100), "100");
  EXPECT_EQ(FormatHexadecimal(0xBEEF), "beef");
  EXPECT_EQ(FormatHexadecimal(0xFFFF), "ffff");
  EXPECT_EQ(FormatHexadecimal(0x1), "1");
}

TEST(Latin1Upper, MapsEveryByteByTheFixedTable) {
  for (int b = 0; b < 256; ++b) {
    int expected = b;
    if (b >= 'a' && b <= 'z') expected = b - 32;
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) expected = b - 32;
    EXPECT_EQ(Latin1Upper(static_cast<unsigned char>(b)), expected) << "byte " << b;
  }
  EXPECT_EQ(Latin1ToUpper("z\xE9\xF7\xFF\xDF" "a1"), "Z\xC9\xF7\xFF\xDF" "A1");
}

}  // namespace
}  // namespace kavor
