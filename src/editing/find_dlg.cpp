#include "editing/find_dlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "gui_common/dialog_units.h"
#include "editing/line_edits.h"

namespace kavor {

CFindDlg::CFindDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Find Channel");
  setFixedSize(Du(0, 0, 99, 55).size());
  text_box_ = MakeLatin1Edit(this);
  text_box_->setObjectName("findText");
  text_box_->setGeometry(Du(7, 7, 85, 12));
  match_case_box_ = new QCheckBox("Match case", this);
  match_case_box_->setObjectName("matchCase");
  match_case_box_->setGeometry(Du(24, 22, 52, 10));
  ok_ = new QPushButton("OK", this);
  ok_->setGeometry(Du(7, 36, 40, 14));
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setGeometry(Du(52, 36, 40, 14));
  connect(ok_, &QPushButton::clicked, this, &CFindDlg::accept);
  connect(cancel_, &QPushButton::clicked, this, &CFindDlg::reject);
}

void CFindDlg::SetValues(const std::string& text, bool match_case) {
  text_ = text;
  match_case_ = match_case;
}

int CFindDlg::exec() {
  // The controls start from the values, not from what a cancelled showing left.
  text_box_->setText(FromLatin1(text_));
  match_case_box_->setChecked(match_case_);
  return QDialog::exec();
}

void CFindDlg::showEvent(QShowEvent* event) {
  ok_->setDefault(true);
  text_box_->setFocus(Qt::OtherFocusReason);
  text_box_->selectAll();
  QDialog::showEvent(event);
}

void CFindDlg::accept() {
  text_ = ToLatin1(text_box_->text());
  match_case_ = match_case_box_->isChecked();
  QDialog::accept();
}

}  // namespace kavor
