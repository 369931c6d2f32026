#include "editing/transponder_form.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace kavor {
namespace {

struct RecordBuffer {
  std::array<std::uint8_t, TransponderRecord::kSize> bytes{};
  TransponderRecord record() { return TransponderRecord(bytes.data()); }
};

RecordBuffer Transponder(std::uint16_t frequency, std::uint16_t symbol_rate, std::uint8_t flag) {
  RecordBuffer b;
  for (std::size_t i = 0; i < b.bytes.size(); ++i) b.bytes[i] = std::uint8_t(0xA0 + i);
  b.record().set_mFrequency(frequency);
  b.record().set_mSymbolRate(symbol_rate);
  b.record().set_mTpFlag(flag);
  return b;
}

TEST(TransponderForm, OpensWithTheRecordsValues) {
  RecordBuffer b = Transponder(11778, 27500, 0x08 | 3);
  const TransponderForm form = LoadTransponderForm(b.record());
  EXPECT_EQ(form.frequency, "11778");
  EXPECT_EQ(form.polarity, 1);
  EXPECT_EQ(form.symbol_rate, "27500");
  EXPECT_EQ(form.fec, 3);
  RecordBuffer h = Transponder(65535, 0, 0xF6);
  const TransponderForm high = LoadTransponderForm(h.record());
  EXPECT_EQ(high.frequency, "65535");
  EXPECT_EQ(high.polarity, 0);
  EXPECT_EQ(high.symbol_rate, "0");
  EXPECT_EQ(high.fec, 6);
}

TEST(TransponderForm, NewRecordOpensEmptyAndItsFrequencyIsRefused) {
  RecordBuffer b;
  const TransponderForm form = LoadTransponderForm(b.record());
  EXPECT_EQ(form.frequency, "0");
  EXPECT_EQ(form.polarity, 0);
  EXPECT_EQ(form.symbol_rate, "0");
  EXPECT_EQ(form.fec, 0);  // "Auto"
  const auto error = ValidateTransponderForm(form);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->message, "Frequency Error");
  EXPECT_EQ(error->control, TransponderControl::Frequency);
  EXPECT_EQ(error->icon, MessageIcon::Error);
}

TEST(TransponderForm, FecSevenShowsNoChoiceAndIsKept) {
  RecordBuffer b = Transponder(11000, 22000, 0x07);
  TransponderForm form = LoadTransponderForm(b.record());
  EXPECT_EQ(form.fec, kNoEntry);
  ASSERT_FALSE(ValidateTransponderForm(form));
  ApplyTransponderForm(form, b.record());
  EXPECT_EQ(b.record().mTpFlag(), 0x07);
  form.fec = 2;
  ApplyTransponderForm(form, b.record());
  EXPECT_EQ(b.record().mTpFlag(), 0x02);
}

TEST(TransponderForm, OkKeepsBitsFourToSevenAndWritesPolarityAndFec) {
  struct Case {
    std::uint8_t flag;
    int polarity, fec;
    std::uint8_t expected;
  } cases[] = {
      {0xF0, 1, 6, 0xFE}, {0xA5, 0, 1, 0xA1}, {0x5F, 0, 0, 0x50},
      {0x00, 1, 0, 0x08}, {0x3A, 1, kNoEntry, 0x3F}, {0xC8, 0, 4, 0xC4},
  };
  for (const Case& c : cases) {
    RecordBuffer b = Transponder(12000, 27500, c.flag);
    TransponderForm form = LoadTransponderForm(b.record());
    form.polarity = c.polarity;
    form.fec = c.fec;
    ApplyTransponderForm(form, b.record());
    EXPECT_EQ(int(b.record().mTpFlag()), int(c.expected)) << "flag " << int(c.flag);
  }
}

TEST(TransponderForm, OkWritesFrequencyAndSymbolRateAndNothingElse) {
  RecordBuffer b = Transponder(11000, 22000, 0x00);
  const auto before = b.bytes;
  TransponderForm form = LoadTransponderForm(b.record());
  form.frequency = " 12345abc";
  form.symbol_rate = "\t 30000 ";
  ASSERT_FALSE(ValidateTransponderForm(form));
  ApplyTransponderForm(form, b.record());
  EXPECT_EQ(b.record().mFrequency(), 12345);
  EXPECT_EQ(b.record().mSymbolRate(), 30000);
  for (std::size_t i = 0; i < before.size(); ++i)
    if (i < 0x08 || i > 0x0B) {
      EXPECT_EQ(b.bytes[i], before[i]) << "byte " << i;
    }
}

struct TextCase {
  const char* frequency;
  const char* symbol_rate;
  const char* message;  // nullptr: accepted
};

// The symbol rate is checked first, then the frequency.
TEST(TransponderForm, OkChecksTheSymbolRateThenTheFrequency) {
  const std::string long_blanks(31, ' ');
  const TextCase cases[] = {
      {"11000", "0", nullptr},
      {"11000", " 00 ", nullptr},
      {"11000", "+0", "Please enter an integer."},
      {"11000", "-0", "Please enter an integer."},
      {"11000", " -00", "Please enter an integer."},
      {"11000", "", "Please enter an integer."},
      {"11000", "   ", "Please enter an integer."},
      {"11000", "27500x", "Please enter an integer."},
      {"11000", "1 2", "Please enter an integer."},
      {"11000", "+27500", nullptr},
      {"11000", "65535", nullptr},
      {"11000", "65536", "Please enter an integer between 0 and 65535."},
      {"11000", "70000", "Please enter an integer between 0 and 65535."},
      {"11000", "-1", "Please enter an integer between 0 and 65535."},
      {"11000", "99999999999999999999999", "Please enter an integer between 0 and 65535."},
      {"abc", "x", "Please enter an integer."},  // the symbol rate first
      {"abc", "70000", "Please enter an integer between 0 and 65535."},
      {"0", "27500", "Frequency Error"},
      {"abc", "27500", "Frequency Error"},
      {"-11000", "27500", "Frequency Error"},
      {"65535", "27500", nullptr},
      {"65536", "27500", "Frequency Error"},
      {"70000", "27500", "Frequency Error"},
      {"4294967297", "27500", "Frequency Error"},  // 1 in 32 bits
      {"18446744073709551617", "27500", "Frequency Error"},
      {"\n\v\f\r 1", "27500", nullptr},
      {"11778abc", "27500", nullptr},
  };
  for (const TextCase& c : cases) {
    TransponderForm form;
    form.frequency = c.frequency;
    form.symbol_rate = c.symbol_rate;
    const auto error = ValidateTransponderForm(form);
    const std::string label = std::string(c.frequency) + " / " + c.symbol_rate;
    if (!c.message) {
      EXPECT_FALSE(error) << label << ": " << error->message;
      continue;
    }
    ASSERT_TRUE(error) << label;
    EXPECT_EQ(error->message, c.message) << label;
    const bool frequency = std::string(c.message) == "Frequency Error";
    EXPECT_EQ(error->control, frequency ? TransponderControl::Frequency : TransponderControl::SymbolRate)
        << label;
    EXPECT_EQ(error->icon, frequency ? MessageIcon::Error : MessageIcon::Exclamation) << label;
  }
}

TEST(TransponderForm, SymbolRateReadsItsFirst31Characters) {
  TransponderForm form;
  form.frequency = "11000";
  // The digits after the 31st character are not read: blanks alone are no integer.
  form.symbol_rate = std::string(31, ' ') + "5";
  ASSERT_TRUE(ValidateTransponderForm(form));
  EXPECT_EQ(ValidateTransponderForm(form)->message, "Please enter an integer.");
  form.symbol_rate = std::string(30, ' ') + "5";
  EXPECT_FALSE(ValidateTransponderForm(form));
  // Whatever follows the 31st character is not read either.
  form.symbol_rate = "27500" + std::string(26, ' ') + "x";
  EXPECT_FALSE(ValidateTransponderForm(form));
  form.symbol_rate = "27500" + std::string(25, ' ') + "x";
  EXPECT_TRUE(ValidateTransponderForm(form));
  RecordBuffer b = Transponder(11000, 22000, 0);
  form.symbol_rate = "27500" + std::string(26, ' ') + "x";
  ApplyTransponderForm(form, b.record());
  EXPECT_EQ(b.record().mSymbolRate(), 27500);
}

TEST(TransponderForm, NothingIsStoredAsItsLowSixteenBits) {
  RecordBuffer b = Transponder(11000, 22000, 0);
  TransponderForm form = LoadTransponderForm(b.record());
  form.frequency = "70000";    // 4464 in 16 bits
  form.symbol_rate = "70000";
  ApplyTransponderForm(form, b.record());
  EXPECT_EQ(b.record().mFrequency(), 11000);
  EXPECT_EQ(b.record().mSymbolRate(), 22000);
}

TEST(TransponderForm, EntriesInTheirOrder) {
  EXPECT_STREQ(kPolarityEntries[0], "Horizontal");
  EXPECT_STREQ(kPolarityEntries[1], "Vertical");
  const char* fec[] = {"Auto", "1/2", "2/3", "3/4", "5/6", "6/7", "7/8"};
  for (std::size_t i = 0; i < kFecEntries.size(); ++i) EXPECT_STREQ(kFecEntries[i], fec[i]);
}

}  // namespace
}  // namespace kavor
