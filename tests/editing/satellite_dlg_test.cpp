// "Edit Satellite" with its real widgets: what opening shows, the focus and
// tab order (the East/West pair one stop), "Input" following the LNB
// choice, the boxes' character rules, OK's refusal and writes, Cancel
// touching nothing, and degrees read and shown alike under a German locale.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "editing/dialog_helpers.h"
#include "editing/satellite_dlg.h"

namespace kavor::testing {
namespace {

class SatelliteDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.set_message_handler([this](const std::string& text, MessageIcon icon) { messages.emplace_back(text, icon); });
    SatelliteRecord r = record();
    r.set_mLnbFrequency(5150);
    r.set_mDegree(192);
    std::memcpy(r.data() + 0x06, "Astra\0zzzzzzzzzz", 16);  // bytes after the zero kept
    r.set_mSatId(3);
    r.set_mAntenaType(0);
    // LNB Power, 22kHz, tone burst SB, 12V, and bits 1, 5, 6 of their own.
    r.set_mFlag(0x80 | 0x10 | (2 << 2) | 0x01 | 0x62);
    r.set_mSwitcher(2);
    r.set_mSatFlag2(0xF0 | 0x02);
    bytes[0x1F] = 0x5A;  // a byte the dialog has no control for
    before = bytes;
  }
  SatelliteRecord record() { return SatelliteRecord(bytes.data()); }
  void OpenAndShow() {
    dlg.Open(record());
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  }
  void PressOk() {
    dlg.ok_button()->click();
    QApplication::processEvents();
  }
  // The widgets Tab visits from the name box until it comes back.
  std::vector<QWidget*> TabStops() {
    std::vector<QWidget*> stops;
    dlg.name_box()->setFocus();
    for (int i = 0; i < 20; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      if (QApplication::focusWidget() == dlg.name_box()) break;
      stops.push_back(QApplication::focusWidget());
    }
    return stops;
  }

  CSatelliteDlg dlg;
  std::vector<std::pair<std::string, MessageIcon>> messages;
  std::array<std::uint8_t, SatelliteRecord::kSize> bytes{};
  std::array<std::uint8_t, SatelliteRecord::kSize> before{};
};

TEST_F(SatelliteDlgTest, OpensOnTheNameWithOkTheDefaultAtEveryShowing) {
  OpenAndShow();
  EXPECT_EQ(dlg.windowTitle(), "Edit Satellite");
  EXPECT_EQ(dlg.focusWidget(), dlg.name_box());
  EXPECT_TRUE(dlg.ok_button()->isDefault());
  dlg.cancel_button()->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(dlg.cancel_button()->isDefault());
  dlg.cancel_button()->click();
  ASSERT_FALSE(dlg.isVisible());

  OpenAndShow();
  EXPECT_EQ(dlg.focusWidget(), dlg.name_box());
  EXPECT_TRUE(dlg.ok_button()->isDefault());
  EXPECT_FALSE(dlg.cancel_button()->isDefault());
}

TEST_F(SatelliteDlgTest, OpeningShowsTheRecord) {
  OpenAndShow();
  EXPECT_EQ(dlg.name_box()->text(), "Astra");
  EXPECT_TRUE(dlg.east_button()->isChecked());
  EXPECT_FALSE(dlg.west_button()->isChecked());
  EXPECT_EQ(dlg.degree_box()->text(), "19.2");
  EXPECT_EQ(dlg.lnb_box()->count(), 12);
  EXPECT_EQ(dlg.lnb_box()->currentText(), "U-LNB1 (9750/10600)");
  EXPECT_TRUE(dlg.input_box()->isHidden());
  EXPECT_TRUE(dlg.input_label()->isHidden());
  EXPECT_EQ(dlg.input_label()->text(), "Input");
  EXPECT_EQ(dlg.switch_box()->count(), 9);
  EXPECT_EQ(dlg.switch_box()->currentText(), "SW3");
  EXPECT_EQ(dlg.tone_burst_box()->count(), 3);
  EXPECT_EQ(dlg.tone_burst_box()->currentText(), "SB");
  EXPECT_TRUE(dlg.lnb_power_box()->isChecked());
  EXPECT_TRUE(dlg.khz22_box()->isChecked());
  EXPECT_TRUE(dlg.v12_box()->isChecked());
  EXPECT_TRUE(dlg.scramble_box()->isChecked());
  EXPECT_EQ(dlg.lnb_power_box()->text(), "LNB Power");
  EXPECT_EQ(dlg.khz22_box()->text(), "22kHz");
  EXPECT_EQ(dlg.v12_box()->text(), "12V");
  EXPECT_EQ(dlg.scramble_box()->text(), "Scramble");
}

TEST_F(SatelliteDlgTest, TabMovesThroughTheFieldsWithEastAndWestOneStop) {
  OpenAndShow();
  const std::vector<QWidget*> tail = {dlg.switch_box(),  dlg.tone_burst_box(), dlg.lnb_power_box(),
                                      dlg.khz22_box(),   dlg.v12_box(),        dlg.scramble_box(),
                                      dlg.ok_button(),   dlg.cancel_button()};
  auto expected = [&](QWidget* side, bool with_input) {
    std::vector<QWidget*> stops = {side, dlg.degree_box(), dlg.lnb_box()};
    if (with_input) stops.push_back(dlg.input_box());
    stops.insert(stops.end(), tail.begin(), tail.end());
    return stops;
  };
  EXPECT_EQ(TabStops(), expected(dlg.east_button(), false));

  // West checked: the pair's stop is West; "User defined": Input joins.
  dlg.west_button()->click();
  dlg.lnb_box()->setCurrentIndex(kUserDefinedLnb);
  EXPECT_EQ(TabStops(), expected(dlg.west_button(), true));

  // The arrow keys move within the pair and check the button they reach.
  dlg.west_button()->setFocus();
  QTest::keyClick(dlg.west_button(), Qt::Key_Left);
  EXPECT_TRUE(dlg.east_button()->isChecked());
  EXPECT_EQ(QApplication::focusWidget(), dlg.east_button());
  EXPECT_EQ(TabStops(), expected(dlg.east_button(), true));
}

TEST_F(SatelliteDlgTest, InputShowsOnlyWhileUserDefinedIsChosen) {
  OpenAndShow();
  ASSERT_FALSE(dlg.input_box()->isVisible());
  // Chosen as the user does: the list's keys.
  dlg.lnb_box()->setFocus();
  QTest::keyClick(dlg.lnb_box(), Qt::Key_End);
  ASSERT_EQ(dlg.lnb_box()->currentText(), "User defined");
  EXPECT_TRUE(dlg.input_box()->isVisible());
  EXPECT_TRUE(dlg.input_label()->isVisible());
  QTest::keyClick(dlg.lnb_box(), Qt::Key_Up);
  ASSERT_EQ(dlg.lnb_box()->currentText(), "11475");
  EXPECT_FALSE(dlg.input_box()->isVisible());
  EXPECT_FALSE(dlg.input_label()->isVisible());
  // Leaving "User defined" leaves the stored frequency alone.
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(record().mAntenaType(), 10);
  EXPECT_EQ(record().mLnbFrequency(), 5150);

  // A record that is "User defined" opens with Input shown.
  record().set_mAntenaType(kUserDefinedLnb);
  OpenAndShow();
  EXPECT_TRUE(dlg.input_box()->isVisible());
  EXPECT_EQ(dlg.input_box()->text(), "5150");
  dlg.lnb_box()->setCurrentIndex(0);
  EXPECT_FALSE(dlg.input_box()->isVisible());
}

TEST_F(SatelliteDlgTest, InputTakesDigitsOnlyAndStoresAtMost60000) {
  record().set_mAntenaType(kUserDefinedLnb);
  OpenAndShow();
  Retype(dlg.input_box(), "6a5-0.00 0");
  EXPECT_EQ(dlg.input_box()->text(), "650000");
  Paste(dlg.input_box(), "123x");
  EXPECT_EQ(dlg.input_box()->text(), "650000");
  Paste(dlg.input_box(), "65000");
  EXPECT_EQ(dlg.input_box()->text(), "65000");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(record().mLnbFrequency(), 60000);
}

TEST_F(SatelliteDlgTest, TheNameBoxTakesAtMost15Latin1Characters) {
  OpenAndShow();
  Retype(dlg.name_box(), QString::fromUtf8("Türksat 42°E and more"));
  EXPECT_EQ(dlg.name_box()->text(), QString::fromUtf8("Türksat 42°E an"));
  Paste(dlg.name_box(), QString::fromUtf8("Ἑλλάς"));  // no Latin-1 byte for these
  EXPECT_EQ(dlg.name_box()->text(), QString::fromUtf8("Türksat 42°E an"));
  Retype(dlg.name_box(), QString::fromUtf8("Hot\u20acBird"));  // the euro sign is refused
  EXPECT_EQ(dlg.name_box()->text(), "HotBird");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(record().mSatName(), "HotBird");
  // The zero after the name; the bytes after it as they were.
  EXPECT_EQ(0, std::memcmp(bytes.data() + 0x06 + 8, before.data() + 0x06 + 8, 8));
}

TEST_F(SatelliteDlgTest, ASixteenByteNameWithoutTerminatorSurvivesAnEditOfAnotherField) {
  std::memcpy(record().data() + 0x06, "ABCDEFGHIJKLMNOP", 16);
  before = bytes;
  OpenAndShow();
  EXPECT_EQ(dlg.name_box()->text(), "ABCDEFGHIJKLMNO");
  Retype(dlg.degree_box(), "13.0");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(record().mDegree(), 130);
  EXPECT_EQ(0, std::memcmp(bytes.data() + 0x06, before.data() + 0x06, 16));
}

TEST_F(SatelliteDlgTest, ADegreeOutOfRangeIsRefusedWithTheBoxFocusedAndSelected) {
  for (const char* text : {"180.1", "-0.1", "1e9", "nan"}) {
    SCOPED_TRACE(text);
    messages.clear();
    OpenAndShow();
    Retype(dlg.degree_box(), text);
    dlg.switch_box()->setFocus();  // OK is pressed from elsewhere
    PressOk();
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, "Please enter a number of degree between 0.0 and 180.0");
    EXPECT_EQ(messages[0].second, MessageIcon::Error);
    EXPECT_EQ(QApplication::focusWidget(), dlg.degree_box());
    EXPECT_EQ(dlg.degree_box()->selectedText(), QString(text));
    EXPECT_EQ(bytes, before);
    dlg.reject();
  }
}

TEST_F(SatelliteDlgTest, OkWritesEachControlToItsField) {
  OpenAndShow();
  Retype(dlg.name_box(), "Eutelsat");
  dlg.west_button()->click();
  Retype(dlg.degree_box(), "0.0");
  dlg.lnb_box()->setCurrentIndex(kUserDefinedLnb);
  Retype(dlg.input_box(), "10700");
  dlg.switch_box()->setCurrentIndex(8);
  dlg.tone_burst_box()->setCurrentIndex(1);
  dlg.lnb_power_box()->setChecked(false);
  dlg.khz22_box()->setChecked(false);
  dlg.v12_box()->setChecked(false);
  dlg.scramble_box()->setChecked(false);
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  const SatelliteRecord r = record();
  EXPECT_EQ(r.mSatName(), "Eutelsat");
  EXPECT_EQ(r.mDegree(), 3600);
  EXPECT_EQ(r.mAntenaType(), kUserDefinedLnb);
  EXPECT_EQ(r.mLnbFrequency(), 10700);
  EXPECT_EQ(r.mSwitcher(), 255);
  EXPECT_EQ(r.mFlag(), (1 << 2) | 0x62);
  EXPECT_EQ(r.mSatFlag2(), 0xF0);
  EXPECT_EQ(r.mSatId(), 3);
  EXPECT_EQ(bytes[0x1F], 0x5A);
  // West 0.0 reopens as West 0.0.
  OpenAndShow();
  EXPECT_TRUE(dlg.west_button()->isChecked());
  EXPECT_EQ(dlg.degree_box()->text(), "0.0");
}

TEST_F(SatelliteDlgTest, UnchosenListsKeepToneBurstThreeAndStoreSwitch255) {
  record().set_mFlag(0x0C);
  record().set_mSwitcher(200);
  OpenAndShow();
  EXPECT_EQ(dlg.tone_burst_box()->currentIndex(), -1);
  EXPECT_EQ(dlg.switch_box()->currentText(), "None");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(record().mFlag(), 0x0C);
  EXPECT_EQ(record().mSwitcher(), 255);
}

TEST_F(SatelliteDlgTest, CancelLeavesTheRecordByteForByte) {
  OpenAndShow();
  Retype(dlg.name_box(), "Other");
  dlg.west_button()->click();
  Retype(dlg.degree_box(), "45.5");
  dlg.lnb_box()->setCurrentIndex(kUserDefinedLnb);
  Retype(dlg.input_box(), "9000");
  dlg.switch_box()->setCurrentIndex(0);
  dlg.tone_burst_box()->setCurrentIndex(0);
  for (QCheckBox* box : {dlg.lnb_power_box(), dlg.khz22_box(), dlg.v12_box(), dlg.scramble_box()}) box->toggle();
  dlg.cancel_button()->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ(bytes, before);
  OpenAndShow();
  EXPECT_EQ(dlg.name_box()->text(), "Astra");
  EXPECT_TRUE(dlg.east_button()->isChecked());
  EXPECT_FALSE(dlg.input_box()->isVisible());
}

// The desktop's locale may write 19,2; the receiver's degrees are read and
// shown with a point whatever it is.
class GermanNumericLocale {
 public:
  GermanNumericLocale() : qt_before_(QLocale()) {
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    c_before_ = current ? current : "C";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
      if (std::setlocale(LC_NUMERIC, name)) {
        c_applied_ = true;
        break;
      }
    }
  }
  ~GermanNumericLocale() {
    std::setlocale(LC_NUMERIC, c_before_.c_str());
    QLocale::setDefault(qt_before_);
  }
  bool c_applied() const { return c_applied_; }

 private:
  QLocale qt_before_;
  std::string c_before_;
  bool c_applied_ = false;
};

TEST_F(SatelliteDlgTest, UnderAGermanNumericLocaleNineteenPointTwoReadsAndShowsAsSuch) {
  GermanNumericLocale german;
  if (german.c_applied()) {
    // The C library's own reading is the German one here.
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
  } else {
    std::printf("no German C locale here; Qt's default locale is German\n");
  }
  EXPECT_EQ(QLocale().decimalPoint(), ",");
  OpenAndShow();
  EXPECT_EQ(dlg.degree_box()->text(), "19.2");
  Retype(dlg.degree_box(), "30.5");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(record().mDegree(), 305);
  Retype(dlg.degree_box(), "");
  OpenAndShow();
  EXPECT_EQ(dlg.degree_box()->text(), "30.5");
  Retype(dlg.degree_box(), "19.25");
  PressOk();
  ASSERT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(record().mDegree(), 192);
}

}  // namespace
}  // namespace kavor::testing
