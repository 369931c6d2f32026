// The editor window offscreen, with a scripted user interface, a fixture
// file and the current folder set to a fresh temporary one.
#pragma once

#include <QApplication>
#include <QDir>
#include <QListView>
#include <QMenu>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/main_frame.h"
#include "database/data_file.h"
#include "database/image_builder.h"
#include "support/temp_dir.h"

namespace kavor::testing {

class ScriptedUi : public UserInterface {
 public:
  std::vector<std::pair<std::string, MessageIcon>> messages;
  std::optional<std::string> next_file;
  std::string last_initial;
  int open_dialogs = 0;
  int save_dialogs = 0;
  void ShowMessage(const std::string& text, MessageIcon icon) override { messages.push_back({text, icon}); }
  std::optional<std::string> ChooseOpenFile(const std::string& initial) override {
    ++open_dialogs;
    last_initial = initial;
    return std::exchange(next_file, std::nullopt);
  }
  std::optional<std::string> ChooseSaveFile(const std::string& initial) override {
    ++save_dialogs;
    last_initial = initial;
    return std::exchange(next_file, std::nullopt);
  }
  std::optional<std::string> next_sdx;  // the SatcoDx file the import's dialog chooses
  std::optional<std::string> ChooseSatcoDxFile() override { return std::exchange(next_sdx, std::nullopt); }

  // The editing dialogs: each question is recorded and answered from what
  // the test set up; without an answer the user cancels.
  std::vector<std::pair<std::string, std::string>> ok_cancel_asked;  // caption, text
  bool ok_cancel_answer = false;
  std::vector<std::string> edit_captions;
  std::function<bool(ChannelRecord)> edit_answer;  // changes the record and says OK, or cancels
  std::vector<std::pair<std::string, long long>> number_asked;  // prompt, number shown
  std::deque<std::optional<long long>> number_answers;
  std::vector<std::pair<std::string, bool>> find_shown;
  std::optional<std::pair<std::string, bool>> find_answer;

  bool AskOkCancel(const std::string& caption, const std::string& text) override {
    ok_cancel_asked.push_back({caption, text});
    return ok_cancel_answer;
  }
  bool EditChannel(const std::string& caption, ChannelRecord record) override {
    edit_captions.push_back(caption);
    return edit_answer && edit_answer(record);
  }
  std::optional<long long> AskNumber(const std::string& prompt, long long number) override {
    number_asked.push_back({prompt, number});
    if (number_answers.empty()) return std::nullopt;
    const auto answer = number_answers.front();
    number_answers.pop_front();
    return answer;
  }
  // Before a modified document is dropped: the questions asked, answered
  // from the queue, then with `save_answer`. Discarding goes on as the
  // editor did before it asked.
  std::vector<std::string> save_questions;
  std::deque<SaveChoice> save_answers;
  SaveChoice save_answer = SaveChoice::Discard;
  SaveChoice AskSaveChanges(const std::string& question) override {
    save_questions.push_back(question);
    if (save_answers.empty()) return save_answer;
    const SaveChoice answer = save_answers.front();
    save_answers.pop_front();
    return answer;
  }

  bool AskFind(std::string& text, bool& match_case) override {
    find_shown.push_back({text, match_case});
    if (!find_answer) return false;
    std::tie(text, match_case) = *find_answer;
    return true;
  }
};

// Kind 3, 1200 channels (800 TV) over satellites 1, 2 and 7 in blocks of 50;
// each has three transponders, channels on transponder 1 + n % 3, every
// third channel radio (so transponder 3 carries only radio); satellite 1's
// third transponder is vertical 11778/27500; the 12th TV channel is "News",
// scrambled.
inline void BuildFixture(Image& image) {
  ImageBuilder b(image, 3);
  b.NameSatellite(0, "Astra 19.2E", 192);
  const int sats[] = {1, 2, 7};
  for (int sat : sats) {
    b.AddTransponder(sat, 11000, 22000, false);
    b.AddTransponder(sat, 11500, 22000, false);
    b.AddTransponder(sat, 11778, 27500, true);
  }
  int tv = 0;
  for (int n = 0; n < 1200; ++n) {
    ChannelSpec fields;
    fields.type = n % 3 == 2 ? kServiceTypeRadio : kServiceTypeTv;
    if (fields.type == kServiceTypeTv && ++tv == 12) {
      fields.name = "News";
      fields.scrambled = true;
    } else {
      fields.name = "C" + std::to_string(n);
    }
    b.AddChannel(sats[(n / 50) % 3], 1 + n % 3, fields);
  }
  b.Finish();
}

inline void WriteFixture(const std::filesystem::path& path) {
  Image image;
  BuildFixture(image);
  ASSERT_TRUE(WriteDataFile(path, image));
}

inline QString Row(QListView* list, int row) { return list->model()->index(row, 0).data().toString(); }

// A selection change as the widget makes it, not the form's mirroring.
inline void Click(QListView* list, int row,
                  QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect) {
  list->selectionModel()->setCurrentIndex(list->model()->index(row, 0), flags);
}

inline std::vector<int> SelectedRows(QListView* list) {
  std::vector<int> rows;
  for (const QModelIndex& i : list->selectionModel()->selectedIndexes()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The settings stay in the test's folder, whichever Kavor.ini is found.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) previous_config_ = xdg;
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    previous_dir_ = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.path().string()));
    WriteFixture(dir / "fixture.bin");
    frame = std::make_unique<CMainFrame>(doc, ui);
    view = frame->view();
    view->OnInitialUpdate(dir.path().string());
    frame->show();
    frame->activateWindow();
    QApplication::processEvents();
  }
  void TearDown() override {
    frame.reset();
    QDir::setCurrent(previous_dir_);
    if (previous_config_)
      ::setenv("XDG_CONFIG_HOME", previous_config_->c_str(), 1);
    else
      ::unsetenv("XDG_CONFIG_HOME");
  }
  void Load() {
    ui.next_file = (dir / "fixture.bin").string();
    view->OnFileOpen();
    ASSERT_TRUE(doc.view().image_loaded());
    QApplication::processEvents();  // the lists lay out their rows
  }
  // The title as the window system shows it ("[*]" is "*" while modified).
  QString Title() const { return frame->windowHandle()->title(); }
  std::vector<std::string> MenuTexts(QMenu* menu) {
    std::vector<std::string> out;
    for (QAction* a : menu->actions())
      out.push_back(a->isSeparator() ? "-" : a->text().toStdString() + (a->isEnabled() ? "" : "(grey)"));
    return out;
  }
  // A row's centre in the window, where the real mouse events arrive.
  QPoint InWindow(QListView* list, int row) {
    const QRect r = list->visualRect(list->model()->index(row, 0));
    return list->viewport()->mapTo(frame.get(), r.center());
  }
  // A click through the window system, as the user makes it: press, release
  // and, for the right button, the context-menu request.
  void MouseClick(QListView* list, int row, Qt::MouseButton button, Qt::KeyboardModifiers mods = {}) {
    QTest::mouseClick(frame->windowHandle(), button, mods, InWindow(list, row));
    QApplication::processEvents();
  }
  void Key(QWidget* target, int key, Qt::KeyboardModifiers mods = {}) {
    QTest::keyClick(target, Qt::Key(key), mods);
    QApplication::processEvents();
  }

  TempDir dir;
  Document doc;
  ScriptedUi ui;
  std::unique_ptr<CMainFrame> frame;
  CKavorView* view = nullptr;

 private:
  QString previous_dir_;
  std::optional<std::string> previous_config_;
};

}  // namespace kavor::testing
