// The transponder and satellite lists' commands end to end in the window,
// with the form's real editors shown modally through the Qt interface: the
// popups, Enter, Del and double-click open them, OK's refusals reach the
// form's messages, and the lists show and select what the core says.
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_frame.h"
#include "database/data_file.h"
#include "database/document.h"
#include "database/image_builder.h"
#include "database/row_format.h"
#include "editing/command_routing.h"
#include "editing/dialog_helpers.h"
#include "editing/kavor_view.h"
#include "editing/move_dlg.h"
#include "editing/qt_user_interface.h"
#include "editing/satellite_dlg.h"
#include "editing/transponder_dlg.h"
#include "support/temp_dir.h"

namespace kavor::testing {
namespace {

// The real editing dialogs; the message boxes and the OK/Cancel question
// answered from the test, so nothing waits for a user.
class RecordingQtUi : public QtUserInterface {
 public:
  std::vector<std::pair<std::string, MessageIcon>> messages;
  std::vector<std::pair<std::string, std::string>> asked;
  bool answer = false;
  void ShowMessage(const std::string& text, MessageIcon icon) override { messages.emplace_back(text, icon); }
  bool AskOkCancel(const std::string& caption, const std::string& text) override {
    asked.emplace_back(caption, text);
    return answer;
  }
};

class TransponderSatelliteEditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      // Satellite 1 with three transponders, satellite 2 with one; a channel
      // on each transponder.
      Image image;
      ImageBuilder b(image, 3);
      b.NameSatellite(0, "Astra", 192);
      b.NameSatellite(1, "Hotbird", 130);
      b.AddTransponder(1, 11000, 22000, false);
      b.AddTransponder(1, 11500, 22000, false);
      b.AddTransponder(1, 11778, 27500, true);
      b.AddTransponder(2, 10971, 29700, false);
      for (int tp = 1; tp <= 3; ++tp) b.AddChannel(1, tp, {kServiceTypeTv, "A" + std::to_string(tp)});
      b.AddChannel(2, 1, {kServiceTypeTv, "H1"});
      b.Finish();
      ASSERT_TRUE(WriteDataFile(dir / "small.bin", image));
    }
    frame = std::make_unique<CMainFrame>(doc, ui);
    ui.set_parent(frame.get());
    view = frame->view();
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    ASSERT_TRUE(view->OpenFile((dir / "small.bin").string()));
    QApplication::processEvents();
  }
  QPoint InWindow(QListView* list, int row) {
    const QRect r = list->visualRect(list->model()->index(row, 0));
    return list->viewport()->mapTo(frame.get(), r.center());
  }
  // Right-click on the row and choose the popup's item `id`.
  void Popup(QListView* list, int row, int id) {
    view->SetPopupRunner([id](QMenu& menu, const QPoint&) -> QAction* {
      for (QAction* a : menu.actions())
        if (!a->isSeparator() && a->data().toInt() == id) return a;
      return nullptr;
    });
    QTest::mouseClick(frame->windowHandle(), Qt::RightButton, {}, InWindow(list, row));
    QApplication::processEvents();
  }
  std::vector<std::uint8_t> Bytes() {
    return std::vector<std::uint8_t>(doc.image().bytes(), doc.image().bytes() + doc.image().length());
  }
  // The list's rows and selection are the core's.
  void ExpectTransponderListMirrorsTheCore() {
    const ViewState& v = doc.view();
    QListView* list = view->transponder_list();
    ASSERT_EQ(list->model()->rowCount(), int(v.transponder_rows().size()));
    for (int r = 0; r < list->model()->rowCount(); ++r)
      EXPECT_EQ(list->model()->index(r, 0).data().toString().toStdString(),
                TransponderRowText(v.transponder(v.transponder_rows()[std::size_t(r)])))
          << r;
    EXPECT_EQ(SelectedRows(), std::vector<int>{v.transponder_row()});
    EXPECT_EQ(list->currentIndex().row(), v.transponder_row());
  }
  std::vector<int> SelectedRows() {
    std::vector<int> rows;
    for (const QModelIndex& i : view->transponder_list()->selectionModel()->selectedIndexes()) rows.push_back(i.row());
    return rows;
  }

  TempDir dir;
  Document doc;
  RecordingQtUi ui;
  std::unique_ptr<CMainFrame> frame;
  CKavorView* view = nullptr;
};

TEST(TransponderSatelliteUiTest, WithoutTheFormsEditorsBothAreCancelled) {
  QtUserInterface ui;
  std::array<std::uint8_t, SatelliteRecord::kSize> bytes{};
  bytes.fill(0x5A);
  const auto before = bytes;
  EXPECT_FALSE(ui.EditTransponder("Edit transponder", TransponderRecord(bytes.data())));
  EXPECT_FALSE(ui.EditSatellite(SatelliteRecord(bytes.data())));
  EXPECT_EQ(bytes, before);
}

TEST_F(TransponderSatelliteEditingTest, TheFormHandsBothEditorsToTheInterface) {
  ASSERT_NE(view->transponder_dialog(), nullptr);
  ASSERT_NE(view->satellite_dialog(), nullptr);
  EXPECT_EQ(ui.dialogs().transponder, view->transponder_dialog());
  EXPECT_EQ(ui.dialogs().satellite, view->satellite_dialog());
  frame.reset();
  EXPECT_EQ(ui.dialogs().transponder, nullptr);
  EXPECT_EQ(ui.dialogs().satellite, nullptr);
}

TEST_F(TransponderSatelliteEditingTest, PopupNewThroughTheEditorSelectsTheNewRow) {
  CTransponderDlg* dlg = view->transponder_dialog();
  const int tp_count = doc.image().mTpCount();
  WhileModal(
      [&](QWidget* modal) {
        ASSERT_EQ(modal, dlg);
        EXPECT_EQ(dlg->windowTitle(), "New transponder");
        EXPECT_EQ(dlg->focusWidget(), dlg->frequency_box());
        EXPECT_TRUE(dlg->ok_button()->isDefault());
        // OK on the empty record: the form's error box, the dialog stays.
        dlg->ok_button()->click();
        ASSERT_TRUE(dlg->isVisible());
        EXPECT_EQ(dlg->focusWidget(), dlg->frequency_box());
        Retype(dlg->frequency_box(), "12603");
        dlg->polarity_box()->setCurrentIndex(1);
        Retype(dlg->symbol_rate_box(), "22000");
        dlg->ok_button()->click();
      },
      [&] {
        Popup(view->transponder_list(), 0, ID_POPUP_NEW);
        return 0;
      });
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], (std::pair<std::string, MessageIcon>{"Frequency Error", MessageIcon::Error}));
  EXPECT_EQ(doc.image().mTpCount(), tp_count + 1);
  ASSERT_EQ(doc.view().transponder_rows().size(), 4u);
  EXPECT_EQ(doc.view().transponder_row(), 3);
  EXPECT_EQ(doc.view().current_transponder(), doc.view().transponder_rows()[3]);
  EXPECT_EQ(view->transponder_list()->model()->index(3, 0).data().toString(), "   4 12603 V 22000");
  ExpectTransponderListMirrorsTheCore();
}

TEST_F(TransponderSatelliteEditingTest, DoubleClickEditsTheRowAndRedrawsItSelected) {
  QListView* list = view->transponder_list();
  CTransponderDlg* dlg = view->transponder_dialog();
  QSignalSpy redrawn(list->model(), &QAbstractItemModel::dataChanged);
  WhileModal(
      [&](QWidget* modal) {
        ASSERT_EQ(modal, dlg);
        EXPECT_EQ(dlg->windowTitle(), "Edit transponder");
        EXPECT_EQ(dlg->frequency_box()->text(), "11500");
        Retype(dlg->frequency_box(), "11510");
        dlg->ok_button()->click();
      },
      [&] {
        QTest::mouseDClick(frame->windowHandle(), Qt::LeftButton, {}, InWindow(list, 1));
        return 0;
      });
  EXPECT_EQ(view->last_routed().operation, Operation::TransponderEdit);
  EXPECT_EQ(doc.view().transponder_row(), 1);
  EXPECT_EQ(list->model()->index(1, 0).data().toString(), "   2 11510 H 22000");
  ASSERT_EQ(redrawn.size(), 1);
  EXPECT_EQ(redrawn[0][0].value<QModelIndex>().row(), 1);
  ExpectTransponderListMirrorsTheCore();
}

TEST_F(TransponderSatelliteEditingTest, EnterOnTheTransponderListOpensTheEditorAndCancelKeepsTheImage) {
  QListView* list = view->transponder_list();
  list->selectionModel()->setCurrentIndex(list->model()->index(2, 0), QItemSelectionModel::ClearAndSelect);
  list->setFocus();
  const auto before = Bytes();
  CTransponderDlg* dlg = view->transponder_dialog();
  WhileModal(
      [&](QWidget* modal) {
        ASSERT_EQ(modal, dlg);
        EXPECT_EQ(dlg->frequency_box()->text(), "11778");
        Retype(dlg->frequency_box(), "1");
        Retype(dlg->symbol_rate_box(), "2");
        dlg->cancel_button()->click();
      },
      [&] {
        QTest::keyClick(list, Qt::Key_Return);
        return 0;
      });
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(doc.view().transponder_row(), 2);
}

TEST_F(TransponderSatelliteEditingTest, DelOnTheTransponderListAsksThenDeletesTheRowAndItsChannel) {
  QListView* list = view->transponder_list();
  list->selectionModel()->setCurrentIndex(list->model()->index(1, 0), QItemSelectionModel::ClearAndSelect);
  list->setFocus();
  const int services = doc.image().mServiceCount();
  QTest::keyClick(list, Qt::Key_Delete);  // the user cancels
  ASSERT_EQ(ui.asked.size(), 1u);
  EXPECT_EQ(ui.asked[0], (std::pair<std::string, std::string>{"Transponder Delete", "Are you sure?"}));
  EXPECT_EQ(doc.view().transponder_rows().size(), 3u);
  ui.answer = true;
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(doc.view().transponder_rows().size(), 2u);
  EXPECT_EQ(doc.image().mServiceCount(), services - 1);
  EXPECT_EQ(list->model()->index(1, 0).data().toString(), "   2 11778 V 27500");
  EXPECT_EQ(list->model()->rowCount(), 2);
}

TEST_F(TransponderSatelliteEditingTest, SatellitePopupEditRedrawsTheRowSelected) {
  QListView* list = view->satellite_list();
  CSatelliteDlg* dlg = view->satellite_dialog();
  // A right-click leaves the selection alone: select the row first.
  list->selectionModel()->setCurrentIndex(list->model()->index(1, 0), QItemSelectionModel::ClearAndSelect);
  QSignalSpy redrawn(list->model(), &QAbstractItemModel::dataChanged);
  QSignalSpy refilled(list->model(), &QAbstractItemModel::modelReset);
  WhileModal(
      [&](QWidget* modal) {
        ASSERT_EQ(modal, dlg);
        EXPECT_EQ(dlg->windowTitle(), "Edit Satellite");
        EXPECT_EQ(dlg->focusWidget(), dlg->name_box());
        EXPECT_EQ(dlg->name_box()->text(), "Hotbird");
        EXPECT_EQ(dlg->degree_box()->text(), "13.0");
        // A refused degree: the form's error, the box focused.
        Retype(dlg->degree_box(), "181");
        dlg->ok_button()->click();
        ASSERT_TRUE(dlg->isVisible());
        EXPECT_EQ(dlg->focusWidget(), dlg->degree_box());
        Retype(dlg->degree_box(), "13.0");
        dlg->west_button()->click();
        Retype(dlg->name_box(), "Hot Bird");
        dlg->ok_button()->click();
      },
      [&] {
        Popup(list, 1, ID_POPUP_EDIT);
        return 0;
      });
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], (std::pair<std::string, MessageIcon>{
                                "Please enter a number of degree between 0.0 and 180.0", MessageIcon::Error}));
  EXPECT_EQ(doc.view().satellite(1).mSatName(), "Hot Bird");
  EXPECT_EQ(doc.view().satellite(1).mDegree(), 3600 - 130);
  EXPECT_EQ(list->model()->index(1, 0).data().toString(), " 2 Hot Bird");
  // The list was told, so it paints the new text: the row, not a refill.
  ASSERT_EQ(redrawn.size(), 1);
  EXPECT_EQ(redrawn[0][0].value<QModelIndex>().row(), 1);
  EXPECT_EQ(refilled.size(), 0);
  EXPECT_EQ(list->currentIndex().row(), 1);
  ASSERT_EQ(list->selectionModel()->selectedIndexes().size(), 1);
  EXPECT_EQ(list->selectionModel()->selectedIndexes()[0].row(), 1);
  EXPECT_EQ(doc.view().current_satellite(), 1);
}

TEST_F(TransponderSatelliteEditingTest, EnterOpensTheSatelliteEditorAndEnterInItIsOk) {
  QListView* list = view->satellite_list();
  CSatelliteDlg* dlg = view->satellite_dialog();
  list->setFocus();
  WhileModal(
      [&](QWidget* modal) {
        ASSERT_EQ(modal, dlg);
        // The window system makes the dialog the active window, so the
        // keys go to its boxes and not to the form's.
        dlg->activateWindow();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::activeWindow(), dlg);
        Retype(dlg->degree_box(), "28.2");
        QTest::keyClick(dlg->degree_box(), Qt::Key_Return);
      },
      [&] {
        QTest::keyClick(list, Qt::Key_Return);
        return 0;
      });
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(doc.view().satellite(0).mDegree(), 282);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TransponderSatelliteEditingTest, EnterAndDoubleClickOnTheSatelliteListOpenTheEditor) {
  QListView* list = view->satellite_list();
  CSatelliteDlg* dlg = view->satellite_dialog();
  const auto before = Bytes();
  list->setFocus();
  int shown = 0;
  auto cancel = [&](QWidget* modal) {
    ASSERT_EQ(modal, dlg);
    ++shown;
    Retype(dlg->name_box(), "Changed");
    dlg->cancel_button()->click();
  };
  WhileModal(cancel, [&] {
    QTest::keyClick(list, Qt::Key_Return);
    return 0;
  });
  EXPECT_EQ(view->last_routed().operation, Operation::SatelliteEdit);
  WhileModal(cancel, [&] {
    QTest::mouseDClick(frame->windowHandle(), Qt::LeftButton, {}, InWindow(list, 0));
    return 0;
  });
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(list->model()->index(0, 0).data().toString(), " 1 Astra");
}

TEST_F(TransponderSatelliteEditingTest, SatellitePopupMoveSelectsTheMovedSatellite) {
  QListView* list = view->satellite_list();
  CMoveDlg* dlg = view->move_dialog();
  WhileModal(
      [&](QWidget* modal) {
        ASSERT_EQ(modal, dlg);
        EXPECT_EQ(dlg->prompt_box()->text(), "New sat. number (1-50)");
        EXPECT_EQ(dlg->number_box()->text(), "1");
        Retype(dlg->number_box(), "3");
        dlg->ok_button()->click();
      },
      [&] {
        Popup(list, 0, ID_POPUP_MOVETO);
        return 0;
      });
  EXPECT_EQ(list->model()->index(2, 0).data().toString(), " 3 Astra");
  EXPECT_EQ(list->model()->index(0, 0).data().toString(), " 1 Hotbird");
  EXPECT_EQ(list->currentIndex().row(), 2);
  EXPECT_EQ(doc.view().current_satellite(), 2);
  // Astra's transponders came along and are listed.
  ASSERT_EQ(view->transponder_list()->model()->rowCount(), 3);
  EXPECT_EQ(view->transponder_list()->model()->index(2, 0).data().toString(), "   3 11778 V 27500");
}

}  // namespace
}  // namespace kavor::testing
