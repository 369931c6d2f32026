// Arbitrary INI text: reading and rewriting keys must never crash, and a key
// just written must read back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kavor::IniText ini(std::string(reinterpret_cast<const char*>(data), size));
  std::string value;
  ini.Get("Kavor", "PathName", value);
  ini.Set("Kavor", "ComPort", "2");
  if (!ini.Get("kavor", "comport", value) || value != "2") std::abort();
  ini.Set("Kavor", "PathName", "/tmp/x.bin");
  if (!ini.Get("Kavor", "PathName", value) || value != "/tmp/x.bin") std::abort();
  return 0;
}
