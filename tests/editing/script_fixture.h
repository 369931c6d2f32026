// An opened image with satellites of every shape the transponder and
// satellite operations meet, driven line by line through kavor-cli edit's
// engine. After every line the tables must pass `kavor-cli check`, and a
// line that fails must leave the image byte for byte as it was.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "database/image_builder.h"
#include "database/table_check.h"
#include "database/view_state.h"
#include "editing/edit_script.h"

namespace kavor::testing {

// Satellite slots and what they hold (TV channels unless noted):
//   1 "Astra" (19.2 E): 10700 H, 10800 V, 10900 H; A1 on 1, A2 A2b and radio R on 2, A3 A3b on 3
//   2 "Hot" (13.0 E):   11000 H, 11100 V;           B1 on 1, B2 on 2
//   3 "Thor" (0.8 W):   an unlisted record (0/0) numbered 1, then 12000 V as 2; C2 on 2
//   4 "Empty":          only an unlisted record; D1 on it
//   5, 6:               nothing
//   7 "Seven":          12500 H; E1 on it
//   8 .. 50:            nothing
inline void BuildShapes(Image& image) {
  ImageBuilder b(image, kKind3);
  b.NameSatellite(0, "Astra", 192);
  b.NameSatellite(1, "Hot", 130);
  b.NameSatellite(2, "Thor", 3592);
  b.NameSatellite(3, "Empty", 0);
  b.NameSatellite(6, "Seven", 50);
  b.AddTransponder(1, 10700, 22000, false, 1, 11);
  b.AddTransponder(1, 10800, 27500, true, 1, 12);
  b.AddTransponder(1, 10900, 27500, false, 1, 13);
  b.AddTransponder(2, 11000, 27500, false);
  b.AddTransponder(2, 11100, 27500, true);
  b.AddTransponder(3, 0, 0, false);
  b.AddTransponder(3, 12000, 28000, true);
  b.AddTransponder(4, 0, 0, false);
  b.AddTransponder(7, 12500, 30000, false);
  ChannelSpec c;
  c.video_pid = 100;
  for (auto [sat, tp, name] : {std::tuple{1, 1, "A1"}, {1, 2, "A2"}, {1, 3, "A3"}, {2, 1, "B1"}, {1, 2, "A2b"},
                               {3, 2, "C2"}, {1, 3, "A3b"}, {2, 2, "B2"}, {4, 1, "D1"}, {7, 1, "E1"}}) {
    c.name = name;
    b.AddChannel(sat, tp, c);
  }
  c.type = kServiceTypeRadio;
  c.name = "R";
  b.AddChannel(1, 2, c);
  b.Finish();
}

class ScriptedEditor : public ::testing::Test {
 protected:
  // Opens `build`'s image as File > Open does.
  template <typename Build>
  void Open(Build build) {
    build(image_);
    view_.RebuildIndex();
    view_.set_image_loaded();
    engine_ = std::make_unique<EditScript>(view_);
  }
  void SetUp() override { Open(BuildShapes); }

  // Runs the lines up to the first that fails, checking the tables after
  // each and that a failing line changed nothing.
  ScriptResult Run(const std::string& script) {
    std::istringstream in(script);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      const std::vector<std::uint8_t> before = Bytes();
      const ScriptResult r = engine_->RunLine(++number, line);
      if (r.status != ScriptStatus::Ok) {
        EXPECT_EQ(Bytes(), before) << "line " << number << " failed but changed the image: " << line;
        return r;
      }
      const std::vector<std::string> errors = CheckTables(image_);
      EXPECT_TRUE(errors.empty()) << "after line " << number << " \"" << line << "\": " << errors.front();
    }
    return {};
  }
  void RunOk(const std::string& script) {
    const ScriptResult r = Run(script);
    ASSERT_EQ(r.status, ScriptStatus::Ok) << "line " << r.line << ": " << r.message;
  }

  std::vector<std::uint8_t> Bytes() const {
    return std::vector<std::uint8_t>(image_.bytes(), image_.bytes() + image_.length());
  }

  // Each channel's name with the satellite name and frequency of the
  // transponder it refers to: what must not change when records move.
  std::map<std::string, std::string> ChannelHomes() const {
    std::map<std::string, std::string> homes;
    for (int n = 0; n < image_.ServiceCountInUse(); ++n) {
      const ChannelRecord c = image_.Channel(n);
      std::string home = "no satellite";
      for (int s = 0; s < kSatelliteSlots; ++s)
        if (image_.Satellite(s).mSatId() == c.mSatId()) home = image_.Satellite(s).mSatName();
      home += " / no transponder";
      for (int t = 0; t < image_.TpCountInUse(); ++t) {
        const TransponderRecord tp = image_.Transponder(t);
        if (tp.mSatId() == c.mSatId() && tp.mTpNumber() == c.mTpNumber()) {
          home = home.substr(0, home.find(" / ")) + " / " + std::to_string(tp.mFrequency());
          break;
        }
      }
      homes[c.mServiceName()] = home;
    }
    return homes;
  }

  // The transponder table in use as "sat/number:frequency" per slot.
  std::vector<std::string> Transponders() const {
    std::vector<std::string> rows;
    for (int t = 0; t < image_.TpCountInUse(); ++t) {
      const TransponderRecord tp = image_.Transponder(t);
      rows.push_back(std::to_string(tp.mSatId()) + "/" + std::to_string(tp.mTpNumber()) + ":" +
                     std::to_string(tp.mFrequency()));
    }
    return rows;
  }

  // The table slot of the selected transponder row, or -1.
  int SelectedTransponderSlot() const {
    const int row = view_.transponder_row();
    return row == ViewState::kNone ? -1 : view_.transponder_rows()[std::size_t(row)];
  }

  Image image_;
  ViewState view_{image_};
  std::unique_ptr<EditScript> engine_;
};

}  // namespace kavor::testing
