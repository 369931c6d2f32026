// The user interface as real modal dialogs.
#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <memory>

#include "editing/user_interface.h"

namespace kavor {

class CChannelDlg;
class CFindDlg;
class CMoveDlg;
class CSatelliteDlg;
class CTransponderDlg;

// The editing dialogs the form owns and the interface shows.
struct EditorDialogs {
  CChannelDlg* channel = nullptr;
  CFindDlg* find = nullptr;
  CMoveDlg* move = nullptr;
  CTransponderDlg* transponder = nullptr;
  CSatelliteDlg* satellite = nullptr;
};

// The data-file dialog, unshown: the two filters, default extension "bin",
// proposing `initial`, or, when it is empty, starting in the current folder
// with no name. Qt's own dialog, so the filters read exactly as given.
std::unique_ptr<QFileDialog> MakeDataFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                                const std::string& initial);

// The SatcoDx import's open dialog, unshown: "SatcoDx file(*.sdx)" and
// "*.*", default extension "sdx", an existing file required, starting in
// the current folder.
std::unique_ptr<QFileDialog> MakeSatcoDxFileDialog(QWidget* parent);

// The question before a modified document is dropped, unshown: captioned
// "Kavor", Save, Discard and Cancel, Save the default, Escape cancels.
std::unique_ptr<QMessageBox> MakeSaveChangesBox(QWidget* parent, const std::string& question);

class QtUserInterface : public UserInterface {
 public:
  explicit QtUserInterface(QWidget* parent = nullptr) : parent_(parent) {}
  void set_parent(QWidget* parent) { parent_ = parent; }
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  std::optional<std::string> ChooseOpenFile(const std::string& initial) override;
  std::optional<std::string> ChooseSaveFile(const std::string& initial) override;
  bool AskOkCancel(const std::string& caption, const std::string& text) override;
  // Without the form's dialogs these answer Cancel.
  bool EditChannel(const std::string& caption, ChannelRecord record) override;
  std::optional<long long> AskNumber(const std::string& prompt, long long number) override;
  bool AskFind(std::string& text, bool& match_case) override;
  bool EditTransponder(const std::string& caption, TransponderRecord record) override;
  bool EditSatellite(SatelliteRecord record) override;
  std::optional<std::string> ChooseSatcoDxFile() override;
  SaveChoice AskSaveChanges(const std::string& question) override;

  void set_dialogs(EditorDialogs dialogs) { dialogs_ = dialogs; }
  const EditorDialogs& dialogs() const { return dialogs_; }

 private:
  QWidget* parent_;
  EditorDialogs dialogs_;
};

}  // namespace kavor
