#include "editing/transponder_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "editing/form_refusal.h"
#include "editing/line_edits.h"
#include "gui_common/dialog_units.h"

namespace kavor {

CTransponderDlg::CTransponderDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(Du(0, 0, 104, 115).size());
  BuildControls();
}

void CTransponderDlg::BuildControls() {
  // Labels on the left, their fields on the right, one pair per row.
  const char* labels[] = {"Frequency", "Polarity", "Symbol Rate", "FEC"};
  for (int i = 0; i < 4; ++i) {
    auto* l = new QLabel(labels[i], this);
    l->setGeometry(Du(4, 10 + i * 20, 45, 8));
  }
  frequency_ = MakeLatin1Edit(this);
  frequency_->setObjectName("frequency");
  frequency_->setGeometry(Du(49, 8, 51, 12));
  polarity_ = new QComboBox(this);
  polarity_->setObjectName("polarity");
  polarity_->setGeometry(Du(49, 28, 51, 12));
  for (const char* entry : kPolarityEntries) polarity_->addItem(entry);
  symbol_rate_ = MakeLatin1Edit(this);
  symbol_rate_->setObjectName("symbolRate");
  symbol_rate_->setGeometry(Du(49, 48, 51, 12));
  fec_ = new QComboBox(this);
  fec_->setObjectName("fec");
  fec_->setGeometry(Du(49, 68, 51, 12));
  for (const char* entry : kFecEntries) fec_->addItem(entry);

  ok_ = new QPushButton("OK", this);
  ok_->setGeometry(Du(7, 94, 42, 14));
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setGeometry(Du(55, 94, 42, 14));
  connect(ok_, &QPushButton::clicked, this, &CTransponderDlg::accept);
  connect(cancel_, &QPushButton::clicked, this, &CTransponderDlg::reject);

  setTabOrder(frequency_, polarity_);
  setTabOrder(polarity_, symbol_rate_);
  setTabOrder(symbol_rate_, fec_);
  setTabOrder(fec_, ok_);
  setTabOrder(ok_, cancel_);
}

void CTransponderDlg::Open(const std::string& caption, TransponderRecord record) {
  record_ = record;
  const TransponderForm form = LoadTransponderForm(record);
  setWindowTitle(FromLatin1(caption));
  frequency_->setText(FromLatin1(form.frequency));
  // An index past the entries (a stored FEC 7) selects nothing.
  polarity_->setCurrentIndex(form.polarity);
  symbol_rate_->setText(FromLatin1(form.symbol_rate));
  fec_->setCurrentIndex(form.fec);
}

int CTransponderDlg::exec() {
  if (!record_) return Rejected;
  return QDialog::exec();
}

void CTransponderDlg::showEvent(QShowEvent* event) {
  // Every showing starts on the frequency with OK the default, whichever
  // button had the focus when the dialog last closed.
  ok_->setDefault(true);
  frequency_->setFocus(Qt::OtherFocusReason);
  QDialog::showEvent(event);
}

TransponderForm CTransponderDlg::Collect() const {
  TransponderForm form;
  form.frequency = ToLatin1(frequency_->text());
  form.polarity = polarity_->currentIndex();
  form.symbol_rate = ToLatin1(symbol_rate_->text());
  form.fec = fec_->currentIndex();
  return form;
}

QWidget* CTransponderDlg::Control(TransponderControl control) const {
  switch (control) {
    case TransponderControl::Frequency: return frequency_;
    case TransponderControl::Polarity: return polarity_;
    case TransponderControl::SymbolRate: return symbol_rate_;
    case TransponderControl::Fec: return fec_;
  }
  return frequency_;
}

void CTransponderDlg::accept() {
  if (!record_) return;
  const TransponderForm form = Collect();
  if (const auto error = ValidateTransponderForm(form)) {
    RefuseFormInput(this, message_, error->message, error->icon, Control(error->control));
    return;
  }
  ApplyTransponderForm(form, *record_);
  QDialog::accept();
}

}  // namespace kavor
