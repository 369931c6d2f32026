// The transfer dialog: asks the user to power-cycle the receiver, then runs
// one whole transfer on a worker thread while the dialog stays painted and
// takes no input. Progress comes back to the UI thread as queued calls.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <thread>

#include "link/comm_port.h"
#include "link/transfer_protocol.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kavor {

class CTransferDlg : public QDialog {
  Q_OBJECT
 public:
  using MessageFn = std::function<void(const std::string&)>;
  explicit CTransferDlg(QWidget* parent = nullptr);
  ~CTransferDlg() override;

  // Set by the view before each showing.
  void SetDirection(TransferDirection direction) { direction_ = direction; }
  void SetPortIndex(int index) { port_index_ = index; }
  void SetImage(const Image* image) { image_ = image; }
  // Tests shorten the time-outs and see the messages instead of a box.
  void SetTiming(const TransferTiming& timing) { protocol_.set_timing(timing); }
  void SetMessageFunction(MessageFn fn) { message_ = std::move(fn); }

  // Shows the dialog in its instruction look; Accepted after a successful transfer.
  int exec() override;
  // After a successful read: the received image and its kind.
  const std::uint8_t* staged_bytes() const { return protocol_.staged(); }
  int staged_kind() const { return protocol_.staged_kind(); }
  bool running() const { return worker_.joinable(); }

  QLabel* status_label() const { return status_; }
  QProgressBar* progress_bar() const { return progress_; }
  QPushButton* ok_button() const { return ok_; }

 public slots:
  void reject() override;  // ignored while a transfer runs
  void OnOK();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Observer;
  void Finished(TransferResult result);
  void ShowMessage(const std::string& text);

  CCommPort port_;
  TransferProtocol protocol_{port_};
  std::unique_ptr<Observer> observer_;
  std::thread worker_;
  TransferDirection direction_ = TransferDirection::kRead;
  int port_index_ = 0;
  const Image* image_ = nullptr;
  MessageFn message_;

  QProgressBar* progress_;
  QLabel* status_;
  QLabel* instruction_;
  QPushButton* cancel_;
  QPushButton* ok_;
};

}  // namespace kavor
