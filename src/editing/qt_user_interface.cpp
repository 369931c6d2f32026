#include "editing/qt_user_interface.h"

#include <QDir>
#include <QMessageBox>

namespace kavor {

namespace {
// Each filter's pattern is given twice: once in the name the user reads,
// once in the parentheses Qt takes it from (and, with the details hidden,
// strips from the name). "*.*" matches every file, names without a dot too.
const QStringList kFilters = {"data file(*.bin) (*.bin)", "*.* (*)"};

// The dialog adds "bin" to a typed name without an extension.
std::string WithDefaultExtension(const QString& path) {
  QString result = path;
  const QString name = QFileInfo(path).fileName();
  if (!name.contains('.')) result += ".bin";
  return result.toStdString();
}

std::optional<std::string> Chosen(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}
}  // namespace

std::unique_ptr<QFileDialog> MakeDataFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                                const std::string& initial) {
  const QString start = initial.empty() ? QDir::currentPath() : QString::fromStdString(initial);
  auto dialog = std::make_unique<QFileDialog>(parent, QString(), start);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setOption(QFileDialog::HideNameFilterDetails);
  dialog->setNameFilters(kFilters);
  dialog->selectNameFilter(kFilters.first());
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog->setDefaultSuffix("bin");
  return dialog;
}

void QtUserInterface::ShowMessage(const std::string& text, MessageIcon icon) {
  QMessageBox::Icon qicon = QMessageBox::Critical;
  if (icon == MessageIcon::Exclamation) qicon = QMessageBox::Warning;
  if (icon == MessageIcon::Information) qicon = QMessageBox::Information;
  if (icon == MessageIcon::Question) qicon = QMessageBox::Question;
  QMessageBox box(qicon, "Kavor", QString::fromStdString(text), QMessageBox::Ok, parent_);
  box.exec();
}

std::optional<std::string> QtUserInterface::ChooseOpenFile(const std::string& initial) {
  return Chosen(*MakeDataFileDialog(parent_, QFileDialog::AcceptOpen, initial));
}

std::optional<std::string> QtUserInterface::ChooseSaveFile(const std::string& initial) {
  // The dialog asks before replacing an existing file.
  const auto path = Chosen(*MakeDataFileDialog(parent_, QFileDialog::AcceptSave, initial));
  if (!path) return std::nullopt;
  return WithDefaultExtension(QString::fromStdString(*path));
}

}  // namespace kavor
