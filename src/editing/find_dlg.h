// "Find Channel": a text and "Match case". The object lives as long as the
// form, so both are shown again at the next find.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kavor {

class CFindDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CFindDlg(QWidget* parent = nullptr);

  // What the next showing shows; after OK, what the user entered.
  void SetValues(const std::string& text, bool match_case);
  const std::string& text() const { return text_; }
  bool match_case() const { return match_case_; }
  int exec() override;

  QLineEdit* text_box() const { return text_box_; }
  QCheckBox* match_case_box() const { return match_case_box_; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* text_box_;
  QCheckBox* match_case_box_;
  QPushButton* ok_;
  QPushButton* cancel_;
  std::string text_;
  bool match_case_ = false;
};

}  // namespace kavor
