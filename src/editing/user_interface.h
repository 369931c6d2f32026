// What the editor asks of the user: messages and file choices. The editor
// implements it with modal dialogs, the tests with a scripted fake.
#pragma once

#include <optional>
#include <string>

namespace kavor {

enum class MessageIcon { Error, Exclamation, Information, Question };

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A modal box captioned "Kavor" with one OK button.
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
  // The chosen full path, or nothing when the user cancelled. `initial` is
  // the name to propose; empty: start in the current folder, propose none.
  virtual std::optional<std::string> ChooseOpenFile(const std::string& initial) = 0;
  virtual std::optional<std::string> ChooseSaveFile(const std::string& initial) = 0;
};

}  // namespace kavor
