// The channel list's commands end to end in the window: the popup, Del,
// Enter and double-click run the operations, the dialogs answer, and the
// list shows and selects what the core says.
#include <QCheckBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstring>

#include "database/document.h"
#include "database/row_format.h"
#include "editing/channel_dlg.h"
#include "editing/dialog_helpers.h"
#include "editing/move_dlg.h"
#include "editing/editor_fixture.h"

namespace kavor::testing {
namespace {

class ChannelEditingTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    Load();
  }
  // Right-click on the row's list and choose the item with `id`, also from the submenu.
  void Popup(QListView* list, int row, int id) {
    view->SetPopupRunner([id](QMenu& menu, const QPoint&) -> QAction* {
      std::function<QAction*(QMenu&)> find = [&](QMenu& m) -> QAction* {
        for (QAction* a : m.actions()) {
          if (a->menu()) {
            if (QAction* inner = find(*a->menu())) return inner;
          } else if (!a->isSeparator() && a->data().toInt() == id) {
            return a;
          }
        }
        return nullptr;
      };
      return find(menu);
    });
    MouseClick(list, row, Qt::RightButton);
  }
  // The real editor of the form answers: `fill` types into it, then OK.
  void AnswerWithTheEditor(std::function<void(CChannelDlg&)> fill) {
    ui.edit_answer = [this, fill](ChannelRecord record) {
      CChannelDlg& dlg = *view->channel_dialog();
      dlg.Open(ui.edit_captions.back(), record);
      dlg.show();
      fill(dlg);
      dlg.ok_button()->click();
      QApplication::processEvents();
      const bool ok = dlg.result() == QDialog::Accepted && !dlg.isVisible();
      if (dlg.isVisible()) dlg.reject();
      return ok;
    };
  }
  // The widget shows exactly the core's rows, selection and focus row.
  void ExpectListMirrorsTheCore() {
    const ViewState& v = doc.view();
    QListView* list = view->channel_list();
    ASSERT_EQ(list->model()->rowCount(), int(v.channel_rows().size()));
    EXPECT_EQ(SelectedRows(list), v.SelectedChannelRows());
    if (v.channel_focus_row() >= 0) {
      EXPECT_EQ(list->currentIndex().row(), v.channel_focus_row());
    }
    for (int r : {0, int(v.channel_rows().size()) - 1})
      EXPECT_EQ(Row(list, r).toStdString(), ChannelRowText(v.channel(v.channel_rows()[std::size_t(r)])));
  }
  std::vector<std::uint8_t> Bytes() {
    return std::vector<std::uint8_t>(doc.image().bytes(), doc.image().bytes() + doc.image().length());
  }
};

TEST_F(ChannelEditingTest, PopupEditThroughTheEditorRedrawsTheRowAndAddsItToTheSelection) {
  QListView* list = view->channel_list();
  MouseClick(list, 1, Qt::LeftButton);
  MouseClick(list, 3, Qt::LeftButton, Qt::ControlModifier);
  // Ctrl+click again: row 3 stays the focus row and current, unselected.
  MouseClick(list, 3, Qt::LeftButton, Qt::ControlModifier);
  ASSERT_EQ(SelectedRows(list), (std::vector<int>{1}));
  ASSERT_EQ(doc.view().current_channel_row(), 3);
  std::vector<int> redrawn;
  QObject::connect(list->model(), &QAbstractItemModel::dataChanged, list,
          [&](const QModelIndex& from, const QModelIndex& to) {
            for (int r = from.row(); r <= to.row(); ++r) redrawn.push_back(r);
          });
  AnswerWithTheEditor([](CChannelDlg& dlg) { Retype(dlg.name_box(), "Renamed"); });
  Popup(list, 1, ID_POPUP_EDIT);
  EXPECT_EQ(ui.edit_captions, std::vector<std::string>{"Edit channel"});
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(doc.view().channel(doc.view().channel_rows()[3]).mServiceName(), "Renamed");
  EXPECT_TRUE(Row(list, 3).contains("Renamed"));
  EXPECT_EQ(redrawn, std::vector<int>{3});
  EXPECT_EQ(SelectedRows(list), (std::vector<int>{1, 3}));
  EXPECT_EQ(list->currentIndex().row(), 3);
  ExpectListMirrorsTheCore();
}

TEST_F(ChannelEditingTest, TheEditorsRefusalGoesToTheUserAndCancelKeepsTheImage) {
  QListView* list = view->channel_list();
  MouseClick(list, 2, Qt::LeftButton);
  const auto before = Bytes();
  ui.edit_answer = [this](ChannelRecord record) {
    CChannelDlg& dlg = *view->channel_dialog();
    dlg.Open("Edit channel", record);
    dlg.show();
    Retype(dlg.name_box(), "Changed");
    Paste(dlg.video_box(), "8192");
    dlg.ok_button()->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.focusWidget(), dlg.video_box());
    dlg.cancel_button()->click();
    return dlg.result() == QDialog::Accepted;
  };
  Popup(list, 2, ID_POPUP_EDIT);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first, "Please enter an integer between 0 and 8191.");
  EXPECT_EQ(ui.messages[0].second, MessageIcon::Exclamation);
  EXPECT_EQ(Bytes(), before);
}

TEST_F(ChannelEditingTest, EnterAndDoubleClickOpenTheEditorOnTheCurrentChannel) {
  QListView* list = view->channel_list();
  MouseClick(list, 4, Qt::LeftButton);
  list->setFocus();
  Key(list, Qt::Key_Return);
  EXPECT_EQ(ui.edit_captions, std::vector<std::string>{"Edit channel"});
  QTest::mouseDClick(frame->windowHandle(), Qt::LeftButton, {}, InWindow(list, 5));
  QApplication::processEvents();
  EXPECT_EQ(ui.edit_captions.size(), 2u);
  EXPECT_EQ(doc.view().current_channel_row(), 5);
}

TEST_F(ChannelEditingTest, DelAsksAndDeletesTheSelectedRowsOnOkOnly) {
  QListView* list = view->channel_list();
  const int rows = list->model()->rowCount();
  const int service_count = doc.image().mServiceCount();
  MouseClick(list, 0, Qt::LeftButton);
  MouseClick(list, 2, Qt::LeftButton, Qt::ControlModifier);
  MouseClick(list, 5, Qt::LeftButton, Qt::ControlModifier);
  list->setFocus();
  const auto before = Bytes();
  ui.ok_cancel_answer = false;
  Key(list, Qt::Key_Delete);
  ASSERT_EQ(ui.ok_cancel_asked.size(), 1u);
  EXPECT_EQ(ui.ok_cancel_asked[0], (std::pair<std::string, std::string>{"Channel Delete", "Are you sure?"}));
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(SelectedRows(list), (std::vector<int>{0, 2, 5}));

  const int current_row = doc.view().current_channel_row();
  ui.ok_cancel_answer = true;
  Key(list, Qt::Key_Delete);
  EXPECT_EQ(ui.ok_cancel_asked.size(), 2u);
  EXPECT_EQ(list->model()->rowCount(), rows - 3);
  EXPECT_EQ(doc.image().mServiceCount(), service_count - 3);
  EXPECT_TRUE(SelectedRows(list).empty());
  EXPECT_EQ(doc.view().current_channel_row(), current_row);
  EXPECT_TRUE(view->channel_box()->title().contains(QString::number(rows - 3)));
  ExpectListMirrorsTheCore();
}

TEST_F(ChannelEditingTest, MoveAsksAgainOutsideTheRangeThenSelectsTheMovedRows) {
  QListView* list = view->channel_list();
  MouseClick(list, 0, Qt::LeftButton);
  MouseClick(list, 1, Qt::LeftButton, Qt::ControlModifier);
  const QString first = Row(list, 0).mid(7), second = Row(list, 1).mid(7);
  const int last = doc.view().last_type_number();
  ui.number_answers = {0, 5};
  Popup(list, 1, ID_POPUP_MOVETO);
  const std::string prompt = "New channel (1-" + std::to_string(last - 1) + ")";
  ASSERT_EQ(ui.number_asked.size(), 2u);
  EXPECT_EQ(ui.number_asked[0], (std::pair<std::string, long long>{prompt, 2}));
  EXPECT_EQ(ui.number_asked[1], (std::pair<std::string, long long>{prompt, 0}));
  EXPECT_EQ(Row(list, 4).mid(7), first);
  EXPECT_EQ(Row(list, 5).mid(7), second);
  EXPECT_EQ(SelectedRows(list), (std::vector<int>{4, 5}));
  EXPECT_EQ(list->currentIndex().row(), 5);
  ExpectListMirrorsTheCore();
}

TEST_F(ChannelEditingTest, NewThroughTheEditorSelectsTheNewRow) {
  QListView* list = view->channel_list();
  const int rows = list->model()->rowCount();
  AnswerWithTheEditor([](CChannelDlg& dlg) {
    EXPECT_EQ(dlg.windowTitle(), "New channel");
    Retype(dlg.name_box(), "Fresh");
  });
  Popup(list, 0, ID_POPUP_NEW);
  ASSERT_EQ(list->model()->rowCount(), rows + 1);
  EXPECT_TRUE(Row(list, rows).contains("Fresh"));
  EXPECT_EQ(SelectedRows(list), std::vector<int>{rows});
  EXPECT_EQ(list->currentIndex().row(), rows);
  EXPECT_EQ(doc.view().current_channel_row(), rows);
  ExpectListMirrorsTheCore();
}

TEST_F(ChannelEditingTest, FindSelectsEveryMatchAndMakesTheTopOneCurrent) {
  QListView* list = view->channel_list();
  MouseClick(list, 0, Qt::LeftButton);
  const int satellite = doc.view().current_satellite(), transponder = doc.view().current_transponder();
  // C55 and C550.. lie on the second and third satellites.
  ui.find_answer = {{"c55", false}};
  Popup(list, 0, ID_POPUP_FIND);
  const std::vector<int> matches = doc.view().SelectedChannelRows();
  ASSERT_GT(matches.size(), 1u);
  for (int r : matches) EXPECT_TRUE(Row(list, r).contains("C55")) << r;
  EXPECT_EQ(list->currentIndex().row(), matches.front());
  EXPECT_EQ(doc.view().current_channel_row(), matches.front());
  // The form's mirroring chose nothing: satellite and transponder stay.
  EXPECT_EQ(doc.view().current_satellite(), satellite);
  EXPECT_EQ(doc.view().current_transponder(), transponder);
  ExpectListMirrorsTheCore();

  // The text and "Match case" are shown again; nothing found clears the selection.
  ui.find_answer = {{"c55", true}};
  Popup(list, 0, ID_POPUP_FIND);
  EXPECT_EQ(ui.find_shown.back(), (std::pair<std::string, bool>{"c55", false}));
  EXPECT_TRUE(SelectedRows(list).empty());
  EXPECT_EQ(doc.view().current_channel_row(), matches.front());

  // A top match in the first row takes the focus there too.
  MouseClick(list, 5, Qt::LeftButton);
  ui.find_answer = {{"C0", true}};
  Popup(list, 5, ID_POPUP_FIND);
  ASSERT_FALSE(SelectedRows(list).empty());
  EXPECT_EQ(SelectedRows(list).front(), 0);
  EXPECT_EQ(list->currentIndex().row(), 0);
  ExpectListMirrorsTheCore();
}

TEST_F(ChannelEditingTest, ScrambleReselectsTheRowsAndShowsTheMarker) {
  QListView* list = view->channel_list();
  for (int r : {3, 6, 8}) MouseClick(list, r, Qt::LeftButton, r == 3 ? Qt::KeyboardModifiers{} : Qt::ControlModifier);
  Popup(list, 8, ID_POPUP_SCRAMBLE);
  for (int r : {3, 6, 8}) EXPECT_EQ(Row(list, r).at(5), '$') << r;
  EXPECT_EQ(SelectedRows(list), (std::vector<int>{3, 6, 8}));
  EXPECT_EQ(list->currentIndex().row(), 8);
  ExpectListMirrorsTheCore();
}

TEST_F(ChannelEditingTest, ToRadioSwitchesTheButtonsAndSelectsTheChannelInTheRadioList) {
  QListView* list = view->channel_list();
  MouseClick(list, 2, Qt::LeftButton);
  const QString name = Row(list, 2).mid(7);
  Popup(list, 2, ID_POPUP_TO_RADIO);
  EXPECT_TRUE(view->radio_button()->isChecked());
  EXPECT_FALSE(view->tv_button()->isChecked());
  ASSERT_EQ(SelectedRows(list).size(), 1u);
  EXPECT_EQ(Row(list, SelectedRows(list)[0]).mid(7), name);
  ExpectListMirrorsTheCore();
}

TEST_F(ChannelEditingTest, EnterTypeANameOkSaveAndReload) {
  QListView* list = view->channel_list();
  MouseClick(list, 7, Qt::LeftButton);
  list->setFocus();
  AnswerWithTheEditor([](CChannelDlg& dlg) { Retype(dlg.name_box(), QString::fromUtf8("Télé 7")); });
  Key(list, Qt::Key_Return);
  const int slot = doc.view().channel_rows()[7];
  view->OnFileSave();
  EXPECT_TRUE(ui.messages.empty());

  Document reloaded;
  ASSERT_FALSE(reloaded.Open(dir / "fixture.bin").has_value());
  EXPECT_EQ(reloaded.view().channel(slot).mServiceName(), "T\xE9l\xE9 7");
  EXPECT_EQ(0, std::memcmp(reloaded.image().bytes(), doc.image().bytes(), doc.image().length()));
}

TEST_F(ChannelEditingTest, TheMoveDialogsRefusalIsAWarningOfTheForm) {
  CMoveDlg& dlg = *view->move_dialog();
  dlg.SetPrompt("New channel (1-8)");
  dlg.SetNumber(3);
  dlg.show();
  Paste(dlg.number_box(), "");
  // A message box of its own would wait for a user: close it and fail.
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      ADD_FAILURE() << "a modal box of the dialog's own";
      modal->close();
    }
  });
  watchdog.start(0);
  dlg.ok_button()->click();
  watchdog.stop();
  EXPECT_TRUE(dlg.isVisible());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], (std::pair<std::string, MessageIcon>{"Please enter an integer.", MessageIcon::Exclamation}));
  dlg.reject();
}

}  // namespace
}  // namespace kavor::testing
