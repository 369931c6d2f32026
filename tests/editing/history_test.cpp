// Undo and redo through kavor-cli edit's engine: every kind of operation
// taken back and done again byte for byte with its view, what is a step and
// what is not, the redo steps a new change drops, and the limit.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "database/data_file.h"
#include "database/document.h"
#include "editing/script_fixture.h"
#include "support/satcodx_record.h"
#include "support/temp_dir.h"

namespace kavor {
namespace {

using testing::ScriptedEditor;

struct Shown {
  std::vector<std::uint8_t> bytes;
  std::string state;
  bool operator==(const Shown&) const = default;
};

class History : public ScriptedEditor {
 protected:
  Shown Now() const { return {Bytes(), engine_->StateJson()}; }
  EditHistory& history() { return engine_->history(); }
};

struct OperationCase {
  const char* before;  // clicks that set the operation up
  const char* line;
  const char* name;    // the undo step's name
};

// One per operation the popups reach, each from a view where it changes the image.
const OperationCase kOperations[] = {
    {"channel 2\n", "channel-edit name=Renamed video=222", "Edit"},
    {"channel 2\n", "channel-new name=Fresh", "New"},
    {"channel 2\n", "channel-insert name=Between", "Insert"},
    {"channel 2 4 5\n", "channel-delete", "Delete"},
    {"channel 1 2\n", "channel-move 6", "Move to"},
    {"channel 1 3\n", "scramble", "Scramble"},
    {"channel 1 3\nscramble\nchannel 3\n", "unscramble", "Unscramble"},
    {"channel 4\n", "lock", "Lock"},
    {"channel 4\nlock\nchannel 2 4\n", "unlock", "Unlock"},
    {"channel 2\n", "to-radio", "Radio"},
    {"radio\nchannel 1\n", "to-tv", "TV"},
    {"transponder 2\n", "transponder-edit frequency=10850 symbolrate=22000", "Edit"},
    {"transponder 1\n", "transponder-new frequency=11200 symbolrate=27500", "New"},
    {"transponder 2\n", "transponder-insert frequency=10750 symbolrate=27500", "Insert"},
    // Its channels go with it.
    {"transponder 2\n", "transponder-delete", "Delete"},
    {"transponder 1\n", "transponder-move 3", "Move to"},
    {"satellite 2\n", "satellite-edit name=Hotbird degree=13.5", "Edit"},
    // Renumbers the satellites and every reference to them.
    {"satellite 3\n", "satellite-move 1", "Move to"},
};

TEST_F(History, EachOperationIsUndoneAndRedoneWithItsView) {
  for (const OperationCase& c : kOperations) {
    SCOPED_TRACE(c.line);
    Open(testing::BuildShapes);
    RunOk(c.before);
    const std::size_t steps_before = history().undo_count();
    const Shown before = Now();
    RunOk(std::string(c.line) + "\n");
    const Shown done = Now();
    ASSERT_NE(done.bytes, before.bytes) << "the case must change the image";
    ASSERT_EQ(history().undo_count(), steps_before + 1);
    EXPECT_EQ(history().UndoName(), c.name);

    // Clicks after the step do not keep undo from bringing back the view
    // as it was before the step.
    RunOk("satellite 7\nradio\nall off\nundo\n");
    EXPECT_EQ(Now(), before);
    EXPECT_EQ(history().RedoName(), c.name);
    RunOk("redo\n");
    EXPECT_EQ(Now(), done);
    RunOk("undo\nredo\nundo\n");
    EXPECT_EQ(Now(), before);
  }
}

TEST_F(History, AnImportIsOneStep) {
  testing::TempDir dir;
  testing::Sdx a, b;
  a.frequency = "011500";
  b.frequency = "010800";
  b.type = "RMPG2";
  testing::WriteFile(dir / "a.sdx", a.Line() + b.Line());
  RunOk("satellite 1\n");
  const Shown before = Now();
  RunOk("import-sdx " + (dir / "a.sdx").string() + "\n");
  const Shown done = Now();
  ASSERT_NE(done.bytes, before.bytes);
  EXPECT_EQ(history().UndoName(), "Import SatcoDx");
  EXPECT_EQ(history().undo_count(), 1u);
  RunOk("undo\n");
  EXPECT_EQ(Now(), before);
  RunOk("redo\n");
  EXPECT_EQ(Now(), done);
}

TEST_F(History, ClicksAndCommandsThatChangeNothingAreNoSteps) {
  // A move onto its own place, an edit that keeps every byte, a find, and
  // a command the user cancels (a delete answered Cancel has no line).
  RunOk("satellite 2\ntransponder 1\nradio\ntv\nall off\nall on\nchannel 3\nchannel-move 3\nchannel-edit\n"
        "transponder-edit\nsatellite-edit\nfind A2\nchannel 1\nto-radio\nundo\n"
        "satellite 1\nsatellite-move 1\n");
  EXPECT_EQ(history().undo_count(), 0u);
  EXPECT_EQ(history().redo_count(), 1u);
  const ScriptResult r = Run("undo\n");
  EXPECT_EQ(r.status, ScriptStatus::Failed);
  EXPECT_EQ(r.line, 1);
  EXPECT_EQ(r.message, "nothing to undo");
}

TEST_F(History, NothingToUndoOrRedoFailsTheLineAndChangesNothing) {
  const Shown start = Now();
  ScriptResult r = Run("undo\n");
  EXPECT_EQ(r.status, ScriptStatus::Failed);
  EXPECT_EQ(r.message, "nothing to undo");
  r = Run("channel 1\nlock\nredo\n");
  EXPECT_EQ(r.status, ScriptStatus::Failed);
  EXPECT_EQ(r.line, 3);
  EXPECT_EQ(r.message, "nothing to redo");
  RunOk("undo\n");
  EXPECT_EQ(Now().bytes, start.bytes);
}

TEST_F(History, StepsComeBackInOrderAndANewChangeDropsTheRedoSteps) {
  std::vector<Shown> states{Now()};
  for (const char* line : {"channel 1\nlock\n", "channel 2\nscramble\n", "transponder 3\ntransponder-delete\n"}) {
    RunOk(line);
    states.push_back(Now());
  }
  RunOk("undo\nundo\nundo\n");
  EXPECT_EQ(Now(), states[0]);
  RunOk("redo\nredo\n");
  EXPECT_EQ(Now(), states[2]);
  EXPECT_EQ(history().redo_count(), 1u);

  RunOk("channel 3\nchannel-edit name=Other\n");
  EXPECT_EQ(history().redo_count(), 0u);
  const ScriptResult r = Run("redo\n");
  EXPECT_EQ(r.message, "nothing to redo");
  RunOk("undo\n");
  EXPECT_EQ(Now().bytes, states[2].bytes);
  RunOk("undo\nundo\n");
  EXPECT_EQ(Now(), states[0]);
}

TEST_F(History, TheCurrentChannelRowIsNullAgainBeforeTheFirstChannelWasCurrent) {
  // Only a radio channel: in the TV list nothing is current at open, so
  // "channel_row" is null until a click makes a channel current.
  Open([](Image& image) {
    ImageBuilder b(image, kKind3);
    b.NameSatellite(0, "One", 192);
    b.AddTransponder(1, 11000, 27500, false);
    ChannelSpec c;
    c.name = "Only";
    c.type = kServiceTypeRadio;
    b.AddChannel(1, 1, c);
    b.Finish();
  });
  const Shown before = Now();
  ASSERT_NE(before.state.find("\"channel_row\": null"), std::string::npos) << before.state;
  RunOk("satellite-edit name=Renamed\nradio\nchannel 1\nundo\n");
  EXPECT_EQ(Now(), before);
}

TEST_F(History, KeepsTheLastHundredSteps) {
  std::vector<Shown> states{Now()};
  for (int i = 0; i < int(EditHistory::kStepLimit) + 5; ++i) {
    RunOk(i % 2 ? "channel 1\nunlock\n" : "channel 1\nlock\n");
    states.push_back(Now());
  }
  EXPECT_EQ(history().undo_count(), EditHistory::kStepLimit);
  for (std::size_t i = 0; i < EditHistory::kStepLimit; ++i) RunOk("undo\n");
  // Back at the state after the fifth step: the first five were dropped,
  // and with them the state the image was opened in.
  EXPECT_EQ(Now(), states[5]);
  EXPECT_NE(states[5].bytes, states[0].bytes);
  EXPECT_TRUE(history().modified());
  EXPECT_EQ(Run("undo\n").message, "nothing to undo");
}

// The modified state through the document, as the window and kavor-cli see it.
class DocumentHistory : public ::testing::Test {
 protected:
  void SetUp() override {
    Image image;
    testing::BuildShapes(image);
    ASSERT_TRUE(WriteDataFile(dir / "a.bin", image));
    ASSERT_FALSE(doc.Open(dir / "a.bin"));
    engine = std::make_unique<EditScript>(doc.view(), nullptr, &doc.history());
  }
  void RunOk(const std::string& script) {
    std::istringstream in(script);
    const ScriptResult r = engine->Run(in);
    ASSERT_EQ(r.status, ScriptStatus::Ok) << "line " << r.line << ": " << r.message;
  }
  testing::TempDir dir;
  Document doc;
  std::unique_ptr<EditScript> engine;
};

TEST_F(DocumentHistory, ModifiedFollowsChangesSavesAndTheSavePoint) {
  EXPECT_FALSE(doc.modified());
  RunOk("channel 1\nlock\n");
  EXPECT_TRUE(doc.modified());
  ASSERT_FALSE(doc.Save());
  EXPECT_FALSE(doc.modified());
  RunOk("undo\n");  // back past the save point
  EXPECT_TRUE(doc.modified());
  RunOk("redo\n");  // at it again
  EXPECT_FALSE(doc.modified());
  RunOk("undo\nchannel 2\nscramble\n");  // the saved state can no longer be reached by redo
  EXPECT_TRUE(doc.modified());
  RunOk("undo\n");
  EXPECT_FALSE(doc.history().CanUndo());
  EXPECT_TRUE(doc.modified()) << "nothing left to undo, yet not the saved bytes";
  ASSERT_FALSE(doc.SaveAs(dir / "b.bin"));
  EXPECT_FALSE(doc.modified());
  // A failed save marks nothing.
  RunOk("channel 1\nlock\n");
  EXPECT_TRUE(doc.SaveAs(dir / "missing" / "c.bin"));
  EXPECT_TRUE(doc.modified());
}

TEST_F(DocumentHistory, ALoadStartsAFreshHistoryAndCtrlNKeepsIt) {
  RunOk("channel 1\nlock\n");
  doc.Initialise(dir.path(), dir / "config");
  EXPECT_TRUE(doc.modified());
  EXPECT_TRUE(doc.history().CanUndo());

  ASSERT_FALSE(doc.Open(dir / "a.bin"));
  EXPECT_FALSE(doc.modified());
  EXPECT_FALSE(doc.history().CanUndo());
  RunOk("channel 1\nlock\nundo\n");
  EXPECT_TRUE(doc.history().CanRedo());

  const std::vector<std::uint8_t> received(doc.image().bytes(), doc.image().bytes() + doc.image().length());
  doc.InstallReceivedImage(received.data(), doc.image().kind());
  EXPECT_FALSE(doc.modified());
  EXPECT_FALSE(doc.history().CanUndo());
  EXPECT_FALSE(doc.history().CanRedo());
}

TEST_F(DocumentHistory, TheQuestionNamesTheFileWithoutItsFolder) {
  EXPECT_EQ(doc.SaveChangesQuestion(), "Save changes to a.bin?");
  Document fresh;
  EXPECT_EQ(fresh.SaveChangesQuestion(), "Save changes?");
}

}  // namespace
}  // namespace kavor
