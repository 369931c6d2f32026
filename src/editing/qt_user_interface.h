// The user interface as real modal dialogs.
#pragma once

#include "editing/user_interface.h"

class QWidget;

namespace kavor {

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
