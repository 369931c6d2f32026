#include "editing/form_refusal.h"

#include <QLineEdit>
#include <QMessageBox>

#include "editing/line_edits.h"

namespace kavor {

void ShowFormMessage(QWidget* parent, const std::string& text, MessageIcon icon) {
  QMessageBox::Icon qicon = QMessageBox::Critical;
  if (icon == MessageIcon::Exclamation) qicon = QMessageBox::Warning;
  if (icon == MessageIcon::Information) qicon = QMessageBox::Information;
  if (icon == MessageIcon::Question) qicon = QMessageBox::Question;
  QMessageBox box(qicon, "Kavor", FromLatin1(text), QMessageBox::Ok, parent);
  box.exec();
}

void RefuseFormInput(QWidget* dialog, const FormMessageFn& handler, const std::string& text, MessageIcon icon,
                     QWidget* failing) {
  if (handler)
    handler(text, icon);
  else
    ShowFormMessage(dialog, text, icon);
  // After the message, so its closing does not take the focus elsewhere.
  failing->setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(failing)) edit->selectAll();
}

}  // namespace kavor
