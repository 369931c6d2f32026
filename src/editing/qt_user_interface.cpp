#include "editing/qt_user_interface.h"

#include <QDir>

#include "editing/channel_dlg.h"
#include "editing/find_dlg.h"
#include "editing/line_edits.h"
#include "editing/move_dlg.h"
#include "editing/satellite_dlg.h"
#include "editing/transponder_dlg.h"

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

std::unique_ptr<QFileDialog> MakeSatcoDxFileDialog(QWidget* parent) {
  const QStringList filters = {"SatcoDx file(*.sdx) (*.sdx)", "*.* (*)"};
  auto dialog = std::make_unique<QFileDialog>(parent, QString(), QDir::currentPath());
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setOption(QFileDialog::HideNameFilterDetails);
  dialog->setNameFilters(filters);
  dialog->selectNameFilter(filters.first());
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setDefaultSuffix("sdx");
  return dialog;
}

std::unique_ptr<QMessageBox> MakeSaveChangesBox(QWidget* parent, const std::string& question) {
  // The question names a file: its name is the file system's text, not the
  // receiver's.
  auto box = std::make_unique<QMessageBox>(QMessageBox::Question, "Kavor", QString::fromStdString(question),
                                           QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box->setDefaultButton(QMessageBox::Save);
  box->setEscapeButton(QMessageBox::Cancel);
  return box;
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

bool QtUserInterface::AskOkCancel(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::Question, FromLatin1(caption), FromLatin1(text),
                  QMessageBox::Ok | QMessageBox::Cancel, parent_);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

bool QtUserInterface::EditChannel(const std::string& caption, ChannelRecord record) {
  if (!dialogs_.channel) return false;
  dialogs_.channel->Open(caption, record);
  return dialogs_.channel->exec() == QDialog::Accepted;
}

std::optional<long long> QtUserInterface::AskNumber(const std::string& prompt, long long number) {
  if (!dialogs_.move) return std::nullopt;
  dialogs_.move->SetPrompt(prompt);
  dialogs_.move->SetNumber(number);
  if (dialogs_.move->exec() != QDialog::Accepted) return std::nullopt;
  return dialogs_.move->number();
}

bool QtUserInterface::AskFind(std::string& text, bool& match_case) {
  if (!dialogs_.find) return false;
  dialogs_.find->SetValues(text, match_case);
  if (dialogs_.find->exec() != QDialog::Accepted) return false;
  text = dialogs_.find->text();
  match_case = dialogs_.find->match_case();
  return true;
}

bool QtUserInterface::EditTransponder(const std::string& caption, TransponderRecord record) {
  if (!dialogs_.transponder) return false;
  dialogs_.transponder->Open(caption, record);
  return dialogs_.transponder->exec() == QDialog::Accepted;
}

std::optional<std::string> QtUserInterface::ChooseSatcoDxFile() {
  return Chosen(*MakeSatcoDxFileDialog(parent_));
}

bool QtUserInterface::EditSatellite(SatelliteRecord record) {
  if (!dialogs_.satellite) return false;
  dialogs_.satellite->Open(record);
  return dialogs_.satellite->exec() == QDialog::Accepted;
}

SaveChoice QtUserInterface::AskSaveChanges(const std::string& question) {
  auto box = MakeSaveChangesBox(parent_, question);
  switch (box->exec()) {
    case QMessageBox::Save: return SaveChoice::Save;
    case QMessageBox::Discard: return SaveChoice::Discard;
    default: return SaveChoice::Cancel;
  }
}

}  // namespace kavor
