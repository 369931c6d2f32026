// Number texts as the dialogs read them, independent of the locale: the
// integer boxes (blanks, a sign, digits, blanks, nothing else) and the
// hexadecimal boxes (blanks, an optional 0x, digits up to the first other
// character). Values saturate instead of wrapping, so a long digit string
// is still an integer that a range check then refuses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavor {

// Space and tab; the dialogs' blanks.
bool IsBlank(char c);

// The integer a box holds: optional blanks, an optional sign, at least one
// decimal digit, optional blanks. `allow_minus` false refuses a minus sign
// (the positive-integer boxes); "+" is always accepted. Nothing when the text
// is not such an integer; values beyond long long saturate.
std::optional<long long> ParseInteger(std::string_view text, bool allow_minus = true);

// The number at the start of the text as C's atoi reads it: leading white
// space (any that isspace names in the C locale), an optional sign, digits up
// to the first other character; 0 when no digit follows. A digit string of
// any length saturates instead of wrapping, so a range check refuses it.
long long ReadLeadingInteger(std::string_view text);

// The hexadecimal number at the start of the text: leading blanks skipped,
// "0x"/"0X" a prefix only when a hex digit follows, reading up to the first
// character that is not a hex digit. Nothing when no digit was read (an
// empty box, a sign). Values beyond the type saturate.
std::optional<std::uint64_t> ParseHexadecimal(std::string_view text);

// Lower-case hexadecimal without prefix or leading zeros ("0" for zero).
std::string FormatHexadecimal(std::uint32_t value);

}  // namespace kavor
