#include "editing/latin1.h"

namespace kavor {

unsigned char Latin1Upper(unsigned char byte) {
  if (byte >= 'a' && byte <= 'z') return static_cast<unsigned char>(byte - 0x20);
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<unsigned char>(byte - 0x20);
  return byte;
}

std::string Latin1ToUpper(std::string_view bytes) {
  std::string upper(bytes);
  for (char& c : upper) c = static_cast<char>(Latin1Upper(static_cast<unsigned char>(c)));
  return upper;
}

}  // namespace kavor
