// Edit boxes as the editor's dialogs need them. Names and numbers are
// single-byte strings, so boxes take only characters that fit one byte
// (Latin-1, no NUL), typed or pasted; the digits-only boxes also refuse a
// typed non-digit, while a paste goes in as text for OK's checks to judge.
#pragma once

#include <QLineEdit>
#include <QValidator>
#include <string>

namespace kavor {

// Accepts a text only when every character is one Latin-1 byte other than NUL.
class Latin1Validator : public QValidator {
  Q_OBJECT
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

class DigitsOnlyEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit DigitsOnlyEdit(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// A line edit that takes Latin-1 text only.
QLineEdit* MakeLatin1Edit(QWidget* parent);

inline QString FromLatin1(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}
inline std::string ToLatin1(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace kavor
