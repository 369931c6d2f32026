// The transponder editor's real widgets: what opening shows, the focus and
// tab order, what OK refuses (focus and selection on the failing box) and
// writes, and that Cancel touches nothing.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "editing/dialog_helpers.h"
#include "editing/transponder_dlg.h"

namespace kavor::testing {
namespace {

class TransponderDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.set_message_handler([this](const std::string& text, MessageIcon icon) { messages.emplace_back(text, icon); });
    TransponderRecord r = record();
    r.set_mNetworkId(0x1234);
    r.set_mTpId(0x5678);
    r.set_mFrequency(11954);
    r.set_mSymbolRate(27500);
    r.set_mSatId(4);
    r.set_mTpNumber(3);
    r.set_mTpFlag(0xA0 | 0x08 | 3);  // bits 4-7 of their own, vertical, 3/4
    bytes[0] = 0x11;  // bytes the dialog has no control for
    bytes[15] = 0x99;
    before = bytes;
  }
  TransponderRecord record() { return TransponderRecord(bytes.data()); }
  void OpenAndShow(const std::string& caption = "Edit transponder") {
    dlg.Open(caption, record());
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  }
  void PressOk() {
    dlg.ok_button()->click();
    QApplication::processEvents();
  }

  CTransponderDlg dlg;
  std::vector<std::pair<std::string, MessageIcon>> messages;
  std::array<std::uint8_t, TransponderRecord::kSize> bytes{};
  std::array<std::uint8_t, TransponderRecord::kSize> before{};
};

TEST_F(TransponderDlgTest, OpensOnTheFrequencyWithOkTheDefaultAtEveryShowing) {
  OpenAndShow();
  EXPECT_EQ(dlg.windowTitle(), "Edit transponder");
  EXPECT_EQ(dlg.focusWidget(), dlg.frequency_box());
  EXPECT_TRUE(dlg.ok_button()->isDefault());
  dlg.cancel_button()->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(dlg.cancel_button()->isDefault());
  dlg.cancel_button()->click();
  ASSERT_FALSE(dlg.isVisible());

  for (const char* caption : {"New transponder", "Insert transponder"}) {
    OpenAndShow(caption);
    EXPECT_EQ(dlg.windowTitle(), caption);
    EXPECT_EQ(dlg.focusWidget(), dlg.frequency_box());
    EXPECT_TRUE(dlg.ok_button()->isDefault());
    EXPECT_FALSE(dlg.cancel_button()->isDefault());
    dlg.polarity_box()->setFocus();  // leave the focus elsewhere before closing
    dlg.reject();
  }
}

TEST_F(TransponderDlgTest, TabMovesThroughTheFieldsInTheirOrder) {
  OpenAndShow();
  const std::vector<QWidget*> order = {dlg.frequency_box(), dlg.polarity_box(), dlg.symbol_rate_box(),
                                       dlg.fec_box(),       dlg.ok_button(),    dlg.cancel_button(),
                                       dlg.frequency_box()};
  ASSERT_EQ(QApplication::focusWidget(), order[0]);
  for (std::size_t i = 1; i < order.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), order[i]) << "stop " << i;
  }
}

TEST_F(TransponderDlgTest, OpeningShowsTheRecord) {
  OpenAndShow();
  EXPECT_EQ(dlg.frequency_box()->text(), "11954");
  EXPECT_EQ(dlg.polarity_box()->currentText(), "Vertical");
  EXPECT_EQ(dlg.polarity_box()->count(), 2);
  EXPECT_EQ(dlg.symbol_rate_box()->text(), "27500");
  EXPECT_EQ(dlg.fec_box()->currentText(), "3/4");
  EXPECT_EQ(dlg.fec_box()->count(), 7);
}

TEST_F(TransponderDlgTest, ANewRecordOpensAtZeroHorizontalAuto) {
  bytes = {};
  OpenAndShow("New transponder");
  EXPECT_EQ(dlg.frequency_box()->text(), "0");
  EXPECT_EQ(dlg.polarity_box()->currentText(), "Horizontal");
  EXPECT_EQ(dlg.symbol_rate_box()->text(), "0");
  EXPECT_EQ(dlg.fec_box()->currentText(), "Auto");
  PressOk();
  EXPECT_TRUE(dlg.isVisible());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, "Frequency Error");
}

struct Refusal {
  const char* frequency;
  const char* symbol_rate;
  const char* message;
  MessageIcon icon;
  bool on_symbol_rate;  // else the frequency box
};

TEST_F(TransponderDlgTest, OkRefusesWithTheFailingBoxFocusedAndSelected) {
  const Refusal cases[] = {
      {"12000", "abc", "Please enter an integer.", MessageIcon::Exclamation, true},
      {"12000", "", "Please enter an integer.", MessageIcon::Exclamation, true},
      {"12000", "70000", "Please enter an integer between 0 and 65535.", MessageIcon::Exclamation, true},
      {"0", "27500", "Frequency Error", MessageIcon::Error, false},
      {"-5", "27500", "Frequency Error", MessageIcon::Error, false},
      {"70000", "27500", "Frequency Error", MessageIcon::Error, false},
      {"99999999999999999999", "27500", "Frequency Error", MessageIcon::Error, false},
      // The symbol rate is checked first.
      {"0", "x", "Please enter an integer.", MessageIcon::Exclamation, true},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(std::string(c.frequency) + " / " + c.symbol_rate);
    messages.clear();
    OpenAndShow();
    Retype(dlg.frequency_box(), c.frequency);
    Retype(dlg.symbol_rate_box(), c.symbol_rate);
    dlg.polarity_box()->setFocus();  // OK is pressed from elsewhere
    PressOk();
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, c.message);
    EXPECT_EQ(messages[0].second, c.icon);
    QLineEdit* failing = c.on_symbol_rate ? dlg.symbol_rate_box() : dlg.frequency_box();
    EXPECT_EQ(QApplication::focusWidget(), failing);
    EXPECT_EQ(failing->selectedText(), failing->text());
    EXPECT_EQ(bytes, before);
    dlg.reject();
  }
}

TEST_F(TransponderDlgTest, OkWritesTheFieldsAndKeepsTheOtherBits) {
  OpenAndShow();
  Retype(dlg.frequency_box(), " 12188 ");
  dlg.polarity_box()->setCurrentIndex(0);
  Retype(dlg.symbol_rate_box(), "0");
  dlg.fec_box()->setCurrentIndex(6);
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_TRUE(messages.empty());
  const TransponderRecord r = record();
  EXPECT_EQ(r.mFrequency(), 12188);
  EXPECT_EQ(r.mSymbolRate(), 0);
  EXPECT_EQ(r.mTpFlag(), 0xA0 | 6);
  EXPECT_EQ(r.mNetworkId(), 0x1234);
  EXPECT_EQ(r.mTpId(), 0x5678);
  EXPECT_EQ(r.mSatId(), 4);
  EXPECT_EQ(r.mTpNumber(), 3);
  EXPECT_EQ(bytes[0], 0x11);
  EXPECT_EQ(bytes[15], 0x99);
}

TEST_F(TransponderDlgTest, AStoredFecSevenShowsNoChoiceAndSurvivesOk) {
  record().set_mTpFlag(0x50 | 7);
  before = bytes;
  OpenAndShow();
  EXPECT_EQ(dlg.fec_box()->currentIndex(), -1);
  EXPECT_EQ(dlg.polarity_box()->currentText(), "Horizontal");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(bytes, before);
}

TEST_F(TransponderDlgTest, CancelLeavesTheRecordByteForByte) {
  OpenAndShow();
  Retype(dlg.frequency_box(), "10714");
  dlg.polarity_box()->setCurrentIndex(0);
  Retype(dlg.symbol_rate_box(), "22000");
  dlg.fec_box()->setCurrentIndex(1);
  dlg.cancel_button()->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ(bytes, before);
  // Reopening shows the record again, not what was typed.
  OpenAndShow();
  EXPECT_EQ(dlg.frequency_box()->text(), "11954");
  EXPECT_EQ(dlg.fec_box()->currentText(), "3/4");
}

TEST_F(TransponderDlgTest, EnterInABoxIsOk) {
  OpenAndShow();
  Retype(dlg.frequency_box(), "12000");
  QTest::keyClick(dlg.frequency_box(), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(record().mFrequency(), 12000);
}

TEST_F(TransponderDlgTest, ExecWithoutARecordShowsNothing) {
  CTransponderDlg fresh;
  EXPECT_EQ(fresh.exec(), QDialog::Rejected);
  EXPECT_FALSE(fresh.isVisible());
}

}  // namespace
}  // namespace kavor::testing
