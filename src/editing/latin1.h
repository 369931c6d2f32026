// Case mapping over Latin-1 bytes, the same on every machine: the system's
// locale would make Find's results depend on where it runs.
#pragma once

#include <string>
#include <string_view>

namespace kavor {

// a-z to A-Z, and the accented small letters 0xE0-0xFE (except the division
// sign 0xF7) to 0xC0-0xDE; every other byte unchanged.
unsigned char Latin1Upper(unsigned char byte);
std::string Latin1ToUpper(std::string_view bytes);

}  // namespace kavor
