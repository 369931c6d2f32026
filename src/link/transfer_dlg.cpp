#include "link/transfer_dlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include "gui_common/dialog_units.h"

namespace kavor {

// Runs on the worker; everything it reports is handed to the UI thread.
class CTransferDlg::Observer : public TransferObserver {
 public:
  explicit Observer(CTransferDlg* dlg) : dlg_(dlg) {}
  void OnStatus(const std::string& text) override {
    const QString t = QString::fromStdString(text);
    QMetaObject::invokeMethod(dlg_, [d = dlg_, t] { d->status_->setText(t); }, Qt::QueuedConnection);
  }
  void OnProgressShown(bool shown) override {
    QMetaObject::invokeMethod(dlg_, [d = dlg_, shown] { d->progress_->setVisible(shown); },
                              Qt::QueuedConnection);
  }
  void OnProgress(int percent) override {
    QMetaObject::invokeMethod(dlg_, [d = dlg_, percent] { d->progress_->setValue(percent); },
                              Qt::QueuedConnection);
  }

 private:
  CTransferDlg* dlg_;
};

CTransferDlg::CTransferDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      observer_(std::make_unique<Observer>(this)) {
  protocol_.set_observer(observer_.get());
  setModal(true);
  setFixedSize(Du(0, 0, 154, 55).size());
  progress_ = new QProgressBar(this);
  progress_->setGeometry(Du(5, 30, 145, 10));
  progress_->setRange(0, 100);
  progress_->setTextVisible(false);
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setGeometry(Du(30, 15, 95, 10));
  status_->setAlignment(Qt::AlignCenter);
  instruction_ = new QLabel(
      "Please turn off the receiver, clink on OK and turn on the receiver again.", this);
  instruction_->setGeometry(Du(5, 5, 145, 20));
  instruction_->setWordWrap(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setGeometry(Du(85, 30, 50, 14));
  ok_ = new QPushButton("OK", this);
  ok_->setGeometry(Du(15, 30, 50, 14));
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &CTransferDlg::OnOK);
  connect(cancel_, &QPushButton::clicked, this, &CTransferDlg::reject);
}

CTransferDlg::~CTransferDlg() {
  if (worker_.joinable()) worker_.join();
}

int CTransferDlg::exec() {
  // Each showing starts in the instruction look.
  setWindowTitle(direction_ == TransferDirection::kRead ? "Read data from receiver"
                                                         : "Write data to receiver");
  progress_->hide();
  progress_->setValue(0);
  status_->hide();
  status_->clear();
  instruction_->show();
  ok_->show();
  cancel_->show();
  // The last showing hid the buttons while one had the focus; Qt would give
  // the focus back to Cancel, whose auto-default then takes Enter. OK is the
  // default, and focused, every time.
  ok_->setDefault(true);
  ok_->setFocus(Qt::OtherFocusReason);
  return QDialog::exec();
}

void CTransferDlg::ShowMessage(const std::string& text) {
  if (message_) {
    message_(text);
    return;
  }
  QMessageBox box(QMessageBox::Warning, "Kavor", QString::fromStdString(text), QMessageBox::Ok, this);
  box.exec();
}

void CTransferDlg::OnOK() {
  if (worker_.joinable()) return;
  if (direction_ == TransferDirection::kWrite && !image_) return;
  const int index = NormalisePortIndex(port_index_);
  if (!protocol_.OpenPort(PortNameForIndex(index))) {
    ShowMessage(TransferErrorText(TransferResult::kOpenError, index + 1));
    QDialog::reject();
    return;
  }
  instruction_->hide();
  ok_->hide();
  cancel_->hide();
  status_->show();
  const TransferDirection direction = direction_;
  const Image* image = image_;
  worker_ = std::thread([this, direction, image] {
    const TransferResult result = protocol_.RunOpened(direction, image);
    QMetaObject::invokeMethod(this, [this, result] { Finished(result); }, Qt::QueuedConnection);
  });
}

void CTransferDlg::Finished(TransferResult result) {
  if (worker_.joinable()) worker_.join();
  if (result == TransferResult::kOk) {
    accept();
    return;
  }
  ShowMessage(TransferErrorText(result, NormalisePortIndex(port_index_) + 1));
  QDialog::reject();
}

void CTransferDlg::reject() {
  if (worker_.joinable()) return;  // a running transfer cannot be cancelled
  QDialog::reject();
}

void CTransferDlg::closeEvent(QCloseEvent* event) {
  if (worker_.joinable())
    event->ignore();
  else
    QDialog::closeEvent(event);
}

}  // namespace kavor
