// The transponder editor: frequency, polarity, symbol rate and FEC of one
// transponder record. Opening, OK's checks and what OK writes are the core's
// transponder form; the dialog only moves text between it and the controls.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "editing/transponder_form.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kavor {

class CTransponderDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CTransponderDlg(QWidget* parent = nullptr);

  // Where OK's refusals go, with the icon the check chose; without one, a
  // box captioned "Kavor" with that icon.
  using MessageFn = std::function<void(const std::string&, MessageIcon)>;
  void set_message_handler(MessageFn fn) { message_ = std::move(fn); }

  // Caption and record for the next showing; every control is reloaded from
  // the record. The record is written only by OK.
  void Open(const std::string& caption, TransponderRecord record);
  int exec() override;

  QLineEdit* frequency_box() const { return frequency_; }
  QComboBox* polarity_box() const { return polarity_; }
  QLineEdit* symbol_rate_box() const { return symbol_rate_; }
  QComboBox* fec_box() const { return fec_; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  TransponderForm Collect() const;
  QWidget* Control(TransponderControl control) const;

  QLineEdit* frequency_ = nullptr;
  QComboBox* polarity_ = nullptr;
  QLineEdit* symbol_rate_ = nullptr;
  QComboBox* fec_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  MessageFn message_;
  std::optional<TransponderRecord> record_;
};

}  // namespace kavor
