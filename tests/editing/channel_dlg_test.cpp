// The channel editor's real widgets: what opening shows, where the focus
// goes, what OK refuses and writes, and that Cancel touches nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "editing/channel_dlg.h"
#include "editing/channel_form.h"
#include "editing/dialog_helpers.h"

namespace kavor::testing {
namespace {

class ChannelDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.set_message_handler([this](const std::string& text) { messages.push_back(text); });
    ChannelRecord r = buffer.record();
    r.set_mNetworkId(0x1234);
    r.set_mServiceId(0x5678);
    r.set_mChannelNo(42);
    r.set_mVideoPid(101);
    r.set_mAudioPid(102);
    r.set_mPcrPid(103);
    // Type TV, bit 0, bits 11 and 12, favourite 2, hidden favourite 6, lock.
    r.set_mServiceFlag(0x0100 | 0x0001 | 0x1800 | 0x0040 | 0x2000 | 0x0004);
    r.set_mCaSystemId(0x0b00);
    r.set_mEcmPid(0x1ff);
    r.set_mSatId(3);
    r.set_mTpNumber(2);
    r.set_mCategory(4);
    r.set_mAudioFlag(0x77);
    r.set_mServiceFlag2(0x66);
    r.set_mCharTable(1);
    std::memcpy(r.data() + 0x18, "Sport\0zzzzzzzzzzzzzz", 20);  // bytes after the zero kept
    before = buffer.bytes;
  }
  void OpenAndShow(const std::string& caption = "Edit channel") {
    dlg.Open(caption, buffer.record());
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  }
  void PressOk() {
    dlg.ok_button()->click();
    QApplication::processEvents();
  }

  CChannelDlg dlg;
  std::vector<std::string> messages;
  RecordBuffer buffer;
  std::array<std::uint8_t, ChannelRecord::kSize> before{};
};

TEST_F(ChannelDlgTest, OpensOnTheNameBoxWithOkTheDefaultAtEveryShowing) {
  OpenAndShow();
  EXPECT_EQ(dlg.windowTitle(), "Edit channel");
  EXPECT_EQ(dlg.focusWidget(), dlg.name_box());
  EXPECT_TRUE(dlg.ok_button()->isDefault());
  // Focusing Cancel makes it the default for the moment, as Qt does.
  dlg.cancel_button()->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(dlg.cancel_button()->isDefault());
  dlg.cancel_button()->click();
  ASSERT_FALSE(dlg.isVisible());

  OpenAndShow("New channel");
  EXPECT_EQ(dlg.windowTitle(), "New channel");
  EXPECT_EQ(dlg.focusWidget(), dlg.name_box());
  EXPECT_TRUE(dlg.ok_button()->isDefault());
  EXPECT_FALSE(dlg.cancel_button()->isDefault());
}

TEST_F(ChannelDlgTest, ANewTemplateOpensEmpty) {
  RecordBuffer empty;
  dlg.Open("New channel", empty.record());
  EXPECT_EQ(dlg.name_box()->text(), "");
  EXPECT_EQ(dlg.char_table_box()->currentText(), "Latin alphabet");
  EXPECT_EQ(dlg.video_box()->text(), "0");
  EXPECT_EQ(dlg.audio_box()->text(), "0");
  EXPECT_EQ(dlg.pcr_box()->text(), "0");
  EXPECT_EQ(dlg.category_box()->currentText(), "Etc");
  for (int i = 0; i < 8; ++i) EXPECT_FALSE(dlg.favourite_box(i)->isChecked()) << i;
  EXPECT_FALSE(dlg.lock_box()->isChecked());
  EXPECT_FALSE(dlg.scramble_box()->isChecked());
  EXPECT_EQ(dlg.ca_system_id_box()->text(), "0");
  EXPECT_EQ(dlg.ecm_pid_box()->text(), "0");
}

TEST_F(ChannelDlgTest, OpeningShowsEveryFieldAndHidesFavouritesFiveToEight) {
  OpenAndShow();
  EXPECT_EQ(dlg.name_box()->text(), "Sport");
  EXPECT_EQ(dlg.char_table_box()->currentText(), "Latin/Cyrillic alphabet");
  EXPECT_EQ(dlg.char_table_box()->count(), 6);
  EXPECT_EQ(dlg.video_box()->text(), "101");
  EXPECT_EQ(dlg.audio_box()->text(), "102");
  EXPECT_EQ(dlg.pcr_box()->text(), "103");
  EXPECT_EQ(dlg.category_box()->currentText(), "Sports");
  EXPECT_EQ(dlg.category_box()->count(), 16);
  const bool checked[8] = {false, true, false, false, false, true, false, false};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(dlg.favourite_box(i)->isChecked(), checked[i]) << i;
    EXPECT_EQ(dlg.favourite_box(i)->isVisible(), i < 4) << i;
    EXPECT_EQ(dlg.favourite_box(i)->text(), QString::number(i + 1));
  }
  EXPECT_TRUE(dlg.lock_box()->isChecked());
  EXPECT_FALSE(dlg.scramble_box()->isChecked());
  EXPECT_EQ(dlg.ca_system_id_box()->text(), "b00");
  EXPECT_EQ(dlg.ecm_pid_box()->text(), "1ff");
}

TEST_F(ChannelDlgTest, OkUntouchedKeepsEveryByte) {
  OpenAndShow();
  PressOk();
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(buffer.bytes, before);
}

TEST_F(ChannelDlgTest, ATwentyByteNameWithoutTerminatorSurvivesAnEditOfAnotherField) {
  std::memcpy(buffer.record().data() + 0x18, "ABCDEFGHIJKLMNOPQRST", 20);
  before = buffer.bytes;
  OpenAndShow();
  Retype(dlg.video_box(), "200");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(buffer.record().mVideoPid(), 200);
  EXPECT_EQ(0, std::memcmp(buffer.bytes.data() + 0x18, before.data() + 0x18, 20));
}

TEST_F(ChannelDlgTest, OkWritesEachControlToItsField) {
  OpenAndShow();
  Retype(dlg.name_box(), "Das Erste");
  dlg.char_table_box()->setCurrentIndex(5);
  Retype(dlg.video_box(), "8191");
  Retype(dlg.audio_box(), "+7");
  Retype(dlg.pcr_box(), " 9 ");
  dlg.category_box()->setCurrentIndex(15);
  dlg.favourite_box(0)->setChecked(true);   // 0x0080
  dlg.favourite_box(1)->setChecked(false);  // 0x0040 off
  dlg.favourite_box(7)->setChecked(true);   // hidden 0x8000
  dlg.lock_box()->setChecked(false);
  dlg.scramble_box()->setChecked(true);
  Retype(dlg.ca_system_id_box(), "0x100");
  Retype(dlg.ecm_pid_box(), "1fff");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  const ChannelRecord r = buffer.record();
  EXPECT_EQ(r.mServiceName(), "Das Erste");
  EXPECT_EQ(r.mCharTable(), 5);
  EXPECT_EQ(r.mVideoPid(), 8191);
  EXPECT_EQ(r.mAudioPid(), 7);
  EXPECT_EQ(r.mPcrPid(), 9);
  EXPECT_EQ(r.mCategory(), 15);
  EXPECT_EQ(r.mServiceFlag(), 0x0100 | 0x0001 | 0x1800 | 0x0080 | 0x2000 | 0x8000 | 0x0008);
  EXPECT_EQ(r.mCaSystemId(), 0x0100);
  EXPECT_EQ(r.mEcmPid(), 0x1fff);
  // Fields the dialog does not show.
  EXPECT_EQ(r.mNetworkId(), 0x1234);
  EXPECT_EQ(r.mServiceId(), 0x5678);
  EXPECT_EQ(r.mChannelNo(), 42);
  EXPECT_EQ(r.mSatId(), 3);
  EXPECT_EQ(r.mTpNumber(), 2);
  EXPECT_EQ(r.mAudioFlag(), 0x77);
  EXPECT_EQ(r.mServiceFlag2(), 0x66);
}

TEST_F(ChannelDlgTest, StoredIndexesPastTheEntriesSelectNothingAndOkStores255) {
  buffer.record().set_mCharTable(6);
  buffer.record().set_mCategory(20);
  OpenAndShow();
  EXPECT_EQ(dlg.char_table_box()->currentIndex(), -1);
  EXPECT_EQ(dlg.char_table_box()->currentText(), "");
  EXPECT_EQ(dlg.category_box()->currentIndex(), -1);
  EXPECT_EQ(dlg.category_box()->currentText(), "");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(buffer.record().mCharTable(), 255);
  EXPECT_EQ(buffer.record().mCategory(), 255);
}

TEST_F(ChannelDlgTest, ReopeningReloadsFromTheRecord) {
  OpenAndShow();
  Retype(dlg.name_box(), "Typed");
  Retype(dlg.video_box(), "5");
  dlg.category_box()->setCurrentIndex(0);
  dlg.cancel_button()->click();
  OpenAndShow();
  EXPECT_EQ(dlg.name_box()->text(), "Sport");
  EXPECT_EQ(dlg.video_box()->text(), "101");
  EXPECT_EQ(dlg.category_box()->currentText(), "Sports");
}

struct Refusal {
  const char* what;
  std::vector<std::pair<int, const char*>> texts;  // box, text typed (pasted)
  int failing;
  const char* message;
};
enum Box { kVideo, kAudio, kPcr, kCa, kEcm };

class ChannelDlgRefusalTest : public ChannelDlgTest, public ::testing::WithParamInterface<Refusal> {
 protected:
  QLineEdit* BoxOf(int box) const {
    QLineEdit* boxes[] = {dlg.video_box(), dlg.audio_box(), dlg.pcr_box(), dlg.ca_system_id_box(),
                          dlg.ecm_pid_box()};
    return boxes[box];
  }
};

TEST_P(ChannelDlgRefusalTest, ShowsTheMessageFocusesAndSelectsTheBoxAndKeepsTheRecord) {
  const Refusal& c = GetParam();
  OpenAndShow();
  for (const auto& [box, text] : c.texts) Paste(BoxOf(box), text);
  dlg.name_box()->setFocus();  // the focus elsewhere when OK is pressed
  PressOk();
  EXPECT_EQ(messages, std::vector<std::string>{c.message});
  EXPECT_TRUE(dlg.isVisible());
  QLineEdit* failing = BoxOf(c.failing);
  EXPECT_EQ(dlg.focusWidget(), failing);
  EXPECT_EQ(failing->selectedText(), failing->text());
  EXPECT_EQ(failing->selectionStart(), failing->text().isEmpty() ? -1 : 0);
  EXPECT_EQ(buffer.bytes, before);
  dlg.cancel_button()->click();
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ(buffer.bytes, before);
}

const char kInteger[] = "Please enter an integer.";
const char kPositive[] = "Please enter a positive integer.";
const char kPidRange[] = "Please enter an integer between 0 and 8191.";
const char kHexRange[] = "Please enter a hexadecimal number between 0 and ffff.";

INSTANTIATE_TEST_SUITE_P(
    Boxes, ChannelDlgRefusalTest,
    ::testing::Values(Refusal{"video not a number", {{kVideo, "12x"}}, kVideo, kInteger},
                      Refusal{"pcr empty", {{kPcr, ""}}, kPcr, kInteger},
                      Refusal{"audio empty", {{kAudio, ""}}, kAudio, kPositive},
                      Refusal{"audio negative", {{kAudio, "-1"}}, kAudio, kPositive},
                      Refusal{"video above 8191", {{kVideo, "8192"}}, kVideo, kPidRange},
                      Refusal{"pcr negative", {{kPcr, "-5"}}, kPcr, kPidRange},
                      Refusal{"audio long digits", {{kAudio, "99999"}}, kAudio, kPidRange},
                      Refusal{"ca above ffff", {{kCa, "10000"}}, kCa, kHexRange},
                      Refusal{"ecm above ffff", {{kEcm, "0x1ffff"}}, kEcm, kHexRange},
                      Refusal{"video before pcr", {{kPcr, "x"}, {kVideo, "y"}}, kVideo, kInteger},
                      Refusal{"pcr before audio", {{kAudio, ""}, {kPcr, "9999"}}, kPcr, kPidRange},
                      Refusal{"audio before ca", {{kCa, "fffff"}, {kAudio, "8192"}}, kAudio, kPidRange},
                      Refusal{"ca before ecm", {{kEcm, "fffff"}, {kCa, "fffff"}}, kCa, kHexRange}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

TEST_F(ChannelDlgTest, TheNameBoxTakesNineteenLatin1Characters) {
  OpenAndShow();
  Retype(dlg.name_box(), "ABCDEFGHIJKLMNOPQRSTUV");
  EXPECT_EQ(dlg.name_box()->text(), "ABCDEFGHIJKLMNOPQRS");
  // One byte each: accented Latin-1 letters go in, the euro sign does not.
  Retype(dlg.name_box(), QString::fromUtf8("Ä€ß"));
  EXPECT_EQ(dlg.name_box()->text(), QString::fromUtf8("Äß"));
  Paste(dlg.name_box(), QString::fromUtf8("Café €"));
  EXPECT_EQ(dlg.name_box()->text(), QString::fromUtf8("Äß"));
  Paste(dlg.name_box(), QString(QChar(0)) + "x");
  EXPECT_EQ(dlg.name_box()->text(), QString::fromUtf8("Äß"));
  Paste(dlg.name_box(), QString(25, 'x'));
  EXPECT_EQ(dlg.name_box()->text(), QString(19, 'x'));

  Retype(dlg.name_box(), QString::fromUtf8("Télé ÿ"));
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(buffer.record().mServiceName(), "T\xE9l\xE9 \xFF");
}

TEST_F(ChannelDlgTest, ANineteenCharacterNameIsStoredWhole) {
  OpenAndShow();
  Retype(dlg.name_box(), "ABCDEFGHIJKLMNOPQRS");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(buffer.record().mServiceName(), "ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(buffer.bytes[0x18 + 19], 0);
}

TEST_F(ChannelDlgTest, PidBoxesRefuseTypedNonDigitsButTakeAPasteAsText) {
  OpenAndShow();
  Retype(dlg.video_box(), "1a-2 +");
  EXPECT_EQ(dlg.video_box()->text(), "12");
  Retype(dlg.audio_box(), "x9");
  EXPECT_EQ(dlg.audio_box()->text(), "9");
  Paste(dlg.pcr_box(), "1a");
  EXPECT_EQ(dlg.pcr_box()->text(), "1a");
  PressOk();
  EXPECT_EQ(messages, std::vector<std::string>{kInteger});
  EXPECT_EQ(dlg.focusWidget(), dlg.pcr_box());
}

TEST_F(ChannelDlgTest, AnUnreadableHexadecimalBoxKeepsTheOldValue) {
  OpenAndShow();
  Paste(dlg.ca_system_id_box(), "");
  Paste(dlg.ecm_pid_box(), "-1");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(buffer.bytes, before);
}

}  // namespace
}  // namespace kavor::testing
