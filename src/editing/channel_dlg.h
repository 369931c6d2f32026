// The channel editor: one channel record's name, character table, PIDs,
// category, favourite, lock and scramble flags, CA system id and ECM PID.
// Opening, OK's checks and what OK writes are the core's channel form; the
// dialog only moves text between the form and its controls.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "editing/channel_form.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace kavor {

class CChannelDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CChannelDlg(QWidget* parent = nullptr);

  // Where OK's refusals go; without one, a warning box captioned "Kavor".
  using MessageFn = std::function<void(const std::string&)>;
  void set_message_handler(MessageFn fn) { message_ = std::move(fn); }

  // Title and record for the next showing; every control is reloaded from
  // the record. The record is written only by OK.
  void Open(const std::string& caption, ChannelRecord record);
  int exec() override;

  QLineEdit* name_box() const { return name_; }
  QComboBox* char_table_box() const { return char_table_; }
  QLineEdit* video_box() const { return video_; }
  QLineEdit* audio_box() const { return audio_; }
  QLineEdit* pcr_box() const { return pcr_; }
  QComboBox* category_box() const { return category_; }
  QCheckBox* favourite_box(int i) const { return favourite_[std::size_t(i)]; }  // 0..7
  QCheckBox* lock_box() const { return lock_; }
  QCheckBox* scramble_box() const { return scramble_; }
  QLineEdit* ca_system_id_box() const { return ca_; }
  QLineEdit* ecm_pid_box() const { return ecm_; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  ChannelForm Collect() const;
  QWidget* Control(ChannelControl control) const;

  QLineEdit* name_ = nullptr;
  QComboBox* char_table_ = nullptr;
  QLineEdit* video_ = nullptr;
  QLineEdit* audio_ = nullptr;
  QLineEdit* pcr_ = nullptr;
  QComboBox* category_ = nullptr;
  std::array<QCheckBox*, 8> favourite_{};
  QCheckBox* lock_ = nullptr;
  QCheckBox* scramble_ = nullptr;
  QLineEdit* ca_ = nullptr;
  QLineEdit* ecm_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  MessageFn message_;
  std::optional<ChannelRecord> record_;
  ChannelForm opened_;
};

}  // namespace kavor
