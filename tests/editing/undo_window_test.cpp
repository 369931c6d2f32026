// Undo and redo in the window, the modified mark in its title, and the
// question before a modified document is closed or replaced.
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "editing/channel_dlg.h"
#include "editing/dialog_helpers.h"
#include "editing/editor_fixture.h"
#include "editing/qt_user_interface.h"
#include "link/sim_process.h"
#include "link/transfer_dlg.h"
#include "support/satcodx_record.h"

namespace kavor::testing {
namespace {

namespace fs = std::filesystem;

// What the form shows: every list's rows, current row and selection, the
// captions and the mode buttons.
struct Shown {
  std::vector<std::string> satellites, transponders, channels;
  int satellite_current = -1, transponder_current = -1, channel_current = -1;
  std::vector<int> satellite_selected, transponder_selected, channel_selected;
  std::string satellite_title, transponder_title, channel_title;
  bool tv = false, radio = false, all_satellites = false;
  bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& s, std::ostream* os) {
  *os << "{" << s.channels.size() << " channels, current " << s.satellite_current << "/" << s.transponder_current
      << "/" << s.channel_current << ", " << s.channel_selected.size() << " selected, \"" << s.channel_title
      << "\", tv " << s.tv << " radio " << s.radio << " all " << s.all_satellites << "}";
}

std::vector<std::string> Rows(QListView* list) {
  std::vector<std::string> rows;
  for (int r = 0; r < list->model()->rowCount(); ++r) rows.push_back(Row(list, r).toStdString());
  return rows;
}

class UndoWindowTest : public EditorTest {
 protected:
  QMenu* EditMenu() { return frame->menuBar()->actions()[1]->menu(); }
  std::vector<std::string> EditTexts() { return MenuTexts(EditMenu()); }
  std::string Bytes() {
    return std::string(reinterpret_cast<const char*>(doc.image().bytes()), doc.image().length());
  }
  std::string FileBytes() const { return ReadFile(dir / "fixture.bin"); }
  void Focus(QWidget* w) {
    frame->activateWindow();
    w->setFocus();
    QApplication::processEvents();
  }
  // Del on the channel list, confirmed: deletes the selected channels, then
  // the user selects the first row again (the delete leaves none selected).
  void DeleteChannels() {
    ui.ok_cancel_answer = true;
    Focus(view->channel_list());
    view->OnKey(ID_KEY_DELETE);
    ASSERT_EQ(doc.view().SelectedChannelCount(), 0);
    Click(view->channel_list(), 0);
  }
  Shown Capture() {
    Shown s;
    const auto fill = [](QListView* list, std::vector<std::string>& rows, int& current, std::vector<int>& selected) {
      rows = Rows(list);
      current = list->currentIndex().isValid() ? list->currentIndex().row() : -1;
      selected = SelectedRows(list);
    };
    fill(view->satellite_list(), s.satellites, s.satellite_current, s.satellite_selected);
    fill(view->transponder_list(), s.transponders, s.transponder_current, s.transponder_selected);
    fill(view->channel_list(), s.channels, s.channel_current, s.channel_selected);
    s.satellite_title = view->satellite_box()->title().toStdString();
    s.transponder_title = view->transponder_box()->title().toStdString();
    s.channel_title = view->channel_box()->title().toStdString();
    s.tv = view->tv_button()->isChecked();
    s.radio = view->radio_button()->isChecked();
    s.all_satellites = view->all_sat_box()->isChecked();
    return s;
  }
  // Ctrl+N from a folder whose Kavor.ini holds the default "PathName".
  void NewWithoutAName() {
    const fs::path other = dir / "other";
    fs::create_directories(other);
    WriteFile(other / "Kavor.ini", "[Kavor]\nPathName=.\\*.bin\n");
    QDir::setCurrent(QString::fromStdString(other.string()));
    Key(frame.get(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_FALSE(doc.has_real_name());
  }
  const std::vector<std::string> kNothing{"Undo\tCtrl+Z(grey)", "Redo\tCtrl+Y(grey)"};
};

TEST_F(UndoWindowTest, TheEditMenuSitsBetweenFileAndViewAndFollowsTheHistory) {
  std::vector<std::string> menus;
  for (QAction* a : frame->menuBar()->actions()) menus.push_back(a->text().toStdString());
  EXPECT_EQ(menus, (std::vector<std::string>{"&File", "&Edit", "&View", "&Help"}));
  EXPECT_EQ(EditTexts(), kNothing);
  Load();
  EXPECT_EQ(EditTexts(), kNothing);

  DeleteChannels();
  EXPECT_EQ(EditTexts(), (std::vector<std::string>{"Undo Delete\tCtrl+Z", "Redo\tCtrl+Y(grey)"}));
  view->OnPopupCommand(ListId::Channel, ID_POPUP_SCRAMBLE);
  EXPECT_EQ(EditTexts(), (std::vector<std::string>{"Undo Scramble\tCtrl+Z", "Redo\tCtrl+Y(grey)"}));
  // A command that changes nothing is no step: a cancelled delete, a find.
  ui.ok_cancel_answer = false;
  view->OnKey(ID_KEY_DELETE);
  ui.find_answer = {{"News", false}};
  view->OnPopupCommand(ListId::Channel, ID_POPUP_FIND);
  EXPECT_EQ(doc.history().undo_count(), 2u);
  EXPECT_EQ(EditTexts(), (std::vector<std::string>{"Undo Scramble\tCtrl+Z", "Redo\tCtrl+Y(grey)"}));

  frame->action(ID_EDIT_UNDO)->trigger();
  EXPECT_EQ(EditTexts(), (std::vector<std::string>{"Undo Delete\tCtrl+Z", "Redo Scramble\tCtrl+Y"}));
  frame->action(ID_EDIT_UNDO)->trigger();
  EXPECT_EQ(EditTexts(), (std::vector<std::string>{"Undo\tCtrl+Z(grey)", "Redo Delete\tCtrl+Y"}));
  frame->action(ID_EDIT_REDO)->trigger();
  EXPECT_EQ(EditTexts(), (std::vector<std::string>{"Undo Delete\tCtrl+Z", "Redo Scramble\tCtrl+Y"}));
  // A new change after an undo drops what could be redone. (The redone
  // delete left no channel selected, as the delete itself did.)
  EXPECT_EQ(doc.view().SelectedChannelCount(), 0);
  Click(view->channel_list(), 0);
  view->OnPopupCommand(ListId::Channel, ID_POPUP_TO_RADIO);
  EXPECT_EQ(EditTexts(), (std::vector<std::string>{"Undo Radio\tCtrl+Z", "Redo\tCtrl+Y(grey)"}));

  // Ctrl+N keeps the image, and with it the history.
  Key(frame.get(), Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(EditTexts(), (std::vector<std::string>{"Undo Radio\tCtrl+Z", "Redo\tCtrl+Y(grey)"}));
  EXPECT_TRUE(frame->isWindowModified());
  EXPECT_EQ(Title(), "Kavor*");
  frame->action(ID_EDIT_UNDO)->trigger();
  EXPECT_EQ(EditTexts(), (std::vector<std::string>{"Undo Delete\tCtrl+Z", "Redo Radio\tCtrl+Y"}));

  // Open starts afresh (the edits discarded).
  Load();
  EXPECT_EQ(ui.save_questions.size(), 1u);
  EXPECT_EQ(EditTexts(), kNothing);
  EXPECT_FALSE(frame->isWindowModified());
  EXPECT_EQ(Bytes(), FileBytes());
}

// Each kind of command is one step named as its popup item.
TEST_F(UndoWindowTest, EachCommandIsOneStepNamedAsItsItem) {
  Load();
  const fs::path sdx = dir / "import.sdx";
  Sdx record;
  record.name1 = "Imported";
  WriteFile(sdx, record.Line());
  ui.edit_answer = [](ChannelRecord r) {
    r.set_mServiceName(r.mServiceName() == "Renamed" ? "Again" : "Renamed");
    return true;
  };
  struct Case {
    const char* name;
    std::function<void()> run;
  } cases[] = {
      {"Edit", [&] { view->OnPopupCommand(ListId::Channel, ID_POPUP_EDIT); }},
      {"New", [&] { view->OnPopupCommand(ListId::Channel, ID_POPUP_NEW); }},
      {"Insert", [&] { view->OnPopupCommand(ListId::Channel, ID_POPUP_INSERT); }},
      {"Delete", [&] { DeleteChannels(); }},
      {"Move to",
       [&] {
         ui.number_answers = {5};
         view->OnPopupCommand(ListId::Channel, ID_POPUP_MOVETO);
       }},
      {"Scramble", [&] { view->OnPopupCommand(ListId::Channel, ID_POPUP_SCRAMBLE); }},
      {"Lock", [&] { view->OnPopupCommand(ListId::Channel, ID_POPUP_LOCK); }},
      {"Radio", [&] { view->OnPopupCommand(ListId::Channel, ID_POPUP_TO_RADIO); }},
      {"Delete",
       [&] {
         ui.ok_cancel_answer = true;
         Focus(view->transponder_list());
         view->OnKey(ID_KEY_DELETE);
       }},
      {"Import SatcoDx",
       [&] {
         ui.next_sdx = sdx.string();
         view->OnPopupCommand(ListId::Satellite, ID_POPUP_IMPORT);
       }},
  };
  std::vector<std::string> states{Bytes()};
  for (const Case& c : cases) {
    c.run();
    ASSERT_EQ(doc.history().undo_count(), states.size()) << c.name << ": no step";
    EXPECT_EQ(frame->action(ID_EDIT_UNDO)->text().toStdString(), std::string("Undo ") + c.name + "\tCtrl+Z");
    EXPECT_NE(Bytes(), states.back()) << c.name;
    states.push_back(Bytes());
  }
  // Back to the start byte for byte, then forward again.
  for (std::size_t i = states.size() - 1; i > 0; --i) {
    frame->action(ID_EDIT_UNDO)->trigger();
    EXPECT_EQ(Bytes(), states[i - 1]) << "undoing " << cases[i - 1].name;
    EXPECT_EQ(frame->action(ID_EDIT_REDO)->text().toStdString(),
              std::string("Redo ") + cases[i - 1].name + "\tCtrl+Y");
  }
  EXPECT_FALSE(frame->action(ID_EDIT_UNDO)->isEnabled());
  EXPECT_FALSE(frame->isWindowModified());
  for (std::size_t i = 1; i < states.size(); ++i) {
    frame->action(ID_EDIT_REDO)->trigger();
    EXPECT_EQ(Bytes(), states[i]) << "redoing " << cases[i - 1].name;
  }
  EXPECT_FALSE(frame->action(ID_EDIT_REDO)->isEnabled());
}

TEST_F(UndoWindowTest, TheKeysReachUndoAndRedo) {
  Load();
  std::vector<std::string> states{Bytes()};
  DeleteChannels();
  states.push_back(Bytes());
  view->OnPopupCommand(ListId::Channel, ID_POPUP_SCRAMBLE);
  states.push_back(Bytes());
  ASSERT_EQ(doc.history().undo_count(), 2u);

  struct Press {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    std::size_t state_after;  // index into states
  } presses[] = {
      {Qt::Key_Z, Qt::ControlModifier, 1},
      {Qt::Key_Backspace, Qt::AltModifier, 0},
      {Qt::Key_Y, Qt::ControlModifier, 1},
      {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, 2},
  };
  // At the window itself and at the channel list with the keyboard focus.
  for (QWidget* target : {static_cast<QWidget*>(frame.get()), static_cast<QWidget*>(view->channel_list())}) {
    Focus(target);
    for (const Press& p : presses) {
      Key(target, p.key, p.mods);
      EXPECT_EQ(Bytes(), states[p.state_after])
          << target->objectName().toStdString() << " " << QKeySequence(p.key | p.mods).toString().toStdString();
      EXPECT_EQ(doc.history().undo_count(), p.state_after);
    }
  }
}

TEST_F(UndoWindowTest, UndoBringsBackTheListsAsShown) {
  Load();
  // Radio, one satellite, its second transponder, three channels selected,
  // the caret on the last.
  view->radio_button()->click();
  view->all_sat_box()->click();
  Click(view->satellite_list(), 1);
  Click(view->transponder_list(), 1);
  Click(view->channel_list(), 3);
  Click(view->channel_list(), 5, QItemSelectionModel::Select);
  Click(view->channel_list(), 6, QItemSelectionModel::Select);
  QApplication::processEvents();
  const Shown before = Capture();
  const ViewSnapshot core_before = doc.view().Snapshot();
  ASSERT_EQ(before.channel_selected, (std::vector<int>{3, 5, 6}));
  ASSERT_FALSE(before.tv);
  ASSERT_FALSE(before.all_satellites);

  ui.ok_cancel_answer = true;
  Focus(view->channel_list());
  view->OnKey(ID_KEY_DELETE);
  QApplication::processEvents();
  const Shown after = Capture();
  ASSERT_NE(after.channels, before.channels);
  ASSERT_NE(after.channel_title, before.channel_title);
  // The user moves on before undoing: TV, all satellites, another one.
  view->tv_button()->click();
  view->all_sat_box()->click();
  Click(view->satellite_list(), 2);
  ASSERT_NE(Capture(), after);

  Key(frame.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Capture(), before);
  EXPECT_EQ(doc.view().Snapshot(), core_before);
  Key(frame.get(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Capture(), after);
  // The form reads the user's input from the restored lists as it did before.
  Click(view->channel_list(), 0);
  EXPECT_EQ(doc.view().current_channel(), doc.view().channel_rows()[0]);
  EXPECT_EQ(doc.view().SelectedChannelCount(), 1);
}

TEST_F(UndoWindowTest, TheTitleMarksAModifiedDocument) {
  Load();
  const std::string path = (dir / "fixture.bin").string();
  EXPECT_EQ(frame->windowTitle().toStdString(), "Kavor - " + path + "[*]");
  EXPECT_FALSE(frame->isWindowModified());
  EXPECT_EQ(Title().toStdString(), "Kavor - " + path);

  DeleteChannels();
  EXPECT_TRUE(frame->isWindowModified());
  EXPECT_EQ(Title().toStdString(), "Kavor - " + path + "*");
  Key(frame.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(FileBytes(), Bytes());
  EXPECT_FALSE(frame->isWindowModified());
  EXPECT_EQ(Title().toStdString(), "Kavor - " + path);
  // Past the saved state and back to it.
  Key(frame.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(frame->isWindowModified());
  EXPECT_EQ(Title().toStdString(), "Kavor - " + path + "*");
  Key(frame.get(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_FALSE(frame->isWindowModified());
  // Save As marks the saved state too, under the new name.
  Key(frame.get(), Qt::Key_Z, Qt::ControlModifier);
  ui.next_file = (dir / "copy.bin").string();
  frame->action(ID_FILE_SAVE_AS)->trigger();
  EXPECT_FALSE(frame->isWindowModified());
  EXPECT_EQ(Title().toStdString(), "Kavor - " + (dir / "copy.bin").string());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UndoWindowTest, APathHoldingTheMarksPlaceholderShowsAsItIs) {
  const fs::path odd = dir / "a[*]b";
  fs::create_directory(odd);
  fs::copy_file(dir / "fixture.bin", odd / "x.bin");
  ui.next_file = (odd / "x.bin").string();
  view->OnFileOpen();
  EXPECT_EQ(Title().toStdString(), "Kavor - " + (odd / "x.bin").string());
  DeleteChannels();
  EXPECT_EQ(Title().toStdString(), "Kavor - " + (odd / "x.bin").string() + "*");
}

// The commands that drop the document, each with each answer.
enum class Dropping { Close, Exit, Open, Read };
const char* Name(Dropping d) {
  switch (d) {
    case Dropping::Close: return "Close";
    case Dropping::Exit: return "Exit";
    case Dropping::Open: return "Open";
    case Dropping::Read: return "Read";
  }
  return "";
}
const char* Name(SaveChoice c) {
  switch (c) {
    case SaveChoice::Save: return "Save";
    case SaveChoice::Discard: return "Discard";
    case SaveChoice::Cancel: return "Cancel";
  }
  return "";
}

class GuardTest : public UndoWindowTest, public ::testing::WithParamInterface<std::tuple<Dropping, SaveChoice>> {
 protected:
  // Runs the command; true when it went on past the question (the window
  // closed, the file dialog or the transfer dialog came up). The dialogs
  // are cancelled.
  bool RunCommand(Dropping command) {
    switch (command) {
      case Dropping::Close:
        frame->close();
        return !frame->isVisible();
      case Dropping::Exit:
        frame->action(ID_APP_EXIT)->trigger();
        return !frame->isVisible();
      case Dropping::Open: {
        const int before = ui.open_dialogs;
        Key(frame.get(), Qt::Key_O, Qt::ControlModifier);
        return ui.open_dialogs > before;
      }
      case Dropping::Read: {
        CTransferDlg* dlg = view->transfer_dialog();
        bool shown = false;
        QTimer::singleShot(0, dlg, [dlg, &shown] {
          shown = dlg->isVisible();
          dlg->reject();
        });
        Key(frame.get(), Qt::Key_R, Qt::ControlModifier);
        QApplication::processEvents();
        return shown;
      }
    }
    return false;
  }
};

TEST_P(GuardTest, AskedBeforeTheEditsAreDropped) {
  const auto [command, choice] = GetParam();
  Load();
  const std::string original = FileBytes();
  // Unmodified: no question.
  if (command == Dropping::Open || command == Dropping::Read) {
    EXPECT_TRUE(RunCommand(command));
    EXPECT_TRUE(ui.save_questions.empty());
  }
  DeleteChannels();
  const std::string edited = Bytes();
  ASSERT_NE(edited, original);
  ui.save_answers = {choice};

  const bool went_on = RunCommand(command);
  EXPECT_EQ(ui.save_questions, std::vector<std::string>{"Save changes to fixture.bin?"});
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(went_on, choice != SaveChoice::Cancel);
  EXPECT_EQ(Bytes(), edited);
  EXPECT_EQ(doc.history().undo_count(), 1u);
  EXPECT_EQ(FileBytes(), choice == SaveChoice::Save ? edited : original);
  EXPECT_EQ(frame->isWindowModified(), choice != SaveChoice::Save);
  EXPECT_EQ(doc.modified(), choice != SaveChoice::Save);
}

INSTANTIATE_TEST_SUITE_P(All, GuardTest,
                         ::testing::Combine(::testing::Values(Dropping::Close, Dropping::Exit, Dropping::Open,
                                                              Dropping::Read),
                                            ::testing::Values(SaveChoice::Save, SaveChoice::Discard,
                                                              SaveChoice::Cancel)),
                         [](const auto& info) {
                           return std::string(Name(std::get<0>(info.param))) + Name(std::get<1>(info.param));
                         });

TEST_F(UndoWindowTest, SavingWithoutANameAsksForOneAndItsCancelCancels) {
  Load();
  DeleteChannels();
  NewWithoutAName();  // Ctrl+N keeps the edits and their history
  EXPECT_TRUE(frame->isWindowModified());
  EXPECT_EQ(doc.history().UndoName(), "Delete");
  const std::string edited = Bytes();

  ui.save_answer = SaveChoice::Save;
  frame->close();  // the Save As dialog is cancelled
  EXPECT_EQ(ui.save_questions, std::vector<std::string>{"Save changes?"});
  EXPECT_EQ(ui.save_dialogs, 1);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_TRUE(frame->isWindowModified());
  EXPECT_EQ(Bytes(), edited);

  // Open too stops before its own dialog.
  Key(frame.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(ui.save_dialogs, 2);
  EXPECT_EQ(ui.open_dialogs, 1);  // Load's only

  ui.next_file = (dir / "other" / "named.bin").string();
  frame->close();
  EXPECT_EQ(ui.save_dialogs, 3);
  EXPECT_FALSE(frame->isVisible());
  EXPECT_EQ(ReadFile(dir / "other" / "named.bin"), edited);
  EXPECT_FALSE(doc.modified());
  EXPECT_TRUE(ui.messages.empty());
}

// A save that fails keeps the window, the image and the history, and says so.
TEST_F(UndoWindowTest, AFailingSaveKeepsEverything) {
  struct Case {
    const char* what;
    bool named;  // Save to the document's name, or Save As to a new one
  } cases[] = {{"the file is now a folder", true}, {"a path in a missing folder", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Load();  // the last case's edits discarded
    ui.messages.clear();
    ui.save_questions.clear();
    DeleteChannels();
    view->OnPopupCommand(ListId::Channel, ID_POPUP_SCRAMBLE);
    frame->action(ID_EDIT_UNDO)->trigger();
    const std::string edited = Bytes();
    const ViewSnapshot shown = doc.view().Snapshot();
    if (c.named) {
      fs::remove(dir / "fixture.bin");
      fs::create_directory(dir / "fixture.bin");
    } else {
      NewWithoutAName();
    }
    ui.save_answer = SaveChoice::Save;
    for (Dropping command : {Dropping::Close, Dropping::Open, Dropping::Read}) {
      if (!c.named) ui.next_file = (dir / "missing" / "x.bin").string();
      const int open_dialogs = ui.open_dialogs;
      switch (command) {
        case Dropping::Close: frame->close(); break;
        case Dropping::Open: Key(frame.get(), Qt::Key_O, Qt::ControlModifier); break;
        default: {
          // A transfer dialog shown here would wait for a user: close it and fail.
          CTransferDlg* dlg = view->transfer_dialog();
          QTimer::singleShot(0, dlg, [dlg] {
            if (!dlg->isVisible()) return;
            ADD_FAILURE() << "the transfer dialog came up";
            dlg->reject();
          });
          Key(frame.get(), Qt::Key_R, Qt::ControlModifier);
          break;
        }
      }
      EXPECT_TRUE(frame->isVisible()) << Name(command);
      EXPECT_EQ(ui.open_dialogs, open_dialogs) << Name(command);
      EXPECT_FALSE(view->transfer_dialog()->isVisible());
      ASSERT_FALSE(ui.messages.empty()) << Name(command);
      EXPECT_EQ(ui.messages.back(), (std::pair<std::string, MessageIcon>{"File save error", MessageIcon::Error}));
    }
    EXPECT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.save_questions.size(), 3u);
    EXPECT_EQ(Bytes(), edited);
    EXPECT_EQ(doc.view().Snapshot(), shown);
    EXPECT_TRUE(frame->isWindowModified());
    EXPECT_EQ(EditTexts(), (std::vector<std::string>{"Undo Delete\tCtrl+Z", "Redo Scramble\tCtrl+Y"}));
    if (c.named) {
      fs::remove(dir / "fixture.bin");
      WriteFixture(dir / "fixture.bin");
    }
    ui.save_answer = SaveChoice::Discard;
    QDir::setCurrent(QString::fromStdString(dir.path().string()));
  }
}

TEST_F(UndoWindowTest, AReceiverReadStartsAFreshHistory) {
  Load();
  DeleteChannels();
  frame->action(ID_EDIT_UNDO)->trigger();
  DeleteChannels();
  ASSERT_TRUE(frame->isWindowModified());
  SimProcess sim({"--kind", "5", "--sessions", "1"});
  ASSERT_FALSE(sim.pty().empty());
  ::setenv("KAVOR_COM1", sim.pty().c_str(), 1);
  CTransferDlg* dlg = view->transfer_dialog();
  TransferTiming fast;
  fast.byte_timeout_ms = 300;
  fast.connect_attempts = 3;
  fast.final_waits = 3;
  dlg->SetTiming(fast);
  std::vector<std::string> link_messages;
  dlg->SetMessageFunction([&](const std::string& text) { link_messages.push_back(text); });
  QTimer::singleShot(0, dlg, [dlg] { dlg->OnOK(); });
  Key(frame.get(), Qt::Key_R, Qt::ControlModifier);
  ::unsetenv("KAVOR_COM1");
  EXPECT_TRUE(link_messages.empty());
  EXPECT_EQ(ui.save_questions, std::vector<std::string>{"Save changes to fixture.bin?"});  // discarded
  EXPECT_EQ(doc.image().kind(), 5);
  EXPECT_EQ(EditTexts(), kNothing);
  EXPECT_FALSE(frame->isWindowModified());
  EXPECT_EQ(Title(), "Kavor - ReadData.bin");
  // Nothing to undo: the keys change nothing.
  const std::string received = Bytes();
  Key(frame.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Bytes(), received);
}

// In an editor's text box Ctrl+Z undoes the typing, not a command.
TEST_F(UndoWindowTest, CtrlZInTheChannelEditorUndoesTyping) {
  Load();
  DeleteChannels();
  const std::string edited = Bytes();
  QString typed, after_undo, original;
  ui.edit_answer = [&](ChannelRecord record) {
    CChannelDlg& dlg = *view->channel_dialog();
    dlg.Open(ui.edit_captions.back(), record);
    return WhileModal(
        [&](QWidget*) {
          QLineEdit* name = dlg.name_box();
          name->setFocus();
          original = name->text();
          name->end(false);
          Type(name, "xyz");
          typed = name->text();
          QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
          after_undo = name->text();
          // The window behind the editor takes no undo either, not even
          // from its menu.
          QTest::keyClick(frame.get(), Qt::Key_Z, Qt::ControlModifier);
          frame->action(ID_EDIT_UNDO)->trigger();
          QApplication::processEvents();
          dlg.cancel_button()->click();
        },
        [&] { return dlg.exec() == QDialog::Accepted; });
  };
  Focus(view->channel_list());
  view->OnKey(ID_KEY_ENTER);
  ASSERT_EQ(ui.edit_captions.size(), 1u);
  EXPECT_EQ(typed, original + "xyz");
  EXPECT_EQ(after_undo, original);
  EXPECT_EQ(Bytes(), edited);
  EXPECT_EQ(doc.history().undo_count(), 1u);
  EXPECT_EQ(doc.history().redo_count(), 0u);
}

// An undo that arrives while a command runs (its editor shown without a
// modal loop) waits: the command's step stays whole.
TEST_F(UndoWindowTest, UndoWaitsWhileACommandRuns) {
  Load();
  DeleteChannels();
  const std::string deleted = Bytes();
  ui.edit_answer = [&](ChannelRecord record) {
    frame->action(ID_EDIT_UNDO)->trigger();
    record.set_mServiceName("Renamed");
    return true;
  };
  Focus(view->channel_list());
  view->OnKey(ID_KEY_ENTER);
  ASSERT_EQ(ui.edit_captions.size(), 1u);
  EXPECT_EQ(doc.history().undo_count(), 2u);
  EXPECT_EQ(doc.history().UndoName(), "Edit");
  EXPECT_EQ(doc.view().channel(doc.view().channel_rows()[0]).mServiceName(), "Renamed");
  const std::string renamed = Bytes();

  // Nor while the transfer dialog is up, ready to send the image.
  WhileModal(
      [&](QWidget* modal) {
        EXPECT_EQ(modal, view->transfer_dialog());
        frame->action(ID_EDIT_UNDO)->trigger();
        EXPECT_EQ(Bytes(), renamed);
        view->transfer_dialog()->reject();
      },
      [&] {
        view->OnWriteToReceiver();
        return 0;
      });
  EXPECT_EQ(doc.history().undo_count(), 2u);
  frame->action(ID_EDIT_UNDO)->trigger();
  EXPECT_EQ(Bytes(), deleted);
}

TEST(SaveChangesBox, AsksWithSaveDiscardAndCancel) {
  const std::string question = "Save changes to T\xC3\xA9l\xC3\xA9.bin?";  // a UTF-8 file name
  auto box = MakeSaveChangesBox(nullptr, question);
  EXPECT_EQ(box->windowTitle(), "Kavor");
  EXPECT_EQ(box->text(), QString::fromUtf8("Save changes to Télé.bin?"));
  EXPECT_EQ(box->standardButtons(), QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Save));
  EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Cancel));

  QtUserInterface ui;
  struct Case {
    std::function<void(QWidget*)> answer;
    SaveChoice expected;
  } cases[] = {
      {[](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); }, SaveChoice::Save},
      {[](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }, SaveChoice::Cancel},
      {[](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::Discard)->click(); },
       SaveChoice::Discard},
      {[](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::Cancel)->click(); },
       SaveChoice::Cancel},
  };
  for (const Case& c : cases) {
    QString shown;
    const SaveChoice answer = WhileModal(
        [&](QWidget* modal) {
          shown = static_cast<QMessageBox*>(modal)->text();
          c.answer(modal);
        },
        [&] { return ui.AskSaveChanges("Save changes?"); });
    EXPECT_EQ(shown, "Save changes?");
    EXPECT_EQ(answer, c.expected) << Name(c.expected);
  }
}

}  // namespace
}  // namespace kavor::testing
