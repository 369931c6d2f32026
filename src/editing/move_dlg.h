// "Move to": a read-only prompt and a number box. The dialog checks only that
// the box holds an integer; the caller checks the range and shows it again.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

namespace kavor {

class CMoveDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CMoveDlg(QWidget* parent = nullptr);

  using MessageFn = std::function<void(const std::string&)>;
  void set_message_handler(MessageFn fn) { message_ = std::move(fn); }

  // Set before every showing.
  void SetPrompt(const std::string& prompt);
  void SetNumber(long long number);
  // After OK: the integer typed.
  long long number() const { return number_; }

  QLineEdit* prompt_box() const { return prompt_box_; }
  QLineEdit* number_box() const { return number_box_; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* prompt_box_;
  QLineEdit* number_box_;
  QPushButton* ok_;
  QPushButton* cancel_;
  MessageFn message_;
  long long number_ = 0;
};

}  // namespace kavor
