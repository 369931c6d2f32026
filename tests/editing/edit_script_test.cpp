// The edit script engine in-process: the line reader, each click rule, popup
// availability, the scripted dialogs and the --state object.
#include "editing/edit_script.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <sstream>

#include "database/image_builder.h"
#include "editing/number_text.h"
#include "editing/satellite_form.h"
#include "editing/script_lexer.h"
#include "editing/script_ui.h"
#include "editing/transponder_form.h"

namespace kavor {
namespace {

// ---- the line reader

struct LexCase {
  const char* line;
  std::vector<std::string> words;
  bool skip = false;
  const char* error = "";
};

class LexTable : public ::testing::TestWithParam<LexCase> {};

TEST_P(LexTable, SplitsAsDocumented) {
  const LexCase& c = GetParam();
  const LexedLine lexed = LexScriptLine(c.line);
  EXPECT_EQ(lexed.skip, c.skip);
  EXPECT_EQ(lexed.error, c.error);
  std::vector<std::string> words;
  for (const ScriptWord& w : lexed.words) words.push_back(w.text);
  EXPECT_EQ(words, c.words);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LexTable,
    ::testing::Values(LexCase{"", {}, true}, LexCase{" \t ", {}, true}, LexCase{"  # a comment", {}, true},
                      LexCase{"#", {}, true}, LexCase{"\r", {}, true}, LexCase{"tv\r", {"tv"}},
                      LexCase{"  channel   1\t2 ", {"channel", "1", "2"}},
                      LexCase{"channel-edit name=\"Das Erste\"", {"channel-edit", "name=Das Erste"}},
                      LexCase{"a\"b c\"d", {"ab cd"}},
                      LexCase{R"(find "say \"hi\" \\ x")", {"find", R"(say "hi" \ x)"}},
                      // Only \" and \\ are escapes inside quotes; elsewhere a backslash is itself.
                      LexCase{R"(find "a\nb")", {"find", R"(a\nb)"}}, LexCase{R"(x\y)", {R"(x\y)"}},
                      LexCase{"find \"\"", {"find", ""}}, LexCase{"tv # not a comment", {"tv", "#", "not", "a", "comment"}},
                      LexCase{"find \"open", {}, false, "unclosed quote"},
                      LexCase{R"(find "a\")", {}, false, "unclosed quote"}));

TEST(ScriptLexer, AFieldNeedsItsEqualsSignOutsideQuotes) {
  const auto words = LexScriptLine(R"(channel-edit name="a=b" "name=x" na"me=y" =z)").words;
  ASSERT_EQ(words.size(), 5u);
  EXPECT_EQ(words[1].field_equals, 4u);
  EXPECT_EQ(words[1].text, "name=a=b");
  EXPECT_EQ(words[2].field_equals, std::string::npos);
  EXPECT_EQ(words[3].field_equals, std::string::npos);
  EXPECT_EQ(words[4].field_equals, 0u);
}

TEST(ScriptLexer, Utf8CheckAndLatin1) {
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("\xC3\x86r\xC3\xB8 \xE2\x82\xAC \xF0\x9F\x98\x80"));
  for (const char* bad : {"\xC3", "\xC3x", "\xFF", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                          "\x80", "ab\xE2\x82"})
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  EXPECT_EQ(Utf8ToLatin1("\xC3\x86r\xC3\xB8\xC2\xA0"), std::optional<std::string>("\xC6r\xF8\xA0"));
  EXPECT_EQ(Utf8ToLatin1("\xC3\xBF"), std::optional<std::string>("\xFF"));
  EXPECT_EQ(Utf8ToLatin1("\xC4\x80"), std::nullopt);  // U+0100
  EXPECT_EQ(Utf8ToLatin1("\xE2\x82\xAC"), std::nullopt);
}

TEST(ScriptLexer, RowsAreDecimalDigits) {
  EXPECT_EQ(ParseDigits("007"), 7);
  EXPECT_EQ(ParseDigits("0"), 0);
  EXPECT_EQ(ParseDigits("99999999999999999999"), INT_MAX);
  for (const char* bad : {"", "1a", "-1", "+1", " 1", "1 ", "0x1"}) EXPECT_EQ(ParseDigits(bad), std::nullopt) << bad;
}

// ---- the engine on a small image

// Satellite 1: transponders 1 and 2; satellite 2: one transponder;
// satellite 3: none. TV rows: Alpha, Beta (1/1), Gamma (1/2), Delta (2/1),
// Epsilon (1/1); one radio channel.
void BuildFixture(Image& image) {
  ImageBuilder b(image, kKind3);
  b.NameSatellite(0, "One", 192);
  b.NameSatellite(1, "Two", 130);
  b.AddTransponder(1, 11000, 27500, false);
  b.AddTransponder(1, 11100, 27500, true);
  b.AddTransponder(2, 12000, 22000, false);
  ChannelSpec c;
  for (auto [sat, tp, name] : {std::tuple{1, 1, "Alpha"}, {1, 1, "Beta"}, {1, 2, "Gamma"}, {2, 1, "Delta"},
                               {1, 1, "Epsilon"}}) {
    c.name = name;
    c.video_pid = 100;
    b.AddChannel(sat, tp, c);
  }
  c.type = kServiceTypeRadio;
  c.name = "Radio";
  b.AddChannel(1, 2, c);
  b.Finish();
}

// The view as File > Open leaves it.
struct Opened {
  Image image;
  ViewState view{image};
  Opened() {
    BuildFixture(image);
    view.RebuildIndex();
    view.set_image_loaded();
  }
};

class EditScriptTest : public ::testing::Test {
 protected:
  ScriptResult Run(const std::string& script) {
    std::istringstream in(script);
    return engine_.Run(in);
  }
  std::vector<int> Selected() const { return opened_.view.SelectedChannelRows(); }

  Opened opened_;
  ViewState& view_ = opened_.view;
  std::vector<std::string> informed_;
  EditScript engine_{view_, [this](const std::string& m) { informed_.push_back(m); }};
};

TEST_F(EditScriptTest, StateAfterOpenIsTheDocumentedObject) {
  EXPECT_EQ(engine_.StateJson(),
            "{\"tv\": true, \"all\": true, \"satellite_row\": 1, \"transponder_row\": 1, \"channel_row\": 1, "
            "\"channel_focus_row\": 1, \"channel_rows_selected\": [1], \"channel_rows\": 5, \"transponder_rows\": 2}");
  ASSERT_EQ(Run("channel 2 5 3\nradio\n").status, ScriptStatus::Ok);
  // The radio list's refill leaves no focus; its first channel of the
  // transponder is selected and current.
  EXPECT_EQ(engine_.StateJson(),
            "{\"tv\": false, \"all\": true, \"satellite_row\": 1, \"transponder_row\": 2, \"channel_row\": 1, "
            "\"channel_focus_row\": 1, \"channel_rows_selected\": [1], \"channel_rows\": 1, \"transponder_rows\": 2}");
}

TEST(EditScriptState, NullWhereThereIsNoRow) {
  Image image;
  ImageBuilder b(image, kKind3);
  b.Finish();
  ViewState view(image);
  view.RebuildIndex();
  view.set_image_loaded();
  EditScript engine(view);
  EXPECT_EQ(engine.StateJson(),
            "{\"tv\": true, \"all\": true, \"satellite_row\": 1, \"transponder_row\": null, \"channel_row\": null, "
            "\"channel_focus_row\": null, \"channel_rows_selected\": [], \"channel_rows\": 0, "
            "\"transponder_rows\": 0}");
}

TEST_F(EditScriptTest, ChannelRowIsTheCurrentRowNotTheFocus) {
  // A satellite without channels refills the list and selects nothing; the
  // current channel row stays what it was.
  ASSERT_EQ(Run("channel 4\nsatellite 3\n").status, ScriptStatus::Ok);
  EXPECT_TRUE(Selected().empty());
  EXPECT_NE(engine_.StateJson().find("\"channel_row\": 4, \"channel_focus_row\": null, \"channel_rows_selected\": []"),
            std::string::npos)
      << engine_.StateJson();
}

TEST_F(EditScriptTest, ChannelRowMayLieBeyondTheListAfterAnOperation) {
  ASSERT_EQ(Run("channel 5\nchannel-delete\n").status, ScriptStatus::Ok);
  EXPECT_NE(engine_.StateJson().find("\"channel_row\": 5, \"channel_focus_row\": null, \"channel_rows_selected\": [], "
                                     "\"channel_rows\": 4"),
            std::string::npos)
      << engine_.StateJson();
}

struct LineCase {
  const char* script;
  ScriptStatus status;
  int line;
  const char* message;
};

class EngineErrors : public EditScriptTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(EngineErrors, FailAsDocumented) {
  const LineCase& c = GetParam();
  const ScriptResult r = Run(c.script);
  EXPECT_EQ(r.status, c.status) << c.script;
  EXPECT_EQ(r.line, c.line) << c.script;
  EXPECT_EQ(r.message, c.message) << c.script;
}

constexpr auto kUsage = ScriptStatus::Usage;
constexpr auto kFailed = ScriptStatus::Failed;

INSTANTIATE_TEST_SUITE_P(
    Lines, EngineErrors,
    ::testing::Values(
        LineCase{"\n# comment\nfrobnicate\n", kUsage, 3, "unknown command \"frobnicate\""},
        LineCase{"TV\n", kUsage, 1, "unknown command \"TV\""},
        LineCase{"tv now\n", kUsage, 1, "tv takes no arguments"},
        LineCase{"all\n", kUsage, 1, "all takes on or off"}, LineCase{"all yes\n", kUsage, 1, "all takes on or off"},
        LineCase{"channel\n", kUsage, 1, "channel takes rows"},
        LineCase{"channel 1 x2\n", kUsage, 1, "\"x2\" is not a row number"},
        LineCase{"satellite 1 2\n", kUsage, 1, "satellite takes one row"},
        LineCase{"transponder -1\n", kUsage, 1, "\"-1\" is not a row number"},
        LineCase{"find\n", kUsage, 1, "find takes TEXT [match-case]"},
        LineCase{"find a b\n", kUsage, 1, "find takes TEXT [match-case]"},
        LineCase{"channel-move\n", kUsage, 1, "channel-move takes one number"},
        LineCase{"channel-delete now\n", kUsage, 1, "channel-delete takes no arguments"},
        LineCase{"channel-edit nme=x\n", kUsage, 1, "unknown field \"nme\" for channel-edit"},
        LineCase{"channel-edit Name=x\n", kUsage, 1, "unknown field \"Name\" for channel-edit"},
        LineCase{"channel-edit \"name=x\"\n", kUsage, 1, "\"name=x\" is not NAME=VALUE"},
        LineCase{"channel-new =x\n", kUsage, 1, "\"=x\" is not NAME=VALUE"},
        LineCase{"channel-edit name=\"x\n", kUsage, 1, "unclosed quote"},
        LineCase{"tv\n# \xFF\n", kUsage, 2, "the line is not UTF-8"},
        LineCase{"undo 1\n", kUsage, 1, "undo takes no arguments"},
        LineCase{"redo all\n", kUsage, 1, "redo takes no arguments"},
        LineCase{"transponder-edit name=x\n", kUsage, 1, "unknown field \"name\" for transponder-edit"},
        LineCase{"transponder-new Frequency=1\n", kUsage, 1, "unknown field \"Frequency\" for transponder-new"},
        LineCase{"transponder-insert symbol=1\n", kUsage, 1, "unknown field \"symbol\" for transponder-insert"},
        LineCase{"transponder-edit frequency\n", kUsage, 1, "\"frequency\" is not NAME=VALUE"},
        LineCase{"transponder-delete 1\n", kUsage, 1, "transponder-delete takes no arguments"},
        LineCase{"transponder-move\n", kUsage, 1, "transponder-move takes one number"},
        LineCase{"transponder-move 1 2\n", kUsage, 1, "transponder-move takes one number"},
        LineCase{"satellite-edit frequency=1\n", kUsage, 1, "unknown field \"frequency\" for satellite-edit"},
        LineCase{"satellite-edit 22kHz=1\n", kUsage, 1, "unknown field \"22kHz\" for satellite-edit"},
        LineCase{"satellite-edit \"name=x\"\n", kUsage, 1, "\"name=x\" is not NAME=VALUE"},
        LineCase{"satellite-move\n", kUsage, 1, "satellite-move takes one number"},
        // Syntax first, also on the transponder popup's greyed commands.
        LineCase{"satellite 3\ntransponder-edit fec=1 video=1\n", kUsage, 2,
                 "unknown field \"video\" for transponder-edit"},
        LineCase{"satellite 3\ntransponder-edit frequency=1\n", kFailed, 2, "\"Edit\" is not available"},
        LineCase{"satellite 3\ntransponder-insert frequency=1\n", kFailed, 2, "\"Insert\" is not available"},
        LineCase{"satellite 3\ntransponder-delete\n", kFailed, 2, "\"Delete\" is not available"},
        LineCase{"satellite 3\ntransponder-move 1\n", kFailed, 2, "\"Move to\" is not available"},
        LineCase{"transponder-move \xC4\x80\n", kFailed, 1,
                 "transponder-move: \"\xC4\x80\" has a character that does not fit one byte"},
        LineCase{"transponder-edit fec=7\n", kFailed, 1, "fec: no entry \"7\""},
        LineCase{"transponder-edit polarity=circular\n", kFailed, 1, "polarity: no entry \"circular\""},
        LineCase{"transponder-edit frequency=0\n", kFailed, 1, "Frequency Error"},
        LineCase{"transponder-edit symbolrate=x\n", kFailed, 1, "Please enter an integer."},
        LineCase{"transponder-move 3\n", kFailed, 1, "the number must be between 1 and 2"},
        LineCase{"satellite-edit input=1x\n", kFailed, 1, "input: \"1x\" is not digits only"},
        LineCase{"satellite-edit degree=181\n", kFailed, 1, "Please enter a number of degree between 0.0 and 180.0"},
        LineCase{"satellite-move 51\n", kFailed, 1, "the number must be between 1 and 50"},
        LineCase{"satellite-move x\n", kFailed, 1, "Please enter an integer."},
        LineCase{"import-sdx a b\n", kUsage, 1, "import-sdx takes one path"},
        // Syntax first: an unknown field is a usage error even on a greyed command.
        LineCase{"satellite 3\nchannel-edit nme=x\n", kUsage, 2, "unknown field \"nme\" for channel-edit"},
        LineCase{"channel 0\n", kFailed, 1, "no row 0 in the channel list"},
        LineCase{"channel 1 0006\n", kFailed, 1, "no row 6 in the channel list"},
        LineCase{"channel 99999999999999\n", kFailed, 1, "no row 99999999999999 in the channel list"},
        LineCase{"satellite 51\n", kFailed, 1, "no row 51 in the satellite list"},
        LineCase{"satellite 00\n", kFailed, 1, "no row 0 in the satellite list"},
        LineCase{"transponder 3\n", kFailed, 1, "no row 3 in the transponder list"},
        LineCase{"satellite 3\ntransponder 1\n", kFailed, 2, "no row 1 in the transponder list"},
        // Greyed or missing popup items name the item without its key.
        LineCase{"satellite 3\nchannel-edit name=x\n", kFailed, 2, "\"Edit\" is not available"},
        LineCase{"satellite 3\nchannel-insert\n", kFailed, 2, "\"Insert\" is not available"},
        LineCase{"satellite 3\nchannel-delete\n", kFailed, 2, "\"Delete\" is not available"},
        LineCase{"satellite 3\nchannel-move 1\n", kFailed, 2, "\"Move to\" is not available"},
        LineCase{"all off\nchannel-move 1\n", kFailed, 2, "\"Move to\" is not available"},
        LineCase{"satellite 3\nscramble\n", kFailed, 2, "\"Change to\" is not available"},
        LineCase{"satellite 3\nunlock\n", kFailed, 2, "\"Change to\" is not available"},
        LineCase{"satellite 3\nto-radio\n", kFailed, 2, "\"Change to\" is not available"},
        LineCase{"to-tv\n", kFailed, 1, "\"TV\" is not available"},
        LineCase{"radio\nto-radio\n", kFailed, 2, "\"Radio\" is not available"},
        LineCase{"satellite 3\nchannel-new\n", kFailed, 2, "\"New\" is not available"},
        LineCase{"satellite 3\nfind x\n", kFailed, 2, "\"Find\" is not available"},
        // Values a box cannot take.
        LineCase{"find \xE2\x82\xAC\n", kFailed, 1, "find: \"\xE2\x82\xAC\" has a character that does not fit one byte"},
        LineCase{"channel-move \xC4\x80\n", kFailed, 1,
                 "channel-move: \"\xC4\x80\" has a character that does not fit one byte"},
        LineCase{"channel-edit lock=2\n", kFailed, 1, "lock: a check box takes 0 or 1, not \"2\""},
        LineCase{"channel-edit name=A lock=1 lock=x\n", kFailed, 1, "lock: a check box takes 0 or 1, not \"x\""},
        LineCase{"channel-edit category=Horror\n", kFailed, 1, "category: no entry \"Horror\""},
        LineCase{"channel-edit video=12x\n", kFailed, 1, "Please enter an integer."},
        LineCase{"channel-move abc\n", kFailed, 1, "Please enter an integer."},
        LineCase{"channel-move \"\"\n", kFailed, 1, "Please enter an integer."}));

TEST_F(EditScriptTest, ANulInALineCannotBeTypedIntoABox) {
  const std::pair<std::string, std::string> cases[] = {
      {std::string("find a\0b\n", 9), "find: a NUL character cannot be typed"},
      {std::string("channel-move 1\0\n", 16), "channel-move: a NUL character cannot be typed"},
      {std::string("channel-edit name=a\0\n", 21), "name: a NUL character cannot be typed"}};
  for (const auto& [script, message] : cases) {
    const ScriptResult r = Run(script);
    EXPECT_EQ(r.status, ScriptStatus::Failed);
    EXPECT_EQ(r.message, message);
  }
}

TEST_F(EditScriptTest, TheFirstFailingLineEndsTheRun) {
  const ScriptResult r = Run("channel 2\nchannel 9\nchannel 3\n");
  EXPECT_EQ(r.line, 2);
  EXPECT_EQ(Selected(), std::vector<int>({1}));
}

TEST_F(EditScriptTest, ARowThatDoesNotExistClicksNothing) {
  ASSERT_EQ(Run("channel 3 9\n").status, ScriptStatus::Failed);
  EXPECT_EQ(Selected(), std::vector<int>({0}));
}

// ---- clicks, against the same calls the window makes

TEST_F(EditScriptTest, ChannelRowsClickThenCtrlClick) {
  ASSERT_EQ(Run("channel 4 2 4 005\n").status, ScriptStatus::Ok);
  EXPECT_EQ(Selected(), std::vector<int>({1, 3, 4}));
  EXPECT_EQ(view_.channel_focus_row(), 4);
  EXPECT_EQ(view_.current_channel_row(), 4);
  EXPECT_EQ(view_.current_channel(), 4);

  // A repeated row stays selected and becomes the focus again; the plain
  // first click drops the earlier selection.
  ASSERT_EQ(Run("channel 3 1 3\n").status, ScriptStatus::Ok);
  EXPECT_EQ(Selected(), std::vector<int>({0, 2}));
  EXPECT_EQ(view_.channel_focus_row(), 2);
  EXPECT_EQ(view_.current_channel_row(), 2);
  // Gamma is on satellite 1's second transponder.
  EXPECT_EQ(view_.transponder_row(), 1);

  Opened twin;
  twin.view.SetChannelSelection({2}, 2);
  twin.view.ChooseChannel(2);
  twin.view.SetChannelSelection({2, 0}, 0);
  twin.view.ChooseChannel(0);
  twin.view.SetChannelSelection({2, 0}, 2);
  twin.view.ChooseChannel(2);
  EditScript twin_engine(twin.view);
  EXPECT_EQ(twin_engine.StateJson(), engine_.StateJson());
}

TEST_F(EditScriptTest, ChannelOnAnotherSatelliteMovesTheOtherLists) {
  ASSERT_EQ(Run("channel 4\n").status, ScriptStatus::Ok);
  EXPECT_EQ(view_.satellite_row(), 1);
  EXPECT_EQ(view_.transponder_row(), 0);
  EXPECT_EQ(view_.transponder_rows().size(), 1u);
}

TEST_F(EditScriptTest, AllOnWhileCheckedClicksNothing) {
  ASSERT_EQ(Run("channel 1 3\nall on\n").status, ScriptStatus::Ok);
  // A real click would refill the list and keep only the focus row.
  EXPECT_EQ(Selected(), std::vector<int>({0, 2}));
  ASSERT_EQ(Run("all off\nall off\n").status, ScriptStatus::Ok);
  EXPECT_FALSE(view_.all_satellites());
  EXPECT_EQ(view_.channel_rows().size(), 4u);  // satellite 1's TV channels
  // The focus row (Gamma) was selected, so it is found again after the refill.
  EXPECT_EQ(Selected(), std::vector<int>({2}));
  ASSERT_EQ(Run("all on\n").status, ScriptStatus::Ok);
  EXPECT_TRUE(view_.all_satellites());
  EXPECT_EQ(view_.channel_rows().size(), 5u);
}

TEST_F(EditScriptTest, TransponderOnTheSelectedRowReselectsItsFirstChannel) {
  ASSERT_EQ(Run("channel 5 2\ntransponder 1\n").status, ScriptStatus::Ok);
  EXPECT_EQ(Selected(), std::vector<int>({0}));
  EXPECT_EQ(view_.channel_focus_row(), 0);
  ASSERT_EQ(Run("transponder 2\n").status, ScriptStatus::Ok);
  EXPECT_EQ(Selected(), std::vector<int>({2}));
}

TEST_F(EditScriptTest, SatelliteClickSelectsItsFirstChannel) {
  ASSERT_EQ(Run("satellite 2\n").status, ScriptStatus::Ok);
  EXPECT_EQ(view_.satellite_row(), 1);
  EXPECT_EQ(view_.transponder_row(), 0);
  EXPECT_EQ(Selected(), std::vector<int>({3}));
  ASSERT_EQ(Run("satellite 3\n").status, ScriptStatus::Ok);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(view_.transponder_row(), ViewState::kNone);
}

TEST_F(EditScriptTest, ModeButtons) {
  ASSERT_EQ(Run("radio\n").status, ScriptStatus::Ok);
  EXPECT_FALSE(view_.tv_mode());
  EXPECT_EQ(view_.channel_rows().size(), 1u);
  ASSERT_EQ(Run("radio\ntv\n").status, ScriptStatus::Ok);
  EXPECT_TRUE(view_.tv_mode());
  EXPECT_EQ(view_.channel_rows().size(), 5u);
}

// ---- the popup's commands reach the operations with the line's answers

TEST_F(EditScriptTest, FindPassesTheTextAndMatchCase) {
  ASSERT_EQ(Run("find \"\"\n").status, ScriptStatus::Ok);
  EXPECT_EQ(engine_.operations().channels().find_text(), "");
  EXPECT_FALSE(engine_.operations().channels().match_case());
  ASSERT_EQ(Run("find \"Ta\xC3\x9F e\" match-case\n").status, ScriptStatus::Ok);
  EXPECT_EQ(engine_.operations().channels().find_text(), "Ta\xDF e");
  EXPECT_TRUE(engine_.operations().channels().match_case());
  ASSERT_EQ(Run("find x\n").status, ScriptStatus::Ok);
  EXPECT_FALSE(engine_.operations().channels().match_case());
}

TEST_F(EditScriptTest, ChannelEditTypesTheFieldsInOrder) {
  ASSERT_EQ(Run("channel 2\nchannel-edit name=First name=\"Das Erste\" video=0101 fav6=1 category=news/affair\n").status,
            ScriptStatus::Ok);
  const ChannelRecord beta = view_.channel(1);
  EXPECT_EQ(beta.mServiceName(), "Das Erste");
  EXPECT_EQ(beta.mVideoPid(), 101);
  EXPECT_EQ(beta.mCategory(), 2);
  EXPECT_EQ(beta.mServiceFlag() & 0x2000, 0x2000);
}

TEST_F(EditScriptTest, ARefusedEditLeavesTheRecordByteForByte) {
  const std::vector<std::uint8_t> before(view_.channel(0).data(), view_.channel(0).data() + ChannelRecord::kSize);
  const ScriptResult r = Run("channel-edit name=Changed video=9x\n");
  EXPECT_EQ(r.status, ScriptStatus::Failed);
  EXPECT_EQ(r.message, "Please enter an integer.");
  EXPECT_EQ(std::vector<std::uint8_t>(view_.channel(0).data(), view_.channel(0).data() + ChannelRecord::kSize), before);
}

TEST_F(EditScriptTest, TheSameEditByHandGivesTheSameBytes) {
  ASSERT_EQ(Run("channel 3\nchannel-edit name=\"\xC3\x86r\xC3\xB8\" lock=1 ca=1fff\n").status, ScriptStatus::Ok);
  Opened twin;
  twin.view.SetChannelSelection({2}, 2);
  twin.view.ChooseChannel(2);
  ChannelRecord record = twin.view.channel(twin.view.current_channel());
  ChannelForm form = LoadChannelForm(record);
  form.name = "\xC6r\xF8";
  form.lock = true;
  form.ca_system_id = "1fff";
  ASSERT_FALSE(ValidateChannelForm(form));
  ApplyChannelForm(form, record);
  EXPECT_EQ(0, std::memcmp(twin.image.bytes(), opened_.image.bytes(), opened_.image.length()));
}

TEST_F(EditScriptTest, FindSelectsEveryMatchAndMakesTheTopOneCurrent) {
  ASSERT_EQ(Run("channel 1\nfind E\n").status, ScriptStatus::Ok);
  EXPECT_EQ(Selected(), std::vector<int>({1, 3, 4}));  // Beta, Delta, Epsilon
  EXPECT_EQ(view_.channel_focus_row(), 1);
  EXPECT_EQ(view_.current_channel_row(), 1);
  ASSERT_EQ(Run("find E match-case\n").status, ScriptStatus::Ok);
  EXPECT_EQ(Selected(), std::vector<int>({4}));
  // No match: nothing selected, and the commands that need a row are greyed.
  const ScriptResult r = Run("find zzz\nchannel-edit name=x\n");
  EXPECT_EQ(r.line, 2);
  EXPECT_EQ(r.message, "\"Edit\" is not available");
}

TEST_F(EditScriptTest, MoveOutsideTheCallersRangeFailsWithTheRange) {
  // Five TV channels, one selected: 1..5.
  for (const char* line : {"channel-move 6\n", "channel-move 0\n", "channel-move 99999999999999999999\n"}) {
    const ScriptResult r = Run(line);
    EXPECT_EQ(r.status, ScriptStatus::Failed) << line;
    EXPECT_EQ(r.message, "the number must be between 1 and 5") << line;
  }
  const ScriptResult two = Run("channel 1 2\nchannel-move 5\n");
  EXPECT_EQ(two.message, "the number must be between 1 and 4");
  ASSERT_EQ(Run("channel 4 5\nchannel-move 1\n").status, ScriptStatus::Ok);
  EXPECT_EQ(view_.channel(view_.channel_rows()[0]).mServiceName(), "Delta");
  EXPECT_EQ(view_.channel(view_.channel_rows()[1]).mServiceName(), "Epsilon");
  EXPECT_EQ(Selected(), std::vector<int>({0, 1}));
}

TEST_F(EditScriptTest, DeleteIsConfirmedAndFlagsActOnTheSelection) {
  ASSERT_EQ(Run("channel 1 3\nchannel-delete\n").status, ScriptStatus::Ok);
  EXPECT_EQ(view_.channel_rows().size(), 3u);
  EXPECT_EQ(opened_.image.mServiceCount(), 4);
  ASSERT_EQ(Run("channel 1 2\nlock\n").status, ScriptStatus::Ok);
  EXPECT_TRUE(view_.channel(view_.channel_rows()[0]).IsLocked());
  EXPECT_TRUE(view_.channel(view_.channel_rows()[1]).IsLocked());
  EXPECT_FALSE(view_.channel(view_.channel_rows()[2]).IsLocked());
}

TEST_F(EditScriptTest, ANewChannelGetsTheLinesFields) {
  ASSERT_EQ(Run("channel 2\nchannel-new name=Fresh video=33 chartable=1\n").status, ScriptStatus::Ok);
  EXPECT_EQ(opened_.image.mServiceCount(), 7);
  bool found = false;
  for (int slot : view_.channel_rows()) {
    const ChannelRecord c = view_.channel(slot);
    if (c.mServiceName() != "Fresh") continue;
    found = true;
    EXPECT_EQ(c.mVideoPid(), 33);
    EXPECT_EQ(c.mCharTable(), 1);
  }
  EXPECT_TRUE(found);
  // A refused new channel adds nothing.
  EXPECT_EQ(Run("channel-new audio=-1\n").message, "Please enter a positive integer.");
  EXPECT_EQ(opened_.image.mServiceCount(), 7);
}

// ---- the scripted dialogs

struct FieldCase {
  const char* name;
  const char* value;
  const char* why;  // empty: accepted
};

class ChannelFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(ChannelFields, TakeOnlyWhatTheControlTakes) {
  const FieldCase& c = GetParam();
  ChannelForm form;
  const auto why = SetChannelField(form, {c.name, c.value});
  EXPECT_EQ(why.value_or(""), c.why) << c.name << "=" << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ChannelFields,
    ::testing::Values(
        FieldCase{"name", "", ""}, FieldCase{"name", "1234567890123456789", ""},
        FieldCase{"name", "12345678901234567890", "name: \"12345678901234567890\" is longer than the box's 19 characters"},
        FieldCase{"name", "\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF"
                          "\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF", ""},
        FieldCase{"name", "\xE2\x82\xAC", "name: \"\xE2\x82\xAC\" has a character that does not fit one byte"},
        FieldCase{"video", "12x", ""}, FieldCase{"audio", "+5", ""}, FieldCase{"ecm", "0x", ""},
        FieldCase{"pcr", "\xC5\x81", "pcr: \"\xC5\x81\" has a character that does not fit one byte"},
        FieldCase{"chartable", "LATIN/greek alphabet", ""}, FieldCase{"chartable", "5", ""},
        FieldCase{"chartable", "6", "chartable: no entry \"6\""}, FieldCase{"chartable", "", "chartable: no entry \"\""},
        FieldCase{"category", "usER4", ""}, FieldCase{"category", "015", ""},
        FieldCase{"category", "16", "category: no entry \"16\""},
        FieldCase{"category", "-1", "category: no entry \"-1\""},
        FieldCase{"fav5", "1", ""}, FieldCase{"fav8", "0", ""},
        FieldCase{"fav1", "01", "fav1: a check box takes 0 or 1, not \"01\""},
        FieldCase{"scramble", "yes", "scramble: a check box takes 0 or 1, not \"yes\""},
        FieldCase{"lock", "", "lock: a check box takes 0 or 1, not \"\""}));

TEST(ChannelFieldsSet, EachFieldReachesItsControl) {
  ChannelForm form;
  const std::pair<const char*, const char*> fields[] = {
      {"name", "N\xC3\xA9"}, {"chartable", "latin/arabic alphabet"}, {"video", " 7 "}, {"audio", "8"},
      {"pcr", "9"}, {"category", "3"}, {"fav1", "1"}, {"fav5", "1"}, {"fav8", "1"}, {"lock", "1"},
      {"scramble", "1"}, {"ca", "ab"}, {"ecm", "0x10"}};
  for (auto [n, v] : fields) ASSERT_FALSE(SetChannelField(form, {n, v})) << n;
  EXPECT_EQ(form.name, "N\xE9");
  EXPECT_EQ(form.char_table, 2);
  EXPECT_EQ(form.video, " 7 ");
  EXPECT_EQ(form.audio, "8");
  EXPECT_EQ(form.pcr, "9");
  EXPECT_EQ(form.category, 3);
  EXPECT_EQ(form.favourite, (std::array<bool, 8>{true, false, false, false, true, false, false, true}));
  EXPECT_TRUE(form.lock);
  EXPECT_TRUE(form.scramble);
  EXPECT_EQ(form.ca_system_id, "ab");
  EXPECT_EQ(form.ecm_pid, "0x10");
  ASSERT_FALSE(SetChannelField(form, {"lock", "0"}));
  ASSERT_FALSE(SetChannelField(form, {"fav5", "0"}));
  EXPECT_FALSE(form.lock);
  EXPECT_FALSE(form.favourite[4]);
}

TEST(ChannelFieldsSet, ANulCannotBeTyped) {
  ChannelForm form;
  for (const char* field : {"name", "video", "ca"}) {
    const auto why = SetChannelField(form, {field, std::string("a\0b", 3)});
    EXPECT_EQ(why.value_or(""), std::string(field) + ": a NUL character cannot be typed");
  }
}

class TransponderFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(TransponderFields, TakeOnlyWhatTheControlTakes) {
  const FieldCase& c = GetParam();
  TransponderForm form;
  const auto why = SetTransponderField(form, {c.name, c.value});
  EXPECT_EQ(why.value_or(""), c.why) << c.name << "=" << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, TransponderFields,
    ::testing::Values(FieldCase{"frequency", "", ""}, FieldCase{"frequency", "11778abc", ""},
                      FieldCase{"symbolrate", " -0 ", ""}, FieldCase{"symbolrate", "99999999999999999999", ""},
                      FieldCase{"frequency", "\xE2\x82\xAC", "frequency: \"\xE2\x82\xAC\" has a character that does not fit one byte"},
                      FieldCase{"polarity", "horizontal", ""}, FieldCase{"polarity", "1", ""},
                      FieldCase{"polarity", "2", "polarity: no entry \"2\""},
                      FieldCase{"polarity", "H", "polarity: no entry \"H\""},
                      FieldCase{"fec", "7/8", ""}, FieldCase{"fec", "AUTO", ""}, FieldCase{"fec", "06", ""},
                      FieldCase{"fec", "7", "fec: no entry \"7\""}, FieldCase{"fec", "", "fec: no entry \"\""},
                      FieldCase{"fec", "3/5", "fec: no entry \"3/5\""}));

TEST(TransponderFieldsSet, EachFieldReachesItsControl) {
  TransponderForm form;
  for (auto [n, v] : std::vector<std::pair<const char*, const char*>>{
           {"frequency", " 12x"}, {"symbolrate", "+27500"}, {"polarity", "VERTICAL"}, {"fec", "2/3"}})
    ASSERT_FALSE(SetTransponderField(form, {n, v})) << n;
  EXPECT_EQ(form.frequency, " 12x");
  EXPECT_EQ(form.symbol_rate, "+27500");
  EXPECT_EQ(form.polarity, 1);
  EXPECT_EQ(form.fec, 2);
  ASSERT_FALSE(SetTransponderField(form, {"polarity", "0"}));
  ASSERT_FALSE(SetTransponderField(form, {"fec", "6"}));
  EXPECT_EQ(form.polarity, 0);
  EXPECT_EQ(form.fec, 6);
  for (const char* field : {"frequency", "symbolrate"})
    EXPECT_EQ(SetTransponderField(form, {field, std::string("1\0", 2)}).value_or(""),
              std::string(field) + ": a NUL character cannot be typed");
}

class SatelliteFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(SatelliteFields, TakeOnlyWhatTheControlTakes) {
  const FieldCase& c = GetParam();
  SatelliteForm form;
  const auto why = SetSatelliteField(form, {c.name, c.value});
  EXPECT_EQ(why.value_or(""), c.why) << c.name << "=" << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, SatelliteFields,
    ::testing::Values(
        FieldCase{"name", "", ""}, FieldCase{"name", "123456789012345", ""},
        FieldCase{"name", "1234567890123456", "name: \"1234567890123456\" is longer than the box's 15 characters"},
        FieldCase{"name", "\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF"
                          "\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF", ""},
        FieldCase{"name", "\xC5\x81", "name: \"\xC5\x81\" has a character that does not fit one byte"},
        FieldCase{"degree", "abc", ""}, FieldCase{"degree", "-1e400", ""},
        FieldCase{"input", "", ""}, FieldCase{"input", "0123456789", ""},
        FieldCase{"input", "9750 ", "input: \"9750 \" is not digits only"},
        FieldCase{"input", "x", "input: \"x\" is not digits only"},
        FieldCase{"side", "East", ""}, FieldCase{"side", "wEsT", ""},
        FieldCase{"side", "", "side: takes east or west, not \"\""},
        FieldCase{"side", "1", "side: takes east or west, not \"1\""},
        FieldCase{"lnb", "user defined", ""}, FieldCase{"lnb", "11", ""}, FieldCase{"lnb", "11475", ""},
        FieldCase{"lnb", "12", "lnb: no entry \"12\""}, FieldCase{"lnb", "U-LNB1", "lnb: no entry \"U-LNB1\""},
        FieldCase{"switch", "sw8", ""}, FieldCase{"switch", "NONE", ""}, FieldCase{"switch", "8", ""},
        FieldCase{"switch", "9", "switch: no entry \"9\""},
        FieldCase{"toneburst", "sa", ""}, FieldCase{"toneburst", "2", ""},
        FieldCase{"toneburst", "3", "toneburst: no entry \"3\""},
        FieldCase{"toneburst", "SC", "toneburst: no entry \"SC\""},
        FieldCase{"lnbpower", "1", ""}, FieldCase{"22khz", "0", ""}, FieldCase{"12v", "1", ""},
        FieldCase{"scramble", "0", ""},
        FieldCase{"lnbpower", "true", "lnbpower: a check box takes 0 or 1, not \"true\""},
        FieldCase{"22khz", "", "22khz: a check box takes 0 or 1, not \"\""},
        FieldCase{"12v", "10", "12v: a check box takes 0 or 1, not \"10\""},
        FieldCase{"scramble", " 1", "scramble: a check box takes 0 or 1, not \" 1\""}));

TEST(SatelliteFieldsSet, EachFieldReachesItsControl) {
  SatelliteForm form;
  for (auto [n, v] : std::vector<std::pair<const char*, const char*>>{
           {"name", "\xC3\x86gypten"}, {"side", "west"}, {"degree", "7.5x"}, {"lnb", "10750"}, {"input", "09750"},
           {"switch", "SW2"}, {"toneburst", "SB"}, {"lnbpower", "1"}, {"22khz", "1"}, {"12v", "1"},
           {"scramble", "1"}})
    ASSERT_FALSE(SetSatelliteField(form, {n, v})) << n;
  EXPECT_EQ(form.name, "\xC6gypten");
  EXPECT_TRUE(form.west);
  EXPECT_EQ(form.degree, "7.5x");
  EXPECT_EQ(form.lnb, 7);
  EXPECT_EQ(form.input, "09750");
  EXPECT_EQ(form.switch_input, 1);
  EXPECT_EQ(form.tone_burst, 2);
  EXPECT_TRUE(form.lnb_power && form.khz22 && form.v12 && form.scramble);
  for (auto [n, v] : std::vector<std::pair<const char*, const char*>>{
           {"side", "EAST"}, {"lnbpower", "0"}, {"22khz", "0"}, {"12v", "0"}, {"scramble", "0"}})
    ASSERT_FALSE(SetSatelliteField(form, {n, v})) << n;
  EXPECT_FALSE(form.west);
  EXPECT_FALSE(form.lnb_power || form.khz22 || form.v12 || form.scramble);
  for (const char* field : {"name", "degree", "input"})
    EXPECT_EQ(SetSatelliteField(form, {field, std::string("1\0", 2)}).value_or(""),
              std::string(field) + ": a NUL character cannot be typed");
}

TEST_F(EditScriptTest, TheSameTransponderAndSatelliteEditsByHandGiveTheSameBytes) {
  ASSERT_EQ(Run("transponder 2\ntransponder-edit frequency=11200 fec=3/4\nsatellite 2\n"
                "satellite-edit name=Hotter side=west degree=5.5 lnb=11 input=9999 22khz=1\n")
                .status,
            ScriptStatus::Ok);
  Opened twin;
  TransponderRecord tp = twin.view.transponder(twin.view.transponder_rows()[1]);
  TransponderForm tp_form = LoadTransponderForm(tp);
  tp_form.frequency = "11200";
  tp_form.fec = 3;
  ASSERT_FALSE(ValidateTransponderForm(tp_form));
  ApplyTransponderForm(tp_form, tp);
  SatelliteRecord sat = twin.view.satellite(1);
  SatelliteForm sat_form = LoadSatelliteForm(sat);
  sat_form.name = "Hotter";
  sat_form.west = true;
  sat_form.degree = "5.5";
  sat_form.lnb = 11;
  sat_form.input = "9999";
  sat_form.khz22 = true;
  ASSERT_FALSE(ValidateSatelliteForm(sat_form));
  ApplySatelliteForm(sat_form, sat);
  EXPECT_EQ(0, std::memcmp(twin.image.bytes(), opened_.image.bytes(), opened_.image.length()));
  EXPECT_EQ(opened_.image.Satellite(1).mDegree(), 3600 - 55);
}

TEST_F(EditScriptTest, ARefusedTransponderOrSatelliteEditLeavesEveryByte) {
  const std::vector<std::uint8_t> before(opened_.image.bytes(), opened_.image.bytes() + opened_.image.length());
  for (const char* line : {"transponder-edit fec=1 frequency=70000\n", "transponder-new frequency=1 symbolrate=x\n",
                           "satellite-edit name=New lnbpower=1 degree=200\n", "satellite-edit name=New input=1a\n",
                           "satellite-edit scramble=1 side=up\n"}) {
    EXPECT_EQ(Run(line).status, ScriptStatus::Failed) << line;
    EXPECT_EQ(std::vector<std::uint8_t>(opened_.image.bytes(), opened_.image.bytes() + opened_.image.length()), before)
        << line;
  }
}

TEST(MoveNumber, TheBoxHoldsAnIntegerAsTheDialogReadsIt) {
  EXPECT_EQ(ParseInteger("12"), 12);
  EXPECT_EQ(ParseInteger(" \t+3 "), 3);
  EXPECT_EQ(ParseInteger("-0"), 0);
  EXPECT_EQ(ParseInteger("-4"), -4);
  EXPECT_EQ(ParseInteger("0007"), 7);
  EXPECT_EQ(ParseInteger("99999999999999999999999"), LLONG_MAX);
  for (const char* bad : {"", " ", "+", "1 2", "1x", "0x1", "--1", "\n1"})
    EXPECT_EQ(ParseInteger(bad), std::nullopt) << bad;
}

TEST(ScriptDialogs, TheMoveDialogComingBackFailsTheLine) {
  ScriptUserInterface ui;
  ui.BeginLine();
  ui.set_number_text("9");
  EXPECT_EQ(ui.AskNumber("New channel (1-8)", 3), 9);
  EXPECT_FALSE(ui.failure());
  EXPECT_EQ(ui.AskNumber("New channel (1-8)", 9), std::nullopt);
  EXPECT_EQ(ui.failure().value_or(""), "the number must be between 1 and 8");
  // The next line starts afresh.
  ui.BeginLine();
  ui.set_number_text("2");
  EXPECT_EQ(ui.AskNumber("New transponder (1-14)", 1), 2);
  EXPECT_FALSE(ui.failure());
}

TEST(ScriptDialogs, ConfirmationsAreOkAndMessagesAreSorted) {
  std::vector<std::string> informed;
  ScriptUserInterface ui([&](const std::string& m) { informed.push_back(m); });
  ui.BeginLine();
  EXPECT_TRUE(ui.AskOkCancel("Channel Delete", "Are you sure?"));
  ui.ShowMessage("3 added", MessageIcon::Information);
  EXPECT_FALSE(ui.failure());
  EXPECT_EQ(informed, std::vector<std::string>({"3 added"}));
  ui.ShowMessage("Frequency Error", MessageIcon::Exclamation);
  EXPECT_EQ(ui.failure().value_or(""), "Frequency Error");
  // After a failure nothing more is answered OK.
  EXPECT_FALSE(ui.AskOkCancel("Channel Delete", "Are you sure?"));
  EXPECT_EQ(ui.ChooseOpenFile(""), std::nullopt);
}

TEST(ScriptDialogs, FindAnswersTheLine) {
  ScriptUserInterface ui;
  ui.BeginLine();
  ui.set_find("abc", true);
  std::string text = "old";
  bool match = false;
  ASSERT_TRUE(ui.AskFind(text, match));
  EXPECT_EQ(text, "abc");
  EXPECT_TRUE(match);
}

}  // namespace
}  // namespace kavor
