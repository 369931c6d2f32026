// "Edit Satellite": name, longitude, LNB type and its user-defined
// frequency, switch input, tone burst and four flags of one satellite
// record. Opening, OK's checks and what OK writes are the core's satellite
// form; the dialog only moves text between it and the controls.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "editing/satellite_form.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kavor {

class CSatelliteDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CSatelliteDlg(QWidget* parent = nullptr);

  // Where OK's refusals go, with the icon the check chose; without one, a
  // box captioned "Kavor" with that icon.
  using MessageFn = std::function<void(const std::string&, MessageIcon)>;
  void set_message_handler(MessageFn fn) { message_ = std::move(fn); }

  // The record for the next showing; every control is reloaded from it. The
  // record is written only by OK.
  void Open(SatelliteRecord record);
  int exec() override;

  QLineEdit* name_box() const { return name_; }
  QRadioButton* east_button() const { return east_; }
  QRadioButton* west_button() const { return west_; }
  QLineEdit* degree_box() const { return degree_; }
  QComboBox* lnb_box() const { return lnb_; }
  QLabel* input_label() const { return input_label_; }
  QLineEdit* input_box() const { return input_; }
  QComboBox* switch_box() const { return switch_; }
  QComboBox* tone_burst_box() const { return tone_burst_; }
  QCheckBox* lnb_power_box() const { return lnb_power_; }
  QCheckBox* khz22_box() const { return khz22_; }
  QCheckBox* v12_box() const { return v12_; }
  QCheckBox* scramble_box() const { return scramble_; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void ShowUserLnbInput(bool shown);
  void SideChanged();
  SatelliteForm Collect() const;
  QWidget* Control(SatelliteControl control) const;

  QLineEdit* name_ = nullptr;
  QRadioButton* east_ = nullptr;
  QRadioButton* west_ = nullptr;
  QLineEdit* degree_ = nullptr;
  QComboBox* lnb_ = nullptr;
  QLabel* input_label_ = nullptr;
  QLineEdit* input_ = nullptr;
  QComboBox* switch_ = nullptr;
  QComboBox* tone_burst_ = nullptr;
  QCheckBox* lnb_power_ = nullptr;
  QCheckBox* khz22_ = nullptr;
  QCheckBox* v12_ = nullptr;
  QCheckBox* scramble_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  MessageFn message_;
  std::optional<SatelliteRecord> record_;
  SatelliteForm opened_;
};

}  // namespace kavor
