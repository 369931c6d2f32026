// The transfer and Configuration dialogs inside the editor, against kavor-sim.
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QListView>
#include <QProgressBar>
#include <QLabel>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/main_frame.h"
#include "database/data_file.h"
#include "database/image_builder.h"
#include "link/config_dlg.h"
#include "link/transfer_dlg.h"
#include "support/temp_dir.h"
#include "link/sim_process.h"

namespace kavor {
namespace {

class NoDialogsUi : public UserInterface {
 public:
  std::vector<std::string> messages;
  void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
  std::optional<std::string> ChooseOpenFile(const std::string&) override { return std::nullopt; }
  std::optional<std::string> ChooseSaveFile(const std::string&) override { return std::nullopt; }
};

// The title as the window system shows it ("[*]" is "*" while modified).
QString ShownTitle(QWidget& window) {
  window.winId();  // the native window that carries the title
  return window.windowHandle()->title();
}

class TransferDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = std::make_unique<CMainFrame>(doc, ui);
    view = frame->view();
    // No Kavor.ini in the start folder: the settings go to the config folder, kept inside the test's own.
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    view->OnInitialUpdate(dir.path().string());
    dlg = view->transfer_dialog();
    TransferTiming fast;
    fast.byte_timeout_ms = 300;
    fast.connect_attempts = 3;
    fast.final_waits = 3;
    dlg->SetTiming(fast);
    dlg->SetMessageFunction([this](const std::string& text) { messages.push_back(text); });
    frame->show();
  }
  // The user presses OK as soon as the dialog is up.
  void PressOkSoon() {
    QTimer::singleShot(0, dlg, [d = dlg] { d->OnOK(); });
  }
  void UsePort(const std::string& device) { ::setenv("KAVOR_COM1", device.c_str(), 1); }

  kavor::testing::TempDir dir;
  Document doc;
  NoDialogsUi ui;
  std::unique_ptr<CMainFrame> frame;
  CKavorView* view = nullptr;
  CTransferDlg* dlg = nullptr;
  std::vector<std::string> messages;
};

TEST_F(TransferDialogTest, SuccessfulReadFillsTheListsAndNamesTheDocument) {
  kavor::testing::SimProcess sim({"--kind", "5", "--sessions", "1"});
  ASSERT_FALSE(sim.pty().empty());
  UsePort(sim.pty());
  EXPECT_FALSE(frame->action(ID_WRITE_TO_RECEIVER)->isEnabled());
  PressOkSoon();
  view->OnReadFromReceiver();
  EXPECT_TRUE(messages.empty()) << messages.front();
  EXPECT_EQ(ShownTitle(*frame), "Kavor - ReadData.bin");
  EXPECT_TRUE(doc.view().image_loaded());
  EXPECT_EQ(doc.image().kind(), 5);
  EXPECT_EQ(view->channel_list()->model()->rowCount(), 355);  // the simulator's demo image
  EXPECT_TRUE(frame->action(ID_WRITE_TO_RECEIVER)->isEnabled());
  EXPECT_TRUE(frame->action(ID_FILE_SAVE)->isEnabled());
  // Progress reached the dialog while it ran.
  EXPECT_EQ(dlg->status_label()->text(), "100 %");
  EXPECT_EQ(dlg->windowTitle(), "Read data from receiver");
  EXPECT_FALSE(std::filesystem::exists(dir / "config" / "kavor" / "Kavor.ini"));  // "PathName" untouched
}

TEST_F(TransferDialogTest, FailedReadLeavesEverythingAsItWas) {
  Image first;
  BuildDemoImage(first, 3);
  ASSERT_TRUE(WriteDataFile(dir / "first.bin", first));
  ASSERT_TRUE(view->OpenFile((dir / "first.bin").string()));
  const QString title = ShownTitle(*frame);
  const std::string before(reinterpret_cast<const char*>(doc.image().bytes()), kMaxImageLength);
  const auto rows = doc.view().channel_rows();

  kavor::testing::SimProcess sim({"--kind", "5", "--sessions", "1", "--fault", "bad-sum"});
  UsePort(sim.pty());
  PressOkSoon();
  view->OnReadFromReceiver();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Data read error");
  EXPECT_EQ(ShownTitle(*frame), title);
  EXPECT_EQ(doc.image().kind(), 3);
  EXPECT_TRUE(std::memcmp(doc.image().bytes(), before.data(), kMaxImageLength) == 0);
  EXPECT_EQ(doc.view().channel_rows(), rows);
}

TEST_F(TransferDialogTest, PortThatCannotBeOpened) {
  UsePort((dir / "no-such-device").string());
  PressOkSoon();
  view->OnReadFromReceiver();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Couldn't open COM1 port");
  EXPECT_FALSE(doc.view().image_loaded());
  EXPECT_EQ(ShownTitle(*frame), "Kavor");
}

TEST_F(TransferDialogTest, WriteSendsTheImage) {
  Image image;
  BuildDemoImage(image, 3);
  ASSERT_TRUE(WriteDataFile(dir / "mine.bin", image));
  ASSERT_TRUE(view->OpenFile((dir / "mine.bin").string()));
  const auto out = dir / "received.bin";
  kavor::testing::SimProcess sim({"--kind", "3", "--sessions", "1", "--out", out.string()});
  UsePort(sim.pty());
  PressOkSoon();
  view->OnWriteToReceiver();
  EXPECT_TRUE(messages.empty());
  ASSERT_TRUE(sim.WaitFor("stored"));
  EXPECT_EQ(kavor::testing::ReadFile(out).substr(0, 0x28000), kavor::testing::ReadFile(dir / "mine.bin"));
  EXPECT_EQ(dlg->windowTitle(), "Write data to receiver");
}

// Each showing has OK as its default and focused button, also after an
// earlier showing hid the buttons while OK had the focus: Enter starts the
// transfer instead of cancelling.
TEST_F(TransferDialogTest, EnterPressesOkAtEveryShowing) {
  {
    kavor::testing::SimProcess sim({"--kind", "5", "--sessions", "1"});
    UsePort(sim.pty());
    PressOkSoon();
    view->OnReadFromReceiver();
    ASSERT_TRUE(messages.empty());
  }
  UsePort((dir / "no-such-device").string());
  for (int showing = 0; showing < 2; ++showing) {
    SCOPED_TRACE(showing);
    messages.clear();
    bool checked = false;
    QTimer::singleShot(0, dlg, [this, &checked] {
      EXPECT_TRUE(dlg->ok_button()->isDefault());
      EXPECT_EQ(dlg->focusWidget(), dlg->ok_button());
      QWidget* target = dlg->focusWidget() ? dlg->focusWidget() : dlg;
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QApplication::sendEvent(target, &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
      QApplication::sendEvent(target, &release);
      checked = true;
      if (dlg->isVisible()) dlg->reject();
    });
    view->OnReadFromReceiver();
    EXPECT_TRUE(checked);
    // OK ran the transfer, which could not open the port; Cancel says nothing.
    EXPECT_EQ(messages, std::vector<std::string>{"Couldn't open COM1 port"});
  }
}

TEST_F(TransferDialogTest, AReadOfAnImageOpenWouldRefuseInstallsNothing) {
  Image served;
  BuildDemoImage(served, 5);
  served.set_mTpCount(1021);
  ASSERT_TRUE(WriteDataFile(dir / "served.bin", served));
  kavor::testing::SimProcess sim({"--kind", "5", "--sessions", "1", "--image", (dir / "served.bin").string()});
  UsePort(sim.pty());
  PressOkSoon();
  view->OnReadFromReceiver();
  EXPECT_EQ(messages, std::vector<std::string>{"Data format error"});
  EXPECT_FALSE(doc.view().image_loaded());
  EXPECT_EQ(ShownTitle(*frame), "Kavor");
}

TEST_F(TransferDialogTest, ConfigurationStoresTheChosenPort) {
  CConfigDlg* config = view->config_dialog();
  QTimer::singleShot(0, config, [config] {
    EXPECT_EQ(config->combo()->currentText(), "COM1");
    config->combo()->setCurrentIndex(3);
    config->accept();
  });
  view->OnConfiguration();
  EXPECT_EQ(doc.com_port(), 3);
  EXPECT_EQ(kavor::testing::ReadFile(dir / "config" / "kavor" / "Kavor.ini"), "[Kavor]\nComPort=3\n");

  // Typed text that names no port keeps the previous choice; Cancel changes nothing.
  QTimer::singleShot(0, config, [config] {
    EXPECT_EQ(config->combo()->currentText(), "COM4");
    config->combo()->setEditText("LPT1");
    config->accept();
  });
  view->OnConfiguration();
  EXPECT_EQ(doc.com_port(), 3);
  QTimer::singleShot(0, config, [config] {
    config->combo()->setCurrentIndex(1);
    config->reject();
  });
  view->OnConfiguration();
  EXPECT_EQ(doc.com_port(), 3);
}

}  // namespace
}  // namespace kavor
