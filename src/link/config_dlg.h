// The Configuration dialog: which of COM1..COM4 the transfers use.
#pragma once

#include <QDialog>

class QComboBox;

namespace kavor {

class CConfigDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CConfigDlg(QWidget* parent = nullptr);
  // Shows the entries with `index` selected; the chosen index afterwards.
  void SetPortIndex(int index) { index_ = index; }
  int port_index() const { return index_; }
  int exec() override;
  QComboBox* combo() const { return combo_; }

 public slots:
  void accept() override;

 private:
  QComboBox* combo_;
  int index_ = 0;
};

}  // namespace kavor
