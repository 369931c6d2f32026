// The three lists under real mouse and key events: what the right button,
// Ctrl+click and clicks on the current row do, and where the chosen channel
// is scrolled to.
#include <QScrollBar>

#include "editor_fixture.h"

namespace kavor {
namespace {

using kavor::testing::Click;
using kavor::testing::SelectedRows;

class ListBehaviourTest : public kavor::testing::EditorTest {
 protected:
  // Records each popup the right button opens and picks the item with `choose`'s text.
  void ChooseFromPopups(const std::string& choose) {
    view->SetPopupRunner([this, choose](QMenu& menu, const QPoint&) -> QAction* {
      popups.push_back(MenuTexts(&menu));
      popup_selection_seen.push_back(SelectedRows(view->channel_list()));
      for (QAction* a : menu.actions())
        if (a->text().toStdString() == choose) return a;
      return nullptr;
    });
  }
  std::vector<std::vector<std::string>> popups;
  std::vector<std::vector<int>> popup_selection_seen;
};

TEST_F(ListBehaviourTest, RightButtonOpensThePopupForTheSelectionAsItIs) {
  Load();
  Click(view->channel_list(), 3);
  Click(view->channel_list(), 4, QItemSelectionModel::Select);  // Ctrl+click: rows 3 and 4
  const int channel = doc.view().current_channel();
  ChooseFromPopups("Edit\t[Enter]");

  MouseClick(view->channel_list(), 9, Qt::RightButton);
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_EQ(popup_selection_seen[0], (std::vector<int>{3, 4})) << "the popup opened for a changed selection";
  EXPECT_EQ(view->last_routed().operation, Operation::ChannelEdit);
  EXPECT_EQ(doc.view().current_channel(), channel);
  EXPECT_EQ(doc.view().SelectedChannelRows(), (std::vector<int>{3, 4}));
  EXPECT_EQ(SelectedRows(view->channel_list()), (std::vector<int>{3, 4}));
  EXPECT_EQ(view->channel_list()->currentIndex().row(), 4);

  struct Case {
    KavorListView* list;
    int clicked_row;
    Operation routed;
  } cases[] = {
      {view->satellite_list(), 6, Operation::SatelliteEdit},
      {view->transponder_list(), 2, Operation::TransponderEdit},
  };
  for (const auto& c : cases) {
    const int satellite = doc.view().current_satellite();
    const int transponder = doc.view().current_transponder();
    const int selected = c.list->currentIndex().row();
    ASSERT_NE(selected, c.clicked_row);
    MouseClick(c.list, c.clicked_row, Qt::RightButton);
    EXPECT_EQ(view->last_routed().operation, c.routed) << c.list->objectName().toStdString();
    EXPECT_EQ(doc.view().current_satellite(), satellite) << c.list->objectName().toStdString();
    EXPECT_EQ(doc.view().current_transponder(), transponder) << c.list->objectName().toStdString();
    EXPECT_EQ(doc.view().current_channel(), channel) << c.list->objectName().toStdString();
    EXPECT_EQ(SelectedRows(c.list), std::vector<int>{selected}) << c.list->objectName().toStdString();
  }
  EXPECT_EQ(popups.size(), 3u);
  EXPECT_EQ(view->popup_source(), ListId::None);
}

TEST_F(ListBehaviourTest, RightDoubleClickNeitherSelectsNorEdits) {
  Load();
  view->SetPopupRunner([](QMenu&, const QPoint&) -> QAction* { return nullptr; });  // Escape
  QTest::mouseDClick(frame->windowHandle(), Qt::RightButton, {}, InWindow(view->satellite_list(), 4));
  QApplication::processEvents();
  EXPECT_EQ(view->last_routed().operation, Operation::None);
  EXPECT_EQ(doc.view().current_satellite(), 0);
  // After the dismissed popup a left click chooses normally.
  MouseClick(view->satellite_list(), 4, Qt::LeftButton);
  EXPECT_EQ(doc.view().current_satellite(), 4);
  // Right after that left click, a right double-click on the same row opens no editor.
  QTest::mouseDClick(frame->windowHandle(), Qt::RightButton, {}, InWindow(view->satellite_list(), 4));
  QApplication::processEvents();
  EXPECT_EQ(view->last_routed().operation, Operation::None);
  // The left double-click does.
  QTest::mouseDClick(frame->windowHandle(), Qt::LeftButton, {}, InWindow(view->satellite_list(), 4));
  QApplication::processEvents();
  EXPECT_EQ(view->last_routed().operation, Operation::SatelliteEdit);
}

TEST_F(ListBehaviourTest, SingleSelectionListsKeepTheirRow) {
  Load();
  for (KavorListView* list : {view->satellite_list(), view->transponder_list()}) {
    const std::string name = list->objectName().toStdString();
    const int row = list->currentIndex().row();
    ASSERT_EQ(SelectedRows(list), std::vector<int>{row}) << name;
    MouseClick(list, row, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(SelectedRows(list), std::vector<int>{row}) << name << ": Ctrl+click emptied the list";
    // Space also searches for the next row starting with a blank: one row stays selected.
    list->setFocus();
    Key(list, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(SelectedRows(list), std::vector<int>{list->currentIndex().row()}) << name << ": Ctrl+Space";
  }
  QListView* tps = view->transponder_list();
  Key(tps, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(SelectedRows(tps), std::vector<int>{tps->currentIndex().row()}) << "Ctrl+Down";
  // A click below the last transponder, with or without Ctrl, keeps the row too.
  const QPoint below = tps->viewport()->mapTo(frame.get(), QPoint(10, tps->viewport()->height() - 5));
  ASSERT_FALSE(tps->indexAt(tps->viewport()->mapFrom(frame.get(), below)).isValid());
  const int row = tps->currentIndex().row();
  for (Qt::KeyboardModifiers mods : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
    QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, mods, below);
    EXPECT_EQ(SelectedRows(tps), std::vector<int>{row}) << "modifiers " << int(mods);
  }

  // Del and Enter act on the row that is highlighted.
  tps->setFocus();
  Key(tps, Qt::Key_Delete);
  EXPECT_EQ(view->last_routed().operation, Operation::TransponderDelete);
  EXPECT_EQ(SelectedRows(tps), std::vector<int>{doc.view().transponder_row()});
  Key(tps, Qt::Key_Return);
  EXPECT_EQ(view->last_routed().operation, Operation::TransponderEdit);
}

TEST_F(ListBehaviourTest, ClickOnTheCurrentTransponderReselectsItsFirstChannel) {
  Load();
  // Row 2 is the second channel of satellite 1's first transponder.
  MouseClick(view->channel_list(), 2, Qt::LeftButton);
  ASSERT_EQ(doc.view().current_channel_row(), 2);
  ASSERT_EQ(doc.view().transponder_row(), 0);
  MouseClick(view->transponder_list(), 0, Qt::LeftButton);
  EXPECT_EQ(doc.view().current_channel_row(), 0);
  EXPECT_EQ(SelectedRows(view->channel_list()), std::vector<int>{0});
  // The current satellite clicked again changes nothing.
  MouseClick(view->channel_list(), 2, Qt::LeftButton);
  MouseClick(view->satellite_list(), 0, Qt::LeftButton);
  EXPECT_EQ(doc.view().current_channel_row(), 2);
}

TEST_F(ListBehaviourTest, ChosenChannelsColumnBecomesTheFirstVisible) {
  Load();
  KavorListView* channels = view->channel_list();
  const int column_width = channels->gridSize().width();
  for (int satellite_row : {6, 1, 0}) {  // satellites 7, 2 and 1
    MouseClick(view->satellite_list(), satellite_row, Qt::LeftButton);
    const QModelIndex current = channels->currentIndex();
    ASSERT_TRUE(current.isValid());
    ASSERT_EQ(current.row(), doc.view().current_channel_row());
    const QRect rect = channels->visualRect(current);
    EXPECT_EQ(rect.left(), 0) << "satellite row " << satellite_row;
  }
  // Satellite 7's first channel is not in the first column, so the test shows something.
  MouseClick(view->satellite_list(), 6, Qt::LeftButton);
  EXPECT_GT(channels->FirstVisibleColumn(), 0);

  // A transponder click too: satellite 7's second transponder.
  MouseClick(view->transponder_list(), 1, Qt::LeftButton);
  EXPECT_EQ(channels->visualRect(channels->currentIndex()).left(), 0);

  // The scroll bar moves by whole columns.
  QScrollBar* bar = channels->horizontalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  for (auto action : {QAbstractSlider::SliderSingleStepAdd, QAbstractSlider::SliderSingleStepAdd,
                      QAbstractSlider::SliderPageStepSub, QAbstractSlider::SliderToMaximum}) {
    bar->triggerAction(action);
    const QModelIndex first = channels->indexAt(QPoint(2, 2));
    ASSERT_TRUE(first.isValid());
    EXPECT_EQ(channels->visualRect(first).left(), 0) << "after scroll action " << action;
    EXPECT_EQ(channels->visualRect(first).width(), column_width);
  }
  // At the end the last column is fully visible.
  const QRect last = channels->visualRect(channels->model()->index(channels->model()->rowCount() - 1, 0));
  EXPECT_LE(last.right(), channels->viewport()->width());
}

TEST_F(ListBehaviourTest, TransponderPopupDelete) {
  Load();
  ChooseFromPopups("Delete\t[Del]");
  MouseClick(view->transponder_list(), 1, Qt::RightButton);
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_EQ(popups[0], (std::vector<std::string>{"Edit\t[Enter]", "-", "New", "Insert", "Delete\t[Del]", "-",
                                                 "Move to"}));
  EXPECT_EQ(view->last_routed().operation, Operation::TransponderDelete);
  EXPECT_EQ(view->last_routed().id, ID_KEY_DELETE);
  EXPECT_EQ(doc.view().transponder_row(), 0);  // the popup's list row, not the clicked one

  // Satellite 3 has no transponders: Delete is greyed and cannot be chosen,
  // and Insert, with no row to insert after, is greyed too.
  MouseClick(view->satellite_list(), 2, Qt::LeftButton);
  ASSERT_TRUE(doc.view().transponder_rows().empty());
  view->OnPopupCommand(ListId::Satellite, 0);  // reset last_routed
  const QPoint empty_list = view->transponder_list()->viewport()->mapTo(frame.get(), QPoint(20, 20));
  QTest::mouseClick(frame->windowHandle(), Qt::RightButton, {}, empty_list);
  QApplication::processEvents();
  ASSERT_EQ(popups.size(), 2u);
  EXPECT_EQ(popups[1], (std::vector<std::string>{"Edit\t[Enter](grey)", "-", "New", "Insert(grey)",
                                                 "Delete\t[Del](grey)", "-", "Move to(grey)"}));
  EXPECT_EQ(view->last_routed().operation, Operation::None);
}

TEST_F(ListBehaviourTest, KeysOnAnEmptyTransponderList) {
  Load();
  MouseClick(view->satellite_list(), 2, Qt::LeftButton);  // satellite 3: no transponders
  ASSERT_TRUE(doc.view().transponder_rows().empty());
  view->transponder_list()->setFocus();
  for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Delete}) {
    view->OnPopupCommand(ListId::Satellite, ID_POPUP_EDIT);  // something to be replaced
    Key(view->transponder_list(), key);
    EXPECT_EQ(view->last_routed().operation, Operation::None) << key;
  }
  // The same keys reach the list once it has rows.
  MouseClick(view->satellite_list(), 1, Qt::LeftButton);
  view->transponder_list()->setFocus();
  Key(view->transponder_list(), Qt::Key_Return);
  EXPECT_EQ(view->last_routed().operation, Operation::TransponderEdit);
}

}  // namespace
}  // namespace kavor
