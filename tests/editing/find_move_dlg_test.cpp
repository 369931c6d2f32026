// "Find Channel", "Move to" and the OK/Cancel question as real modal
// dialogs, shown through the interface the operations ask.
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "editing/channel_dlg.h"
#include "editing/dialog_helpers.h"
#include "app/main_frame.h"
#include "database/data_file.h"
#include "database/document.h"
#include "database/image_builder.h"
#include "support/temp_dir.h"
#include "editing/find_dlg.h"
#include "editing/kavor_view.h"
#include "editing/move_dlg.h"
#include "editing/qt_user_interface.h"

namespace kavor::testing {
namespace {

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto record = [this](const std::string& text) { messages.push_back(text); };
    channel->set_message_handler(record);
    move->set_message_handler(record);
    ui.set_dialogs({channel.get(), find.get(), move.get()});
  }
  QtUserInterface ui;
  std::unique_ptr<CChannelDlg> channel = std::make_unique<CChannelDlg>();
  std::unique_ptr<CFindDlg> find = std::make_unique<CFindDlg>();
  std::unique_ptr<CMoveDlg> move = std::make_unique<CMoveDlg>();
  std::vector<std::string> messages;
};

TEST_F(DialogsTest, FindShowsWhatItIsGivenAndReturnsWhatWasEntered) {
  std::string text;
  bool match_case = false;
  const bool ok = WhileModal(
      [&](QWidget* modal) {
        EXPECT_EQ(modal, find.get());
        EXPECT_EQ(modal->windowTitle(), "Find Channel");
        EXPECT_EQ(find->match_case_box()->text(), "Match case");
        EXPECT_EQ(find->text_box()->text(), "");
        EXPECT_FALSE(find->match_case_box()->isChecked());
        EXPECT_TRUE(find->ok_button()->isDefault());
        EXPECT_EQ(find->focusWidget(), find->text_box());
        Type(find->text_box(), QString::fromUtf8("zéta"));
        find->match_case_box()->setChecked(true);
        find->ok_button()->click();
      },
      [&] { return ui.AskFind(text, match_case); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(text, "z\xE9ta");
  EXPECT_TRUE(match_case);

  // The next find shows them again; typing then Cancel changes nothing.
  const bool again = WhileModal(
      [&](QWidget*) {
        EXPECT_EQ(find->text_box()->text(), QString::fromUtf8("zéta"));
        EXPECT_TRUE(find->match_case_box()->isChecked());
        EXPECT_TRUE(find->ok_button()->isDefault());
        QTest::keyClicks(find->text_box(), "more");
        find->match_case_box()->setChecked(false);
        find->cancel_button()->setFocus();
        find->cancel_button()->click();
      },
      [&] { return ui.AskFind(text, match_case); });
  EXPECT_FALSE(again);
  EXPECT_EQ(text, "z\xE9ta");
  EXPECT_TRUE(match_case);

  // A cancelled showing left other text and Cancel focused: the next one
  // shows the values it is given, with OK the default.
  WhileModal(
      [&](QWidget*) {
        EXPECT_EQ(find->text_box()->text(), QString::fromUtf8("zéta"));
        EXPECT_TRUE(find->match_case_box()->isChecked());
        EXPECT_TRUE(find->ok_button()->isDefault());
        EXPECT_FALSE(find->cancel_button()->isDefault());
        find->ok_button()->click();
      },
      [&] { return ui.AskFind(text, match_case); });
}

TEST_F(DialogsTest, FindAcceptsAnEmptyText) {
  std::string text = "old";
  bool match_case = true;
  const bool ok = WhileModal(
      [&](QWidget*) {
        find->text_box()->clear();
        find->ok_button()->click();
      },
      [&] { return ui.AskFind(text, match_case); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(text, "");
  EXPECT_TRUE(match_case);
}

TEST_F(DialogsTest, MoveShowsThePromptAndTheNumberAndReturnsTheTypedInteger) {
  const auto number = WhileModal(
      [&](QWidget* modal) {
        EXPECT_EQ(modal, move.get());
        EXPECT_EQ(modal->windowTitle(), "Move to");
        EXPECT_EQ(move->prompt_box()->text(), "New channel (1-8)");
        EXPECT_TRUE(move->prompt_box()->isReadOnly());
        EXPECT_EQ(move->number_box()->text(), "5");
        EXPECT_EQ(move->focusWidget(), move->number_box());
        EXPECT_TRUE(move->ok_button()->isDefault());
        QTest::keyClicks(move->number_box(), "x7");  // replaces the selected "5"
        EXPECT_EQ(move->number_box()->text(), "7");
        move->ok_button()->click();
      },
      [&] { return ui.AskNumber("New channel (1-8)", 5); });
  EXPECT_EQ(number, 7);
  EXPECT_TRUE(messages.empty());
}

TEST_F(DialogsTest, MoveRefusesWhatIsNotAnIntegerAndStaysOpen) {
  const char* refused[] = {"", "  ", "1 2", "3x", "+", "0x10"};
  const auto number = WhileModal(
      [&](QWidget*) {
        for (const char* text : refused) {
          messages.clear();
          Paste(move->number_box(), text);
          move->cancel_button()->setFocus();
          move->ok_button()->click();
          QApplication::processEvents();
          EXPECT_EQ(messages, std::vector<std::string>{"Please enter an integer."}) << text;
          EXPECT_TRUE(move->isVisible()) << text;
          EXPECT_EQ(move->focusWidget(), move->number_box()) << text;
          EXPECT_EQ(move->number_box()->selectedText(), move->number_box()->text()) << text;
        }
        // The caller checks the range: any integer goes back to it.
        Paste(move->number_box(), " -3 ");
        move->ok_button()->click();
      },
      [&] { return ui.AskNumber("New channel (1-8)", 1); });
  EXPECT_EQ(number, -3);
}

TEST_F(DialogsTest, MoveCancelAnswersNothingAndTheNextShowingHasTheCallersNumber) {
  const auto cancelled = WhileModal(
      [&](QWidget*) {
        Paste(move->number_box(), "4");
        move->cancel_button()->setFocus();
        move->cancel_button()->click();
      },
      [&] { return ui.AskNumber("New channel (1-8)", 2); });
  EXPECT_FALSE(cancelled);
  const auto number = WhileModal(
      [&](QWidget*) {
        EXPECT_EQ(move->prompt_box()->text(), "New transponder (1-3)");
        EXPECT_EQ(move->number_box()->text(), "9");
        EXPECT_TRUE(move->ok_button()->isDefault());
        move->ok_button()->click();
      },
      [&] { return ui.AskNumber("New transponder (1-3)", 9); });
  EXPECT_EQ(number, 9);
}

TEST_F(DialogsTest, OkCancelAsksWithTheQuestionIconUnderTheCaption) {
  for (const bool press_ok : {true, false}) {
    const bool answer = WhileModal(
        [&](QWidget* modal) {
          auto* box = qobject_cast<QMessageBox*>(modal);
          ASSERT_NE(box, nullptr);
          EXPECT_EQ(box->windowTitle(), "Channel Delete");
          EXPECT_EQ(box->text(), "Are you sure?");
          EXPECT_EQ(box->icon(), QMessageBox::Question);
          EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
          box->button(press_ok ? QMessageBox::Ok : QMessageBox::Cancel)->click();
        },
        [&] { return ui.AskOkCancel("Channel Delete", "Are you sure?"); });
    EXPECT_EQ(answer, press_ok);
  }
}

TEST_F(DialogsTest, EditChannelShowsTheEditorUnderTheCaptionAndOkWrites) {
  RecordBuffer buffer;
  buffer.record().set_mVideoPid(17);
  const bool ok = WhileModal(
      [&](QWidget* modal) {
        EXPECT_EQ(modal, channel.get());
        EXPECT_EQ(modal->windowTitle(), "Insert channel");
        EXPECT_EQ(channel->video_box()->text(), "17");
        EXPECT_EQ(channel->focusWidget(), channel->name_box());
        QTest::keyClicks(channel->name_box(), "Arte");
        QTest::keyClick(channel->name_box(), Qt::Key_Return);  // the default button
      },
      [&] { return ui.EditChannel("Insert channel", buffer.record()); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(buffer.record().mServiceName(), "Arte");

  const auto before = buffer.bytes;
  const bool cancelled = WhileModal(
      [&](QWidget*) {
        QTest::keyClicks(channel->name_box(), "X");
        Paste(channel->audio_box(), "");
        channel->ok_button()->click();  // refused: the dialog stays
        QApplication::processEvents();
        EXPECT_TRUE(channel->isVisible());
        channel->cancel_button()->click();
      },
      [&] { return ui.EditChannel("Edit channel", buffer.record()); });
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(messages, std::vector<std::string>{"Please enter a positive integer."});
  EXPECT_EQ(buffer.bytes, before);
}

TEST(QtUserInterfaceTest, WithoutTheFormsDialogsEveryQuestionIsCancelled) {
  QtUserInterface ui;
  RecordBuffer buffer;
  std::string text = "a";
  bool match_case = false;
  EXPECT_FALSE(ui.EditChannel("Edit channel", buffer.record()));
  EXPECT_FALSE(ui.AskNumber("New channel (1-8)", 1));
  EXPECT_FALSE(ui.AskFind(text, match_case));
  EXPECT_EQ(text, "a");
}

TEST(QtUserInterfaceTest, TheFormHandsItsDialogsToTheInterfaceAndTakesThemBack) {
  Document doc;
  QtUserInterface ui;
  {
    CKavorView view(doc, ui);
    ASSERT_NE(view.channel_dialog(), nullptr);
    EXPECT_EQ(ui.dialogs().channel, view.channel_dialog());
    EXPECT_EQ(ui.dialogs().find, view.find_dialog());
    EXPECT_EQ(ui.dialogs().move, view.move_dialog());
    EXPECT_NE(ui.dialogs().find, nullptr);
    EXPECT_NE(ui.dialogs().move, nullptr);
  }
  EXPECT_EQ(ui.dialogs().channel, nullptr);
  EXPECT_EQ(ui.dialogs().find, nullptr);
  EXPECT_EQ(ui.dialogs().move, nullptr);
}

// In the window with the real dialogs: Enter on the channel list opens the
// editor; inside it Enter is OK and Del edits the text, never the list's keys.
TEST(QtUserInterfaceTest, KeysInTheEditorStayInTheEditor) {
  TempDir dir;
  {
    Image image;
    ImageBuilder b(image, 3);
    b.AddTransponder(1, 11000, 22000, false);
    for (const char* name : {"One", "Two", "Three"}) b.AddChannel(1, 1, {kServiceTypeTv, name});
    b.Finish();
    ASSERT_TRUE(WriteDataFile(dir / "three.bin", image));
  }
  Document doc;
  QtUserInterface ui;
  CMainFrame frame(doc, ui);
  ui.set_parent(&frame);
  frame.show();
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  ASSERT_TRUE(frame.view()->OpenFile((dir / "three.bin").string()));
  QListView* list = frame.view()->channel_list();
  list->selectionModel()->setCurrentIndex(list->model()->index(1, 0), QItemSelectionModel::ClearAndSelect);
  list->setFocus();
  CChannelDlg* dlg = frame.view()->channel_dialog();
  int boxes = 0;  // any modal box but the editor means a list key ran
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != dlg) {
      ++boxes;
      modal->close();
    }
  });
  watchdog.start(0);
  WhileModal(
      [&](QWidget* modal) {
        ASSERT_EQ(modal, dlg);
        // The list's keys do nothing while the editor is up.
        QTest::keyClick(list, Qt::Key_Delete);
        QTest::keyClick(list, Qt::Key_Return);
        QApplication::processEvents();
        // The window system makes the dialog the active window.
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg));
        QLineEdit* name = dlg->name_box();
        name->setCursorPosition(0);
        QTest::keyClick(name, Qt::Key_Delete);
        EXPECT_EQ(name->text(), "wo");
        QTest::keyClick(name, Qt::Key_Return);
      },
      [&] {
        QTest::keyClick(list, Qt::Key_Return);
        return 0;
      });
  watchdog.stop();
  EXPECT_EQ(boxes, 0);
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(doc.view().channel(doc.view().channel_rows()[1]).mServiceName(), "wo");
  EXPECT_EQ(list->model()->index(1, 0).data().toString().mid(7).trimmed(), "wo");
  EXPECT_EQ(doc.view().channel_rows().size(), 3u);
}

}  // namespace
}  // namespace kavor::testing
