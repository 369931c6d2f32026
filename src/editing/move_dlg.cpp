#include "editing/move_dlg.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "gui_common/dialog_units.h"
#include "editing/line_edits.h"
#include "editing/number_text.h"

namespace kavor {

CMoveDlg::CMoveDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Move to");
  setFixedSize(Du(0, 0, 94, 56).size());
  prompt_box_ = new QLineEdit(this);
  prompt_box_->setObjectName("prompt");
  prompt_box_->setReadOnly(true);
  prompt_box_->setFrame(false);
  prompt_box_->setFocusPolicy(Qt::NoFocus);
  prompt_box_->setGeometry(Du(7, 7, 80, 10));
  number_box_ = new DigitsOnlyEdit(this);
  number_box_->setObjectName("number");
  number_box_->setGeometry(Du(7, 19, 80, 12));
  ok_ = new QPushButton("OK", this);
  ok_->setGeometry(Du(7, 36, 38, 14));
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setGeometry(Du(49, 36, 38, 14));
  connect(ok_, &QPushButton::clicked, this, &CMoveDlg::accept);
  connect(cancel_, &QPushButton::clicked, this, &CMoveDlg::reject);
}

void CMoveDlg::SetPrompt(const std::string& prompt) { prompt_box_->setText(FromLatin1(prompt)); }

void CMoveDlg::SetNumber(long long number) {
  number_ = number;
  number_box_->setText(QString::number(number));
}

void CMoveDlg::showEvent(QShowEvent* event) {
  ok_->setDefault(true);
  number_box_->setFocus(Qt::OtherFocusReason);
  number_box_->selectAll();
  QDialog::showEvent(event);
}

void CMoveDlg::accept() {
  const auto number = ParseInteger(ToLatin1(number_box_->text()));
  if (!number) {
    if (message_) {
      message_("Please enter an integer.");
    } else {
      QMessageBox box(QMessageBox::Warning, "Kavor", "Please enter an integer.", QMessageBox::Ok, this);
      box.exec();
    }
    number_box_->setFocus(Qt::OtherFocusReason);
    number_box_->selectAll();
    return;
  }
  number_ = *number;
  QDialog::accept();
}

}  // namespace kavor
