// The import-sdx line: the satellite popup's "Import SatcoDx" with the path
// chosen in its dialog, the count box read out, "File open error" failing
// the line. The fixture checks the tables after every line.
#include <gtest/gtest.h>

#include "editing/script_fixture.h"
#include "support/satcodx_record.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using testing::ScriptedEditor;
using testing::Sdx;
using testing::TempDir;
using Strings = std::vector<std::string>;

class SatcoDxScript : public ScriptedEditor {
 protected:
  void SetUp() override {
    ScriptedEditor::SetUp();
    engine_ = std::make_unique<EditScript>(view_, [this](const std::string& m) { informed.push_back(m); });
  }
  std::string Write(const std::string& name, const std::string& text) {
    testing::WriteFile(dir / name, text);
    return (dir / name).string();
  }

  TempDir dir;
  Strings informed;
};

TEST_F(SatcoDxScript, ImportsIntoTheChosenSatelliteAndPrintsTheCounts) {
  Sdx a, b;
  a.frequency = "011500";
  b.frequency = "010800";  // Astra's second transponder
  b.type = "RMPG2";
  const std::string path = Write("a.sdx", a.Line() + b.Line());
  RunOk("satellite 1\nimport-sdx " + path + "\n");
  EXPECT_EQ(informed, Strings({"1-Transponder, 2-Channel imported."}));
  EXPECT_EQ(Transponders(), Strings({"1/1:10700", "1/2:10800", "1/3:10900", "1/4:11500", "2/1:11000", "2/2:11100",
                                     "3/1:0", "3/2:12000", "4/1:0", "7/1:12500"}));
  // The channel list is refilled with nothing selected; the last added
  // transponder is current.
  EXPECT_EQ(view_.SelectedChannelCount(), 0);
  EXPECT_EQ(view_.current_transponder(), 3);

  informed.clear();
  RunOk("import-sdx " + path + "\n");
  EXPECT_EQ(informed, Strings({"0-Transponder, 0-Channel imported."}));
}

TEST_F(SatcoDxScript, ANewTransponderBehindAnUnlistedRecordKeepsItsChannelsApart) {
  // Thor: an unlisted record numbered 1, then 12000 V as 2 (row 1). N + 1
  // would be 2 and put the import's service on 12000.
  Sdx a;
  a.position = "3592";
  a.frequency = "012600";
  const auto homes = ChannelHomes();
  RunOk("satellite 3\nimport-sdx " + Write("t.sdx", a.Line()) + "\n");
  EXPECT_EQ(Transponders(), Strings({"1/1:10700", "1/2:10800", "1/3:10900", "2/1:11000", "2/2:11100", "3/1:0",
                                     "3/2:12000", "3/3:12600", "4/1:0", "7/1:12500"}));
  auto now = ChannelHomes();
  EXPECT_EQ(now["Channel1           "], "Thor / 12600");
  now.erase("Channel1           ");
  EXPECT_EQ(now, homes);
}

TEST_F(SatcoDxScript, AnUnreadablePathFailsTheLine) {
  for (const std::string& path : {(dir / "missing.sdx").string(), dir.path().string()}) {
    const ScriptResult r = Run("satellite 1\nimport-sdx \"" + path + "\"\n");
    EXPECT_EQ(r.status, ScriptStatus::Failed) << path;
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(r.message, "File open error");
  }
  EXPECT_TRUE(informed.empty());
}

TEST_F(SatcoDxScript, TheLineTakesExactlyOnePath) {
  for (const char* line : {"import-sdx\n", "import-sdx a b\n"}) {
    const ScriptResult r = Run(line);
    EXPECT_EQ(r.status, ScriptStatus::Usage) << line;
    EXPECT_EQ(r.message, "import-sdx takes one path");
  }
}

}  // namespace
}  // namespace kavor
