#include "link/config_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "link/comm_port.h"

#include "gui_common/dialog_units.h"

namespace kavor {

CConfigDlg::CConfigDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Configuration");
  setFixedSize(Du(0, 0, 126, 56).size());
  auto* ok = new QPushButton("OK", this);
  ok->setGeometry(Du(7, 35, 50, 14));
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setGeometry(Du(68, 35, 50, 14));
  auto* label = new QLabel("COM Port", this);
  label->setGeometry(Du(7, 7, 35, 12));
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  combo_ = new QComboBox(this);
  combo_->setEditable(true);
  combo_->setGeometry(Du(47, 7, 60, 12));
  connect(ok, &QPushButton::clicked, this, &CConfigDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &CConfigDlg::reject);
}

int CConfigDlg::exec() {
  combo_->clear();
  for (int i = 0; i < 4; ++i) combo_->addItem(QString::fromStdString(PortNameForIndex(i)));
  combo_->setCurrentIndex(NormalisePortIndex(index_));
  return QDialog::exec();
}

void CConfigDlg::accept() {
  // Typed text that names no entry is no selection: the previous port stays.
  const int chosen = combo_->findText(combo_->currentText(), Qt::MatchFixedString);
  if (chosen >= 0) index_ = chosen;
  QDialog::accept();
}

}  // namespace kavor
