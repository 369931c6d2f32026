#include "editing/number_text.h"

#include <limits>

namespace kavor {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<long long> ParseInteger(std::string_view text, bool allow_minus) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    if (negative && !allow_minus) return std::nullopt;
    ++i;
  }
  const std::size_t digits_start = i;
  // Accumulate as unsigned and saturate: the limit of the magnitude is one
  // more for a negative number.
  constexpr unsigned long long kMax = std::numeric_limits<long long>::max();
  const unsigned long long limit = negative ? kMax + 1 : kMax;
  unsigned long long magnitude = 0;
  while (i < n && text[i] >= '0' && text[i] <= '9') {
    const unsigned digit = unsigned(text[i] - '0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    ++i;
  }
  if (i == digits_start) return std::nullopt;
  while (i < n && IsBlank(text[i])) ++i;
  if (i != n) return std::nullopt;
  if (!negative) return static_cast<long long>(magnitude);
  return magnitude == kMax + 1 ? std::numeric_limits<long long>::min()
                               : -static_cast<long long>(magnitude);
}

long long ReadLeadingInteger(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  const auto is_space = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  };
  while (i < n && is_space(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr unsigned long long kMax = std::numeric_limits<long long>::max();
  const unsigned long long limit = negative ? kMax + 1 : kMax;
  unsigned long long magnitude = 0;
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
    const unsigned digit = unsigned(text[i] - '0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  if (!negative) return static_cast<long long>(magnitude);
  return magnitude == kMax + 1 ? std::numeric_limits<long long>::min()
                               : -static_cast<long long>(magnitude);
}

std::optional<std::uint64_t> ParseHexadecimal(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  if (i + 2 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      HexDigit(text[i + 2]) >= 0)
    i += 2;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  bool any = false;
  for (int d; i < n && (d = HexDigit(text[i])) >= 0; ++i) {
    value = value > (kMax - std::uint64_t(d)) / 16 ? kMax : value * 16 + std::uint64_t(d);
    any = true;
  }
  if (!any) return std::nullopt;
  return value;
}

std::string FormatHexadecimal(std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return text;
}

}  // namespace kavor
