// A SatcoDx record as the tests write it: every field is the text put into
// its columns, so a test can also write what no real file holds.
#pragma once

#include <string>

namespace kavor::testing {

struct Sdx {
  std::string tag = "SATCODX103";
  std::string type = "TMPG2";
  std::string frequency = "011494";
  std::string polarity = "0001";
  std::string name1 = "Channel1";
  std::string position = "0192";
  std::string symbol_rate = "27500";
  std::string video = "0160";
  std::string audio = "0080";
  std::string pcr = "0160";
  std::string service_id = "00028";
  std::string network_id = "00001";
  std::string ts_id = "01057";
  char free = ' ';
  std::string name2 = "           ";

  // 127 columns; the caller adds the line end.
  std::string Body() const {
    std::string s(127, ' ');
    const auto put = [&s](std::size_t column, const std::string& text) { s.replace(column, text.size(), text); };
    put(0, tag);
    put(28, type);
    put(33, frequency);
    put(39, polarity);
    put(43, name1);
    put(51, position);
    put(69, symbol_rate);
    put(75, video);
    put(79, audio);
    put(83, pcr);
    put(87, service_id);
    put(92, network_id);
    put(97, ts_id);
    s[111] = free;
    put(115, name2);
    s.resize(127);
    return s;
  }
  std::string Line() const { return Body() + "\n"; }
};

}  // namespace kavor::testing
