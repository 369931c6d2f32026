// What the editor dialogs do when OK's checks refuse the input: the message
// (through the form's handler, or as a box captioned "Kavor"), then the
// failing control focused with its text selected; the dialog stays open.
#pragma once

#include <functional>
#include <string>

#include "editing/user_interface.h"

class QWidget;

namespace kavor {

using FormMessageFn = std::function<void(const std::string&, MessageIcon)>;

// The message box the dialogs fall back on: captioned "Kavor", one OK button.
void ShowFormMessage(QWidget* parent, const std::string& text, MessageIcon icon);

void RefuseFormInput(QWidget* dialog, const FormMessageFn& handler, const std::string& text, MessageIcon icon,
                     QWidget* failing);

}  // namespace kavor
