#include "editing/qt_user_interface.h"

#include <QFileDialog>
#include <QMessageBox>

namespace kavor {

namespace {
const char* const kFilter = "data file(*.bin) (*.bin);;*.* (*)";

// The dialog adds "bin" to a typed name without an extension.
std::string WithDefaultExtension(const QString& path) {
  QString result = path;
  const QString name = QFileInfo(path).fileName();
  if (!name.contains('.')) result += ".bin";
  return result.toStdString();
}
}  // namespace

void QtUserInterface::ShowMessage(const std::string& text, MessageIcon icon) {
  QMessageBox::Icon qicon = QMessageBox::Critical;
  if (icon == MessageIcon::Exclamation) qicon = QMessageBox::Warning;
  if (icon == MessageIcon::Information) qicon = QMessageBox::Information;
  if (icon == MessageIcon::Question) qicon = QMessageBox::Question;
  QMessageBox box(qicon, "Kavor", QString::fromStdString(text), QMessageBox::Ok, parent_);
  box.exec();
}

std::optional<std::string> QtUserInterface::ChooseOpenFile(const std::string& initial) {
  QFileDialog dialog(parent_, QString(), QString::fromStdString(initial), kFilter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix("bin");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtUserInterface::ChooseSaveFile(const std::string& initial) {
  QFileDialog dialog(parent_, QString(), QString::fromStdString(initial), kFilter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix("bin");
  // The platform dialog asks before replacing an existing file.
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return WithDefaultExtension(dialog.selectedFiles().first());
}

}  // namespace kavor
