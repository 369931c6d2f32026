// The editor window driven as a user drives it, offscreen.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QToolBar>
#include <gtest/gtest.h>

#include "editor_fixture.h"

namespace kavor {
namespace {

using kavor::testing::EditorTest;
using kavor::testing::Row;
using kavor::testing::Click;

TEST_F(EditorTest, StartUpBeforeAnyLoad) {
  EXPECT_EQ(Title(), "Kavor");
  EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_LE(frame->width(), 1024);
  EXPECT_LE(frame->height(), 740);
  for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_WRITE_TO_RECEIVER})
    EXPECT_FALSE(frame->action(id)->isEnabled()) << id;
  for (int id : {ID_FILE_OPEN, ID_READ_FROM_RECEIVER, ID_CONFIGURATION})
    EXPECT_TRUE(frame->action(id)->isEnabled()) << id;
  EXPECT_EQ(frame->action(ID_EXPORT), nullptr);
  QMenu* file = frame->menuBar()->actions()[0]->menu();
  EXPECT_EQ(MenuTexts(file),
            (std::vector<std::string>{"&Open...\tCtrl+O", "&Save\tCtrl+S(grey)", "Save &As...(grey)", "-",
                                      "Read from receiver\tCtrl+R", "Write to receiver\tCtrl+W(grey)", "-",
                                      "Configuration...", "-", "E&xit"}));
  EXPECT_EQ(frame->toolbar()->actions().size(), 6);  // five buttons and a separator
  EXPECT_EQ(frame->action(ID_READ_FROM_RECEIVER)->toolTip(), "Read from receiver");
  EXPECT_EQ(view->CreatePopupMenu(ListId::Channel), nullptr);
  EXPECT_TRUE(view->channel_box()->title().isEmpty());
  EXPECT_EQ(view->satellite_list()->model()->rowCount(), 0);
  view->satellite_list()->setFocus();
  view->OnKey(ID_KEY_ENTER);
  EXPECT_EQ(view->last_routed().operation, Operation::None);
  // The default ".\\*.bin" is no name to propose.
  view->OnFileOpen();
  EXPECT_EQ(ui.open_dialogs, 1);
  EXPECT_EQ(ui.last_initial, "");
}

// Command 32773, sent to the form: the three headers into the current
// folder (the fixture's), then "Ok" or "Error" with the warning icon.
TEST_F(EditorTest, ExportWritesTheHeadersIntoTheCurrentFolder) {
  view->OnExport();  // nothing loaded: nothing to export
  EXPECT_TRUE(ui.messages.empty());
  Load();
  const std::size_t before = ui.messages.size();
  view->OnExport();
  ASSERT_EQ(ui.messages.size(), before + 1);
  EXPECT_EQ(ui.messages.back().first, "Ok");
  EXPECT_EQ(ui.messages.back().second, MessageIcon::Exclamation);
  for (const char* name : {"PgDefSat.h", "PgDefTp.h", "PgDefSvc_S.h"})
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / name)) << name;
  std::filesystem::remove(dir / "PgDefTp.h");
  std::filesystem::create_directory(dir / "PgDefTp.h");
  view->OnExport();
  EXPECT_EQ(ui.messages.back().first, "Error");
}

TEST_F(EditorTest, OpenFillsListsCaptionsAndTitle) {
  Load();
  const std::string path = (dir / "fixture.bin").string();
  EXPECT_EQ(Title().toStdString(), "Kavor - " + path);
  EXPECT_TRUE(frame->action(ID_FILE_SAVE)->isEnabled());
  EXPECT_TRUE(frame->action(ID_WRITE_TO_RECEIVER)->isEnabled());
  EXPECT_EQ(view->satellite_box()->title(), "50 Satellites");
  EXPECT_EQ(view->channel_box()->title(), "800 Channels [1200/3090]");
  EXPECT_EQ(view->transponder_box()->title(), "3 TPs [9/1020]");
  EXPECT_EQ(Row(view->satellite_list(), 0), " 1 Astra 19.2E");
  EXPECT_EQ(Row(view->transponder_list(), 2), "   3 11778 V 27500");
  EXPECT_EQ(Row(view->channel_list(), 11), "  12 $ News            ");
  // The widgets show what the core selected.
  EXPECT_EQ(view->satellite_list()->currentIndex().row(), doc.view().satellite_row());
  EXPECT_EQ(view->transponder_list()->currentIndex().row(), doc.view().transponder_row());
  EXPECT_TRUE(view->channel_list()->selectionModel()->isRowSelected(0, {}));
  EXPECT_TRUE(view->tv_button()->isChecked());
  EXPECT_TRUE(view->all_sat_box()->isChecked());
}

TEST_F(EditorTest, ClicksMoveSelectionAndFilters) {
  Load();
  view->all_sat_box()->click();  // off: only satellite 1's channels
  EXPECT_FALSE(doc.view().all_satellites());
  EXPECT_EQ(view->channel_box()->title(), "272 Channels [1200/3090]");

  Click(view->satellite_list(), 1);  // satellite 2
  EXPECT_EQ(doc.view().current_satellite(), 1);
  EXPECT_EQ(view->channel_list()->model()->rowCount(), 264);
  EXPECT_EQ(view->channel_list()->selectionModel()->selectedRows().size(), 1);

  Click(view->transponder_list(), 1);  // its second transponder
  EXPECT_EQ(doc.view().transponder_row(), 1);
  const int slot = doc.view().current_channel();
  EXPECT_EQ(doc.view().channel(slot).mTpNumber(), 2);
  EXPECT_EQ(doc.view().channel(slot).mSatId(), 2);
  Click(view->transponder_list(), 2);  // the third carries only radio: no channel selected
  EXPECT_EQ(view->channel_list()->selectionModel()->selectedRows().size(), 0);
  EXPECT_EQ(view->channel_list()->currentIndex().row(), doc.view().current_channel_row());

  Click(view->channel_list(), 10);
  EXPECT_EQ(doc.view().current_channel_row(), 10);
  Click(view->channel_list(), 12, QItemSelectionModel::Select);  // Ctrl+click
  EXPECT_EQ(doc.view().SelectedChannelCount(), 2);

  view->radio_button()->click();
  EXPECT_FALSE(doc.view().tv_mode());
  EXPECT_EQ(view->channel_box()->title(), "136 Channels [1200/3090]");
  view->tv_button()->click();
  view->all_sat_box()->click();
  EXPECT_EQ(view->channel_box()->title(), "800 Channels [1200/3090]");
}

TEST_F(EditorTest, PopupsDelAndEnter) {
  Load();
  auto menu = view->CreatePopupMenu(ListId::Channel);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(MenuTexts(menu.get()),
            (std::vector<std::string>{"Edit\t[Enter]", "-", "New", "Insert", "Delete\t[Del]", "-", "Move to",
                                      "Change to", "-", "Find"}));
  view->all_sat_box()->click();
  menu = view->CreatePopupMenu(ListId::Channel);
  EXPECT_FALSE(menu->actions()[6]->isEnabled());
  QMenu* change = menu->actions()[7]->menu();
  ASSERT_NE(change, nullptr);
  EXPECT_EQ(change->actions()[0]->text(), "Radio");
  EXPECT_EQ(change->actions()[0]->data().toInt(), ID_POPUP_TO_RADIO);
  EXPECT_EQ(view->popup_source(), ListId::None);

  struct Case {
    QListView* list;
    int key;
    Operation expected;
  } cases[] = {
      {view->satellite_list(), ID_KEY_DELETE, Operation::None},
      {view->satellite_list(), ID_KEY_ENTER, Operation::SatelliteEdit},
      {view->transponder_list(), ID_KEY_DELETE, Operation::TransponderDelete},
      {view->transponder_list(), ID_KEY_ENTER, Operation::TransponderEdit},
      {view->channel_list(), ID_KEY_DELETE, Operation::ChannelDelete},
      {view->channel_list(), ID_KEY_ENTER, Operation::ChannelEdit},
  };
  for (const auto& c : cases) {
    frame->activateWindow();
    c.list->setFocus();
    QApplication::processEvents();
    view->OnKey(c.key);
    EXPECT_EQ(view->last_routed().operation, c.expected) << c.list->objectName().toStdString();
  }
}

TEST_F(EditorTest, SaveAsFailureAndSuccess) {
  Load();
  const QString title = Title();
  ui.next_file = (dir / "missing" / "x.bin").string();
  view->OnFileSaveAs();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first, "File save error");
  EXPECT_EQ(ui.messages[0].second, MessageIcon::Error);
  EXPECT_EQ(Title(), title);

  ui.next_file = (dir / "copy.bin").string();
  view->OnFileSaveAs();
  EXPECT_EQ(Title().toStdString(), "Kavor - " + (dir / "copy.bin").string());
  EXPECT_EQ(kavor::testing::ReadFile(dir / "copy.bin"), kavor::testing::ReadFile(dir / "fixture.bin"));

  view->OnFileSaveAs();  // cancelled: nothing happens
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(EditorTest, CtrlNResetsTitleAndModesButKeepsTheLists) {
  Load();
  view->radio_button()->click();
  const int rows = view->channel_list()->model()->rowCount();
  frame->OnFileNew();
  EXPECT_EQ(Title(), "Kavor");
  EXPECT_TRUE(view->tv_button()->isChecked());
  EXPECT_EQ(view->channel_list()->model()->rowCount(), rows);
  EXPECT_TRUE(frame->action(ID_FILE_SAVE)->isEnabled());
}

TEST_F(EditorTest, CommandLineFileOpensWithoutADialog) {
  kavor::testing::WriteFile(dir / "bad.bin", "short");
  EXPECT_FALSE(view->OpenFile((dir / "bad.bin").string()));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first, "File open error (2)");
  EXPECT_FALSE(doc.view().image_loaded());
  EXPECT_EQ(Title(), "Kavor");
  EXPECT_TRUE(view->OpenFile((dir / "fixture.bin").string()));
  EXPECT_EQ(view->channel_list()->model()->rowCount(), 800);
}

}  // namespace
}  // namespace kavor
