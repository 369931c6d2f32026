// The user interface as real modal dialogs.
#pragma once

#include <QFileDialog>
#include <memory>

#include "editing/user_interface.h"

namespace kavor {

// The data-file dialog, unshown: the two filters, default extension "bin",
// proposing `initial`, or, when it is empty, starting in the current folder
// with no name. Qt's own dialog, so the filters read exactly as given.
std::unique_ptr<QFileDialog> MakeDataFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                                const std::string& initial);

class QtUserInterface : public UserInterface {
 public:
  explicit QtUserInterface(QWidget* parent = nullptr) : parent_(parent) {}
  void set_parent(QWidget* parent) { parent_ = parent; }
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  std::optional<std::string> ChooseOpenFile(const std::string& initial) override;
  std::optional<std::string> ChooseSaveFile(const std::string& initial) override;

 private:
  QWidget* parent_;
};

}  // namespace kavor
