#include "editing/line_edits.h"

#include <QKeyEvent>

namespace kavor {

QValidator::State Latin1Validator::validate(QString& input, int& /*pos*/) const {
  for (const QChar c : input)
    if (c.unicode() == 0 || c.unicode() > 0xFF) return Invalid;
  return Acceptable;
}

DigitsOnlyEdit::DigitsOnlyEdit(QWidget* parent) : QLineEdit(parent) {
  setValidator(new Latin1Validator(this));
}

void DigitsOnlyEdit::keyPressEvent(QKeyEvent* event) {
  // Shortcuts (paste, select all, undo) and editing keys pass; a printable
  // character typed must be a digit.
  const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier);
  if (!shortcut) {
    for (const QChar c : event->text()) {
      if (c.isPrint() && !(c >= u'0' && c <= u'9')) {
        event->ignore();
        return;
      }
    }
  }
  QLineEdit::keyPressEvent(event);
}

QLineEdit* MakeLatin1Edit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setValidator(new Latin1Validator(edit));
  return edit;
}

}  // namespace kavor
